#include "service/FavouriteStore.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vorbel::service {

namespace {

std::string clean(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t'))
        fields.push_back(field);
    return fields;
}

} // namespace

FavouriteStore::FavouriteStore(std::string folder)
    : m_file(folder.empty() ? std::string() : folder + "/favourites.tsv")
{
    load();
}

Favourite FavouriteStore::add(const std::string& user, const Offer& offer, std::int64_t priceCents,
                              const std::string& when)
{
    std::lock_guard lock(m_mutex);
    Favourite favourite{m_nextId++, user, offer, priceCents, when};
    m_favourites.push_back(favourite);
    save();
    return favourite;
}

bool FavouriteStore::remove(const std::string& user, int ufid)
{
    std::lock_guard lock(m_mutex);
    const auto before = m_favourites.size();
    std::erase_if(m_favourites, [&](const Favourite& f) { return f.user == user && f.ufid == ufid; });
    if (m_favourites.size() == before)
        return false;
    save();
    return true;
}

std::vector<Favourite> FavouriteStore::of(const std::string& user) const
{
    std::lock_guard lock(m_mutex);
    std::vector<Favourite> mine;
    std::copy_if(m_favourites.begin(), m_favourites.end(), std::back_inserter(mine),
                 [&](const Favourite& f) { return f.user == user; });
    return mine;
}

bool FavouriteStore::collected(const std::string& user, int bh) const
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_favourites.begin(), m_favourites.end(),
                       [&](const Favourite& f) { return f.user == user && f.offer.bh == bh; });
}

void FavouriteStore::load()
{
    if (m_file.empty())
        return;
    std::ifstream in(m_file);
    std::string line;
    while (std::getline(in, line)) {
        const auto f = splitTabs(line);
        if (f.size() < 15)
            continue;
        Favourite favourite;
        favourite.ufid = std::atoi(f[0].c_str());
        favourite.user = f[1];
        favourite.collectedCents = std::atoll(f[2].c_str());
        favourite.collectedAt = f[3];
        Offer& o = favourite.offer;
        o.bh = std::atoi(f[4].c_str());
        o.cph = f[5];
        o.name = f[6];
        o.shop = f[7];
        o.promotion = f[8];
        o.link = f[9];
        o.listedAt = f[10];
        o.count = std::atoi(f[11].c_str());
        o.priceCents = std::atoll(f[12].c_str());
        o.wholePrice = f[13] == "1";
        m_nextId = std::max(m_nextId, favourite.ufid + 1);
        m_favourites.push_back(std::move(favourite));
    }
}

void FavouriteStore::save() const
{
    if (m_file.empty())
        return;
    const std::string temporary = m_file + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const Favourite& f : m_favourites) {
            const Offer& o = f.offer;
            out << f.ufid << '\t' << clean(f.user) << '\t' << f.collectedCents << '\t' << clean(f.collectedAt)
                << '\t' << o.bh << '\t' << clean(o.cph) << '\t' << clean(o.name) << '\t' << clean(o.shop)
                << '\t' << clean(o.promotion) << '\t' << clean(o.link) << '\t' << clean(o.listedAt) << '\t'
                << o.count << '\t' << o.priceCents << '\t' << (o.wholePrice ? "1" : "0") << "\tend\n";
        }
    }
    std::rename(temporary.c_str(), m_file.c_str());
}

} // namespace vorbel::service
