#include "service/OfferNumbers.h"

#include "service/RecordFile.h"

#include <vector>

namespace vorbel::service {

namespace {

/// Closes every line, so that a line cut short by a crash is recognised and left out.
const char* const LineEnd = "end";

} // namespace

OfferNumbers::OfferNumbers(std::string file) : m_file(std::move(file)) {}

bool OfferNumbers::load(std::string& error)
{
    if (m_file.empty())
        return true;
    std::vector<std::string> lines;
    if (!RecordFile::readLines(m_file, lines, error) || !RecordFile::endLastLine(m_file, error))
        return false;
    std::lock_guard lock(m_mutex);
    for (const std::string& line : lines) {
        const std::vector<std::string> fields = RecordFile::split(line);
        if (fields.size() != 3 || fields[2] != LineEnd || fields[0].empty() || fields[0].size() > 6 ||
            fields[0].find_first_not_of("0123456789") != std::string::npos)
            continue;
        const int slot = std::stoi(fields[0]);
        if (slot >= 1 && slot <= SlotCount && !m_keywords.count(slot) && !m_slots.count(fields[1]))
            remember(slot, fields[1]);
    }
    return true;
}

int OfferNumbers::slotFor(const std::string& keyword)
{
    std::lock_guard lock(m_mutex);
    if (const auto found = m_slots.find(keyword); found != m_slots.end())
        return found->second;
    const int home = homeSlot(keyword);
    int slot = home;
    for (int probe = 0; probe < SlotCount && m_keywords.count(slot); ++probe)
        slot = slot % SlotCount + 1;
    if (m_keywords.count(slot))
        return home; // every slot taken: numbers of this keyword may stand for another's offers
    remember(slot, keyword);
    append(slot, keyword);
    return slot;
}

std::optional<std::string> OfferNumbers::keywordAt(int slot) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_keywords.find(slot);
    if (found == m_keywords.end())
        return std::nullopt;
    return found->second;
}

std::optional<Offer> OfferNumbers::offer(int bh, int pageSize) const
{
    if (bh < OffersPerSlot)
        return std::nullopt;
    const int slot = bh / OffersPerSlot;
    const std::optional<std::string> keyword = keywordAt(slot);
    if (!keyword)
        return std::nullopt;
    return offerAt(*keyword, bh % OffersPerSlot, pageSize, slot);
}

void OfferNumbers::remember(int slot, const std::string& keyword)
{
    m_slots.emplace(keyword, slot);
    m_keywords.emplace(slot, keyword);
}

void OfferNumbers::append(int slot, const std::string& keyword) const
{
    if (m_file.empty())
        return;
    // A failed append only costs the number's meaning after a restart; this run still knows it.
    std::string ignored;
    RecordFile::appendLine(m_file, RecordFile::join({std::to_string(slot), keyword, LineEnd}), ignored);
}

} // namespace vorbel::service
