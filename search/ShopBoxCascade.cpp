#include "search/ShopBoxCascade.h"

namespace vorbel {

ShopBoxes ShopBoxCascade::allTicked()
{
    ShopBoxes boxes{};
    boxes.fill(true);
    return boxes;
}

std::vector<ShopBoxCascade::Change> ShopBoxCascade::followUps(int box, bool ticked)
{
    std::vector<Change> changes;
    if (box == 0 && ticked) {
        for (int shop = 1; shop < int(ShopBoxes{}.size()); ++shop)
            changes.emplace_back(shop, true);
    } else if (box > 0 && !ticked) {
        changes.emplace_back(0, false);
    }
    return changes;
}

std::vector<int> ShopBoxCascade::set(int box, bool ticked)
{
    std::vector<int> handlers;
    if (box < 0 || box >= int(m_boxes.size()) || m_boxes[std::size_t(box)] == ticked)
        return handlers;
    m_boxes[std::size_t(box)] = ticked;
    run(box, handlers);
    return handlers;
}

void ShopBoxCascade::run(int box, std::vector<int>& handlers)
{
    handlers.push_back(box);
    for (const auto& [other, state] : followUps(box, m_boxes[std::size_t(box)])) {
        if (m_boxes[std::size_t(other)] == state)
            continue;
        m_boxes[std::size_t(other)] = state;
        run(other, handlers);
    }
}

} // namespace vorbel
