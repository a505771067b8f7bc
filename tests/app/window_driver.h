#pragma once

// Drives the main window as a person would: typing into fields, pressing buttons and keys,
// clicking grid cells, and answering the error boxes that come up.

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "db_adv_grid.h"
#include "memo.h"
#include "sql_adm.h"
#include "test_server.h"

// Every error box shown while it lives: its title, icon and text, each dismissed with OK.
class ErrorBoxes {
public:
    ErrorBoxes()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                titles << box->windowTitle();
                icons << box->icon();
                texts << box->text();
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        });
        timer_.start();
    }
    // The texts seen so far, forgotten once read.
    QStringList take() { return std::exchange(texts, {}); }

    QStringList titles;
    QList<QMessageBox::Icon> icons;
    QStringList texts;

private:
    QTimer timer_;
};

// Counts the F5 presses that reach a control after the window's key preview.
struct F5Counter : QObject {
    explicit F5Counter(QWidget* control) { control->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F5)
            ++count;
        return false;
    }
    int count = 0;
};

// Gives a control the keyboard focus, its window becoming the active one again as it does when a
// person closes an error box.
inline void focusOn(QWidget* control)
{
    control->activateWindow();
    QApplication::setActiveWindow(control->window());
    control->setFocus();
}

// The presses a held-down F5 key repeats.
inline void repeatF5(QWidget* control, int times, Qt::KeyboardModifiers modifiers = {})
{
    for (int i = 0; i < times; ++i) {
        focusOn(control);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F5, modifiers, QString(), true);
        QApplication::sendEvent(control, &repeat);
    }
}

inline void typeInto(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

inline void press(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

// A left press on grid cell (col, row): row 0 is the header row, column 0 the indicator column.
inline void clickCell(TDBAdvGrid* grid, int col, int row, Qt::KeyboardModifiers modifiers = {})
{
    if (row == 0) {
        QHeaderView* header = grid->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(col - 1) + 3, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, at);
    } else if (col == 0) {
        QHeaderView* header = grid->verticalHeader();
        const QPoint at(header->width() / 2, header->sectionViewportPosition(row - 1) + 3);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, at);
    } else {
        grid->scrollTo(grid->model()->index(row - 1, col - 1));
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, col - 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
}

// The data cells of column 1, rows 1 to RowCount - 1: a list's names.
inline QStringList column1(const TDBAdvGrid* grid)
{
    QStringList cells;
    for (int row = 1; row < grid->RowCount(); ++row)
        cells << grid->Cells(1, row);
    return cells;
}

// The header texts of the data columns.
inline QStringList headers(const TDBAdvGrid* grid)
{
    QStringList cells;
    for (int col = 1; col < grid->ColCount(); ++col)
        cells << grid->Cells(col, 0);
    return cells;
}

// The row of a list that shows the given name (-1 when none does).
inline int rowOf(const TDBAdvGrid* grid, const QString& name)
{
    for (int row = 1; row < grid->RowCount(); ++row)
        if (grid->Cells(1, row) == name)
            return row;
    return -1;
}

// A window pointed at the throwaway server, shown and ready for input.
struct Window {
    TForm1 form;
    ErrorBoxes boxes;

    Window()
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        typeInto(form.hostname, test_server::host());
    }
    void connect() { press(form.Button2); }
    void pickDatabase(const QString& name) { clickCell(form.db_list, 1, rowOf(form.db_list, name)); }
    void pickTable(const QString& name) { clickCell(form.table_list, 1, rowOf(form.table_list, name)); }
    void open(const QString& database)
    {
        connect();
        pickDatabase(database);
    }
    // Types a statement into the emptied editor and runs it with F5 from the editor.
    void run(const QString& statement)
    {
        focusOn(form.Memo1);
        form.Memo1->SetText(statement);
        QTest::keyClick(form.Memo1, Qt::Key_F5);
    }
};
