// Find in a grid: which row the find bar moves to next.
#include "results/RowFind.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace vorbel;

namespace {

const QStringList Names{QStringLiteral("苹果 iPod nano"), QStringLiteral("小米手机"),
                        QStringLiteral("IPOD touch"), QStringLiteral("华为手机"),
                        QStringLiteral("ipod 充电器")};

std::optional<int> find(const QString& text, int current, FindDirection direction = FindDirection::Forward,
                        const QStringList& names = Names)
{
    return findRow(
        int(names.size()), [&names](int row) { return names.at(row); }, text, current, direction);
}

TEST(RowFindTest, GoesForwardFromTheCurrentRowAndRoundTheEnd)
{
    const QString ipod = QStringLiteral("ipod");
    EXPECT_EQ(find(ipod, -1), 0) << "without a current row the first row is looked at first";
    EXPECT_EQ(find(ipod, 0), 2);
    EXPECT_EQ(find(ipod, 2), 4);
    EXPECT_EQ(find(ipod, 4), 0);
    EXPECT_EQ(find(QStringLiteral("手机"), 1), 3);
    EXPECT_EQ(find(QStringLiteral("手机"), 3), 1);
}

TEST(RowFindTest, GoesBackFromTheCurrentRowAndRoundTheStart)
{
    const QString ipod = QStringLiteral("IPod");
    EXPECT_EQ(find(ipod, -1, FindDirection::Back), 4) << "without a current row the last row comes first";
    EXPECT_EQ(find(ipod, 4, FindDirection::Back), 2);
    EXPECT_EQ(find(ipod, 2, FindDirection::Back), 0);
    EXPECT_EQ(find(ipod, 0, FindDirection::Back), 4);
}

TEST(RowFindTest, ALoneMatchIsFoundAgainFromItself)
{
    EXPECT_EQ(find(QStringLiteral("小米"), 1), 1);
    EXPECT_EQ(find(QStringLiteral("小米"), 1, FindDirection::Back), 1);
}

TEST(RowFindTest, NothingWhenNoNameHoldsTheTextOrThereIsNoText)
{
    EXPECT_EQ(find(QStringLiteral("相机"), 0), std::nullopt);
    EXPECT_EQ(find(QString(), 0), std::nullopt);
    EXPECT_EQ(find(QStringLiteral("ipod"), -1, FindDirection::Forward, {}), std::nullopt);
}

TEST(RowFindTest, ACurrentRowPastTheEndOfAShrunkListCountsAsNone)
{
    EXPECT_EQ(find(QStringLiteral("ipod"), 9), 0);
    EXPECT_EQ(find(QStringLiteral("ipod"), 9, FindDirection::Back), 4);
}

} // namespace
