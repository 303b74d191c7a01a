#include "store/NumericOrder.h"
#include "store/SortExpression.h"
#include "store/StoreError.h"

#include <gtest/gtest.h>

using namespace vorbel;

namespace {

TEST(NumericOrder, OnlyPlainDecimalsCountAsNumbers)
{
    EXPECT_EQ(numericValue(QStringView(u"99.50")), 99.5);
    EXPECT_EQ(numericValue(QStringView(u" 1000 ")), 1000.0);
    EXPECT_EQ(numericValue(QStringView(u"-3")), -3.0);
    EXPECT_EQ(numericValue(QStringView(u"+.5")), 0.5);
    EXPECT_EQ(numericValue(QStringView(u"5.")), 5.0);
    EXPECT_EQ(numericValue(QVariant::fromValue<qlonglong>(7)), 7.0);
    for (const char16_t* text :
         {u"", u" ", u".", u"-", u"1e3", u"inf", u"nan", u"1,299.00", u"¥99", u"1.2.3", u"0x10", u"99元"})
        EXPECT_FALSE(numericValue(QStringView(text)).has_value()) << QString::fromUtf16(text).toStdString();
    EXPECT_FALSE(numericValue(QStringView(QString(400, QLatin1Char('9')))).has_value());
    EXPECT_FALSE(numericValue(QVariant()).has_value());
}

TEST(NumericOrder, NumbersComeFirstInBothDirections)
{
    const QVariant small(QStringLiteral("99")), large(QStringLiteral("100")), text(QStringLiteral("面议"));
    EXPECT_LT(compareNumericText(small, large, false), 0);
    EXPECT_GT(compareNumericText(small, large, true), 0);
    EXPECT_LT(compareNumericText(large, text, false), 0);
    EXPECT_LT(compareNumericText(large, text, true), 0);
    EXPECT_LT(compareNumericText(QVariant(), text, false), 0);
    EXPECT_LT(compareNumericText(large, QVariant(), true), 0);
    EXPECT_NE(compareNumericText(QVariant(QStringLiteral("99.5")), QVariant(QStringLiteral("99.50")), false),
              0);
    EXPECT_EQ(compareNumericText(small, small, true), 0);
}

TEST(NumericOrder, StatementsGetValueOrderOnlyForPriceAndCount)
{
    EXPECT_EQ(numericOrderSql(QStringLiteral("select * from cxnr order by jg")),
              QStringLiteral("select * from cxnr order by vorbel_nonnumber(jg), vorbel_number(jg), jg"));
    EXPECT_EQ(
        numericOrderSql(QStringLiteral("SELECT * FROM cxnr ORDER BY \"rc\" DESC, bh LIMIT 5")),
        QStringLiteral("SELECT * FROM cxnr ORDER BY vorbel_nonnumber(\"rc\"), vorbel_number(\"rc\") DESC, "
                       "\"rc\" DESC, bh LIMIT 5"));
    EXPECT_EQ(numericOrderSql(QStringLiteral("select * from cxnr order by bh, jg asc;")),
              QStringLiteral("select * from cxnr order by bh, vorbel_nonnumber(jg), vorbel_number(jg) asc, "
                             "jg asc;"));
    for (const QString& unchanged :
         {QStringLiteral("select * from scnr order by scsj"), QStringLiteral("select * from cxnr"),
          QStringLiteral("select * from cxnr where sjlx='x order by jg'"),
          QStringLiteral("select * from cxnr where bh in (select bh from cxnr order by jg limit 1)"),
          QStringLiteral("select * from cxnr order by jg collate nocase"),
          QStringLiteral("select * from cxnr order by jgx"),
          QStringLiteral("select * from cxnr -- order by jg")})
        EXPECT_EQ(numericOrderSql(unchanged), unchanged);
}

TEST(SortExpression, ReadsFieldsAndDirections)
{
    const std::vector<SortTerm> terms = parseSortExpression(QStringLiteral(" jg  DESC , rc asc,bh"));
    ASSERT_EQ(terms.size(), 3u);
    EXPECT_EQ(terms[0].field, QStringLiteral("jg"));
    EXPECT_TRUE(terms[0].descending);
    EXPECT_FALSE(terms[1].descending);
    EXPECT_EQ(terms[2].field, QStringLiteral("bh"));
    EXPECT_TRUE(parseSortExpression(QStringLiteral("  ")).empty());
    for (const char* bad : {"jg DESC DESC", "jg,", ",jg", "jg up"})
        EXPECT_THROW(parseSortExpression(QString::fromLatin1(bad)), StoreError) << bad;
}

} // namespace
