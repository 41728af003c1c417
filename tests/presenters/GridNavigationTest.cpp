#include <presenters/GridNavigation.h>

#include <dialoglayout/MainDialogLayout.h>

#include <gtest/gtest.h>

using namespace presenters;
using namespace dialoglayout;

namespace {

GridPosition move(GridPosition from, GridMove how, int times = 1)
{
    for (int i = 0; i < times; ++i)
        from = moveOnGrid(from, how);
    return from;
}

} // namespace

TEST(GridNavigation, LeftAndRightWrapWithinEveryRowRowFiveIncluded)
{
    for (int row = 0; row <= 5; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(moveOnGrid({ row, 18 }, GridMove::Right), (GridPosition { row, 0 }));
        EXPECT_EQ(moveOnGrid({ row, 0 }, GridMove::Left), (GridPosition { row, 18 }));
        EXPECT_EQ(moveOnGrid({ row, 7 }, GridMove::Right), (GridPosition { row, 8 }));
        EXPECT_EQ(moveOnGrid({ row, 7 }, GridMove::Left), (GridPosition { row, 6 }));
        EXPECT_EQ(move({ row, 4 }, GridMove::Right, 19), (GridPosition { row, 4 }));
    }
    // Columns beyond the grid stay where they are.
    EXPECT_EQ(moveOnGrid({ 2, 19 }, GridMove::Left), (GridPosition { 2, 19 }));
    EXPECT_EQ(moveOnGrid({ 2, 19 }, GridMove::Right), (GridPosition { 2, 19 }));
}

TEST(GridNavigation, UpClimbsTheRowsThenFromKey19TheSmallKeys)
{
    EXPECT_EQ(moveOnGrid({ 4, 7 }, GridMove::Up), (GridPosition { 3, 7 }));
    EXPECT_EQ(moveOnGrid({ 1, 0 }, GridMove::Up), (GridPosition { 0, 0 }));
    EXPECT_EQ(moveOnGrid({ 0, 7 }, GridMove::Up), (GridPosition { 0, 7 }));

    const GridPosition small = moveOnGrid({ 0, 18 }, GridMove::Up);
    EXPECT_EQ(small, (GridPosition { 5, 0 }));
    EXPECT_EQ(keyControlIdAt(small), IDC_SMALL_KEY_FIRST);
    EXPECT_EQ(keyControlIdAt(move(small, GridMove::Up, 4)), IDC_KEY_LAST);
    // One more reaches column 5 (id 1101, no key cap); then it stops.
    EXPECT_EQ(move(small, GridMove::Up, 5), (GridPosition { 5, 5 }));
    EXPECT_EQ(move(small, GridMove::Up, 9), (GridPosition { 5, 5 }));
    EXPECT_EQ(moveOnGrid({ 5, 12 }, GridMove::Up), (GridPosition { 5, 12 }));
}

TEST(GridNavigation, DownDescendsWrapsFromRowFourAndLeavesTheSmallKeysAtKey19)
{
    EXPECT_EQ(moveOnGrid({ 0, 3 }, GridMove::Down), (GridPosition { 1, 3 }));
    for (int column = 0; column <= 18; ++column)
        EXPECT_EQ(moveOnGrid({ 4, column }, GridMove::Down), (GridPosition { 0, column }));
    EXPECT_EQ(moveOnGrid({ 5, 4 }, GridMove::Down), (GridPosition { 5, 3 }));
    EXPECT_EQ(keyControlIdAt(moveOnGrid({ 5, 0 }, GridMove::Down)), 1019);
    EXPECT_EQ(move({ 5, 3 }, GridMove::Down, 4), (GridPosition { 0, 18 }));
}
