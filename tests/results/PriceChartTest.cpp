#include "results/PriceChart.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace vorbel;
using namespace vorbel::pricechart;

namespace {

PriceRecord seen(const char* price, const char* first, const char* last)
{
    return {QString::fromUtf8(price), QString::fromLatin1(first), QString::fromLatin1(last)};
}

qint64 at(const char* time)
{
    return QDateTime::fromString(QString::fromLatin1(time), QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toMSecsSinceEpoch();
}

TEST(PriceChartData, EachPriceHoldsUntilTheNextAndTheLastUntilItWasLastSeen)
{
    const ChartData data = chartData({seen("100", "2026-03-01 10:00:00", "2026-03-02 10:00:00"),
                                      seen("90", "2026-03-05 10:00:00", "2026-03-05 12:00:00"),
                                      seen("95.5", "2026-03-06 08:00:00", "2026-03-09 08:00:00")},
                                     std::nullopt);
    const std::vector<Point> expected{{at("2026-03-01 10:00:00"), 100},  {at("2026-03-05 10:00:00"), 100},
                                      {at("2026-03-05 10:00:00"), 90},   {at("2026-03-06 08:00:00"), 90},
                                      {at("2026-03-06 08:00:00"), 95.5}, {at("2026-03-09 08:00:00"), 95.5}};
    EXPECT_EQ(data.steps, expected);
    EXPECT_FALSE(data.unchanged);
    EXPECT_EQ(data.firstMsecs, at("2026-03-01 10:00:00"));
    EXPECT_EQ(data.lastMsecs, at("2026-03-09 08:00:00"));
    EXPECT_EQ(data.lowest->price, QStringLiteral("90"));
    EXPECT_EQ(data.lowest->at.msecs, at("2026-03-05 10:00:00"));
    EXPECT_EQ(data.highest->price, QStringLiteral("100"));
    EXPECT_EQ(data.current->price, QStringLiteral("95.5"));
    EXPECT_EQ(data.current->at.msecs, at("2026-03-09 08:00:00"));
}

TEST(PriceChartData, TiesAreMarkedAtTheirFirstSightingAndNonNumbersLeftOut)
{
    const ChartData data = chartData({seen("80", "2026-03-01 10:00:00", "2026-03-01 10:00:00"),
                                      seen("面议", "2026-03-02 10:00:00", "2026-03-02 10:00:00"),
                                      seen("", "2026-03-03 10:00:00", "2026-03-03 10:00:00"),
                                      seen("120", "2026-03-04 10:00:00", "2026-03-04 10:00:00"),
                                      seen("80", "2026-03-05 10:00:00", "2026-03-06 10:00:00"),
                                      seen("99", "not a time", "2026-03-07 10:00:00")},
                                     std::nullopt);
    ASSERT_EQ(data.spans.size(), 3u);
    EXPECT_EQ(data.lowest->at.msecs, at("2026-03-01 10:00:00"));
    EXPECT_EQ(data.highest->price, QStringLiteral("120"));
    EXPECT_EQ(data.current->price, QStringLiteral("80"));
    // The row without a number does not bridge the line: 80 holds until 120 was first seen.
    EXPECT_EQ(data.spans[0].to, at("2026-03-04 10:00:00"));
}

TEST(PriceChartData, OnePriceOrNoNumberIsUnchanged)
{
    const ChartData once =
        chartData({seen("99", "2026-03-01 10:00:00", "2026-03-01 10:00:00")}, std::nullopt);
    EXPECT_TRUE(once.unchanged);
    EXPECT_EQ(once.steps.size(), 1u); // the single point
    EXPECT_EQ(once.current->price, QStringLiteral("99"));

    const ChartData same = chartData({seen("99", "2026-03-01 10:00:00", "2026-03-02 10:00:00"),
                                      seen("99.00", "2026-03-03 10:00:00", "2026-03-04 10:00:00")},
                                     std::nullopt);
    EXPECT_TRUE(same.unchanged); // two texts, one amount

    const ChartData none =
        chartData({seen("面议", "2026-03-01 10:00:00", "2026-03-01 10:00:00")}, std::nullopt);
    EXPECT_TRUE(none.unchanged);
    EXPECT_FALSE(none.current);
    EXPECT_TRUE(none.steps.empty());
    EXPECT_EQ(unchangedText(), QStringLiteral("暂无价格变化"));
}

TEST(PriceChartData, CollectedPriceIsALineOnlyWhenItIsANumber)
{
    const std::vector<PriceRecord> rows{seen("99", "2026-03-01 10:00:00", "2026-03-01 10:00:00")};
    const ChartData collected = chartData(rows, QStringLiteral("120.50"));
    EXPECT_DOUBLE_EQ(*collected.collected, 120.5);
    EXPECT_EQ(collected.collectedPrice, QStringLiteral("120.50"));
    EXPECT_FALSE(chartData(rows, QStringLiteral("面议")).collected);
    EXPECT_FALSE(chartData(rows, std::nullopt).collected);
}

TEST(PriceChartData, LongHistoryIsThinnedButKeepsItsEndsAndEveryExtreme)
{
    std::vector<PriceRecord> rows;
    const QDateTime start(QDate(2025, 1, 1), QTime(0, 0));
    for (int i = 0; i < 100000; ++i) {
        const QString price = i == 61234  ? QStringLiteral("5")
                              : i == 7777 ? QStringLiteral("500")
                                          : QString::number(100 + i % 7);
        const QString time = PriceHistory::timeText(start.addSecs(i * 600));
        rows.push_back({price, time, time});
    }
    const ChartData data = chartData(rows, std::nullopt);
    EXPECT_LE(int(data.steps.size()), MaxStepPoints);
    EXPECT_EQ(data.spans.size(), rows.size()); // the hover text keeps every row
    EXPECT_EQ(data.steps.front().msecs, start.toMSecsSinceEpoch());
    EXPECT_EQ(data.steps.back().msecs, data.lastMsecs);
    const auto has = [&](double yuan) {
        return std::any_of(data.steps.begin(), data.steps.end(),
                           [&](const Point& p) { return p.yuan == yuan; });
    };
    EXPECT_TRUE(has(5));
    EXPECT_TRUE(has(500));
    EXPECT_TRUE(std::is_sorted(data.steps.begin(), data.steps.end(),
                               [](const Point& a, const Point& b) { return a.msecs < b.msecs; }));
}

TEST(PriceChartHover, NamesThePriceInForceAndItsTimesOnlyInsideTheHistory)
{
    const ChartData data = chartData({seen("100", "2026-03-01 10:00:00", "2026-03-02 10:00:00"),
                                      seen("90", "2026-03-05 10:00:00", "2026-03-05 12:00:00")},
                                     std::nullopt);
    EXPECT_EQ(hoverText(data, at("2026-03-03 00:00:00")),
              QStringLiteral("￥100.00  2026-03-01 10:00 至 2026-03-05 10:00"));
    EXPECT_EQ(hoverText(data, at("2026-03-05 10:00:00")),
              QStringLiteral("￥90.00  2026-03-05 10:00 至 2026-03-05 12:00"));
    EXPECT_EQ(hoverText(data, at("2026-03-01 09:59:59")), QString());
    EXPECT_EQ(hoverText(data, at("2026-03-05 12:00:01")), QString());
    EXPECT_EQ(hoverText(chartData({}, std::nullopt), 0), QString());
}

TEST(PriceChartTimes, StoredTimesReadAsLocalTimeAndAnythingElseIsRefused)
{
    for (const char* time : {"2026-03-01 10:00:00", "2024-02-29 23:59:59", "2026-12-31 00:00:00"})
        EXPECT_EQ(timeMsecs(QString::fromLatin1(time)), at(time)) << time;
    for (const char* bad : {"", "2026-03-01", "2026-02-30 10:00:00", "2026-03-01 24:00:00",
                            "2026/03/01 10:00:00", "2026-03-01 10:00:0x", "2026-03-01 10:00:000"})
        EXPECT_FALSE(timeMsecs(QString::fromLatin1(bad))) << bad;
}

TEST(PriceChartTimes, AxisShowsHoursForDaysAndMonthsForYears)
{
    constexpr qint64 day = 24 * 3600 * 1000LL;
    EXPECT_EQ(axisFormat(3600 * 1000), QStringLiteral("MM-dd HH:mm"));
    EXPECT_EQ(axisFormat(30 * day), QStringLiteral("MM-dd"));
    EXPECT_EQ(axisFormat(700 * day), QStringLiteral("yyyy-MM"));
}

} // namespace
