// The grid as a person meets it: its shapes before, during and after a result, the mouse and
// keyboard rules of the current cell and the cell-click event, the row indicator, and a result
// of a million rows.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>
#include <memory>

#include "bound_grid.h"

namespace {

// A person's mouse on a widget of a shown window: events go through the window system's path, so
// that a double click arrives as Qt really delivers it (press, release, double click, release).
QPoint inWindow(QWidget* widget, QPoint pos) { return widget->mapTo(widget->window(), pos); }

void click(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {})
{
    QTest::mouseClick(widget->window()->windowHandle(), button, mods, inWindow(widget, pos));
}

QPoint cellCenter(const TDBAdvGrid& grid, int row, int col)
{
    return grid.visualRect(grid.model()->index(row - 1, col - 1)).center();
}

QPoint headerCenter(const TDBAdvGrid& grid, int col)
{
    const QHeaderView* header = grid.horizontalHeader();
    return {header->sectionViewportPosition(col - 1) + header->sectionSize(col - 1) / 2, header->height() / 2};
}

QPoint indicatorCenter(const TDBAdvGrid& grid, int row)
{
    const QHeaderView* header = grid.verticalHeader();
    return {header->width() / 2, header->sectionViewportPosition(row - 1) + header->sectionSize(row - 1) / 2};
}

void showGrid(TDBAdvGrid& grid)
{
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
}

// What is wrong with the indicator column's picture, if anything, when it should show the triangle
// on grid row `row` only (0: nowhere).
QString triangleProblem(const TDBAdvGrid& grid, int row)
{
    QWidget* column = grid.verticalHeader()->viewport();
    const QImage image = column->grab().toImage();
    QList<QPoint> black;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0)
                black << QPoint(x, y);
    if (row == 0)
        return black.isEmpty() ? QString() : QStringLiteral("black pixels while it should show none");
    const QPoint origin(3, grid.verticalHeader()->sectionViewportPosition(row - 1) + 1);
    for (const QPoint corner : {QPoint(0, 0), QPoint(0, 10), QPoint(5, 5), QPoint(2, 5)})
        if (!black.contains(origin + corner))
            return QStringLiteral("(%1,%2) of the triangle is not black").arg(corner.x()).arg(corner.y());
    if (black.contains(origin + QPoint(4, 1)))
        return QStringLiteral("black outside the triangle's edge");
    for (const QPoint p : black)
        if (!QRect(origin, QSize(6, 11)).contains(p))
            return QStringLiteral("black pixel at (%1,%2), away from row %3").arg(p.x()).arg(p.y()).arg(row);
    return {};
}

enum class Action { Click, ShiftClick, CtrlClick, RightClick, DoubleClick, Drag, Keys };
enum class Where { Cell, Header, Indicator, Corner, BelowRows };

struct ClickCase {
    const char* name;
    Action action;
    Where where;
    int row, col;             // the cell, header column or indicator row pressed
    QList<QPoint> fired;      // OnClickCell's (ARow, ACol), in order
    int currentRow, currentCol;
    int selectedCells;
};

// Every case starts on the 3 x 3 result with the current cell at row 2, column 2.
const ClickCase kClickCases[] = {
    {"data cell", Action::Click, Where::Cell, 3, 3, {{3, 3}}, 3, 3, 1},
    {"data cell with Ctrl", Action::CtrlClick, Where::Cell, 3, 1, {{3, 1}}, 3, 1, 1},
    {"data cell with Shift", Action::ShiftClick, Where::Cell, 3, 3, {{3, 3}}, 2, 2, 4},
    {"header", Action::Click, Where::Header, 0, 3, {{0, 3}}, 2, 2, 1},
    {"header with Shift", Action::ShiftClick, Where::Header, 0, 1, {{0, 1}}, 2, 2, 1},
    {"indicator", Action::Click, Where::Indicator, 3, 0, {{3, 0}}, 2, 2, 1},
    {"corner", Action::Click, Where::Corner, 0, 0, {{0, 0}}, 2, 2, 1},
    {"right button", Action::RightClick, Where::Cell, 3, 3, {}, 2, 2, 1},
    {"double click", Action::DoubleClick, Where::Cell, 3, 3, {{3, 3}}, 3, 3, 1},
    {"double click on the header", Action::DoubleClick, Where::Header, 0, 2, {{0, 2}}, 2, 2, 1},
    {"below the rows", Action::Click, Where::BelowRows, 0, 0, {}, 2, 2, 1},
    {"drag", Action::Drag, Where::Cell, 1, 1, {{1, 1}}, 1, 1, 6},
    {"keyboard", Action::Keys, Where::Cell, 0, 0, {}, 3, 3, 1},
};

} // namespace

Q_DECLARE_METATYPE(GridDesign)

class GridWidgetTest : public QObject {
    Q_OBJECT

private slots:
    void designShapes_data()
    {
        QTest::addColumn<GridDesign>("design");
        QTest::newRow("result grid") << kResultGrid;
        QTest::newRow("table list") << kTableList;
        QTest::newRow("database list") << kDatabaseList;
    }

