#pragma once

#include "store/StandingQuery.h"

#include <QString>
#include <array>

namespace vorbel {

/// The eight shop boxes: "全部" first, then the seven shops in their filter order.
using ShopBoxes = std::array<bool, 8>;

/// The shop names the filter compares, in the boxes' order after "全部".
const std::array<QString, 7>& filterShops();

/// The result list's statement for the ticked boxes: everything in price order while "全部" is ticked, the
/// ticked shops otherwise, and nothing when no box is ticked.
QString filterStatement(const ShopBoxes& boxes);

/// The same rows described for StandingQuery::openNarrowed: the offers of the ticked shops, or every
/// offer while "全部" is ticked, in price order.
StandingQuery::Narrowing filterNarrowing(const ShopBoxes& boxes);

/// The sort markers of the two sortable titles, "价格" (jg) and "人气" (rc): a click sorts descending
/// first, then ascending, then descending again; clicking the other title starts over.
class TitleSort
{
public:
    enum class Marker
    {
        None,
        Down,
        Up
    };

    /// The sort expression for a click on the field's title ("jg DESC", "jg"), the markers advanced.
    QString click(const QString& field);
    Marker marker(const QString& field) const;
    void clear() { m_field.clear(), m_marker = Marker::None; }

private:
    QString m_field;
    Marker m_marker = Marker::None;
};

} // namespace vorbel
