#include "results/ResultCellText.h"

#include <gtest/gtest.h>

using namespace vorbel;

TEST(ResultCell, StripesFollowTheShownRowNumber)
{
    EXPECT_EQ(resultcell::stripe(1), QColor(241, 254, 250));
    EXPECT_EQ(resultcell::stripe(2), QColor(241, 243, 254));
    EXPECT_EQ(resultcell::stripe(37), QColor(241, 254, 250));
}

TEST(ResultCell, CountsAreWordedByShop)
{
    EXPECT_EQ(resultcell::countText(QStringLiteral("120"), QStringLiteral("淘宝网")),
              QStringLiteral("销量120笔"));
    EXPECT_EQ(resultcell::countText(QStringLiteral("120"), QStringLiteral("天猫商城")),
              QStringLiteral("销量120笔"));
    EXPECT_EQ(resultcell::countText(QStringLiteral("15"), QStringLiteral("亚马逊")),
              QStringLiteral("评论15条"));
    EXPECT_EQ(resultcell::countText(QStringLiteral("15"), QStringLiteral("1号店")),
              QStringLiteral("评论15条"));
    EXPECT_FALSE(resultcell::countText(QStringLiteral("15"), QStringLiteral("凡客诚品")).has_value());
    EXPECT_FALSE(resultcell::countText(QString(), QStringLiteral("淘宝网")).has_value());
}

TEST(ResultCell, PricesGetTheCurrencySign)
{
    EXPECT_EQ(resultcell::priceText(QStringLiteral("99")), QStringLiteral("￥99.00"));
    EXPECT_EQ(resultcell::priceText(QStringLiteral("99.5")), QStringLiteral("￥99.5"));
    EXPECT_EQ(resultcell::priceText(QStringLiteral("99.50")), QStringLiteral("￥99.50"));
    EXPECT_FALSE(resultcell::priceText(QString()).has_value());
}

TEST(ResultCell, FavouriteLinkIsBlueEvenWhenSelected)
{
    EXPECT_EQ(resultcell::favouriteText(QStringLiteral("点击收藏")), QStringLiteral("点击收藏"));
    EXPECT_EQ(resultcell::favouriteText(QStringLiteral("已收藏")), QStringLiteral("已收藏"));
    EXPECT_FALSE(resultcell::favouriteText(QStringLiteral("收藏")).has_value());
    EXPECT_FALSE(resultcell::favouriteText(QString()).has_value());
    EXPECT_EQ(resultcell::favouriteColour(QStringLiteral("点击收藏"), resultcell::textColour(true)),
              QColor(0, 0, 255));
    EXPECT_EQ(resultcell::favouriteColour(QStringLiteral("已收藏"), resultcell::textColour(true)),
              QColor(255, 0, 0));
    EXPECT_EQ(resultcell::favouriteColour(QStringLiteral("已收藏"), resultcell::textColour(false)),
              QColor(0, 0, 0));
}
