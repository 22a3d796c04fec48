#include "util/widgets/AdvGrid.h"

#include <algorithm>

namespace qm {

void TAdvStringGrid::RemoveRows(int startRow, int count)
{
    if (startRow < 0 || startRow >= RowCount() || count <= 0)
        return;
    count = std::min(count, RowCount() - startRow);
    for (int r = startRow; r < RowCount(); ++r)
        for (int c = 0; c < ColCount(); ++c)
            SetCells(c, r, Cells(c, r + count));
    SetRowCount(RowCount() - count);
}

void TAdvStringGrid::ClearRows()
{
    for (int r = 0; r < RowCount(); ++r)
        for (int c = 0; c < ColCount(); ++c)
            SetCells(c, r, AnsiString());
}

} // namespace qm
