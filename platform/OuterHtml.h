#pragma once

#include <QByteArray>
#include <QString>

namespace vorbel {

/// The outer markup of a document's root element, written the way the old browser engine's outerHTML
/// did: element names in upper case ("<BODY>", "<TD>", "</TD>"), attributes in double quotes, text with
/// "&", "<", ">" and no-break spaces escaped (and '"' too in attribute values), script, style and
/// noscript text as it stands, void elements without end tags, and the white space and line breaks of
/// the page's text where they were. Elements the parser implies (<HEAD>, <TBODY>) appear without line
/// breaks of their own. The tree is the one a current browser with scripting on builds, as far as
/// ParserInput mends the parser's older rules.
class OuterHtml
{
public:
    /// Parses UTF-8 `html` as an HTML5 document and writes out its root element. The parser's cost
    /// depends on the markup; callers first make sure ParseEstimate accepts it.
    static QString of(const QByteArray& html);
};

} // namespace vorbel
