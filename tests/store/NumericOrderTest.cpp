#include "store/NumericOrder.h"
#include "StoreTestSupport.h"
#include "store/SortExpression.h"
#include "store/StoreError.h"

#include <QTemporaryDir>
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

TEST(NumericOrder, StatementsReadEveryTextAsTheProgramDoes)
{
    // The engine's functions read texts their own, quicker way; whatever the text, they must agree with
    // numericValue, or a list would be ordered differently by a statement and by a title click.
    QTemporaryDir folder;
    const std::unique_ptr<Database> db = test::openDatabase(folder.filePath(QStringLiteral("vorbelmd.dat")));
    ASSERT_TRUE(db);
    const QStringList texts{QStringLiteral("99.50"),
                            QStringLiteral(" 7 "),
                            QStringLiteral("\t-3\n"),
                            QStringLiteral("+.5"),
                            QStringLiteral("5."),
                            QStringLiteral("0"),
                            QStringLiteral("007"),
                            QStringLiteral(""),
                            QStringLiteral(" "),
                            QStringLiteral("."),
                            QStringLiteral("-"),
                            QStringLiteral("+"),
                            QStringLiteral("1e3"),
                            QStringLiteral("inf"),
                            QStringLiteral("nan"),
                            QStringLiteral("1,299.00"),
                            QStringLiteral("1.2.3"),
                            QStringLiteral("0x10"),
                            QStringLiteral("99元"),
                            QStringLiteral("¥99"),
                            QStringLiteral("\u00a099\u00a0"),
                            QStringLiteral("１２"),
                            QStringLiteral("12345678901234567890.125"),
                            QString(400, QLatin1Char('9')),
                            QStringLiteral("0.1"),
                            QStringLiteral("2.675")};
    for (const QString& text : texts) {
        const ResultSet row =
            db->select(QStringLiteral("select vorbel_number(?), vorbel_nonnumber(?)"), {text, text});
        const std::optional<double> expected = numericValue(QStringView(text));
        EXPECT_EQ(row.rows[0][1].toInt(), expected ? 0 : 1) << text.toStdString();
        if (expected)
            EXPECT_EQ(row.rows[0][0].toDouble(), *expected) << text.toStdString();
        else
            EXPECT_TRUE(row.rows[0][0].isNull()) << text.toStdString();
    }
}
