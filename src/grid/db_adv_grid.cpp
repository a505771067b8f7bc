#include "db_adv_grid.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <functional>

#include "grid_model.h"
#include "my_data_source.h"
#include "my_query.h"

namespace {

constexpr int kRowHeight = 22;
constexpr int kHeaderHeight = 22;
// Column widths after a result opens: fitted to the header and a spread sample of rows.
constexpr int kSampleRows = 100;
constexpr int kMeasuredChars = 128; // the widest column shows no more
constexpr int kCellPadding = 10;
constexpr int kMinColumnWidth = 24;
constexpr int kMaxColumnWidth = 320;

// A cell is one line high: show the first line, marked when more follows.
QString firstLine(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' || text[i] == u'\r')
            return text.left(i) + QChar(0x2026);
    }
    return text;
}

class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = firstLine(option->text);
    }
};

// The indicator column: no text, a small black triangle on the row it is told to mark.
class IndicatorHeader : public QHeaderView {
public:
    IndicatorHeader(std::function<int()> markedRow, QWidget* parent)
        : QHeaderView(Qt::Vertical, parent), markedRow_(std::move(markedRow))
    {
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        painter->save(); // the header style leaves an empty clip behind, hiding whatever follows
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (logicalIndex != markedRow_())
            return;
        const QPoint origin = rect.topLeft() + QPoint(3, 1);
        const QPoint corners[] = {origin, origin + QPoint(0, 10), origin + QPoint(5, 5)};
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(Qt::black);
        painter->setBrush(Qt::black);
        painter->drawPolygon(corners, 3);
        painter->restore();
    }

private:
    std::function<int()> markedRow_;
};

bool isLeftPress(const QEvent* event)
{
    return event->type() == QEvent::MouseButtonPress
        && static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
}

} // namespace

TDBAdvGrid::TDBAdvGrid(const GridDesign& design, QWidget* parent)
    : QTableView(parent), design_(design),
      model_(new GridModel(design.header, design.designRows, design.memo, this))
{
    setVerticalHeader(new IndicatorHeader([this] { return model_->result() ? currentIndex().row() : -1; }, this));
    setModel(model_);
    setItemDelegate(new CellDelegate(this));
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectItems);
    setSelectionMode(ContiguousSelection);
    setTabKeyNavigation(false);
    setWordWrap(false);

    QFont cellFont(QStringLiteral("Tahoma"));
    cellFont.setPixelSize(11);
    setFont(cellFont);
    QFont headerFont = cellFont;
    headerFont.setBold(true);

    QHeaderView* top = horizontalHeader();
    top->setFont(headerFont);
    top->setFixedHeight(kHeaderHeight);
    top->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QHeaderView* side = verticalHeader();
    side->setMinimumSectionSize(kRowHeight);
    side->setDefaultSectionSize(kRowHeight);
    side->setFixedWidth(design.indicatorWidth);
    for (QHeaderView* header : {top, side}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setHighlightSections(false);
        // No whole-column or whole-row selection on a header press; the press still reaches
        // the filter, which reports it as a cell click.
        header->setSectionsClickable(false);
        header->viewport()->installEventFilter(this);
    }
    // The indicator column shows no selection. Left with the view's selection model, the header
    // would rebuild a two-bit-per-row map of selected sections on every paint, which makes a
    // jump in a result of ten million rows miss its frame.
    side->setSelectionModel(new QItemSelectionModel(model_, side));
    // The corner button would select all on a press.
    corner_ = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    corner_->installEventFilter(this);

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, side->viewport(),
            qOverload<>(&QWidget::update));
    setColumnWidth(0, design.dataColumnWidth);
    selectionModel()->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::ClearAndSelect);
}

TDBAdvGrid::~TDBAdvGrid() = default;

void TDBAdvGrid::SetDataSource(TMyDataSource& dataSource)
{
    dataSource_ = &dataSource;
    connect(&dataSource, &TMyDataSource::activeChanged, this, &TDBAdvGrid::activeChanged);
    // The rows go with the query: never leave the view reading a result that is gone.
    connect(&dataSource.DataSet(), &QObject::destroyed, this, [this] { model_->close(); });
    if (dataSource.DataSet().Active())
        activeChanged(true);
}

