#include "platform/PageText.h"

#include "codec/Gbk.h"
#include "platform/OuterHtml.h"
#include "platform/PageDecoder.h"
#include "platform/ParseEstimate.h"

namespace vorbel {

namespace {

/// Why the parser should not be given the markup; empty when it may.
QString refusal(const QByteArray& utf8)
{
    const ParseEstimate::Limits limits;
    const ParseEstimate estimate =
        ParseEstimate::of(std::string_view(utf8.constData(), std::size_t(utf8.size())), limits);
    if (estimate.depth > limits.depth)
        return QStringLiteral("页面嵌套过深，已拒绝读取。");
    if (estimate.elements > limits.elements)
        return QStringLiteral("页面元素过多，已拒绝读取。");
    if (estimate.work > limits.work)
        return QStringLiteral("页面结构过于复杂，已拒绝读取。");
    return {};
}

} // namespace

PageText PageText::fromHtml(QByteArrayView body, QByteArrayView headerCharset)
{
    if (body.size() > MaxBodyBytes)
        return refused(QStringLiteral("页面过大（超过 32 MiB），已拒绝读取。"));
    return fromMarkup(PageDecoder::decode(body, headerCharset));
}

PageText PageText::fromMarkup(const QString& html)
{
    const QByteArray utf8 = html.toUtf8();
    if (QString error = refusal(utf8); !error.isEmpty())
        return refused(std::move(error));
    return fromSerialised(OuterHtml::of(utf8));
}

PageText PageText::fromLines(QStringList lines)
{
    PageText page;
    page.m_lines = std::move(lines);
    return page;
}

PageText PageText::refused(QString error)
{
    PageText page;
    page.m_error = std::move(error);
    return page;
}

PageText PageText::fromSerialised(const QString& markup)
{
    // Split by hand at "\r\n", "\n" or "\r": a regular expression took a tenth of a page's reading.
    PageText page;
    const QChar* const text = markup.constData();
    const qsizetype size = markup.size();
    qsizetype start = 0;
    for (qsizetype at = 0; at < size; ++at) {
        const char16_t unit = text[at].unicode();
        if (unit != u'\n' && unit != u'\r')
            continue;
        page.m_lines.append(truncateToGbkBytes(markup.sliced(start, at - start), MaxLineBytes));
        if (unit == u'\r' && at + 1 < size && text[at + 1] == u'\n')
            ++at;
        start = at + 1;
    }
    if (start < size)
        page.m_lines.append(truncateToGbkBytes(markup.sliced(start), MaxLineBytes));
    return page;
}

} // namespace vorbel
