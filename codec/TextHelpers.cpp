#include "codec/TextHelpers.h"

#include <gumbo.h>
#include <memory>

namespace vorbel {

namespace {

const QString TaobaoShop = QStringLiteral("淘宝网");
const QString GenuineMark = QStringLiteral("正品");

/// Markup deeper than this is not handed to gumbo, whose tree code recurses per level.
constexpr int MaxOpenTags = 2000;

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

/// A cheap upper bound of the element nesting: start tags minus end tags seen so far.
bool nestingWithinLimit(const QByteArray& markup)
{
    int depth = 0;
    for (qsizetype i = 0; i + 1 < markup.size(); ++i) {
        if (markup[i] != '<')
            continue;
        const char next = markup[i + 1];
        if (next == '/')
            depth = std::max(0, depth - 1);
        else if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z'))
            ++depth;
        if (depth > MaxOpenTags)
            return false;
    }
    return true;
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
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i)
        collectText(static_cast<const GumboNode*>(children.data[i]), out);
    if (tag == GUMBO_TAG_BR || tag == GUMBO_TAG_P || tag == GUMBO_TAG_DIV || tag == GUMBO_TAG_TR ||
        tag == GUMBO_TAG_LI || tag == GUMBO_TAG_TD)
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
        return collapseWhiteSpace(html); // too deep to parse safely: the text as it stands
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

} // namespace vorbel