    void designShapes()
    {
        QFETCH(GridDesign, design);
        BoundGrid bound(design);
        TDBAdvGrid& grid = bound.grid;
        showGrid(grid);
        // Closing a query that holds no result, or a statement without one, changes nothing.
        bound.query.Close();
        bound.query.SQL = QStringList{QStringLiteral("do 1")};
        bound.query.Execute();

        QCOMPARE(grid.ColCount(), 2);
        QCOMPARE(grid.RowCount(), design.designRows);
        QCOMPARE(grid.Cells(1, 0), design.header);
        QCOMPARE(grid.Cells(0, 0), QString());
        QCOMPARE(grid.Cells(1, 1), QString());
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.Col(), 1);
        QCOMPARE(grid.CurrentCellText(), QString());

        QCOMPARE(grid.verticalHeader()->width(), design.indicatorWidth);
        QCOMPARE(grid.columnWidth(0), design.dataColumnWidth);
        QCOMPARE(grid.horizontalHeader()->height(), 22);
        QCOMPARE(grid.rowHeight(0), 22);
        QCOMPARE(grid.font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(grid.font().pixelSize(), 11);
        QVERIFY(grid.horizontalHeader()->font().bold());
        QCOMPARE(grid.horizontalScrollBar()->isVisible(), false);
        QCOMPARE(grid.verticalScrollBar()->isVisible(), false);
    }

    void shapesThroughOpenAndClose()
    {
        BoundGrid list(kDatabaseList);
        TDBAdvGrid& grid = list.grid;
        list.open(QStringLiteral("select 'a' as name union all select 'b'"));
        QCOMPARE(grid.Cells(1, 0), QStringLiteral("DB명")); // until the first close
        QCOMPARE(grid.ColCount(), 2);
        QCOMPARE(grid.RowCount(), 3);
        QCOMPARE(grid.Cells(1, 2), QStringLiteral("b"));
        QCOMPARE(grid.CurrentCellText(), QStringLiteral("a"));
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(grid.Row(), 2);
        QCOMPARE(grid.CurrentCellText(), QStringLiteral("b"));

        list.query.Close();
        QCOMPARE(grid.ColCount(), 2);
        QCOMPARE(grid.RowCount(), 2);
        QCOMPARE(grid.Cells(1, 0), QString());
        QCOMPARE(grid.Cells(1, 1), QString());
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.CurrentCellText(), QString());

        list.open(QStringLiteral("select 'c' as name, 'd' as other from dual where false"));
        QCOMPARE(grid.ColCount(), 3);
        QCOMPARE(grid.RowCount(), 2); // one blank data row
        QCOMPARE(grid.Cells(1, 0), QStringLiteral("name"));
        QCOMPARE(grid.Cells(2, 0), QStringLiteral("other"));
        QCOMPARE(grid.CurrentCellText(), QString());

        list.open(QStringLiteral("select 'c' as name union all select 'e'"));
        QTest::keyClick(&grid, Qt::Key_Down);
        list.open(QStringLiteral("select 'f' as name union all select 'g'"));
        QCOMPARE(grid.Row(), 1); // whenever a result opens
        QCOMPARE(grid.Col(), 1);
        QCOMPARE(grid.CurrentCellText(), QStringLiteral("f"));

