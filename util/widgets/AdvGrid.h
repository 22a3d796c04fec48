#pragma once
// TAdvStringGrid: a string grid that can drop rows and empty all its cells.
#include "platform/gui/StringGrid.h"

namespace qm {

class TAdvStringGrid : public TStringGrid {
    Q_OBJECT
public:
    using TStringGrid::TStringGrid;

    // Drops count rows from startRow on: each later row moves up by count and RowCount
    // falls by count. Rows that do not exist are not removed, so a start outside the grid or
    // a count of 0 or less changes nothing and a count past the end stops at the last row.
    void RemoveRows(int startRow, int count);
    // Empties every cell of every column, the title row included; RowCount stays.
    void ClearRows();
};

} // namespace qm
