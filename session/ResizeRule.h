#pragma once

#include <QPoint>
#include <QSize>
#include <utility>
#include <vector>

namespace vorbel {

/// Where the resize rule puts things for a window width W.
struct ResizeLayout
{
    std::vector<std::pair<int, int>> resultColumns;    ///< (column of DBGridEh1, width)
    std::vector<std::pair<int, int>> favouriteColumns; ///< (column of DBGridEh2, width)
    QPoint homePanel;                                  ///< top-left of suiPanel inside pan03
    QPoint progressPanel;                              ///< top-left of suiImagePanel1
};

/// The resize rule, with integer division as designed; nothing is clamped, so a small window moves
/// panels to negative positions.
ResizeLayout computeResizeLayout(int windowWidth, QSize homeViewSize, int viewAreaHeight);

} // namespace vorbel
