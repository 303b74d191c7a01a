#include "platform/OpenElements.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace vorbel {

using enum ElementNames::Flag;
using enum ElementNames::Category;
constexpr auto bit = ElementNames::bit;

int OpenElements::id(const std::string& name)
{
    const auto [found, inserted] = m_ids.try_emplace(name, int(m_flags.size()));
    if (inserted) {
        m_flags.push_back(ElementNames::htmlFlags(name));
        m_htmlCategories.push_back(ElementNames::htmlCategories(name));
        m_foreignCategories.push_back(ElementNames::foreignCategories(name));
        m_htmlByName.emplace_back();
        m_foreignByName.emplace_back();
    }
    return found->second;
}

int OpenElements::unnamedId()
{
    const int name = id("#unnamed");
    m_htmlCategories[std::size_t(name)] = bit(CatHtml);
    return name;
}

bool OpenElements::topIs(int name) const
{
    return !m_stack.empty() && m_stack.back().ns == Namespace::Html && m_stack.back().name == name;
}

bool OpenElements::topIsListed() const
{
    return !m_stack.empty() && m_stack.back().item >= 0 && m_items[std::size_t(m_stack.back().item)].live;
}

int OpenElements::listedAbove(int index) const
{
    int listed = 0;
    for (std::size_t i = std::size_t(std::max(index + 1, 0)); i < m_stack.size(); ++i)
        listed += m_stack[i].item >= 0 && m_items[std::size_t(m_stack[i].item)].live ? 1 : 0;
    return listed;
}

int OpenElements::nearest(Category category) const
{
    const std::vector<int>& at = m_byCategory[category];
    return at.empty() ? -1 : at.back();
}

int OpenElements::nearestHtml(int name) const
{
    const std::vector<int>& at = m_htmlByName[std::size_t(name)];
    return at.empty() ? -1 : at.back();
}

int OpenElements::nearestForeign(int name) const
{
    const std::vector<int>& at = m_foreignByName[std::size_t(name)];
    return at.empty() ? -1 : at.back();
}

bool OpenElements::isMarker(const Entry& entry) const
{
    return entry.ns == Namespace::Html && (flags(entry.name) & Marker);
}

void OpenElements::push(int name, Namespace ns, bool htmlPoint, bool mathTextPoint, bool matchable)
{
    const std::uint32_t categories =
        ns == Namespace::Html ? m_htmlCategories[std::size_t(name)] : m_foreignCategories[std::size_t(name)];
    pushEntry({name, categories, ns, htmlPoint, mathTextPoint, matchable, -1});
}

void OpenElements::pushEntry(const Entry& entry)
{
    const int index = size();
    for (std::uint32_t bits = entry.categories; bits != 0; bits &= bits - 1)
        m_byCategory[std::size_t(std::countr_zero(bits))].push_back(index);
    if (entry.matchable)
        (entry.ns == Namespace::Html ? m_htmlByName : m_foreignByName)[std::size_t(entry.name)].push_back(
            index);
    m_stack.push_back(entry);
    if (entry.item >= 0)
        m_items[std::size_t(entry.item)].stackIndex = index;
    if (isMarker(entry))
        m_markers.push_back({m_nextMarker++, m_pending.size()});
    ++m_elements;
    m_deepest = std::max(m_deepest, depth());
}

void OpenElements::pushFormatting(int name, std::string_view attributes)
{
    const int marker = currentMarker();
    // Identical means the same name and attributes; comparing the raw text can only find fewer twins.
    const std::uint64_t group =
        (std::hash<std::string_view>()(attributes) * 31 + std::uint64_t(name)) * 1000003 +
        std::uint64_t(marker);
    Group& twins = m_groups[group];
    while (!twins.items.empty() && !m_items[std::size_t(twins.items.front())].live)
        twins.items.pop_front();
    if (twins.live >= 3)
        kill(twins.items.front());
    const int item = int(m_items.size());
    m_items.push_back({name, group, -1, true});
    twins.items.push_back(item);
    ++twins.live;
    m_itemsByName[(std::uint64_t(name) << 32) | std::uint32_t(marker)].push_back(item);
    pushEntry({name, m_htmlCategories[std::size_t(name)], Namespace::Html, false, false, true, item});
}

