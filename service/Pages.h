#pragma once

#include "service/Catalogue.h"
#include "service/FavouriteStore.h"

#include <set>
#include <string>
#include <vector>

namespace vorbel::service {

/// How pages are written: in the shapes the client reads, as UTF-8 markup that the server encodes.
struct PageOptions
{
    std::string base;       ///< "http://host:port" that pictures and shop pages are reached at
    std::string charset;    ///< declared in the meta element
    bool badNumber = false; ///< one offer in the middle carries a number cell that is not a number
    bool noTable = false;   ///< the result page leaves its table out
    /// The result page as a browser would show it: the small picture cell holds the picture itself, and
    /// the page's title becomes the milliseconds from the request until the load event (every picture
    /// loaded). Asked for with "view=pictures"; used to time a browser on the same page.
    bool showPictures = false;
};

/// The service's own front page, with the hot keywords as search links.
std::string homePage(const PageOptions& options);
/// A page whose body's first line is the identity alone.
std::string identityPage(const std::string& identity, const PageOptions& options);
/// The version notice page with its link codes line.
std::string versionPage(const PageOptions& options);
/// The result page: one table row per offer, each a "<tr>" line and thirteen cell lines, the twelfth
/// being the page's only kind of empty cell and the thirteenth "Yes" for offers the identity collected.
std::string resultPage(const std::string& keyword, const std::vector<Offer>& offers, std::int64_t nowSeconds,
                       const std::set<int>& collected, const PageOptions& options);
/// The favourites page: a header row whose first cell is "序列", then one row of twelve cells per favourite.
std::string favouritesPage(const std::vector<Favourite>& favourites, std::int64_t nowSeconds,
                           const PageOptions& options);
/// A shop's page for an offer, showing the link codes the visit came with.
std::string shopPage(const Offer& offer, std::int64_t priceCents, const std::string& pid,
                     const std::string& unionId, const PageOptions& options);
/// A page holding one short message.
std::string shortPage(const std::string& text, const PageOptions& options);

/// "&", "<", ">" and '"' escaped for the markup.
std::string escapeMarkup(const std::string& text);

} // namespace vorbel::service
