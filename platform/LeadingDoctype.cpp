#include "platform/LeadingDoctype.h"

#include "platform/MarkupScanner.h"

#include <algorithm>
#include <array>
#include <string>

namespace vorbel {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           MarkupScanner::equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// Public identifiers whose every extension is a quirks-mode page.
constexpr std::array<std::string_view, 55> QuirksPrefixes = {
    "+//Silmaril//dtd html Pro v0r11 19970101//",
    "-//AS//DTD HTML 3.0 asWedit + extensions//",
    "-//AdvaSoft Ltd//DTD HTML 3.0 asWedit + extensions//",
    "-//IETF//DTD HTML 2.0 Level 1//",
    "-//IETF//DTD HTML 2.0 Level 2//",
    "-//IETF//DTD HTML 2.0 Strict Level 1//",
    "-//IETF//DTD HTML 2.0 Strict Level 2//",
    "-//IETF//DTD HTML 2.0 Strict//",
    "-//IETF//DTD HTML 2.0//",
    "-//IETF//DTD HTML 2.1E//",
    "-//IETF//DTD HTML 3.0//",
    "-//IETF//DTD HTML 3.2 Final//",
    "-//IETF//DTD HTML 3.2//",
    "-//IETF//DTD HTML 3//",
    "-//IETF//DTD HTML Level 0//",
    "-//IETF//DTD HTML Level 1//",
    "-//IETF//DTD HTML Level 2//",
    "-//IETF//DTD HTML Level 3//",
    "-//IETF//DTD HTML Strict Level 0//",
    "-//IETF//DTD HTML Strict Level 1//",
    "-//IETF//DTD HTML Strict Level 2//",
    "-//IETF//DTD HTML Strict Level 3//",
    "-//IETF//DTD HTML Strict//",
    "-//IETF//DTD HTML//",
    "-//Metrius//DTD Metrius Presentational//",
    "-//Microsoft//DTD Internet Explorer 2.0 HTML Strict//",
    "-//Microsoft//DTD Internet Explorer 2.0 HTML//",
    "-//Microsoft//DTD Internet Explorer 2.0 Tables//",
    "-//Microsoft//DTD Internet Explorer 3.0 HTML Strict//",
    "-//Microsoft//DTD Internet Explorer 3.0 HTML//",
    "-//Microsoft//DTD Internet Explorer 3.0 Tables//",
    "-//Netscape Comm. Corp.//DTD HTML//",
    "-//Netscape Comm. Corp.//DTD Strict HTML//",
    "-//O'Reilly and Associates//DTD HTML 2.0//",
    "-//O'Reilly and Associates//DTD HTML Extended 1.0//",
    "-//O'Reilly and Associates//DTD HTML Extended Relaxed 1.0//",
    "-//SQ//DTD HTML 2.0 HoTMetaL + extensions//",
    "-//SoftQuad Software//DTD HoTMetaL PRO 6.0::19990601::extensions to HTML 4.0//",
    "-//SoftQuad//DTD HoTMetaL PRO 4.0::19971010::extensions to HTML 4.0//",
    "-//Spyglass//DTD HTML 2.0 Extended//",
    "-//Sun Microsystems Corp.//DTD HotJava HTML//",
    "-//Sun Microsystems Corp.//DTD HotJava Strict HTML//",
    "-//W3C//DTD HTML 3 1995-03-24//",
    "-//W3C//DTD HTML 3.2 Draft//",
    "-//W3C//DTD HTML 3.2 Final//",
    "-//W3C//DTD HTML 3.2//",
    "-//W3C//DTD HTML 3.2S Draft//",
    "-//W3C//DTD HTML 4.0 Frameset//",
    "-//W3C//DTD HTML 4.0 Transitional//",
    "-//W3C//DTD HTML Experimental 19960712//",
    "-//W3C//DTD HTML Experimental 970421//",
    "-//W3C//DTD W3 HTML//",
    "-//W3O//DTD W3 HTML 3.0//",
    "-//WebTechs//DTD Mozilla HTML 2.0//",
    "-//WebTechs//DTD Mozilla HTML//",
};

struct Fields
{
    std::string name;
    std::optional<std::string_view> publicId;
    std::optional<std::string_view> systemId;
    bool forceQuirks = false;
};

/// Reads a quoted identifier at `pos`; a '>' inside the quotes ends the doctype there, too early.
std::size_t readIdentifier(std::string_view s, std::size_t pos, std::optional<std::string_view>* id,
                           bool* forceQuirks)
{
    const char quote = s[pos];
    std::size_t close = pos + 1;
    while (close < s.size() && s[close] != quote && s[close] != '>')
        ++close;
    *id = s.substr(pos + 1, close - pos - 1);
    if (close >= s.size() || s[close] == '>') {
        *forceQuirks = true;
        return close;
    }
    return close + 1;
}

std::size_t skipSpace(std::string_view s, std::size_t pos)
{
    while (pos < s.size() && isSpace(s[pos]))
        ++pos;
    return pos;
}

/// Reads the doctype whose name starts at `pos`; returns where its '>' stands (or the markup's end).
std::size_t readFields(std::string_view s, std::size_t pos, Fields* f)
{
    pos = skipSpace(s, pos);
    if (pos >= s.size() || s[pos] == '>') {
        f->forceQuirks = true; // no name
        return pos;
    }
    while (pos < s.size() && !isSpace(s[pos]) && s[pos] != '>')
        f->name += lower(s[pos++]);
    pos = skipSpace(s, pos);
    if (pos >= s.size() || s[pos] == '>')
        return pos;
    const bool isPublic = startsWithIgnoringCase(s.substr(pos), "public");
    const bool isSystem = startsWithIgnoringCase(s.substr(pos), "system");
    if (!isPublic && !isSystem) {
        f->forceQuirks = true;
        return std::min(s.find('>', pos), s.size());
    }
    pos = skipSpace(s, pos + 6);
    if (pos >= s.size() || (s[pos] != '"' && s[pos] != '\'')) {
        f->forceQuirks = true; // a keyword without its identifier
        return std::min(s.find('>', pos), s.size());
    }
    pos = readIdentifier(s, pos, isPublic ? &f->publicId : &f->systemId, &f->forceQuirks);
    if (f->forceQuirks)
        return pos;
    pos = skipSpace(s, pos);
    if (isPublic && pos < s.size() && (s[pos] == '"' || s[pos] == '\'')) {
        pos = readIdentifier(s, pos, &f->systemId, &f->forceQuirks);
        if (f->forceQuirks)
            return pos;
        pos = skipSpace(s, pos);
    } else if (pos < s.size() && s[pos] != '>' && isPublic) {
        f->forceQuirks = true;
    }
    // Anything else after the system identifier is ignored up to the '>', without quirks.
    return std::min(s.find('>', pos), s.size());
}

bool isQuirks(const Fields& f)
{
    if (f.forceQuirks || f.name != "html")
        return true;
    if (f.systemId && MarkupScanner::equalsIgnoringCase(
                          *f.systemId, "http://www.ibm.com/data/dtd/v11/ibmxhtml1-transitional.dtd"))
        return true;
    if (!f.publicId)
        return false;
    const std::string_view id = *f.publicId;
    for (std::string_view exact :
         {"-//W3O//DTD W3 HTML Strict 3.0//EN//", "-/W3C/DTD HTML 4.0 Transitional/EN", "HTML"}) {
        if (MarkupScanner::equalsIgnoringCase(id, exact))
            return true;
    }
    if (std::any_of(QuirksPrefixes.begin(), QuirksPrefixes.end(),
                    [&](std::string_view prefix) { return startsWithIgnoringCase(id, prefix); }))
        return true;
    return !f.systemId && (startsWithIgnoringCase(id, "-//W3C//DTD HTML 4.01 Frameset//") ||
                           startsWithIgnoringCase(id, "-//W3C//DTD HTML 4.01 Transitional//"));
}

} // namespace

std::optional<LeadingDoctype> LeadingDoctype::of(std::string_view markup)
{
    const MarkupScanner comments(markup);
    std::size_t pos = 0;
    for (;;) {
        pos = skipSpace(markup, pos);
        if (markup.substr(pos, 4) != "<!--")
            break;
        pos = comments.skipComment(pos);
    }
    if (!startsWithIgnoringCase(markup.substr(pos), "<!doctype"))
        return std::nullopt;
    Fields fields;
    const std::size_t close = readFields(markup, pos + 9, &fields);
    if (close >= markup.size())
        return LeadingDoctype{pos, markup.size(), true}; // cut off by the end of the page
    return LeadingDoctype{pos, close + 1, isQuirks(fields)};
}

} // namespace vorbel
