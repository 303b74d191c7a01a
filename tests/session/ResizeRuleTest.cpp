#include "session/ResizeRule.h"

#include <gtest/gtest.h>
#include <map>

using namespace vorbel;

TEST(ResizeRule, StartUpWidthGivesTheDesignedColumns)
{
    const ResizeLayout layout = computeResizeLayout(1020, QSize(1018, 600), 600);
    const std::map<int, int> results(layout.resultColumns.begin(), layout.resultColumns.end());
    const std::map<int, int> expectedResults{{1, 255}, {2, 127}, {3, 92}, {4, 113},
                                             {5, 68},  {6, 68},  {8, 68}};
    EXPECT_EQ(results, expectedResults);
    const std::map<int, int> favourites(layout.favouriteColumns.begin(), layout.favouriteColumns.end());
    const std::map<int, int> expectedFavourites{{1, 310}, {2, 102}, {3, 102}, {4, 209}, {6, 85}};
    EXPECT_EQ(favourites, expectedFavourites);
    EXPECT_EQ(layout.progressPanel, QPoint(110, 300));
    EXPECT_EQ(layout.homePanel, QPoint(109, 50));
}

TEST(ResizeRule, SmallWindowsMovePanelsToNegativePositions)
{
    const ResizeLayout layout = computeResizeLayout(200, QSize(198, 10), 10);
    EXPECT_EQ(layout.progressPanel.x(), -300);
    EXPECT_EQ(layout.homePanel, QPoint(-301, -245));
}