void TDBAdvGrid::activeChanged(bool active)
{
    const ResultSet* result = active ? dataSource_->DataSet().Result() : nullptr;
    if (!result && !model_->result())
        return; // closing a query that holds no result changes nothing
    if (result) {
        model_->open(result);
        fitColumns();
    } else {
        model_->close();
        setColumnWidth(0, design_.dataColumnWidth);
    }
    selectionModel()->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::ClearAndSelect);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void TDBAdvGrid::fitColumns()
{
    const QFontMetrics cellMetrics(font());
    const QFontMetrics headerMetrics(horizontalHeader()->font());
    const qsizetype rows = model_->result()->rowCount();
    const qsizetype samples = std::min<qsizetype>(rows, kSampleRows);
    for (int column = 0; column < model_->columnCount(); ++column) {
        int width = headerMetrics.horizontalAdvance(model_->headerText(column));
        for (qsizetype i = 0; i < samples; ++i) {
            // Spread over the whole result, first and last row included: later rows of a
            // growing key are the wider ones.
            const qsizetype row = samples < 2 ? i : i * (rows - 1) / (samples - 1);
            const QString text = firstLine(model_->shownText(int(row), column)).left(kMeasuredChars);
            width = std::max(width, cellMetrics.horizontalAdvance(text));
        }
        setColumnWidth(column, std::clamp(width + kCellPadding, kMinColumnWidth, kMaxColumnWidth));
    }
}

int TDBAdvGrid::ColCount() const { return model_->columnCount() + 1; }
int TDBAdvGrid::RowCount() const { return model_->rowCount() + 1; }
int TDBAdvGrid::Row() const { return currentIndex().row() + 1; }
int TDBAdvGrid::Col() const { return currentIndex().column() + 1; }

QString TDBAdvGrid::Cells(int col, int row) const
{
    if (col < 1 || row < 0)
        return {};
    return row == 0 ? model_->headerText(col - 1) : model_->cellText(row - 1, col - 1);
}

QString TDBAdvGrid::CurrentCellText() const { return Cells(Col(), Row()); }

void TDBAdvGrid::selectFromCurrentTo(int row, int column)
{
    selectionModel()->select(QItemSelection(currentIndex(), model_->index(row, column)),
                             QItemSelectionModel::ClearAndSelect);
}

// Mouse handling is the grid's own: Qt's would move the current cell on a right press, a Shift
// press and a drag, where here only a plain left press on a data cell moves it.
void TDBAdvGrid::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid())
        return;
    if (!event->modifiers().testFlag(Qt::ShiftModifier))
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    selectFromCurrentTo(index.row(), index.column());
    selecting_ = true;
    emit OnClickCell(index.row() + 1, index.column() + 1);
}

void TDBAdvGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!selecting_ || !event->buttons().testFlag(Qt::LeftButton))
        return;
    const QPoint pos = event->position().toPoint();
    const QRect area = viewport()->rect();
    // A drag past an edge scrolls that way, a row or column per move.
    if (pos.y() < area.top() || pos.y() > area.bottom())
        verticalScrollBar()->triggerAction(pos.y() < area.top() ? QAbstractSlider::SliderSingleStepSub
                                                                : QAbstractSlider::SliderSingleStepAdd);
    if (pos.x() < area.left() || pos.x() > area.right())
        horizontalScrollBar()->triggerAction(pos.x() < area.left() ? QAbstractSlider::SliderSingleStepSub
                                                                   : QAbstractSlider::SliderSingleStepAdd);
    const int row = rowAt(std::clamp(pos.y(), area.top(), area.bottom()));
    const int column = columnAt(std::clamp(pos.x(), area.left(), area.right()));
    // Past the last row or column: up to it.
    selectFromCurrentTo(row < 0 ? model_->rowCount() - 1 : row, column < 0 ? model_->columnCount() - 1 : column);
}

void TDBAdvGrid::mouseReleaseEvent(QMouseEvent*)
{
    selecting_ = false;
}

void TDBAdvGrid::mouseDoubleClickEvent(QMouseEvent*)
{
    // The second press of a double click does nothing.
}

bool TDBAdvGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == corner_) {
        if (isLeftPress(event))
            emit OnClickCell(0, 0);
        // Swallow every press and release so that the button never clicks (select all).
        return event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
            || event->type() == QEvent::MouseButtonDblClick;
    }
    if (!isLeftPress(event))
        return false;
    const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (watched == horizontalHeader()->viewport()) {
        if (const int column = horizontalHeader()->logicalIndexAt(pos); column >= 0)
            emit OnClickCell(0, column + 1);
    } else if (watched == verticalHeader()->viewport()) {
        if (const int row = verticalHeader()->logicalIndexAt(pos); row >= 0)
            emit OnClickCell(row + 1, 0);
    }
    return false;
}

void TDBAdvGrid::keyboardSearch(const QString&)
{
    // No jump by typed text: it would make the display text of every row.
}
