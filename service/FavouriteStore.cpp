#include "service/FavouriteStore.h"

#include "service/RecordFile.h"

#include <algorithm>
#include <optional>

namespace vorbel::service {

namespace {

const char* const Header = "vorbel-service favourites";
const char* const Version = "1";
const char* const LineEnd = "end";
constexpr std::size_t FieldCount = 15;

std::vector<std::string> fieldsOf(const Favourite& f)
{
    const Offer& o = f.offer;
    return {std::to_string(f.ufid),
            f.user,
            std::to_string(f.collectedCents),
            f.collectedAt,
            std::to_string(o.bh),
            o.cph,
            o.name,
            o.shop,
            o.promotion,
            o.linkPath,
            o.listedAt,
            std::to_string(o.count),
            std::to_string(o.priceCents),
            o.wholePrice ? "1" : "0",
            LineEnd};
}

std::optional<long long> number(const std::string& text)
{
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoll(text);
}

/// A favourite from its fields, or nothing for a line that is not one.
std::optional<Favourite> favouriteOf(const std::vector<std::string>& f)
{
    if (f.size() != FieldCount || f[14] != LineEnd)
        return std::nullopt;
    const auto ufid = number(f[0]), cents = number(f[2]), bh = number(f[4]), count = number(f[11]),
               price = number(f[12]);
    if (!ufid || !cents || !bh || !count || !price || *ufid > 0x7FFFFFFF || *bh > 0x7FFFFFFF ||
        *count > 0x7FFFFFFF)
        return std::nullopt;
    Favourite favourite{int(*ufid), f[1], {}, *cents, f[3]};
    favourite.offer = Offer{int(*bh), f[5], f[6], f[7], f[8], f[9], f[10], int(*count), *price, f[13] == "1"};
    return favourite;
}

} // namespace

FavouriteStore::FavouriteStore(std::string file) : m_file(std::move(file)) {}

bool FavouriteStore::load(std::string& error)
{
    if (m_file.empty())
        return true;
    std::vector<std::string> lines;
    if (!RecordFile::readLines(m_file, lines, error))
        return false;
    std::lock_guard lock(m_mutex);
    m_favourites.clear();
    m_nextId = 1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> fields = RecordFile::split(lines[i]);
        if (i == 0 && fields.size() == 3 && fields[0] == Header) {
            m_nextId = std::max(1, std::atoi(fields[2].c_str()));
            continue;
        }
        if (std::optional<Favourite> favourite = favouriteOf(fields)) {
            m_nextId = std::max(m_nextId, favourite->ufid + 1);
            m_favourites.push_back(std::move(*favourite));
        }
    }
    return true;
}

FavouriteStore::Outcome FavouriteStore::add(const std::string& user, const Offer& offer,
                                            std::int64_t priceCents, const std::string& when)
{
    std::lock_guard lock(m_mutex);
    if (std::any_of(m_favourites.begin(), m_favourites.end(),
                    [&](const Favourite& f) { return f.user == user && f.offer.bh == offer.bh; }))
        return Outcome::Unchanged;
    m_favourites.push_back(Favourite{m_nextId++, user, offer, priceCents, when});
    if (save())
        return Outcome::Done;
    m_favourites.pop_back();
    --m_nextId;
    return Outcome::NotSaved;
}

FavouriteStore::Outcome FavouriteStore::remove(const std::string& user, int ufid)
{
    std::lock_guard lock(m_mutex);
    const auto found = std::find_if(m_favourites.begin(), m_favourites.end(),
                                    [&](const Favourite& f) { return f.user == user && f.ufid == ufid; });
    if (found == m_favourites.end())
        return Outcome::Unchanged;
    const Favourite removed = *found;
    const auto position = m_favourites.erase(found);
    if (save())
        return Outcome::Done;
    m_favourites.insert(position, removed);
    return Outcome::NotSaved;
}

std::vector<Favourite> FavouriteStore::of(const std::string& user) const
{
    std::lock_guard lock(m_mutex);
    std::vector<Favourite> mine;
    std::copy_if(m_favourites.begin(), m_favourites.end(), std::back_inserter(mine),
                 [&](const Favourite& f) { return f.user == user; });
    return mine;
}

std::set<int> FavouriteStore::collectedOffers(const std::string& user) const
{
    std::lock_guard lock(m_mutex);
    std::set<int> numbers;
    for (const Favourite& f : m_favourites)
        if (f.user == user)
            numbers.insert(f.offer.bh);
    return numbers;
}

std::string FavouriteStore::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

bool FavouriteStore::save()
{
    if (m_file.empty())
        return true;
    // The next id is kept too, so that the id of a deleted favourite is never given out again.
    std::string content = RecordFile::join({Header, Version, std::to_string(m_nextId)}) + "\n";
    for (const Favourite& f : m_favourites)
        content += RecordFile::join(fieldsOf(f)) + "\n";
    return RecordFile::replace(m_file, content, m_lastError);
}

} // namespace vorbel::service
