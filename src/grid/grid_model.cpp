#include "grid_model.h"

#include "display_text.h"

namespace {
// Bytes of a string value decoded for drawing: more than the widest column can show.
constexpr qsizetype kShownBytes = 512;
} // namespace

GridModel::GridModel(const QString& designHeader, int designRows, MemoText memo, QObject* parent)
    : QAbstractTableModel(parent), designHeader_(designHeader), designDataRows_(designRows - 1), memo_(memo)
{
}

void GridModel::open(const ResultSet* result)
{
    beginResetModel();
    closedOnce_ = closedOnce_ || result_ != nullptr; // a result replaced without a close was closed all the same
    result_ = result;
    endResetModel();
}

void GridModel::close()
{
    if (!result_)
        return;
    beginResetModel();
    result_ = nullptr;
    closedOnce_ = true;
    endResetModel();
}

QString GridModel::headerText(int column) const
{
    // A design-time header stays over the first result until that result is closed.
    if (column == 0 && !closedOnce_ && !designHeader_.isEmpty())
        return designHeader_;
    return result_ && column < result_->columnCount() ? result_->field(column).name : QString();
}

bool GridModel::holdsCell(int row, int column) const
{
    return result_ && row >= 0 && row < result_->rowCount() && column >= 0 && column < result_->columnCount();
}

QString GridModel::cellText(int row, int column) const
{
    return holdsCell(row, column) ? DisplayText(*result_, row, column, memo_) : QString();
}

QString GridModel::shownText(int row, int column) const
{
    return holdsCell(row, column) ? DisplayText(*result_, row, column, memo_, kShownBytes) : QString();
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    if (result_)
        return int(std::max<qsizetype>(result_->rowCount(), 1)); // a result without rows shows one blank row
    return closedOnce_ ? 1 : designDataRows_;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return result_ ? result_->columnCount() : 1;
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    return shownText(index.row(), index.column());
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {}; // the indicator column has no text
    return headerText(section);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
