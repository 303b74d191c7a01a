#pragma once

#include "service/Catalogue.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vorbel::service {

/// A collected offer of one identity.
struct Favourite
{
    int ufid = 0;
    std::string user;
    Offer offer;
    std::int64_t collectedCents = 0;
    std::string collectedAt; ///< "2026-12-08 10:01:02"
};

/// The favourites of every identity, kept in memory and, when a folder is given, in a file there that is
/// rewritten whole (temporary file, then rename) after every change.
class FavouriteStore
{
public:
    explicit FavouriteStore(std::string folder);

    Favourite add(const std::string& user, const Offer& offer, std::int64_t priceCents,
                  const std::string& when);
    bool remove(const std::string& user, int ufid);
    std::vector<Favourite> of(const std::string& user) const;
    bool collected(const std::string& user, int bh) const;

private:
    void load();
    void save() const;

    std::string m_file;
    mutable std::mutex m_mutex;
    std::vector<Favourite> m_favourites;
    int m_nextId = 1;
};

} // namespace vorbel::service
