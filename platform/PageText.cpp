#include "platform/PageText.h"

#include "codec/Gbk.h"

#include <QRegularExpression>
#include <gumbo.h>
#include <memory>
#include <vector>

namespace vorbel {

namespace {

struct GumboDeleter
{
    void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};

bool isVoid(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_AREA:
    case GUMBO_TAG_BASE:
    case GUMBO_TAG_BR:
    case GUMBO_TAG_COL:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_IMG:
    case GUMBO_TAG_INPUT:
    case GUMBO_TAG_KEYGEN:
    case GUMBO_TAG_LINK:
    case GUMBO_TAG_META:
    case GUMBO_TAG_PARAM:
    case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_TRACK:
    case GUMBO_TAG_WBR:
        return true;
    default:
        return false;
    }
}

bool keepsRawText(GumboTag tag)
{
    return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_XMP ||
           tag == GUMBO_TAG_NOSCRIPT;
}

std::string tagName(const GumboElement& element)
{
    std::string name;
    if (element.tag != GUMBO_TAG_UNKNOWN) {
        name = gumbo_normalized_tagname(element.tag);
    } else {
        GumboStringPiece original = element.original_tag;
        gumbo_tag_from_original_text(&original);
        name.assign(original.data, original.length);
    }
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

void appendEscaped(std::string& out, const char* text, bool attribute)
{
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if (c == '&')
            out += "&amp;";
        else if (c == '<' && !attribute)
            out += "&lt;";
        else if (c == '>' && !attribute)
            out += "&gt;";
        else if (c == '"' && attribute)
            out += "&quot;";
        else if (c == '\xC2' && p[1] == '\xA0') {
            out += "&nbsp;";
            ++p;
        } else
            out += c;
    }
}

void appendStartTag(std::string& out, const GumboElement& element, const std::string& name)
{
    out += '<';
    out += name;
    for (unsigned i = 0; i < element.attributes.length; ++i) {
        const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
        out += ' ';
        out += attribute->name;
        out += "=\"";
        appendEscaped(out, attribute->value, true);
        out += '"';
    }
    out += '>';
}

/// Serialises without recursion: the tree can be as deep as the nesting guard lets through.
std::string serialise(const GumboNode* root)
{
    struct Frame
    {
        const GumboNode* node;
        unsigned next;
    };
    std::string out;
    std::vector<Frame> stack{{root, 0}};
    bool rawText = false;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const GumboNode* node = frame.node;
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) {
            if (node->type == GUMBO_NODE_COMMENT) {
                out += "<!--";
                out += node->v.text.text;
                out += "-->";
            } else if (rawText) {
                out += node->v.text.text;
            } else {
                appendEscaped(out, node->v.text.text, false);
            }
            stack.pop_back();
            continue;
        }
        const GumboElement& element = node->v.element;
        if (frame.next == 0)
            appendStartTag(out, element, tagName(element));
        if (isVoid(element.tag)) {
            stack.pop_back();
            continue;
        }
        if (frame.next < element.children.length) {
            rawText = keepsRawText(element.tag);
            const auto* child = static_cast<const GumboNode*>(element.children.data[frame.next++]);
            stack.push_back({child, 0});
            continue;
        }
        out += "</" + tagName(element) + '>';
        stack.pop_back();
        rawText = !stack.empty() && keepsRawText(stack.back().node->v.element.tag);
    }
    return out;
}

bool nestingWithinLimit(const QByteArray& markup)
{
    int depth = 0;
    const char* data = markup.constData();
    const qsizetype size = markup.size();
    for (qsizetype i = 0; i + 1 < size; ++i) {
        if (data[i] != '<')
            continue;
        const char next = data[i + 1];
        if (next == '/')
            depth = depth > 0 ? depth - 1 : 0;
        else if ((next | 0x20) >= 'a' && (next | 0x20) <= 'z')
            ++depth;
        if (depth > PageText::MaxNesting)
            return false;
    }
    return true;
}

QString decodeBody(QByteArrayView body, QByteArrayView headerCharset)
{
    QByteArray charset = headerCharset.toByteArray().trimmed().toLower();
    if (charset.isEmpty())
        charset = declaredCharset(body);
    if (!charset.isEmpty()) {
        if (auto text = decodeCharset(body, charset))
            return *text;
    }
    const QString utf8 = QString::fromUtf8(body);
    if (!utf8.contains(QChar::ReplacementCharacter))
        return utf8;
    return fromGbk(body);
}

} // namespace

QByteArray declaredCharset(QByteArrayView body)
{
    static const QRegularExpression meta(
        QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_:.-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(body.first(std::min<qsizetype>(body.size(), 4096)));
    const QRegularExpressionMatch match = meta.match(head);
    return match.hasMatch() ? match.captured(1).toLatin1().toLower() : QByteArray();
}

QString serialiseDocument(const QByteArray& utf8Html)
{
    if (!nestingWithinLimit(utf8Html))
        return {};
    std::unique_ptr<GumboOutput, GumboDeleter> output(
        gumbo_parse_with_options(&kGumboDefaultOptions, utf8Html.constData(), size_t(utf8Html.size())));
    if (!output)
        return {};
    return QString::fromStdString(serialise(output->root));
}

PageText PageText::fromHtml(QByteArrayView body, QByteArrayView headerCharset)
{
    if (body.size() > MaxBodyBytes) {
        PageText page;
        page.m_error = QStringLiteral("页面过大（超过 32 MiB），已拒绝读取。");
        return page;
    }
    return fromMarkup(decodeBody(body, headerCharset));
}

PageText PageText::fromMarkup(const QString& html)
{
    const QByteArray utf8 = html.toUtf8();
    if (!nestingWithinLimit(utf8)) {
        PageText page;
        page.m_error = QStringLiteral("页面嵌套过深，已拒绝读取。");
        return page;
    }
    return fromSerialised(serialiseDocument(utf8));
}

PageText PageText::fromLines(const QStringList& lines)
{
    PageText page;
    page.m_lines = lines;
    return page;
}

PageText PageText::fromSerialised(const QString& markup)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    PageText page;
    page.m_lines = markup.split(lineBreak);
    if (!page.m_lines.isEmpty() && page.m_lines.last().isEmpty())
        page.m_lines.removeLast();
    for (QString& line : page.m_lines) {
        if (line.size() > MaxLineBytes / 4)
            line = truncateToGbkBytes(line, MaxLineBytes);
    }
    return page;
}

} // namespace vorbel
