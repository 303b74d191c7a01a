#pragma once

#include "service/Catalogue.h"

#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace vorbel::service {

/// A collected offer of one identity, with the offer as it was when collected.
struct Favourite
{
    int ufid = 0;
    std::string user;
    Offer offer;
    std::int64_t collectedCents = 0;
    std::string collectedAt; ///< "2026-12-08 10:01:02"
};

/// The favourites of every identity, kept in memory and, when a file is given, in that file, which is
/// replaced whole after every change. A change that cannot be saved is undone, so what the service
/// reports always matches what a restart will find.
class FavouriteStore
{
public:
    enum class Outcome
    {
        Done,
        Unchanged, ///< already collected, or no such favourite of this identity
        NotSaved
    };

    /// `file` empty: kept in memory only.
    explicit FavouriteStore(std::string file);

    /// Reads the file (a missing file holds no favourites); false with `error` set when it cannot be read.
    bool load(std::string& error);

    /// Collects an offer for an identity at a price and time, once per identity and offer number.
    Outcome add(const std::string& user, const Offer& offer, std::int64_t priceCents,
                const std::string& when);
    /// Removes one favourite of an identity.
    Outcome remove(const std::string& user, int ufid);

    /// An identity's favourites, in the order they were collected.
    std::vector<Favourite> of(const std::string& user) const;
    /// The offer numbers an identity has collected.
    std::set<int> collectedOffers(const std::string& user) const;
    /// Why the last change was not saved.
    std::string lastError() const;

private:
    bool save();

    std::string m_file;
    mutable std::mutex m_mutex;
    std::vector<Favourite> m_favourites;
    int m_nextId = 1;
    std::string m_lastError;
};

} // namespace vorbel::service
