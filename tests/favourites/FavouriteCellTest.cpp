#include "favourites/FavouriteCellText.h"

#include <gtest/gtest.h>

using namespace vorbel::favouritecell;

TEST(FavouriteCell, CollectedPrice)
{
    EXPECT_EQ(collectedPriceText(QStringLiteral("100")), QStringLiteral("￥100.00"));
    EXPECT_EQ(collectedPriceText(QStringLiteral("99.5")), QStringLiteral("￥99.5"));
    EXPECT_FALSE(collectedPriceText(QString()).has_value());
}

TEST(FavouriteCell, FallsAreGreenAndRisesRed)
{
    const auto fall = currentPriceText(QStringLiteral("100"), QStringLiteral("90"));
    ASSERT_TRUE(fall);
    EXPECT_EQ(fall->text, QStringLiteral("￥90.00，降价￥10.00"));
    EXPECT_EQ(fall->colour, QColor(0, 128, 0));
    const auto rise = currentPriceText(QStringLiteral("100"), QStringLiteral("110.5"));
    ASSERT_TRUE(rise);
    EXPECT_EQ(rise->text, QStringLiteral("￥110.5，涨价￥10.5"));
    EXPECT_EQ(rise->colour, QColor(255, 0, 0));
}

TEST(FavouriteCell, ChangesAreExactDecimals)
{
    EXPECT_EQ(currentPriceText(QStringLiteral("100"), QStringLiteral("99.9"))->text,
              QStringLiteral("￥99.9，降价￥0.1"));
    // A fractional change of a whole current price is written as it is, without ".00".
    EXPECT_EQ(currentPriceText(QStringLiteral("99.5"), QStringLiteral("90"))->text,
              QStringLiteral("￥90.00，降价￥9.5"));
    EXPECT_EQ(currentPriceText(QStringLiteral("0.30"), QStringLiteral("0.10"))->text,
              QStringLiteral("￥0.10，降价￥0.2"));
}

TEST(FavouriteCell, NoChangeOrNoNumberKeepsThePlainText)
{
    EXPECT_FALSE(currentPriceText(QStringLiteral("100"), QStringLiteral("100")).has_value());
    EXPECT_FALSE(currentPriceText(QStringLiteral("100"), QStringLiteral("100.00")).has_value());
    EXPECT_FALSE(currentPriceText(QString(), QStringLiteral("90")).has_value());
    EXPECT_FALSE(currentPriceText(QStringLiteral("abc"), QStringLiteral("90")).has_value());
    EXPECT_FALSE(currentPriceText(QStringLiteral("100"), QStringLiteral("9e1")).has_value());
}
