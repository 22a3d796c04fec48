#include "platform/gui/StringGrid.h"

#include <QHeaderView>

namespace qm {

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(parent)
{
    setColumnCount(5);
    setRowCount(4);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    SetDefaultRowHeight(24);
}

void TStringGrid::SetColCount(int count)
{
    setColumnCount(std::max(count, 1));
}

void TStringGrid::SetRowCount(int count)
{
    count = std::max(count, 1);
    if (count <= fixedRows_)
        SetFixedRows(count - 1);
    setRowCount(count - fixedRows_);
}

void TStringGrid::SetFixedRows(int count)
{
    count = std::clamp(count, 0, 1);
    if (count == fixedRows_)
        return;
    const int total = RowCount();
    fixedRows_ = count;
    horizontalHeader()->setVisible(fixedRows_ > 0);
    setRowCount(std::max(total - fixedRows_, 0));
}

QTableWidgetItem* TStringGrid::itemAt(int col, int row) const
{
    if (col < 0 || col >= columnCount() || row < 0 || row >= RowCount())
        return nullptr;
    return row < fixedRows_ ? horizontalHeaderItem(col) : item(row - fixedRows_, col);
}

AnsiString TStringGrid::Cells(int col, int row) const
{
    const QTableWidgetItem* cell = itemAt(col, row);
    return cell ? FromQString(cell->text()) : AnsiString();
}

void TStringGrid::SetCells(int col, int row, const AnsiString& text)
{
    if (col < 0 || col >= columnCount() || row < 0 || row >= RowCount())
        return;
    if (QTableWidgetItem* cell = itemAt(col, row)) {
        cell->setText(ToQString(text));
        return;
    }
    auto* cell = new QTableWidgetItem(ToQString(text));
    if (row < fixedRows_)
        setHorizontalHeaderItem(col, cell);
    else
        setItem(row - fixedRows_, col, cell);
}

int TStringGrid::Row() const
{
    const int current = currentRow();
    return current < 0 ? fixedRows_ : current + fixedRows_;
}

void TStringGrid::SetRow(int row)
{
    if (row >= fixedRows_ && row < RowCount())
        setCurrentCell(row - fixedRows_, std::max(currentColumn(), 0));
}

int TStringGrid::DefaultRowHeight() const
{
    return verticalHeader()->defaultSectionSize();
}

void TStringGrid::SetDefaultRowHeight(int height)
{
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
}

} // namespace qm