void OpenElements::popEntry()
{
    const Entry entry = m_stack.back();
    m_stack.pop_back();
    for (std::uint32_t bits = entry.categories; bits != 0; bits &= bits - 1)
        m_byCategory[std::size_t(std::countr_zero(bits))].pop_back();
    if (entry.matchable)
        (entry.ns == Namespace::Html ? m_htmlByName : m_foreignByName)[std::size_t(entry.name)].pop_back();
    if (isMarker(entry))
        clearToLastMarker();
}

void OpenElements::popThrough(int index)
{
    std::vector<int> kept;
    while (size() > index) {
        const Entry& entry = m_stack.back();
        if (entry.item >= 0 && m_items[std::size_t(entry.item)].live)
            kept.push_back(entry.item);
        if (isMarker(entry)) {
            for (int item : kept)
                kill(item);
            kept.clear();
        }
        popEntry();
    }
    for (auto item = kept.rbegin(); item != kept.rend(); ++item) {
        m_items[std::size_t(*item)].stackIndex = -1;
        m_pending.push_back(*item);
        ++m_pendingLive;
    }
}

void OpenElements::popIfAbove(int index, int boundary)
{
    if (index >= 0 && index > boundary)
        popThrough(index);
}

void OpenElements::dropAll()
{
    popThrough(0);
    for (int item : m_pending)
        kill(item);
    m_pending.clear();
}

void OpenElements::clearToLastMarker()
{
    if (m_markers.empty())
        return;
    const std::size_t base = std::min(m_markers.back().pendingBase, m_pending.size());
    for (std::size_t i = base; i < m_pending.size(); ++i)
        kill(m_pending[i]);
    m_pending.resize(base);
    m_markers.pop_back();
}

void OpenElements::reconstruct()
{
    const std::size_t base = m_markers.empty() ? 0 : m_markers.back().pendingBase;
    if (m_pending.size() <= base)
        return;
    const std::vector<int> reopen(m_pending.begin() + std::ptrdiff_t(base), m_pending.end());
    m_pending.resize(base);
    for (int item : reopen) {
        const Item& closed = m_items[std::size_t(item)];
        if (!closed.live)
            continue;
        --m_pendingLive;
        pushEntry({closed.name, m_htmlCategories[std::size_t(closed.name)], Namespace::Html, false, false,
                   true, item});
    }
}

void OpenElements::kill(int item)
{
    Item& entry = m_items[std::size_t(item)];
    if (!entry.live)
        return;
    entry.live = false;
    --m_groups[entry.group].live;
    if (entry.stackIndex < 0)
        --m_pendingLive;
}

int OpenElements::latestFormatting(int name)
{
    const auto found = m_itemsByName.find((std::uint64_t(name) << 32) | std::uint32_t(currentMarker()));
    if (found == m_itemsByName.end())
        return -1;
    std::vector<int>& items = found->second;
    while (!items.empty() && !m_items[std::size_t(items.back())].live)
        items.pop_back();
    return items.empty() ? -1 : items.back();
}

void OpenElements::adopt(int item)
{
    // A closed element just leaves the list. An open one is popped when nothing special lies above it;
    // otherwise the parser clones it and moves nodes about at about the same depth, which is counted as
    // if nothing had happened, with a few more elements made.
    const int index = m_items[std::size_t(item)].stackIndex;
    if (index < 0) {
        kill(item);
        return;
    }
    if (nearest(CatScope) > index)
        return;
    if (nearest(CatSpecial) > index) {
        m_elements += 8;
        return;
    }
    kill(item);
    popThrough(index);
}

} // namespace vorbel
