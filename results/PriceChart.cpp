#include "results/PriceChart.h"

#include "results/ResultCellText.h"

#include "results/PriceMarks.h"

#include <QDateTime>
#include <algorithm>

namespace vorbel::pricechart {

namespace {

constexpr qint64 DayMsecs = 24 * 3600 * 1000;

int digits(const QString& text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (!c.isDigit())
            return -1;
        value = value * 10 + c.digitValue();
    }
    return value;
}

bool separatorsAt(const QString& text)
{
    return text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-') &&
           text.at(10) == QLatin1Char(' ') && text.at(13) == QLatin1Char(':') &&
           text.at(16) == QLatin1Char(':');
}

double yuanOf(qint64 micros)
{
    return double(micros) / 1e6;
}

/// Keeps, of every bucket of time, its first, lowest, highest and last point in their order, so a long
/// history draws at the speed of a short one and still shows every peak and dip.
std::vector<Point> thinned(const std::vector<Point>& points, int maxPoints)
{
    if (int(points.size()) <= maxPoints || points.size() < 2)
        return points;
    const int buckets = std::max(1, maxPoints / 4);
    const qint64 first = points.front().msecs;
    const qint64 span = std::max<qint64>(1, points.back().msecs - first);
    std::vector<Point> out;
    out.reserve(std::size_t(buckets) * 4);
    std::size_t i = 0;
    while (i < points.size()) {
        const qint64 bucket = (points[i].msecs - first) * buckets / span;
        std::size_t end = i;
        std::size_t low = i;
        std::size_t high = i;
        while (end < points.size() && (points[end].msecs - first) * buckets / span == bucket) {
            if (points[end].yuan < points[low].yuan)
                low = end;
            if (points[end].yuan > points[high].yuan)
                high = end;
            ++end;
        }
        std::size_t kept[] = {i, std::min(low, high), std::max(low, high), end - 1};
        for (std::size_t k = 0; k < 4; ++k)
            if (k == 0 || kept[k] != kept[k - 1])
                out.push_back(points[kept[k]]);
        i = end;
    }
    return out;
}

} // namespace

std::optional<qint64> timeMsecs(const QString& text)
{
    if (text.size() != 19 || !separatorsAt(text))
        return std::nullopt;
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    const QDate date(year, month, day);
    if (!date.isValid() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    // A long history has many rows a day: the zone is looked up once per day, at its midnight. Only on
    // the day a clock moves for summer time is a point off by that hour.
    thread_local QDate lastDate;
    thread_local qint64 lastMidnight = 0;
    if (date != lastDate) {
        lastMidnight = QDateTime(date, QTime(0, 0)).toMSecsSinceEpoch();
        lastDate = date;
    }
    return lastMidnight + ((hour * 60 + minute) * 60 + second) * qint64(1000);
}

ChartData chartData(const std::vector<PriceRecord>& history, const std::optional<QString>& collectedPrice,
                    int maxPoints)
{
    ChartData data;
    struct Row
    {
        qint64 first;
        qint64 last;
        qint64 micros;
        const QString* price;
    };
    std::vector<Row> rows;
    rows.reserve(history.size());
    for (const PriceRecord& record : history) {
        const std::optional<qint64> micros = pricemark::parseDecimal(record.price);
        const std::optional<qint64> first = timeMsecs(record.firstSeen);
        if (!micros || !first)
            continue;
        const qint64 last = std::max(*first, timeMsecs(record.lastSeen).value_or(*first));
        rows.push_back({*first, last, *micros, &record.price});
    }
    if (collectedPrice)
        if (const std::optional<qint64> micros = pricemark::parseDecimal(*collectedPrice)) {
            data.collected = yuanOf(*micros);
            data.collectedPrice = *collectedPrice;
        }
    if (rows.empty())
        return data;

    std::vector<Point> points;
    points.reserve(rows.size() * 2);
    data.spans.reserve(rows.size());
    std::size_t lowest = 0;
    std::size_t highest = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        // A price holds until the next one was first seen; the last until it was last seen.
        const qint64 to = i + 1 < rows.size() ? std::max(row.first, rows[i + 1].first) : row.last;
        const double yuan = yuanOf(row.micros);
        points.push_back({row.first, yuan});
        if (to != row.first)
            points.push_back({to, yuan});
        data.spans.push_back({row.first, to, yuan, *row.price});
        if (row.micros < rows[lowest].micros)
            lowest = i;
        if (row.micros > rows[highest].micros)
            highest = i;
    }
    data.unchanged = rows[lowest].micros == rows[highest].micros;
    data.lowest = MarkedPrice{{rows[lowest].first, yuanOf(rows[lowest].micros)}, *rows[lowest].price};
    data.highest = MarkedPrice{{rows[highest].first, yuanOf(rows[highest].micros)}, *rows[highest].price};
    data.current = MarkedPrice{points.back(), *rows.back().price};
    data.firstMsecs = points.front().msecs;
    data.lastMsecs = points.back().msecs;
    data.steps = thinned(points, maxPoints);
    return data;
}

const Span* spanAt(const ChartData& data, qint64 msecs)
{
    if (data.spans.empty() || msecs < data.spans.front().from || msecs > data.spans.back().to)
        return nullptr;
    const auto after = std::upper_bound(data.spans.begin(), data.spans.end(), msecs,
                                        [](qint64 at, const Span& span) { return at < span.from; });
    return &*(after - 1);
}

QString hoverText(const ChartData& data, qint64 msecs)
{
    const Span* span = spanAt(data, msecs);
    if (!span)
        return {};
    const auto time = [](qint64 at) {
        return QDateTime::fromMSecsSinceEpoch(at).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    // Written as the result grid writes the price, so "2501" reads "￥2501.00" in both.
    QString text =
        resultcell::priceText(span->price).value_or(QString()) + QStringLiteral("  ") + time(span->from);
    if (span->to != span->from)
        text += QStringLiteral(" 至 ") + time(span->to);
    return text;
}

QString axisFormat(qint64 spanMsecs)
{
    if (spanMsecs <= 2 * DayMsecs)
        return QStringLiteral("MM-dd HH:mm");
    if (spanMsecs <= 180 * DayMsecs)
        return QStringLiteral("MM-dd");
    return QStringLiteral("yyyy-MM");
}

QString unchangedText()
{
    return QStringLiteral("暂无价格变化");
}

} // namespace vorbel::pricechart
