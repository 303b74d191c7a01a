#include "platform/OuterHtml.h"

#include "platform/ParseArena.h"
#include "platform/ParserInput.h"

#include <gumbo.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorbel {

namespace {

bool isVoid(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_AREA:
    case GUMBO_TAG_BASE:
    case GUMBO_TAG_BASEFONT:
    case GUMBO_TAG_BGSOUND:
    case GUMBO_TAG_BR:
    case GUMBO_TAG_COL:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_FRAME:
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

bool keepsRawText(const GumboElement& element)
{
    if (element.tag_namespace != GUMBO_NAMESPACE_HTML)
        return false;
    switch (element.tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_PLAINTEXT:
        return true;
    default:
        return false;
    }
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

/// What the writer needs to know of how the page was handed to the parser.
class Source
{
public:
    explicit Source(const ParserInput& input) : m_input(input) {}

    std::size_t markupSize() const { return m_input.markup.size(); }

    /// The element's name in upper case, as the page gave it.
    std::string tagName(const GumboElement& element) const
    {
        std::string name = renamed(element.original_tag);
        if (name.empty() && element.tag != GUMBO_TAG_UNKNOWN)
            name = gumbo_normalized_tagname(element.tag);
        else if (name.empty())
            name = writtenName(element.original_tag);
        for (char& c : name)
            c = upper(c);
        return name.empty() ? std::string("UNKNOWN") : name;
    }

    bool isAddedComment(const GumboNode& node) const
    {
        return node.type == GUMBO_NODE_COMMENT && node.v.text.original_text.length > 0 &&
               m_input.addedComments.count(offset(node.v.text.original_text.data)) > 0;
    }

private:
    std::string renamed(const GumboStringPiece& tag) const
    {
        if (tag.length == 0)
            return {};
        const auto found = m_input.renamed.find(offset(tag.data));
        return found == m_input.renamed.end() ? std::string() : found->second;
    }

    /// The tokenizer's name for a start tag: all up to white space, '/' or '>', odd characters included.
    static std::string writtenName(const GumboStringPiece& tag)
    {
        std::string name;
        if (tag.length < 2 || tag.data[0] != '<')
            return name;
        for (std::size_t i = 1; i < tag.length; ++i) {
            const char c = tag.data[i];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == '/' || c == '>')
                break;
            name += c;
        }
        return name;
    }

    std::size_t offset(const char* inMarkup) const { return std::size_t(inMarkup - m_input.markup.data()); }

    const ParserInput& m_input;
};

void appendEscaped(std::string& out, const char* text, bool attribute)
{
    for (const char* p = text; *p != '\0'; ++p) {
        const char c = *p;
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"' && attribute)
            out += "&quot;";
        else if (c == '\xC2' && p[1] == '\xA0') {
            out += "&nbsp;";
            ++p;
        } else {
            out += c;
        }
    }
}

/// The attribute's name with the prefix of its namespace; the parser has already given names in SVG
/// and MathML their mixed case.
void appendAttributeName(std::string& out, const GumboAttribute& attribute)
{
    switch (attribute.attr_namespace) {
    case GUMBO_ATTR_NAMESPACE_XLINK:
        out += "xlink:";
        break;
    case GUMBO_ATTR_NAMESPACE_XML:
        out += "xml:";
        break;
    case GUMBO_ATTR_NAMESPACE_XMLNS:
        if (std::string_view(attribute.name) != "xmlns")
            out += "xmlns:";
        break;
    case GUMBO_ATTR_NAMESPACE_NONE:
        break;
    }
    out += attribute.name;
}

void appendStartTag(std::string& out, const GumboElement& element, const std::string& name)
{
    out += '<';
    out += name;
    for (unsigned i = 0; i < element.attributes.length; ++i) {
        const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
        out += ' ';
        appendAttributeName(out, *attribute);
        out += "=\"";
        appendEscaped(out, attribute->value, true);
        out += '"';
    }
    out += '>';
}

void appendLeaf(std::string& out, const GumboNode& node, bool raw)
{
    if (node.type == GUMBO_NODE_COMMENT) {
        out += "<!--";
        out += node.v.text.text;
        out += "-->";
    } else if (raw) {
        out += node.v.text.text;
    } else {
        appendEscaped(out, node.v.text.text, false);
    }
}

/// Writes the tree without recursion, so that its depth costs heap, not stack.
std::string serialise(const GumboNode& root, const Source& source)
{
    struct Frame
    {
        const GumboNode* node;
        unsigned next;
        std::string name;
    };
    // The outer markup is about as long as the page: grown by doubling it was copied and its fresh memory
    // touched twice over.
    std::string out;
    out.reserve(source.markupSize() + source.markupSize() / 8);
    std::vector<Frame> stack;
    stack.push_back({&root, 0, source.tagName(root.v.element)});
    appendStartTag(out, root.v.element, stack.back().name);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const GumboElement& element = frame.node->v.element;
        if (isVoid(element.tag) && element.tag_namespace == GUMBO_NAMESPACE_HTML) {
            stack.pop_back();
            continue;
        }
        if (frame.next == element.children.length) {
            out += "</" + frame.name + '>';
            stack.pop_back();
            continue;
        }
        const auto* child = static_cast<const GumboNode*>(element.children.data[frame.next++]);
        if (child->type == GUMBO_NODE_ELEMENT || child->type == GUMBO_NODE_TEMPLATE) {
            stack.push_back({child, 0, source.tagName(child->v.element)});
            appendStartTag(out, child->v.element, stack.back().name);
        } else if (!source.isAddedComment(*child)) {
            appendLeaf(out, *child, keepsRawText(element));
        }
    }
    return out;
}

} // namespace

QString OuterHtml::of(const QByteArray& html)
{
    const ParserInput input = ParserInput::of(std::string_view(html.constData(), std::size_t(html.size())));
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0; // the errors of a broken page are not needed and would only take memory
    const ArenaParse parse(input.markup, options);
    const GumboOutput* output = parse.output();
    if (!output || !output->root)
        return {};
    return QString::fromStdString(serialise(*output->root, Source(input)));
}

} // namespace vorbel