        BoundGrid result(kResultGrid);
        result.open(QStringLiteral("select 1 as x"));
        QCOMPARE(result.grid.Cells(1, 0), QStringLiteral("x"));
    }

    void accessibleTexts()
    {
        BoundGrid bound(kResultGrid);
        bound.open(QStringLiteral("select 'left' as name, 2 as n"));
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&bound.grid);
        QVERIFY(table && table->tableInterface());
        QCOMPARE(table->tableInterface()->columnCount(), 2);
        QCOMPARE(table->tableInterface()->columnDescription(0), QStringLiteral("name"));
        QCOMPARE(table->tableInterface()->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("left"));
        QCOMPARE(table->tableInterface()->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("2"));
    }

    void clicks_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kClickCases)); ++i)
            QTest::newRow(kClickCases[i].name) << i;
    }

    void clicks()
    {
        QFETCH(int, index);
        const ClickCase& c = kClickCases[index];
        if (!clickGrid) {
            clickGrid = std::make_unique<BoundGrid>(kResultGrid);
            clickGrid->open(QStringLiteral("select 1 a, 2 b, 3 c union all select 4, 5, 6 union all select 7, 8, 9"));
            showGrid(clickGrid->grid);
        }
        TDBAdvGrid& grid = clickGrid->grid;
        grid.selectionModel()->setCurrentIndex(grid.model()->index(1, 1), QItemSelectionModel::ClearAndSelect);
        QList<QPoint> fired;
        QList<QPoint> currentWhenFired;
        const auto connection = connect(&grid, &TDBAdvGrid::OnClickCell, this, [&](int row, int col) {
            fired << QPoint(row, col);
            currentWhenFired << QPoint(grid.Row(), grid.Col());
        });

        QWidget* target = grid.viewport();
        QPoint pos = cellCenter(grid, c.row, c.col);
        switch (c.where) {
        case Where::Cell: break;
        case Where::Header: target = grid.horizontalHeader()->viewport(); pos = headerCenter(grid, c.col); break;
        case Where::Indicator: target = grid.verticalHeader()->viewport(); pos = indicatorCenter(grid, c.row); break;
        case Where::Corner:
            target = grid.findChild<QAbstractButton*>();
            pos = target->rect().center();
            break;
        case Where::BelowRows: pos = cellCenter(grid, 3, 1) + QPoint(0, 44); break;
        }
        QWindow* window = grid.windowHandle();
        switch (c.action) {
        case Action::Click: click(target, pos); break;
        case Action::ShiftClick: click(target, pos, Qt::LeftButton, Qt::ShiftModifier); break;
        case Action::CtrlClick: click(target, pos, Qt::LeftButton, Qt::ControlModifier); break;
        case Action::RightClick: click(target, pos, Qt::RightButton); break;
        case Action::DoubleClick: QTest::mouseDClick(window, Qt::LeftButton, {}, inWindow(target, pos)); break;
        case Action::Drag:
            QTest::mousePress(window, Qt::LeftButton, {}, inWindow(target, pos));
            QTest::mouseMove(window, inWindow(target, cellCenter(grid, 2, 2)));
            QTest::mouseMove(window, inWindow(target, cellCenter(grid, 3, 2)));
            QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(target, cellCenter(grid, 3, 2)));
            break;
        case Action::Keys:
            QTest::keyClick(&grid, Qt::Key_Down);
            QTest::keyClick(&grid, Qt::Key_Right);
            break;
        }
        disconnect(connection);

        QCOMPARE(fired, c.fired);
        const QPoint current(c.currentRow, c.currentCol);
        QCOMPARE(QPoint(grid.Row(), grid.Col()), current);
        QCOMPARE(currentWhenFired, QList<QPoint>(c.fired.size(), current)); // the press did its work first
        QCOMPARE(grid.selectionModel()->selectedIndexes().size(), c.selectedCells);
        QVERIFY(!grid.viewport()->findChild<QWidget*>()); // no editor opened
    }

    void noColumnSizingOrSorting()
    {
        BoundGrid bound(kResultGrid);
        bound.open(QStringLiteral("select 2 as a, 'x' as b union all select 1, 'y'"));
        TDBAdvGrid& grid = bound.grid;
        showGrid(grid);
        const int width = grid.columnWidth(0);
        QWindow* window = grid.windowHandle();
        QWidget* header = grid.horizontalHeader()->viewport();
        const QPoint edge(grid.horizontalHeader()->sectionViewportPosition(1) - 1, 11);
        QTest::mousePress(window, Qt::LeftButton, {}, inWindow(header, edge));
        QTest::mouseMove(window, inWindow(header, edge + QPoint(40, 0)));
        QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(header, edge + QPoint(40, 0)));
        QCOMPARE(grid.columnWidth(0), width);
        click(header, headerCenter(grid, 1));
        QCOMPARE(grid.Cells(1, 1), QStringLiteral("2"));
    }

    void indicatorTriangle()
    {
        BoundGrid bound(kTableList);
        TDBAdvGrid& grid = bound.grid;
        showGrid(grid);
        QCOMPARE(triangleProblem(grid, 0), QString()); // nothing before a result
        bound.open(QStringLiteral("select 'a' as t union all select 'b' union all select 'c'"));
        QCOMPARE(triangleProblem(grid, 1), QString());
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(triangleProblem(grid, 2), QString());
        click(grid.viewport(), cellCenter(grid, 3, 1));
        QCOMPARE(triangleProblem(grid, 3), QString());
        bound.query.Close();
        QCOMPARE(triangleProblem(grid, 0), QString());
    }

    void millionRows()
    {
        BoundGrid bound(kResultGrid);
        TDBAdvGrid& grid = bound.grid;
        showGrid(grid);
        bound.open(QStringLiteral("select seq from mysql.seq_1_to_1000000")); // the sequence engine
        QCOMPARE(grid.RowCount(), 1000001);
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QApplication::processEvents();
        QCOMPARE(grid.Row(), 1000000);
        QCOMPARE(grid.CurrentCellText(), QStringLiteral("1000000"));
        QCOMPARE(grid.verticalScrollBar()->value(), grid.verticalScrollBar()->maximum());
        QVERIFY(grid.viewport()->rect().contains(grid.visualRect(grid.currentIndex())));
        QCOMPARE(triangleProblem(grid, 1000000), QString());
    }

private:
    std::unique_ptr<BoundGrid> clickGrid;
};

QTEST_MAIN(GridWidgetTest)
#include "grid_widget_test.moc"
