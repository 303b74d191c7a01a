#pragma once

#include "platform/ElementNames.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorbel {

/// A model of the HTML5 parser's stack of open elements and its list of formatting elements, kept
/// only as far as they decide how deep the tree nests and how many elements the parser makes.
/// Formatting elements that a misnested end tag closed stay counted until they are reopened.
class OpenElements
{
public:
    enum class Namespace : std::uint8_t
    {
        Html,
        Svg,
        MathMl
    };
    struct Entry
    {
        int name;
        std::uint32_t categories;
        Namespace ns;
        bool htmlPoint;     ///< HTML integration point: its content is read as HTML
        bool mathTextPoint; ///< MathML text integration point
        bool matchable;     ///< an end tag of its name can close it
        int item;           ///< its entry in the list of formatting elements, or -1
    };
    using Category = ElementNames::Category;

    /// The id of an element name; names are interned as they come.
    int id(const std::string& name);
    /// An id no tag can name, so no end tag closes its elements.
    int unnamedId();
    std::uint32_t flags(int name) const { return m_flags[std::size_t(name)]; }
    std::uint32_t htmlCategories(int name) const { return m_htmlCategories[std::size_t(name)]; }

    /// Open elements and elements due to be reopened, with the root and the body.
    int depth() const { return int(m_stack.size()) + m_pendingLive + 2; }
    int deepest() const { return m_deepest; }
    long long elements() const { return m_elements; }
    void countElements(long long count) { m_elements += count; }

    int size() const { return int(m_stack.size()); }
    const Entry& top() const { return m_stack.back(); }
    const Entry& at(int index) const { return m_stack[std::size_t(index)]; }
    bool topIs(int name) const;
    bool topIsForeign() const { return !m_stack.empty() && m_stack.back().ns != Namespace::Html; }
    bool topIsListed() const;
    /// How many listed formatting elements are open above `index`.
    int listedAbove(int index) const;
    /// The index of the nearest open element of a category or name; -1 when there is none.
    int nearest(Category category) const;
    int nearestHtml(int name) const;
    int nearestForeign(int name) const;

    void push(int name, Namespace ns = Namespace::Html, bool htmlPoint = false, bool mathTextPoint = false,
              bool matchable = true);
    /// Pushes a formatting element and lists it; the parser keeps three identical ones after a marker.
    void pushFormatting(int name, std::string_view attributes);
    void pop() { popThrough(size() - 1); }
    /// Pops from the top down to and including `index`; listed formatting elements among them become
    /// due to be reopened, unless a cell or another marker popped with them clears them.
    void popThrough(int index);
    void popAbove(int index) { popThrough(index + 1); }
    void popIfAbove(int index, int boundary);
    /// Pops everything and forgets the formatting elements, as a frameset replacing the body does.
    void dropAll();
    /// Reopens the formatting elements closed since the last marker.
    void reconstruct();
    /// The latest listed formatting element of a name after the last marker, or -1.
    int latestFormatting(int name);
    /// What the adoption agency does to depth for a listed formatting element.
    void adopt(int item);

private:
    struct Item // an entry of the list of formatting elements
    {
        int name;
        std::uint64_t group;
        int stackIndex; // -1 while closed but due to be reopened
        bool live;
    };
    struct Group // identical formatting elements after one marker
    {
        std::deque<int> items;
        int live = 0;
    };
    struct MarkerFrame
    {
        int id;
        std::size_t pendingBase;
    };

    void pushEntry(const Entry& entry);
    void popEntry();
    void clearToLastMarker();
    void kill(int item);
    int currentMarker() const { return m_markers.empty() ? 0 : m_markers.back().id; }
    bool isMarker(const Entry& entry) const;

    std::vector<Entry> m_stack;
    std::array<std::vector<int>, ElementNames::CategoryCount> m_byCategory;
    std::unordered_map<std::string, int> m_ids;
    std::vector<std::uint32_t> m_flags, m_htmlCategories, m_foreignCategories;
    std::vector<std::vector<int>> m_htmlByName, m_foreignByName;
    std::vector<Item> m_items;
    std::unordered_map<std::uint64_t, Group> m_groups;
    std::unordered_map<std::uint64_t, std::vector<int>> m_itemsByName;
    std::vector<int> m_pending;
    int m_pendingLive = 0;
    std::vector<MarkerFrame> m_markers;
    int m_nextMarker = 1;
    int m_deepest = 2;
    long long m_elements = 0;
};

} // namespace vorbel
