#include "platform/ParseArena.h"

#include <gtest/gtest.h>
#include <gumbo.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

using namespace vorbel;

namespace {

std::string firstText(const GumboNode& node)
{
    if (node.type == GUMBO_NODE_TEXT)
        return node.v.text.text;
    if (node.type != GUMBO_NODE_ELEMENT)
        return {};
    for (unsigned i = 0; i < node.v.element.children.length; ++i) {
        const std::string text = firstText(*static_cast<const GumboNode*>(node.v.element.children.data[i]));
        if (!text.empty())
            return text;
    }
    return {};
}

std::string table(int rows, const char* cell)
{
    std::string html = "<table>";
    for (int i = 0; i < rows; ++i)
        html += std::string("<tr><td>") + cell + "</td><td>" + std::to_string(i) + "</td></tr>";
    return html + "</table>";
}

} // namespace

TEST(ParseArena, HandsOutAlignedSeparateMemoryAndReusesItAfterRelease)
{
    ParseArena arena;
    std::set<std::uintptr_t> seen;
    char* first = static_cast<char*>(arena.allocate(3));
    for (std::size_t bytes : {std::size_t(1), std::size_t(0), std::size_t(24), std::size_t(1000),
                              std::size_t(5) << 20, std::size_t(70), ParseArena::BlockBytes}) {
        auto* memory = static_cast<char*>(arena.allocate(bytes));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % alignof(std::max_align_t), 0U) << bytes;
        EXPECT_TRUE(seen.insert(reinterpret_cast<std::uintptr_t>(memory)).second);
        std::memset(memory, 0x5a, bytes); // writable to its end, and clear of the others (asan checks)
    }
    std::memset(first, 1, 3);
    arena.release();
    EXPECT_EQ(arena.allocate(8), first);
}

TEST(ParseArena, KeepsBoundedMemoryAcrossParses)
{
    ParseArena arena;
    for (int i = 0; i < 30; ++i)
        arena.allocate(ParseArena::BlockBytes - 64);
    EXPECT_GE(arena.heldBytes(), 30 * ParseArena::BlockBytes);
    arena.release();
    EXPECT_LE(arena.heldBytes(), ParseArena::KeptBytes);
    EXPECT_GT(arena.heldBytes(), 0U);
}

TEST(ParseArena, AParseInsideAParseKeepsBothTreesWhole)
{
    const std::string outerMarkup = table(2000, "外层");
    GumboOptions options = kGumboDefaultOptions;
    ArenaParse outer(outerMarkup, options);
    ASSERT_NE(outer.output(), nullptr);
    {
        const std::string innerMarkup = table(2000, "inner");
        ArenaParse inner(innerMarkup, options); // the arena is taken: the system's allocator
        ASSERT_NE(inner.output(), nullptr);
        EXPECT_EQ(firstText(*inner.output()->root), "inner");
    }
    EXPECT_EQ(firstText(*outer.output()->root), "外层");
    // The arena stays lent to `outer` until it goes: this one takes the system's memory too.
    ArenaParse again(outerMarkup, options);
    EXPECT_EQ(firstText(*again.output()->root), "外层");
    EXPECT_EQ(firstText(*outer.output()->root), "外层");
}

TEST(ParseArena, ParsesOneAfterAnotherInTheArena)
{
    GumboOptions options = kGumboDefaultOptions;
    for (const char* cell : {"一", "two", "三"}) {
        const std::string markup = table(500, cell);
        ArenaParse parse(markup, options);
        ASSERT_NE(parse.output(), nullptr);
        EXPECT_EQ(firstText(*parse.output()->root), cell);
    }
    EXPECT_GT(ParseArena::forThisThread().heldBytes(), 0U);
}
