#pragma once

#include <QLatin1String>

/// Every column of the store's tables, named once. The short names are the stored file's own and stay as
/// they are; code names a column through these constants so that a misspelt name fails to compile instead
/// of reading as null.
namespace vorbel::column {

// cxnr: the offers of the latest search, one row per offer of the result page.
inline constexpr QLatin1String bh{"bh"}; ///< the service's offer number (integer); sent back to collect it
inline constexpr QLatin1String cxrq{
    "cxrq"};                               ///< day the row was stored, days since 30 December 1899 (integer)
inline constexpr QLatin1String cph{"cph"}; ///< product id; names the cached pictures
inline constexpr QLatin1String cpmc{"cpmc"};   ///< product name as the page shows it
inline constexpr QLatin1String xtp{"xtp"};     ///< address of the small picture
inline constexpr QLatin1String dtp{"dtp"};     ///< address of the large picture
inline constexpr QLatin1String rc{"rc"};       ///< sales or comments count, a whole number as text
inline constexpr QLatin1String jg{"jg"};       ///< price in yuan as the service sent it; the list's order key
inline constexpr QLatin1String cplj{"cplj"};   ///< shop page link, rewritten with the link codes
inline constexpr QLatin1String sjlx{"sjlx"};   ///< shop name
inline constexpr QLatin1String cxsj{"cxsj"};   ///< a page cell stored as received, never shown
inline constexpr QLatin1String hdxx{"hdxx"};   ///< promotion text
inline constexpr QLatin1String zpbz{"zpbz"};   ///< trust badge: "保障", "可信" or empty
inline constexpr QLatin1String pjjb{"pjjb"};   ///< rating stars
inline constexpr QLatin1String check{"check"}; ///< favourite state: "点击收藏" or "已收藏"
inline constexpr QLatin1String bz1{"bz1"};     ///< carries the grids' picture column; never written

// scnr: the favourites or price-drop notices last fetched (also cph, cpmc, xtp, dtp, cplj, sjlx, bz1).
inline constexpr QLatin1String ufid{"ufid"}; ///< the favourite's id on the service; sent to delete it
inline constexpr QLatin1String user{"user"}; ///< page cell, stored only
inline constexpr QLatin1String scid{"scid"}; ///< page cell, stored only
inline constexpr QLatin1String scsj{"scsj"}; ///< collection time; the list's order key
inline constexpr QLatin1String scjg{"scjg"}; ///< price when collected
inline constexpr QLatin1String gxjg{"gxjg"}; ///< current price
inline constexpr QLatin1String scrq{"scrq"}; ///< day the row was stored, counted as cxrq (integer)
inline constexpr QLatin1String bz2{"bz2"};   ///< action text "删除收藏"

// tpb: the picture register, one row per offer stored by a keyword's first search (also bh).
inline constexpr QLatin1String tpid{"tpid"}; ///< product id whose small picture lies in the cache
inline constexpr QLatin1String word{"word"}; ///< the keyword (also the column of the word table)

// word: keyword counters.
inline constexpr QLatin1String count{"count"}; ///< how often the keyword's page was read again (integer)

// xxb: the settings row, every value enciphered.
inline constexpr QLatin1String ver{"ver"}; ///< two-character program version
inline constexpr QLatin1String u{"u"};     ///< service user identity
inline constexpr QLatin1String p{"p"};     ///< service password marker
inline constexpr QLatin1String a{"a"};     ///< link code A
inline constexpr QLatin1String b{"b"};     ///< link code B

// jgls: every price an offer (cph, sjlx) was seen at; also cph, sjlx and jg (the price text as the page
// gave it). Outlives restarts, unlike cxnr.
inline constexpr QLatin1String sj{"sj"};     ///< local time first seen at this price, "yyyy-MM-dd HH:mm:ss"
inline constexpr QLatin1String zjsj{"zjsj"}; ///< local time last seen at this price, same form

} // namespace vorbel::column
