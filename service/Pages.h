#pragma once

#include "service/Catalogue.h"
#include "service/FavouriteStore.h"

#include <string>
#include <vector>

namespace vorbel::service {

/// Pages in the shapes the client reads, as UTF-8 markup; the server encodes them.
struct PageOptions
{
    std::string pictureBase; ///< "http://host:port" the pictures are served from
    std::string charset;     ///< declared in the meta element
    bool badNumber = false;  ///< one offer in the middle carries a number cell that is not a number
    bool noTable = false;    ///< the result page leaves its table out
};

std::string homePage(const PageOptions& options);
std::string identityPage(const std::string& identity, const PageOptions& options);
std::string versionPage(const PageOptions& options);
std::string resultPage(const std::string& keyword, const std::vector<Offer>& offers,
                       const std::vector<bool>& collected, const PageOptions& options);
std::string favouritesPage(const std::vector<Favourite>& favourites, std::int64_t nowSeconds,
                           const PageOptions& options);
std::string shortPage(const std::string& text, const PageOptions& options);

/// "&", "<", ">" escaped for the markup.
std::string escapeMarkup(const std::string& text);

} // namespace vorbel::service
