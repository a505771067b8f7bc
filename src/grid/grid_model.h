#pragma once

#include <QAbstractTableModel>
#include <QString>

#include "result_set.h"

// The data cells and column headers of one grid, read in place from the result its query holds:
// model row r is result row r, model column c result column c (the grid's row and column 0 are
// the view's headers). Nothing is copied; display text is made only when a cell asks for it.
//
// Three shapes: before the first open the design-time one (one data column, design rows), while
// open the result's (at least one data row), after a close one blank data column and row.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    GridModel(const QString& designHeader, int designRows, MemoText memo, QObject* parent = nullptr);

    // The query opened this result; it stays valid until close() or the next open().
    void open(const ResultSet* result);
    // The query closed. Does nothing when no result is held.
    void close();
    const ResultSet* result() const { return result_; }

    // Whole texts, for the grid's handlers.
    QString headerText(int column) const;
    QString cellText(int row, int column) const;
    // A cell's text cut to what a cell can show.
    QString shownText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    bool holdsCell(int row, int column) const;

    const QString designHeader_;
    const int designDataRows_;
    const MemoText memo_;
    const ResultSet* result_ = nullptr;
    bool closedOnce_ = false;
};
