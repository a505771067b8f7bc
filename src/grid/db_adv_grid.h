#pragma once

#include <QString>
#include <QTableView>

#include "result_set.h"

class GridModel;
class QAbstractButton;
class TMyDataSource;

// Design-time settings of one grid.
struct GridDesign {
    int indicatorWidth = 28;   // width of the fixed indicator column (column 0)
    int dataColumnWidth = 62;  // width of data column 1 before any result is shown
    QString header;            // header text of data column 1 until the first close of a result
    int designRows = 2;        // row count (header included) before the first open
    MemoText memo = MemoText::Whole; // how TEXT and BLOB values are shown
};

// A data-aware grid: a view over the rows its data source's query holds.
// Row 0 is the fixed header row, column 0 the fixed indicator column; data cells are numbered
// from 1, grid row r showing result row r.
class TDBAdvGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBAdvGrid(const GridDesign& design, QWidget* parent = nullptr);
    ~TDBAdvGrid() override;

    void SetDataSource(TMyDataSource& dataSource);

    int ColCount() const;  // data columns + 1
    int RowCount() const;  // data rows + 1
    // The text of a cell: row 0 the header, column 0 always empty.
    QString Cells(int col, int row) const;
    int Row() const;       // the current row (1-based)
    int Col() const;       // the current column (1-based)
    // The current cell's text: empty while no result is open or the result has no rows.
    QString CurrentCellText() const;

signals:
    // A left press on any cell, after the press has moved the current cell.
    void OnClickCell(int ARow, int ACol);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyboardSearch(const QString& search) override;

private:
    void activeChanged(bool active);
    void fitColumns();
    void selectFromCurrentTo(int row, int column);

    const GridDesign design_;
    GridModel* model_;
    TMyDataSource* dataSource_ = nullptr;
    QAbstractButton* corner_;
    bool selecting_ = false; // a left press on a data cell is held: moves mark a range
};
