#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorbel::service {

/// One offer of the reference catalogue.
struct Offer
{
    int bh = 0;            ///< the service's offer number
    std::string cph;       ///< product id, a safe file name
    std::string name;      ///< product name (UTF-8)
    std::string shop;      ///< one of the seven shop names
    std::string promotion; ///< never empty
    std::string link;      ///< shop page URL with its "&" separators
    std::string listedAt;  ///< "2026-12-08 10:00"
    int count = 0;         ///< sales or comments
    std::int64_t priceCents = 0;
    bool wholePrice = false; ///< written without decimals
};

/// The seven shops the service compares.
const std::vector<std::string>& shopNames();

/// Prices as the service writes them: "99" for a whole price, else "99.50".
std::string formatPrice(std::int64_t cents, bool whole);

/// The offers for a keyword: deterministic, 20 to 60 of them (or exactly pageSize when it is positive).
std::vector<Offer> offersFor(const std::string& keyword, int pageSize = 0);

/// An offer's current price at a time (seconds since the epoch): it moves every few minutes, up or down by
/// up to 15 % around the listed price, the same for everyone at the same time.
std::int64_t currentPriceCents(const Offer& offer, std::int64_t nowSeconds);

/// FNV-1a, the catalogue's source of stable variety.
std::uint64_t stableHash(const std::string& text);

} // namespace vorbel::service
