#pragma once

#include "service/ServiceClock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorbel::service {

/// One offer of the reference catalogue.
struct Offer
{
    int bh = 0;                  ///< the offer number: slot × OffersPerSlot + index
    std::string cph;             ///< product id, letters and digits only (it names picture files)
    std::string name;            ///< product name (UTF-8)
    std::string shop;            ///< one of the seven shop names
    std::string promotion;       ///< never empty
    std::string linkPath;        ///< the shop page's path and query on this service, with its "&" separators
    std::string listedAt;        ///< "2026-12-08 10:00"
    int count = 0;               ///< sales (淘宝网, 天猫商城) or comments (the other shops)
    std::int64_t priceCents = 0; ///< the list price; what pages show moves around it over time
    bool wholePrice = false;     ///< written without decimals
};

/// Offer numbers are slot × OffersPerSlot + index; a keyword owns one slot in [1, SlotCount].
constexpr int OffersPerSlot = 10000;
constexpr int SlotCount = 200000;
/// The largest fixed page size.
constexpr int MaxPageSize = OffersPerSlot;
/// On a service day about this many offers in a hundred take a new price; the others keep the one they had
/// the day before.
constexpr int PriceMovesPerHundred = 28;
/// Every offer also takes a new price on one fixed day in each run of this many, so that the day its
/// current price was set is never further back than that.
constexpr int LongestSteadyDays = 32;

/// The seven shops the service compares.
const std::vector<std::string>& shopNames();

/// The short name of a shop in its page path ("taobao", "tmall", ...).
std::string shopCode(const std::string& shop);

/// Prices as the service writes them: "99" for a whole price, else "99.50".
std::string formatPrice(std::int64_t cents, bool whole);

/// FNV-1a with a final mix: the catalogue's source of stable variety.
std::uint64_t stableHash(const std::string& text);

/// The slot a keyword's offer numbers live in unless another keyword took it first.
int homeSlot(const std::string& keyword);

/// How many offers a keyword has: 20 to 60, or exactly pageSize (at most MaxPageSize) when positive;
/// none for an empty keyword.
int offerCount(const std::string& keyword, int pageSize = 0);

/// The offers for a keyword, deterministic; slot 0 means the keyword's home slot.
std::vector<Offer> offersFor(const std::string& keyword, int pageSize = 0, int slot = 0);

/// Offer `index` of a keyword (the same as in offersFor), or nothing past the keyword's offers.
std::optional<Offer> offerAt(const std::string& keyword, int index, int pageSize = 0, int slot = 0);

/// An offer's price on a service day: the list price moved up or down by up to 15 %, at least 1 yuan, the
/// same for everyone all day; whole prices stay whole. About PriceMovesPerHundred offers in a hundred
/// (a little more, counting the fixed days) differ from the day before.
std::int64_t currentPriceCents(const Offer& offer, ServiceDay day);

} // namespace vorbel::service
