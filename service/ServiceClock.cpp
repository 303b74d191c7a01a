#include "service/ServiceClock.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace vorbel::service {

namespace {

std::tm localParts(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    localtime_r(&time, &parts);
    return parts;
}

bool digitsAt(const std::string& text, std::size_t from, std::size_t count)
{
    return std::all_of(text.begin() + std::ptrdiff_t(from), text.begin() + std::ptrdiff_t(from + count),
                       [](unsigned char c) { return c >= '0' && c <= '9'; });
}

int numberAt(const std::string& text, std::size_t from, std::size_t count)
{
    return std::stoi(text.substr(from, count));
}

/// "2026-12-08", "2026-12-08T10:00" or "2026-12-08T10:00:00" as local time.
std::optional<std::int64_t> parseLocalTime(const std::string& text)
{
    const std::size_t n = text.size();
    if (n != 10 && n != 16 && n != 19)
        return std::nullopt;
    if (!digitsAt(text, 0, 4) || text[4] != '-' || !digitsAt(text, 5, 2) || text[7] != '-' ||
        !digitsAt(text, 8, 2))
        return std::nullopt;
    std::tm wanted{};
    wanted.tm_year = numberAt(text, 0, 4) - 1900;
    wanted.tm_mon = numberAt(text, 5, 2) - 1;
    wanted.tm_mday = numberAt(text, 8, 2);
    if (n > 10) {
        if ((text[10] != 'T' && text[10] != ' ') || !digitsAt(text, 11, 2) || text[13] != ':' ||
            !digitsAt(text, 14, 2))
            return std::nullopt;
        wanted.tm_hour = numberAt(text, 11, 2);
        wanted.tm_min = numberAt(text, 14, 2);
    }
    if (n == 19) {
        if (text[16] != ':' || !digitsAt(text, 17, 2))
            return std::nullopt;
        wanted.tm_sec = numberAt(text, 17, 2);
    }
    wanted.tm_isdst = -1;
    std::tm normalised = wanted;
    const std::int64_t seconds = std::mktime(&normalised);
    // mktime quietly rolls 2026-02-30 over to March and 25:00 into the next day; reading the result back
    // refuses those, and local times that a daylight-saving change skips.
    const std::tm back = localParts(seconds);
    if (back.tm_year != wanted.tm_year || back.tm_mon != wanted.tm_mon || back.tm_mday != wanted.tm_mday ||
        back.tm_hour != wanted.tm_hour || back.tm_min != wanted.tm_min || back.tm_sec != wanted.tm_sec)
        return std::nullopt;
    return seconds;
}

} // namespace

ServiceDay serviceDay(std::int64_t seconds)
{
    const std::tm parts = localParts(seconds);
    const std::chrono::year_month_day date{std::chrono::year(parts.tm_year + 1900),
                                           std::chrono::month(unsigned(parts.tm_mon + 1)),
                                           std::chrono::day(unsigned(parts.tm_mday))};
    return ServiceDay(std::chrono::sys_days(date).time_since_epoch().count());
}

std::int64_t systemSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::int64_t daysLater(std::int64_t seconds, int days)
{
    std::tm parts = localParts(seconds);
    parts.tm_mday += days;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

std::string localTimeText(std::int64_t seconds)
{
    const std::tm parts = localParts(seconds);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

std::optional<int> parseDayCount(const std::string& text, bool suffixed)
{
    std::string digits = text;
    if (suffixed) {
        if (digits.empty() || digits.back() != 'd')
            return std::nullopt;
        digits.pop_back();
    }
    if (digits.empty() || digits.size() > 5 || !digitsAt(digits, 0, digits.size()))
        return std::nullopt;
    const int days = std::stoi(digits);
    if (days < 1 || days > MaxClockDays)
        return std::nullopt;
    return days;
}

std::optional<std::int64_t> parseClockSetting(const std::string& text, std::int64_t now)
{
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        // "+0d" is allowed: a clock that starts now but can be moved on.
        const std::optional<int> days = text.substr(1) == "0d" ? 0 : parseDayCount(text.substr(1), true);
        if (!days)
            return std::nullopt;
        return daysLater(now, text[0] == '-' ? -*days : *days);
    }
    return parseLocalTime(text);
}

} // namespace vorbel::service
