#pragma once

#include "service/Catalogue.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace vorbel::service {

/// Which keyword owns which slot of offer numbers, so that every number the service hands out is unique
/// and leads back to its offer, also after a restart when a file is given. A keyword takes its home slot,
/// or the next free one when another keyword holds that.
class OfferNumbers
{
public:
    /// `file` empty: kept in memory only.
    explicit OfferNumbers(std::string file);

    /// Reads the file (a missing file is an empty register); false with `error` set when it cannot be read.
    bool load(std::string& error);

    /// The keyword's slot, given to it now when it has none.
    int slotFor(const std::string& keyword);

    /// The keyword owning a slot.
    std::optional<std::string> keywordAt(int slot) const;

    /// The offer that an offer number stands for, with pageSize as the catalogue's page size.
    std::optional<Offer> offer(int bh, int pageSize) const;

private:
    void remember(int slot, const std::string& keyword);
    void append(int slot, const std::string& keyword) const;

    std::string m_file;
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, int> m_slots;
    std::map<int, std::string> m_keywords;
};

} // namespace vorbel::service
