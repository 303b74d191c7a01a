#include "platform/OuterHtml.h"

#include <gumbo.h>
#include <memory>
#include <string>
#include <vector>

namespace vorbel {

namespace {

struct OutputDeleter
{
    void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};

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

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

/// The element's name in upper case; names the parser has no tag for come from the source text.
std::string tagName(const GumboElement& element)
{
    GumboStringPiece name = element.original_tag;
    if (element.tag != GUMBO_TAG_UNKNOWN) {
        const char* normal = gumbo_normalized_tagname(element.tag);
        name = {normal, std::char_traits<char>::length(normal)};
    } else if (name.data != nullptr && name.length >= 2) {
        gumbo_tag_from_original_text(&name);
    } else {
        name = {nullptr, 0};
    }
    std::string upperName;
    for (std::size_t i = 0; i < name.length; ++i) {
        const char c = name.data[i];
        // Source text spoilt by stray markup may hold anything; keep only what can stand in a name.
        if (c != '<' && c != '>' && c != '/' && c != '"' && c != '\'' && c != '=' && c > ' ')
            upperName += upper(c);
    }
    return upperName.empty() ? std::string("UNKNOWN") : upperName;
}

void appendEscaped(std::string& out, const char* text, bool attribute)
{
    for (const char* p = text; *p != '\0'; ++p) {
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
        } else {
            out += c;
        }
    }
}

void appendStartTag(std::string& out, const GumboElement& element, const std::string& name)
{
    out += '<';
    out += name;
    for (unsigned i = 0; i < element.attributes.length; ++i) {
        const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
        out += ' ';
        for (const char* c = attribute->name; *c != '\0'; ++c)
            out += lower(*c);
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
std::string serialise(const GumboNode& root)
{
    struct Frame
    {
        const GumboNode* node;
        unsigned next;
        std::string name;
    };
    std::string out;
    std::vector<Frame> stack;
    stack.push_back({&root, 0, tagName(root.v.element)});
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
            stack.push_back({child, 0, tagName(child->v.element)});
            appendStartTag(out, child->v.element, stack.back().name);
        } else {
            appendLeaf(out, *child, keepsRawText(element));
        }
    }
    return out;
}

} // namespace

QString OuterHtml::of(const QByteArray& html)
{
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0; // the errors of a broken page are not needed and would only take memory
    const std::unique_ptr<GumboOutput, OutputDeleter> output(
        gumbo_parse_with_options(&options, html.constData(), std::size_t(html.size())));
    if (!output || !output->root)
        return {};
    return QString::fromStdString(serialise(*output->root));
}

} // namespace vorbel
