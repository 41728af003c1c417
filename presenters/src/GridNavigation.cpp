#include <presenters/GridNavigation.h>

#include <dialoglayout/MainDialogLayout.h>

namespace presenters {

using dialoglayout::IDC_KEY_FIRST;

namespace {

inline constexpr int LAST_COLUMN = 18; // nineteen columns in every row
inline constexpr int LAST_MAIN_ROW = 4;
inline constexpr int SMALL_KEY_ROW = 5;
inline constexpr int LAST_SMALL_KEY_CLIMB = 4; // Up climbs while the column is at most this
inline constexpr int COLUMNS = LAST_COLUMN + 1;

} // namespace

GridPosition moveOnGrid(GridPosition from, GridMove move)
{
    GridPosition to = from;
    switch (move) {
    case GridMove::Left:
        if (from.column >= 1 && from.column <= LAST_COLUMN)
            to.column = from.column - 1;
        else if (from.column == 0)
            to.column = LAST_COLUMN;
        break;
    case GridMove::Right:
        if (from.column >= 0 && from.column < LAST_COLUMN)
            to.column = from.column + 1;
        else if (from.column == LAST_COLUMN)
            to.column = 0;
        break;
    case GridMove::Up:
        if (from.row == SMALL_KEY_ROW) {
            if (from.column <= LAST_SMALL_KEY_CLIMB)
                to.column = from.column + 1;
        } else if (from.row == 0) {
            if (from.column == LAST_COLUMN)
                to = { SMALL_KEY_ROW, 0 };
        } else if (from.row >= 1 && from.row <= LAST_MAIN_ROW) {
            to.row = from.row - 1;
        }
        break;
    case GridMove::Down:
        if (from.row == SMALL_KEY_ROW) {
            if (from.column > 0)
                to.column = from.column - 1;
            else if (from.column == 0)
                to = { 0, LAST_COLUMN };
        } else if (from.row >= 0 && from.row < LAST_MAIN_ROW) {
            to.row = from.row + 1;
        } else if (from.row == LAST_MAIN_ROW) {
            to.row = 0;
        }
        break;
    }
    return to;
}

int keyControlIdAt(GridPosition position)
{
    return IDC_KEY_FIRST + COLUMNS * position.row + position.column;
}

GridPosition gridPositionOfControl(int controlId)
{
    const int index = controlId - IDC_KEY_FIRST;
    return { index / COLUMNS, index % COLUMNS };
}

} // namespace presenters
