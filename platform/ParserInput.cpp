#include "platform/ParserInput.h"

#include "platform/LeadingDoctype.h"
#include "platform/MarkupScanner.h"

#include <vector>

namespace vorbel {

namespace {

constexpr std::string_view AddedComment = "<!--vorbel-->";

struct Edit
{
    std::size_t at = 0;     ///< where in the page
    std::size_t length = 0; ///< how much of it is replaced
    std::string_view text;  ///< by what
    std::string renamed;    ///< for a start tag's name: the page's own name for the element
    bool comment = false;   ///< the text is one of our comments
};

/// Start tags that leave the parser in its head rules (or in what comes just after them), so that a
/// page's head, once closed by </head>, is still not followed by its body.
bool keepsHead(std::string_view name)
{
    for (std::string_view kept : {"html", "head", "base", "basefont", "bgsound", "link", "meta", "noframes",
                                  "script", "style", "template", "title"}) {
        if (name == kept)
            return true;
    }
    return false;
}

/// The name the parser should see for a start or end tag named `name`, or empty to leave it.
std::string_view nameForParser(std::string_view name)
{
    // Both close an open paragraph and are closed like the other sectioning elements the parser knows.
    if (name == "dialog" || name == "search")
        return "header";
    // Ordinary elements today; the parser knows older rules for them.
    if (name == "menuitem")
        return "vorbel-menuitem";
    if (name == "isindex")
        return "vorbel-isindex";
    return {};
}

bool isRawText(std::string_view name)
{
    for (std::string_view raw : {"style", "xmp", "iframe", "noembed", "noframes", "textarea", "title"}) {
        if (name == raw)
            return true;
    }
    return false;
}

/// The next end tag of one name, remembered so that many start tags in a row search the page once.
class NextEndTag
{
public:
    explicit NextEndTag(std::string_view name) : m_name(name) {}

    std::size_t after(const MarkupScanner& scanner, std::size_t from)
    {
        if (!m_known || (m_at != std::string_view::npos && m_at < from)) {
            m_at = scanner.findEndTag(from, m_name);
            m_known = true;
        }
        return m_at;
    }

private:
    std::string_view m_name;
    std::size_t m_at = std::string_view::npos;
    bool m_known = false;
};

class Scan
{
public:
    explicit Scan(std::string_view page) : m_page(page), m_scanner(page) {}

    std::vector<Edit> edits()
    {
        if (const auto doctype = LeadingDoctype::of(m_page)) {
            // A name other than "html" puts the parser in quirks mode, whichever list it follows.
            m_edits.push_back({doctype->begin,
                               doctype->end - doctype->begin,
                               doctype->quirks ? "<!DOCTYPE quirks>" : "<!DOCTYPE html>",
                               {},
                               false});
        }
        for (MarkupScanner::Token token = m_scanner.next(false);
             token.kind != MarkupScanner::Token::Kind::End; token = m_scanner.next(false)) {
            if (token.kind == MarkupScanner::Token::Kind::Text)
                m_inBody = m_inBody || !token.blank;
            else if (token.kind == MarkupScanner::Token::Kind::StartTag)
                startTag(token);
            else
                endTag(token);
        }
        return std::move(m_edits);
    }

private:
    void startTag(const MarkupScanner::Token& token)
    {
        if (token.name == "noscript") {
            noscript(token);
            return;
        }
        if (token.name == "frameset")
            m_frames = true;
        if (!keepsHead(token.name))
            m_inBody = true;
        if (const std::string_view name = nameForParser(token.name); !name.empty())
            m_edits.push_back({token.begin + 1, token.name.size(), name, token.name, false});
        if (token.name == "script")
            m_scanner.skipScriptData();
        else if (token.name == "plaintext")
            m_scanner.skipToEnd();
        else if (isRawText(token.name))
            m_scanner.skipRawText(token.name);
    }

    void endTag(const MarkupScanner::Token& token)
    {
        if (token.name == "head")
            m_headClosed = true;
        else if (token.name == "body" || token.name == "html" || token.name == "br")
            m_inBody = true;
        else if (token.name == "form")
            m_edits.push_back({token.begin, 0, AddedComment, {}, true});
        else if (const std::string_view name = nameForParser(token.name); !name.empty())
            m_edits.push_back({token.begin + 2, token.name.size(), name, {}, false});
    }

    /// Hands a noscript element over as raw text, up to the first "</noscript" as a browser that runs
    /// scripts reads it. Where its text holds a "</noframes" that would end it too early, or in a
    /// frameset page, which ignores it, the element stays as it is.
    void noscript(const MarkupScanner::Token& token)
    {
        const std::size_t close = m_noscriptEnds.after(m_scanner, token.end);
        const std::size_t early = m_noframesEnds.after(m_scanner, token.end);
        if (m_frames || (early != std::string_view::npos && early < close))
            return;
        if (m_headClosed && !m_inBody) // after </head> it starts the body, where <noframes> would not
            m_edits.push_back({token.begin, 0, "<body>", {}, false});
        m_inBody = m_inBody || m_headClosed;
        m_edits.push_back({token.begin + 1, token.name.size(), "noframes", "noscript", false});
        m_scanner.skipRawText("noscript");
        if (close != std::string_view::npos)
            m_edits.push_back({close + 2, token.name.size(), "noframes", {}, false});
    }

    std::string_view m_page;
    MarkupScanner m_scanner;
    NextEndTag m_noscriptEnds{"noscript"};
    NextEndTag m_noframesEnds{"noframes"};
    std::vector<Edit> m_edits;
    bool m_headClosed = false;
    bool m_inBody = false;
    bool m_frames = false;
};

} // namespace

ParserInput ParserInput::of(std::string_view page)
{
    ParserInput input;
    const std::vector<Edit> edits = Scan(page).edits();
    if (edits.empty()) {
        input.markup.assign(page);
        return input;
    }
    std::size_t extra = 0;
    for (const Edit& edit : edits)
        extra += edit.text.size();
    input.markup.reserve(page.size() + extra);
    std::size_t copied = 0;
    for (const Edit& edit : edits) {
        input.markup.append(page.substr(copied, edit.at - copied));
        if (edit.comment)
            input.addedComments.insert(input.markup.size());
        else if (!edit.renamed.empty())
            input.renamed.emplace(input.markup.size() - 1, edit.renamed); // at the '<'
        input.markup.append(edit.text);
        copied = edit.at + edit.length;
    }
    input.markup.append(page.substr(copied));
    return input;
}

} // namespace vorbel
