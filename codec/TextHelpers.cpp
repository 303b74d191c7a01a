#include "codec/TextHelpers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <gumbo.h>
#include <memory>
#include <stdexcept>

namespace vorbel {

namespace {

const QString TaobaoShop = QStringLiteral("淘宝网");
const QString GenuineMark = QStringLiteral("正品");

/// Markup nested deeper than this is not handed to gumbo: freeing its tree, and our own walk over it,
/// recurse once per level. Page lines are cut at 4096 bytes, so real cells stay far below it.
constexpr int MaxNesting = 2000;

bool countsLikeOtherShops(const QString& shop, const QString& name)
{
    return shop != TaobaoShop || name.contains(GenuineMark);
}

QString replaceValue(const QString& link, qsizetype valueStart, const QString& code)
{
    const qsizetype ampersand = link.indexOf(QLatin1Char('&'), valueStart);
    return link.left(valueStart) + code + (ampersand < 0 ? QString() : link.mid(ampersand));
}

struct GumboDeleter
{
    void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};

bool isVoidElement(QByteArrayView name)
{
    static constexpr std::array<QByteArrayView, 16> voidNames{
        "area",   "base", "br",   "col",   "embed",  "hr",    "img", "input",
        "keygen", "link", "meta", "param", "source", "track", "wbr", "basefont"};
    return std::find(voidNames.begin(), voidNames.end(), name) != voidNames.end();
}

/// An estimate of the element nesting: start tags of elements that can hold content, minus end tags.
/// Implied end tags (a run of <li> or <p>) make it larger than the real depth; the parser's repairs of
/// misnested markup may add a few levels, for which the limit leaves a wide margin below the depth that
/// exhausts the stack.
bool nestingWithinLimit(const QByteArray& markup)
{
    int depth = 0;
    for (qsizetype i = 0; i + 1 < markup.size(); ++i) {
        if (markup[i] != '<')
            continue;
        if (markup[i + 1] == '/') {
            depth = std::max(0, depth - 1);
            continue;
        }
        qsizetype end = i + 1;
        while (end < markup.size() && std::isalnum(static_cast<unsigned char>(markup[end])))
            ++end;
        if (end == i + 1 || !std::isalpha(static_cast<unsigned char>(markup[i + 1])))
            continue;
        if (!isVoidElement(QByteArrayView(markup).sliced(i + 1, end - i - 1).toByteArray().toLower()) &&
            ++depth > MaxNesting)
            return false;
    }
    return true;
}

/// Line breaks and the boundaries of block elements, which a browser shows as a break between words.
bool separatesText(GumboTag tag)
{
    static constexpr std::array blockTags{GUMBO_TAG_BR, GUMBO_TAG_P,     GUMBO_TAG_DIV,       GUMBO_TAG_TR,
                                          GUMBO_TAG_TD, GUMBO_TAG_TH,    GUMBO_TAG_LI,        GUMBO_TAG_UL,
                                          GUMBO_TAG_OL, GUMBO_TAG_TABLE, GUMBO_TAG_H1,        GUMBO_TAG_H2,
                                          GUMBO_TAG_H3, GUMBO_TAG_H4,    GUMBO_TAG_H5,        GUMBO_TAG_H6,
                                          GUMBO_TAG_HR, GUMBO_TAG_PRE,   GUMBO_TAG_BLOCKQUOTE};
    return std::find(blockTags.begin(), blockTags.end(), tag) != blockTags.end();
}

void collectText(const GumboNode* node, QByteArray& out)
{
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
        node->type == GUMBO_NODE_CDATA) {
        out.append(node->v.text.text);
        return;
    }
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
        return;
    const GumboTag tag = node->v.element.tag;
    if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE)
        return;
    // A line break or block boundary shows as a blank on both sides, so "a<p>b</p>c" reads "a b c".
    const bool separate = separatesText(tag);
    if (separate)
        out.append(' ');
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i)
        collectText(static_cast<const GumboNode*>(children.data[i]), out);
    if (separate)
        out.append(' ');
}

QString collapseWhiteSpace(const QString& text)
{
    QString result;
    result.reserve(text.size());
    bool pendingBlank = false;
    for (QChar c : text) {
        const bool blank = c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
                           c == QLatin1Char('\r') || c == QLatin1Char('\f');
        if (blank) {
            pendingBlank = !result.isEmpty();
            continue;
        }
        if (pendingBlank)
            result.append(QLatin1Char(' '));
        pendingBlank = false;
        result.append(c);
    }
    return result;
}

} // namespace

QString RatingStars(int count, const QString& shop, const QString& name)
{
    if (countsLikeOtherShops(shop, name)) {
        if (count > 100)
            return QStringLiteral("★★★★★");
        if (count >= 11)
            return QStringLiteral("★★★★");
        return QStringLiteral("★★★");
    }
    if (count > 1000)
        return QStringLiteral("★★★★★");
    if (count >= 101)
        return QStringLiteral("★★★★");
    if (count >= 11)
        return QStringLiteral("★★★");
    return QStringLiteral("★★");
}

QString GenuineBadge(int count, const QString& shop, const QString& name)
{
    if (shop != TaobaoShop)
        return QStringLiteral("保障");
    const bool trusted = name.contains(GenuineMark) ? (count >= 11 && count <= 100) : count > 100;
    return trusted ? QStringLiteral("可信") : QString();
}

QString RewriteShopLink(const QString& link, const LinkCodes& codes)
{
    if (codes.a.isEmpty() && codes.b.isEmpty())
        return link;
    QString result = link;
    const qsizetype codeA = result.indexOf(QLatin1String("=mm_"));
    if (codeA >= 0)
        result = replaceValue(result, codeA + 1, codes.a);
    const qsizetype codeB = result.indexOf(QLatin1String("unionId="));
    if (codeB >= 0)
        result = replaceValue(result, codeB + 8, codes.b);
    return result;
}

QString HtmlToText(const QString& html)
{
    if (html.isEmpty())
        return {};
    const QByteArray markup = html.toUtf8();
    if (!nestingWithinLimit(markup))
        throw std::runtime_error("The markup is nested too deeply to be read as text");
    GumboOptions options = kGumboDefaultOptions;
    options.fragment_context = GUMBO_TAG_BODY;
    std::unique_ptr<GumboOutput, GumboDeleter> output(
        gumbo_parse_with_options(&options, markup.constData(), static_cast<size_t>(markup.size())));
    if (!output)
        return {};
    QByteArray text;
    collectText(output->root, text);
    return collapseWhiteSpace(QString::fromUtf8(text));
}

QString CellText(const QString& cell)
{
    if (!cell.contains(QLatin1Char('<')) && !cell.contains(QLatin1Char('&')))
        return cell;
    return HtmlToText(cell);
}

} // namespace vorbel
