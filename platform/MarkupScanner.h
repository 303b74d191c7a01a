#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorbel {

/// A cheap tokenizer for UTF-8 markup that finds what an HTML5 tokenizer would see as tags and text,
/// skipping comments, doctypes and raw text the same way, without building anything. It lets the
/// nesting of a page be estimated before the real parser sees it.
class MarkupScanner
{
public:
    struct Token
    {
        enum class Kind
        {
            Text,
            StartTag,
            EndTag,
            End
        };
        Kind kind = Kind::End;
        std::string name;            ///< lower case; empty for text
        std::string_view attributes; ///< the raw text between the name and the tag's '>'
        bool selfClosing = false;
        bool blank = false;      ///< text of white space only
        bool afterStray = false; ///< a tag after a "</>", which the parser misreads in SVG and MathML
        std::size_t begin = 0;   ///< where a tag's '<' stands in the markup
        std::size_t end = 0;     ///< just past a tag's '>'
    };

    explicit MarkupScanner(std::string_view markup) : m_text(markup) {}

    /// The next token. Comments, doctypes and processing instructions are skipped; a CDATA section is
    /// skipped as text when `foreign` says the parser is inside SVG or MathML content.
    Token next(bool foreign);

    /// Skips the text of an RCDATA or RAWTEXT element up to and including its end tag; false when the
    /// input ended first.
    bool skipRawText(std::string_view name);
    /// Skips the text of a script element up to and including its end tag, honouring the escape states
    /// in which "</script>" does not end the script; false when the input ended first.
    bool skipScriptData();
    /// Where the next `name` end tag starts at or after `from`, as the end of raw text; npos if none.
    std::size_t findEndTag(std::size_t from, std::string_view name) const;
    /// Just past the comment that opens at `open` ("<!--"); the input's end if it never closes.
    std::size_t skipComment(std::size_t open) const;
    /// Where the scan stands.
    std::size_t position() const { return m_pos; }
    /// Treats the rest of the input as text.
    void skipToEnd() { m_pos = m_text.size(); }

    /// Calls visit(name, value) for each attribute in a tag's raw attribute text (names as written).
    template <typename Visit> static void forEachAttribute(std::string_view attributes, Visit&& visit)
    {
        scanAttributes(attributes, 0, visit);
    }

    static bool equalsIgnoringCase(std::string_view a, std::string_view b);

private:
    struct TagEnd
    {
        std::size_t close = std::string_view::npos; ///< index of the closing '>'; npos if input ended
        bool selfClosing = false;
    };

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
    static std::size_t skipSpace(std::string_view s, std::size_t pos)
    {
        while (pos < s.size() && isSpace(s[pos]))
            ++pos;
        return pos;
    }
    static std::size_t attributeValueEnd(std::string_view s, std::size_t pos, std::string_view* value);

    /// The attribute states of an HTML5 tokenizer, from just after a tag name to the tag's '>': quotes
    /// only count in values, and "/>" only marks a self-closing tag outside them.
    template <typename Visit> static TagEnd scanAttributes(std::string_view s, std::size_t pos, Visit&& visit)
    {
        for (;;) {
            pos = skipSpace(s, pos);
            if (pos >= s.size())
                return {};
            if (s[pos] == '>')
                return {pos, false};
            if (s[pos] == '/') {
                if (++pos < s.size() && s[pos] == '>')
                    return {pos, true};
                continue;
            }
            const std::size_t nameBegin = pos++;
            while (pos < s.size() && !isSpace(s[pos]) && s[pos] != '/' && s[pos] != '>' && s[pos] != '=')
                ++pos;
            const std::string_view name = s.substr(nameBegin, pos - nameBegin);
            std::string_view value;
            pos = skipSpace(s, pos);
            if (pos < s.size() && s[pos] == '=') {
                pos = attributeValueEnd(s, skipSpace(s, pos + 1), &value);
                if (pos == std::string_view::npos)
                    return {};
            }
            visit(name, value);
        }
    }

    bool isTagAt(std::size_t pos, std::string_view prefix, std::string_view name) const;
    Token tag(std::size_t open, bool end);
    std::size_t nextCommentClose(std::size_t from);

    std::string_view m_text;
    std::size_t m_pos = 0;
    bool m_stray = false;
    std::size_t m_closeAt = 0;
    bool m_closeKnown = false;
};

} // namespace vorbel
