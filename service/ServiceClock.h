#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vorbel::service {

/// A day of the service clock: its local calendar date, counted in days from 1970-01-01. A date has the
/// same number in every time zone, so the prices of 2026-12-08 are the same wherever the service runs.
enum class ServiceDay : std::int64_t
{
};

/// The service day a time (seconds since the epoch) falls on, by the local calendar.
ServiceDay serviceDay(std::int64_t seconds);

/// Seconds since the epoch by the system clock.
std::int64_t systemSeconds();

/// The same local wall-clock time `days` calendar days later (earlier when negative). Counting calendar
/// days rather than 86400-second steps keeps a day with a daylight-saving change from landing on the
/// wrong date.
std::int64_t daysLater(std::int64_t seconds, int days);

/// "2026-12-08 10:00:00" in local time.
std::string localTimeText(std::int64_t seconds);

/// The most days a clock setting or a clock advance may move by.
constexpr int MaxClockDays = 36500;

/// A clock setting: "2026-12-08" (local midnight), "2026-12-08T10:00" or "2026-12-08T10:00:00" (local
/// time; a blank may stand for the "T"), or "+2d" / "-1d", that many days from `now`. Nothing when the text
/// is none of these, or names a date or a local time that does not exist.
std::optional<std::int64_t> parseClockSetting(const std::string& text, std::int64_t now);

/// A count of days, "3d" (with `suffixed`) or "3", from 1 to MaxClockDays.
std::optional<int> parseDayCount(const std::string& text, bool suffixed);

} // namespace vorbel::service
