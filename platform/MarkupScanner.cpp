#include "platform/MarkupScanner.h"

#include <algorithm>
#include <utility>

namespace vorbel {

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

bool MarkupScanner::equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::size_t MarkupScanner::attributeValueEnd(std::string_view s, std::size_t pos, std::string_view* value)
{
    if (pos >= s.size())
        return pos;
    const char quote = s[pos];
    if (quote == '"' || quote == '\'') {
        const std::size_t close = s.find(quote, pos + 1);
        if (close == std::string_view::npos)
            return close;
        *value = s.substr(pos + 1, close - pos - 1);
        return close + 1;
    }
    const std::size_t begin = pos;
    while (pos < s.size() && !isSpace(s[pos]) && s[pos] != '>')
        ++pos;
    *value = s.substr(begin, pos - begin);
    return pos;
}

MarkupScanner::Token MarkupScanner::next(bool foreign)
{
    const std::size_t size = m_text.size();
    while (m_pos < size) {
        const std::size_t open = m_text.find('<', m_pos);
        if (open != m_pos) {
            const std::size_t end = open == std::string_view::npos ? size : open;
            Token text{Token::Kind::Text, {}, {}, false, true};
            for (std::size_t i = m_pos; i < end && text.blank; ++i)
                text.blank = isSpace(m_text[i]);
            m_pos = end;
            return text;
        }
        const std::size_t after = m_pos + 1;
        const char c = after < size ? m_text[after] : '\0';
        if (isAsciiLetter(c))
            return tag(m_pos, false);
        if (c == '/' && after + 1 < size && isAsciiLetter(m_text[after + 1]))
            return tag(m_pos, true);
        if (c == '!' && m_text.substr(after + 1, 2) == "--") {
            m_pos = skipComment(m_pos);
            continue;
        }
        if (c == '!' && foreign && m_text.substr(after + 1, 7) == "[CDATA[") {
            const std::size_t close = m_text.find("]]>", after + 8);
            m_pos = close == std::string_view::npos ? size : close + 3;
            return {Token::Kind::Text, {}, {}, false, false};
        }
        if (c == '/' && after + 1 < size && m_text[after + 1] == '>') {
            m_stray = true; // "</>" makes no token at all
            m_pos = after + 2;
            continue;
        }
        if (c == '!' || c == '?' || (c == '/' && after + 1 < size)) {
            // Doctypes, processing instructions and "</" + non-letter end at the first '>'.
            const std::size_t close = m_text.find('>', after + 1);
            m_pos = close == std::string_view::npos ? size : close + 1;
            continue;
        }
        m_pos = after;
        return {Token::Kind::Text, {}, {}, false, false};
    }
    return {};
}

MarkupScanner::Token MarkupScanner::tag(std::size_t open, bool end)
{
    std::size_t pos = open + (end ? 2 : 1);
    Token token;
    token.kind = end ? Token::Kind::EndTag : Token::Kind::StartTag;
    while (pos < m_text.size() && !isSpace(m_text[pos]) && m_text[pos] != '/' && m_text[pos] != '>')
        token.name += lower(m_text[pos++]);
    const TagEnd tagEnd = scanAttributes(m_text, pos, [](std::string_view, std::string_view) {});
    if (tagEnd.close == std::string_view::npos) {
        // A tag cut off by the end of the input is dropped, as the tokenizer does.
        m_pos = m_text.size();
        return {};
    }
    token.attributes = m_text.substr(pos, tagEnd.close - pos);
    token.selfClosing = tagEnd.selfClosing;
    token.afterStray = std::exchange(m_stray, false);
    token.begin = open;
    token.end = tagEnd.close + 1;
    m_pos = tagEnd.close + 1;
    return token;
}

std::size_t MarkupScanner::skipComment(std::size_t open) const
{
    // "<!-->" and "<!--->" are whole comments; otherwise "-->" or "--!>" after the opening ends one.
    for (std::size_t dashes = m_text.find("--", open + 2); dashes != std::string_view::npos;
         dashes = m_text.find("--", dashes + 1)) {
        if (m_text.substr(dashes + 2, 1) == ">")
            return dashes + 3;
        if (dashes >= open + 4 && m_text.substr(dashes + 2, 2) == "!>")
            return dashes + 4;
    }
    return m_text.size();
}

bool MarkupScanner::isTagAt(std::size_t pos, std::string_view prefix, std::string_view name) const
{
    const std::size_t nameAt = pos + prefix.size();
    const std::size_t after = nameAt + name.size();
    if (after >= m_text.size() || m_text.substr(pos, prefix.size()) != prefix)
        return false;
    const char delimiter = m_text[after];
    return equalsIgnoringCase(m_text.substr(nameAt, name.size()), name) &&
           (isSpace(delimiter) || delimiter == '/' || delimiter == '>');
}

std::size_t MarkupScanner::findEndTag(std::size_t from, std::string_view name) const
{
    for (std::size_t pos = m_text.find("</", from); pos != std::string_view::npos;
         pos = m_text.find("</", pos + 2)) {
        if (isTagAt(pos, "</", name))
            return pos;
    }
    return std::string_view::npos;
}

bool MarkupScanner::skipRawText(std::string_view name)
{
    const std::size_t end = findEndTag(m_pos, name);
    if (end == std::string_view::npos) {
        m_pos = m_text.size();
        return false;
    }
    const TagEnd tagEnd =
        scanAttributes(m_text, end + 2 + name.size(), [](std::string_view, std::string_view) {});
    m_pos = tagEnd.close == std::string_view::npos ? m_text.size() : tagEnd.close + 1;
    return tagEnd.close != std::string_view::npos;
}

std::size_t MarkupScanner::nextCommentClose(std::size_t from)
{
    // Searched again only once the scan has passed the last one found, so scripts that never close
    // their escapes do not make the scan quadratic.
    if (!m_closeKnown || (m_closeAt != std::string_view::npos && m_closeAt < from)) {
        m_closeAt = m_text.find("-->", from);
        m_closeKnown = true;
    }
    return m_closeAt;
}

bool MarkupScanner::skipScriptData()
{
    enum class State
    {
        Data,
        Escaped,
        DoubleEscaped
    };
    constexpr std::string_view Script = "script";
    constexpr std::size_t npos = std::string_view::npos;
    State state = State::Data;
    std::size_t pos = m_pos;
    for (;;) {
        const std::size_t open = m_text.find('<', pos);
        const std::size_t close = state == State::Data ? npos : nextCommentClose(pos);
        if (close != npos && (open == npos || close < open)) {
            state = State::Data;
            pos = close + 3;
            continue;
        }
        if (open == npos)
            break;
        if (state != State::DoubleEscaped && isTagAt(open, "</", Script)) {
            m_pos = open;
            return skipRawText(Script);
        }
        if (state == State::Data && m_text.substr(open, 4) == "<!--") {
            state = State::Escaped;
            pos = open + 2; // the dashes of "<!--" may already be those of "-->"
        } else if (state == State::Escaped && isTagAt(open, "<", Script)) {
            state = State::DoubleEscaped;
            pos = open + 1 + Script.size();
        } else if (state == State::DoubleEscaped && isTagAt(open, "</", Script)) {
            state = State::Escaped;
            pos = open + 2 + Script.size();
        } else {
            pos = open + 1;
        }
    }
    m_pos = m_text.size();
    return false;
}

} // namespace vorbel
