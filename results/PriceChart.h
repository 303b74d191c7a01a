#pragma once

#include "store/PriceHistory.h"

#include <QString>
#include <optional>
#include <vector>

namespace vorbel::pricechart {

/// A point of the chart: local time in milliseconds since the epoch, price in yuan.
struct Point
{
    qint64 msecs = 0;
    double yuan = 0;
    bool operator==(const Point&) const = default;
};

/// A price the chart marks (lowest, highest, current), with the text the page gave it.
struct MarkedPrice
{
    Point at;
    QString price;
};

/// One row of the history as the chart reads it: a price held from one time to another.
struct Span
{
    qint64 from = 0;
    qint64 to = 0;
    double yuan = 0;
    QString price;
};

/// What the price-history window draws of an offer. Prices that are no numbers are left out.
struct ChartData
{
    /// The step line: each price from when it was first seen until the next price, the last one until it
    /// was last seen. Thinned out to a bounded number of points for a long history, keeping every bucket's
    /// extremes so no peak or dip goes missing.
    std::vector<Point> steps;
    std::vector<Span> spans;            ///< every numeric row, oldest first, for the hover text
    std::optional<MarkedPrice> lowest;  ///< the first time the lowest price was seen
    std::optional<MarkedPrice> highest; ///< the first time the highest price was seen
    std::optional<MarkedPrice> current; ///< the latest row
    std::optional<double> collected;    ///< the favourite's collected price, when it is one
    QString collectedPrice;             ///< the same as the page gave it
    qint64 firstMsecs = 0;
    qint64 lastMsecs = 0;
    /// The offer was only ever seen at one price (or at none that is a number).
    bool unchanged = true;
};

/// The step line is thinned out beyond this many points.
constexpr int MaxStepPoints = 4000;

/// Reads the rows (oldest first) into what the chart draws.
ChartData chartData(const std::vector<PriceRecord>& history, const std::optional<QString>& collectedPrice,
                    int maxPoints = MaxStepPoints);

/// The row in force at a time: the latest whose first sighting is not after it; none before the first.
const Span* spanAt(const ChartData& data, qint64 msecs);

/// "2026-12-09 10:00  ￥99.50": what hovering over the line at a time shows; empty outside the history.
QString hoverText(const ChartData& data, qint64 msecs);

/// The date format of the time axis for a history spanning that many milliseconds.
QString axisFormat(qint64 spanMsecs);

/// A stored time ("yyyy-MM-dd HH:mm:ss", local) in milliseconds since the epoch; none when it is not one.
std::optional<qint64> timeMsecs(const QString& text);

/// The words shown for an offer whose price never moved.
QString unchangedText();

} // namespace vorbel::pricechart
