#pragma once

#include "search/ResultFilter.h"

#include <utility>
#include <vector>

namespace vorbel {

/// The eight shop boxes and their click handlers, without the boxes themselves. Setting a box, by a click
/// or from code, runs its handler whenever the state changes; the handler of "全部" ticks every shop box
/// when "全部" is now ticked, a shop box's handler unticks "全部" when the shop is now unticked, and each
/// handler then refilters. The boxes' own change signals cascade the same way.
class ShopBoxCascade
{
public:
    /// A box to set, by its index (0 "全部", 1 … 7 the shops), and the state to give it.
    using Change = std::pair<int, bool>;

    explicit ShopBoxCascade(const ShopBoxes& boxes = allTicked()) : m_boxes(boxes) {}

    static ShopBoxes allTicked();

    /// The boxes the handler of `box` sets once that box is in the state `ticked`, in order.
    static std::vector<Change> followUps(int box, bool ticked);

    /// Sets one box and runs the handlers that follow; returns the boxes whose handlers ran, in the order
    /// they started (a handler's own changes run inside it, before its refilter). Empty when the box
    /// already had that state or the index is out of range.
    std::vector<int> set(int box, bool ticked);

    const ShopBoxes& boxes() const { return m_boxes; }

private:
    void run(int box, std::vector<int>& handlers);

    ShopBoxes m_boxes;
};

} // namespace vorbel
