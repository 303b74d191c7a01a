#include "results/PriceMarks.h"

#include <gtest/gtest.h>

using namespace vorbel;
using namespace vorbel::pricemark;

namespace {

const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);

PriceRecord seen(const char* price, const char* first = "2026-03-01 10:00:00",
                 const char* last = "2026-03-02 10:00:00")
{
    return {QString::fromUtf8(price), QString::fromLatin1(first), QString::fromLatin1(last)};
}

TEST(PriceChangeMark, FallsAreGreenAndRisesRedInExactDecimalsWithTwoPlacesAtLeast)
{
    EXPECT_EQ(changeMark(QStringLiteral("100"), QStringLiteral("90")), (Mark{"↓￥10.00", Green}));
    EXPECT_EQ(changeMark(QStringLiteral("99.5"), QStringLiteral("110")), (Mark{"↑￥10.50", Red}));
    // Binary floating point would make this 0.30000000000000004 or 0.29999999999999999.
    EXPECT_EQ(changeMark(QStringLiteral("0.1"), QStringLiteral("0.4"))->text, QStringLiteral("↑￥0.30"));
    EXPECT_EQ(changeMark(QStringLiteral("10.125"), QStringLiteral("10"))->text, QStringLiteral("↓￥0.125"));
    EXPECT_EQ(changeMark(QStringLiteral("999999999999.99"), QStringLiteral("0.01"))->text,
              QStringLiteral("↓￥999999999999.98"));
}

TEST(PriceChangeMark, EqualAmountsAndTextsThatAreNoNumbersGiveNothing)
{
    EXPECT_FALSE(changeMark(QStringLiteral("99"), QStringLiteral("99.00")));
    EXPECT_FALSE(changeMark(QStringLiteral("面议"), QStringLiteral("99")));
    EXPECT_FALSE(changeMark(QStringLiteral("99"), QString()));
    EXPECT_FALSE(changeMark(QStringLiteral("-5"), QStringLiteral("5")));
    EXPECT_FALSE(changeMark(QStringLiteral("1e3"), QStringLiteral("5")));
}

TEST(PriceChangeMark, DecimalsAreWholeYuanOfTwelveDigitsAndSixPlacesAtMost)
{
    EXPECT_EQ(parseDecimal(QStringLiteral("10.5")), 10'500'000);
    EXPECT_EQ(parseDecimal(QStringLiteral(" \t99\n")), 99'000'000);
    EXPECT_EQ(parseDecimal(QStringLiteral("12.")), 12'000'000);
    EXPECT_EQ(parseDecimal(QStringLiteral("0.000001")), 1);
    EXPECT_EQ(parseDecimal(QStringLiteral("999999999999.999999")), 999'999'999'999'999'999);
    for (const char16_t* text : {u"", u" ", u".5", u"-1", u"+1", u"1e3", u"1,000", u"1.2.3", u"1 2",
                                 u"1234567890123", u"1.1234567", u"\uff11\uff12", u"\u00a05", u"99元"})
        EXPECT_FALSE(parseDecimal(QString::fromUtf16(text)).has_value())
            << QString::fromUtf16(text).toStdString();
}

TEST(OfferMark, OneSightingAtOneMomentIsNewAndOneSeenAgainIsNot)
{
    EXPECT_EQ(markOf({seen("99", "2026-03-01 10:00:00", "2026-03-01 10:00:00")}, QStringLiteral("99")),
              (Mark{"新", QColor(230, 120, 0)}));
    EXPECT_EQ(markOf({seen("99")}, QStringLiteral("99")), Mark{});
    EXPECT_EQ(markOf({}, QStringLiteral("99")), Mark{});
}

TEST(OfferMark, ChangeIsAgainstTheLatestSightingAtAnotherPrice)
{
    const std::vector<PriceRecord> history{seen("120"), seen("100"), seen("90")};
    EXPECT_EQ(markOf(history, QStringLiteral("90")).text, QStringLiteral("↓￥10.00"));
    // A list still showing an older price than the memory's latest is compared with that latest.
    EXPECT_EQ(markOf(history, QStringLiteral("100")).text, QStringLiteral("↑￥10.00"));
    // The sighting before is no number: nothing is compared, and the offer is not new either.
    EXPECT_EQ(markOf({seen("100"), seen("面议"), seen("90")}, QStringLiteral("90")).text, QString());
}

TEST(OfferMark, LowestNeedsTwoNumericPricesAndNoLowerOne)
{
    EXPECT_TRUE(markOf({seen("100"), seen("90")}, QStringLiteral("90")).lowest);
    EXPECT_FALSE(markOf({seen("90")}, QStringLiteral("90")).lowest);
    EXPECT_FALSE(markOf({seen("80"), seen("100"), seen("90")}, QStringLiteral("90")).lowest);
    // Back at an earlier low is the lowest again.
    EXPECT_TRUE(markOf({seen("90"), seen("100"), seen("90.00")}, QStringLiteral("90.00")).lowest);
    // Prices that are no numbers neither count nor compare.
    EXPECT_FALSE(markOf({seen("面议"), seen("90")}, QStringLiteral("90")).lowest);
    EXPECT_FALSE(markOf({seen("100"), seen("面议")}, QStringLiteral("面议")).lowest);
    const Mark fallToLow = markOf({seen("100"), seen("90")}, QStringLiteral("90"));
    EXPECT_EQ(fallToLow.text, QStringLiteral("↓￥10.00"));
    EXPECT_EQ(lowestText(), QStringLiteral("史低"));
}

} // namespace
