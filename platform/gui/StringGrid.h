#pragma once
// TStringGrid: a grid of text cells addressed as Cells(column, row), where the first
// FixedRows rows are title rows (shown as the column headers) and count in RowCount like
// any other row. Built on QTableWidget; fixed columns are not supported.
#include <QTableWidget>

#include "platform/AnsiString.h"

namespace qm {

class TStringGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    int ColCount() const { return columnCount(); }
    void SetColCount(int count);
    // All rows, the title row included. At least 1; lowering it to FixedRows or below lowers
    // FixedRows so that one normal row stays.
    int RowCount() const { return rowCount() + fixedRows_; }
    void SetRowCount(int count);
    // 0 or 1 title rows.
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);

    // Cells outside the grid read as empty; writes to them are dropped.
    AnsiString Cells(int col, int row) const;
    void SetCells(int col, int row, const AnsiString& text);

    // The current row (a row below the title rows); FixedRows when there is none.
    int Row() const;
    void SetRow(int row);

    int DefaultRowHeight() const;
    void SetDefaultRowHeight(int height);
    int ColWidths(int col) const { return columnWidth(col); }
    void SetColWidths(int col, int width) { setColumnWidth(col, width); }

private:
    QTableWidgetItem* itemAt(int col, int row) const;
    int fixedRows_ = 1;
};

} // namespace qm
