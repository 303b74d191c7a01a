#include "session/ResizeRule.h"

namespace vorbel {

ResizeLayout computeResizeLayout(int W, QSize homeViewSize, int viewAreaHeight)
{
    ResizeLayout layout;
    layout.resultColumns = {{1, W / 4},  {2, W / 8},  {3, W / 11}, {4, W / 9},
                            {5, W / 15}, {6, W / 15}, {8, W / 15}};
    layout.homePanel = QPoint(homeViewSize.width() / 2 - 400, homeViewSize.height() / 2 - 250);
    layout.favouriteColumns = {{1, W / 3 - 30}, {2, W / 10}, {3, W / 10}, {4, W / 5 + 5}, {6, W / 12}};
    layout.progressPanel = QPoint(W / 2 - 400, viewAreaHeight / 2);
    return layout;
}

} // namespace vorbel
