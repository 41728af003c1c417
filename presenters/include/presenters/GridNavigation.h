// Moving over the key grid with the arrow keys. Positions are (row,
// column) slots: rows 0..4 hold nineteen keys each, row 5 the five small
// keys in columns 0..4. The rules move over all nineteen columns of row 5
// too, so they can reach slots without a key cap (from column 5 on).
#pragma once

namespace presenters {

struct GridPosition {
    int row = 0;
    int column = 0;
    friend bool operator==(const GridPosition&, const GridPosition&) = default;
};

enum class GridMove { Left, Right, Up, Down };

// Left and Right wrap within a row over columns 0..18; Up climbs rows 4..1,
// from column 18 of row 0 to the bottom small key (5, 0), and up the small
// keys to column 5; Down descends rows 0..3, from row 4 back to row 0, and
// down the small keys, from (5, 0) to (0, 18). Anything else stays.
GridPosition moveOnGrid(GridPosition from, GridMove move);

// The control id of a position: 1001 + 19 * row + column.
int keyControlIdAt(GridPosition position);

// The position of a key command's control id (id - 1001 split by 19).
GridPosition gridPositionOfControl(int controlId);

} // namespace presenters
