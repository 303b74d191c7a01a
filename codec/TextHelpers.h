#pragma once

#include <QString>

namespace vorbel {

/// The two link codes put into shop links: a replaces the "mm_…" value, b the "unionId=" value.
struct LinkCodes
{
    QString a;
    QString b;
};

/// Rating stars "★★" … "★★★★★" from the offer's count (sales or comments), shop and product name.
QString RatingStars(int count, const QString& shop, const QString& name);

/// Trust badge "保障", "可信" or empty.
QString GenuineBadge(int count, const QString& shop, const QString& name);

/// The shop link with the link codes put in: the "mm_…" parameter value up to the next "&" (or the end)
/// becomes code a, the "unionId=" value up to the next "&" (or the end) becomes code b. Both apply in turn;
/// with both codes empty the link is returned unchanged.
QString RewriteShopLink(const QString& link, const LinkCodes& codes);

/// The text a browser shows for a piece of markup parsed as a document body: tags dropped, character
/// references decoded, line breaks and block boundaries shown as a blank, runs of ASCII white space collapsed
/// to one blank (a no-break space stays), ends trimmed. Throws std::runtime_error, parsing nothing, for
/// markup that may nest more than 2000 elements deep.
QString HtmlToText(const QString& html);
/// The text a browser shows for a page cell: HtmlToText where the cell holds markup or an entity; a cell
/// without either is its own text and comes back as it is, without the parser's cost.
QString CellText(const QString& cell);

} // namespace vorbel
