// The estimate must not fall far below what the parser really builds, or a crafted page slips past
// the guard; these tests hold it against the parser itself.
#include "platform/ParseEstimate.h"
#include "platform/MarkupScanner.h"

#include <gtest/gtest.h>
#include <gumbo.h>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace vorbel;

namespace {

struct Built
{
    int depth = 0;
    long elements = 0;
};

/// What the parser really builds: the deepest element (the root counts 1) and the element count.
Built parse(const std::string& html)
{
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    Built built;
    std::vector<std::pair<const GumboNode*, int>> stack{{output->root, 1}};
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        ++built.elements;
        built.depth = std::max(built.depth, depth);
        for (unsigned i = 0; i < node->v.element.children.length; ++i)
            stack.emplace_back(static_cast<const GumboNode*>(node->v.element.children.data[i]), depth + 1);
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return built;
}

ParseEstimate estimate(const std::string& html)
{
    return ParseEstimate::of(html, {1'000'000, 1'000'000'000'000, 1'000'000'000'000'000});
}

std::string repeat(const std::string& unit, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

/// The estimate may err high; it may fall below the real tree only by a bounded share.
void expectCovers(const std::string& html, const std::string& label)
{
    const Built real = parse(html);
    const ParseEstimate guess = estimate(html);
    EXPECT_GE(guess.depth * 1.35 + 4, real.depth) << label;
    EXPECT_GE(guess.elements * 2 + 8, real.elements) << label;
}

} // namespace

TEST(ParseEstimate, CoversTheRealDepthOfTrickyMarkup)
{
    // Each pattern once fooled a simpler count; repeated, a miss would grow without bound.
    const char* const patterns[] = {
        "<div>",
        "<div><b>x</div>t",                                  // formatting reopened after a block closes
        "<p><b>x</p>\n",                                     // the same through paragraphs
        "<b class=1><b class=2>",                            // different attributes escape the limit of three
        "<td><font>x</td>",                                  // cells outside a table are ignored
        "<table><td><font>x",                                // implied bodies and rows
        "<div><table><td></div>",                            // an end tag out of scope is ignored
        "<svg><title><div>",                                 // SVG titles are not raw text
        "<svg><g><![CDATA[></g>]]>",                         // CDATA hides tags in foreign content
        "<div><script><!--<script></script></div></script>", // escaped script text
        "<div><style></div></style>",
        "<div><textarea></div></textarea>",
        "<div><iframe></div></iframe>",
        "<noscript><div>",                        // parsed as markup without scripting
        "<form><div></form>",                     // a form leaves the stack but not the tree
        "<x-y><g><g></x-y>",                      // unknown end tags match any unknown element
        "<svg><script></script ><noscript>",      // foreign end tags only match bare
        "<svg></><g></g>",                        // a stray "</>" spoils the next tag's name
        "<math><svg><foreignObject><textarea>",   // an <svg> inside MathML stays MathML
        "<button><code><small><button>",          // buttons close, then formatting reopens
        "<template><form>",                       // forms nest inside templates
        "<template><em class=a><td><font>x</td>", // table parts in template contents
        "<table><caption><h1><table><caption><strike>",
        "<table><table><strike></table><strike>", // a table in a table ends the first
        "<ruby><dt><rb><ruby><rb><dt>",           // ruby parts close implied elements
        "<col><frameset><frameset>",              // framesets replace an empty body
        "<math><tr><annotation-xml encoding=text/html><table><table><math><col><tr>",
    };
    for (const char* pattern : patterns)
        expectCovers(repeat(pattern, 300), pattern);
}

TEST(ParseEstimate, CoversRandomTagSoup)
{
    const std::vector<std::string> vocabulary = {
        "<div>",       "</div>",
        "<span>",      "</span>",
        "<b>",         "</b>",
        "<b class=x>", "<i>",
        "</i>",        "<font color=red>",
        "</font>",     "<a href=x>",
        "</a>",        "<p>",
        "</p>",        "<li>",
        "</li>",       "<ul>",
        "</ul>",       "<td>",
        "</td>",       "<tr>",
        "</tr>",       "<table>",
        "</table>",    "<caption>",
        "<select>",    "</select>",
        "<option>",    "<form>",
        "</form>",     "<br>",
        "</br>",       "<script>",
        "</script>",   "<!--",
        "-->",         "<style>",
        "</style>",    "<title>",
        "</title>",    "<svg>",
        "</svg>",      "<math>",
        "<g>",         "</g>",
        "<g/>",        "<foreignObject>",
        "<mi>",        "<annotation-xml encoding=text/html>",
        "<![CDATA[",   "]]>",
        "x",           " ",
        "\n",          "<h1>",
        "</h1>",       "<dd>",
        "<dt>",        "<button>",
        "<nobr>",      "<object>",
        "</object>",   "<template>",
        "</template>", "<xmp>",
        "<iframe>",    "<noscript>",
        "</body>",     "<frameset>",
        "<col>",       "<marquee>",
        "<em>",        "<tt>",
        "</>",         "<x-y>",
        "</x-y>",      "<input type=hidden>",
        "<rb>",        "<ruby>",
        "<textarea>",  "</textarea>",
        "<table><td>",
    };
    for (unsigned seed = 0; seed < 400; ++seed) {
        std::mt19937 random(seed);
        std::vector<std::size_t> chosen(3 + random() % 12);
        for (std::size_t& word : chosen)
            word = random() % vocabulary.size();
        std::string html;
        for (int i = 0; i < 300; ++i)
            html += vocabulary[chosen[random() % chosen.size()]];
        expectCovers(html, "seed " + std::to_string(seed));
    }
}

TEST(ParseEstimate, SiblingsDoNotCountAsNesting)
{
    const char* const wide[] = {"<br>",
                                "<img src=x>",
                                "<td>",
                                "<tr><td>",
                                "<li>",
                                "<p>",
                                "<option>",
                                "<dt>x<dd>y",
                                "<input>",
                                "<hr>",
                                "<tr><td><font>x</td>",
                                "<p><br></p>",
                                "<script>var s = '<div><div>';</script>",
                                "<!-- <div> -->",
                                "<b></b>"};
    for (const char* unit : wide)
        EXPECT_LE(estimate("<table>" + repeat(unit, 2000)).depth, 12) << unit;
}

TEST(ParseEstimate, StopsAtTheFirstLimitPassed)
{
    const ParseEstimate deep = ParseEstimate::of(repeat("<div>", 100000), {100, 1'000'000, 1'000'000'000});
    EXPECT_EQ(deep.depth, 101);
    EXPECT_FALSE(deep.within({100, 1'000'000, 1'000'000'000}));
    EXPECT_TRUE(deep.within({}));

    const ParseEstimate many = ParseEstimate::of(repeat("<br>", 100000), {100, 1000, 1'000'000'000});
    EXPECT_EQ(many.elements, 1001);
    EXPECT_LE(many.depth, 3);
}

TEST(MarkupScanner, TagsAttributesAndSelfClosing)
{
    MarkupScanner scanner("<A title=\"x>y\" b='1' c=/>t<BR/><a href=/>");
    MarkupScanner::Token token = scanner.next(false);
    EXPECT_EQ(token.kind, MarkupScanner::Token::Kind::StartTag);
    EXPECT_EQ(token.name, "a");
    EXPECT_FALSE(token.selfClosing); // the slash belongs to the unquoted value
    std::vector<std::pair<std::string, std::string>> attributes;
    MarkupScanner::forEachAttribute(token.attributes, [&](std::string_view name, std::string_view value) {
        attributes.emplace_back(name, value);
    });
    const std::vector<std::pair<std::string, std::string>> expected{{"title", "x>y"}, {"b", "1"}, {"c", "/"}};
    EXPECT_EQ(attributes, expected);
    EXPECT_EQ(scanner.next(false).kind, MarkupScanner::Token::Kind::Text);
    token = scanner.next(false);
    EXPECT_EQ(token.name, "br");
    EXPECT_TRUE(token.selfClosing);
    EXPECT_FALSE(scanner.next(false).selfClosing);
    EXPECT_EQ(scanner.next(false).kind, MarkupScanner::Token::Kind::End);
}

TEST(MarkupScanner, CommentsRawTextAndScriptEscapes)
{
    MarkupScanner comments("<!--><a><!-- --!><b><!-- <c> --><d><![CDATA[<e>]]><f>");
    EXPECT_EQ(comments.next(false).name, "a"); // "<!-->" is a whole comment
    EXPECT_EQ(comments.next(false).name, "b");
    EXPECT_EQ(comments.next(false).name, "d");
    // Outside foreign content CDATA is a bogus comment up to the first '>', which swallows "<e".
    EXPECT_EQ(comments.next(false).kind, MarkupScanner::Token::Kind::Text);
    EXPECT_EQ(comments.next(false).name, "f");
    MarkupScanner foreign("<![CDATA[<e>]]><f>");
    EXPECT_EQ(foreign.next(true).kind, MarkupScanner::Token::Kind::Text);
    EXPECT_EQ(foreign.next(true).name, "f");

    MarkupScanner raw("<x></textareax></textarea ><y>");
    raw.next(false);
    EXPECT_TRUE(raw.skipRawText("textarea"));
    EXPECT_EQ(raw.next(false).name, "y");

    MarkupScanner script("a<!--<script></script>b--></script><w>");
    EXPECT_TRUE(script.skipScriptData()); // the first end tag only ends the escaped inner script
    EXPECT_EQ(script.next(false).name, "w");

    MarkupScanner stray("</><g>");
    EXPECT_TRUE(stray.next(true).afterStray);
}
