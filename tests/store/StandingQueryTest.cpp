#include "store/StandingQuery.h"
#include "StoreTestSupport.h"

#include <QTemporaryDir>
#include <cstring>

using namespace vorbel;
using namespace vorbel::test;

namespace {

class StandingQueryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_db = openDatabase(m_dir.filePath(QStringLiteral("vorbelmd.dat")));
        ASSERT_TRUE(m_db);
    }

    void addOffer(StandingQuery& query, int bh, const QVariant& jg, const QVariant& rc = {})
    {
        query.append();
        query.setValue(QStringLiteral("bh"), bh);
        if (!jg.isNull())
            query.setValue(QStringLiteral("jg"), jg);
        if (!rc.isNull())
            query.setValue(QStringLiteral("rc"), rc);
        query.setValue(QStringLiteral("check"), QStringLiteral("点击收藏"));
        query.post();
    }

    static QStringList column(const StandingQuery& query, const char* field)
    {
        QStringList values;
        for (int row = 0; row < query.recordCount(); ++row) {
            const QVariant value = query.valueAt(row, QString::fromLatin1(field));
            values << (value.isNull() ? QStringLiteral("<null>") : value.toString());
        }
        return values;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_db;
};

TEST_F(StandingQueryTest, AppendEditDeleteWriteAtOnceAndKeepTheSnapshot)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr order by jg"));
    addOffer(query, 1, QStringLiteral("9.5"));
    addOffer(query, 2, QStringLiteral("12"));
    EXPECT_EQ(query.recordCount(), 2);
    EXPECT_EQ(query.currentRow(), 1);
    EXPECT_EQ(query.value(QStringLiteral("bh")).toInt(), 2);
    EXPECT_TRUE(query.value(QStringLiteral("cph")).isNull());

    ASSERT_TRUE(query.locate(QStringLiteral("bh"), 1));
    query.edit();
    query.setValue(QStringLiteral("check"), QStringLiteral("已收藏"));
    EXPECT_EQ(query.valueAt(0, QStringLiteral("check")).toString(), QStringLiteral("点击收藏"));
    query.post();
    EXPECT_EQ(query.value(QStringLiteral("check")).toString(), QStringLiteral("已收藏"));

    StandingQuery fresh(*m_db, QStringLiteral("other"));
    fresh.openSql(QStringLiteral("select * from cxnr order by jg"));
    ASSERT_TRUE(fresh.locate(QStringLiteral("bh"), 1));
    EXPECT_EQ(fresh.value(QStringLiteral("check")).toString(), QStringLiteral("已收藏"));
    ASSERT_TRUE(fresh.locate(QStringLiteral("bh"), 2));
    EXPECT_EQ(fresh.value(QStringLiteral("check")).toString(), QStringLiteral("点击收藏"));

    query.deleteCurrent();
    EXPECT_EQ(query.recordCount(), 1);
    EXPECT_EQ(query.value(QStringLiteral("bh")).toInt(), 2);
    fresh.close();
    fresh.open();
    EXPECT_EQ(column(fresh, "bh"), QStringList{"2"});
}

TEST_F(StandingQueryTest, FieldsNamedByConstantsFindTheirColumnWhateverTheAddressHeld)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr"));
    query.append();
    query.setValue(QLatin1String("bh"), 7);
    query.setValue(QLatin1String("jg"), QStringLiteral("99.50"));
    query.setValue(QLatin1String("sjlx"), QStringLiteral("当当网"));
    query.post();
    // One buffer naming one field, then another: the address is the same, the field is not.
    char name[8] = "jg";
    EXPECT_EQ(query.valueAt(0, QLatin1String(name)).toString(), QStringLiteral("99.50"));
    std::strcpy(name, "sjlx");
    EXPECT_EQ(query.valueAt(0, QLatin1String(name)).toString(), QStringLiteral("当当网"));
    std::strcpy(name, "nosuch");
    EXPECT_FALSE(query.valueAt(0, QLatin1String(name)).isValid());
    EXPECT_EQ(query.valueAt(0, QLatin1String("JG")).toString(), QStringLiteral("99.50")); // any letter case
    // Reopened on a table whose columns stand elsewhere, the same constant finds its new place.
    const QLatin1String cph("cph");
    query.openSql(QStringLiteral("select * from cxnr"));
    EXPECT_EQ(query.valueAt(0, cph), QVariant());
    query.openSql(QStringLiteral("select * from scnr"));
    query.append();
    query.setValue(cph, QStringLiteral("p9"));
    query.post();
    EXPECT_EQ(query.valueAt(0, cph).toString(), QStringLiteral("p9"));
    EXPECT_EQ(query.valueAt(0, QStringLiteral("cph")).toString(), QStringLiteral("p9"));
    query.append();
    EXPECT_THROW(query.setValue(QLatin1String("nosuch"), 1), StoreError);
    query.cancel();
}

TEST_F(StandingQueryTest, PostedRowsReadBackAsStored)
{
    StandingQuery words(*m_db, QStringLiteral("ADOQuery1"));
    words.openSql(QStringLiteral("select * from word"));
    words.append();
    words.setValue(QStringLiteral("word"), QStringLiteral("手机"));
    words.post();
    EXPECT_EQ(words.value(QStringLiteral("count")), QVariant::fromValue<qlonglong>(0));

    StandingQuery pictures(*m_db, QStringLiteral("qry1"));
    pictures.openSql(QStringLiteral("select * from tpb"));
    pictures.append();
    pictures.setValue(QStringLiteral("bh"), 17);
    pictures.post();
    EXPECT_EQ(pictures.value(QStringLiteral("bh")), QVariant(QStringLiteral("17")));

    StandingQuery offers(*m_db, QStringLiteral("ADOQuery2"));
    offers.openSql(QStringLiteral("select * from cxnr"));
    offers.append();
    offers.setValue(QStringLiteral("bh"), QStringLiteral("42"));
    offers.setValue(QStringLiteral("jg"), QStringLiteral("99.50"));
    offers.post();
    EXPECT_EQ(offers.value(QStringLiteral("bh")), QVariant::fromValue<qlonglong>(42));
    EXPECT_EQ(offers.value(QStringLiteral("jg")), QVariant(QStringLiteral("99.50")));
}

TEST_F(StandingQueryTest, CursorWalksEveryRowAndStopsAtTheEnd)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr"));
    EXPECT_TRUE(query.eof());
    EXPECT_FALSE(query.first());
    EXPECT_EQ(query.currentRow(), -1);
    for (int bh = 1; bh <= 3; ++bh)
        addOffer(query, bh, QStringLiteral("1"));
    query.close();
    query.open();

    QStringList seen;
    for (query.first(); !query.eof(); query.next())
        seen << query.value(QStringLiteral("bh")).toString();
    EXPECT_EQ(seen, (QStringList{"1", "2", "3"}));
    EXPECT_EQ(query.currentRow(), 2);
    EXPECT_EQ(query.value(QStringLiteral("bh")).toInt(), 3);

    EXPECT_FALSE(query.locate(QStringLiteral("bh"), 9));
    EXPECT_EQ(query.currentRow(), 2);
    EXPECT_TRUE(query.locate(QStringLiteral("cph"), QVariant()));
    EXPECT_EQ(query.currentRow(), 0);
    EXPECT_FALSE(query.eof());
    EXPECT_THROW(query.locate(QStringLiteral("nosuchfield"), 1), StoreError);
}

TEST_F(StandingQueryTest, LocateMatchesWholeValuesOnly)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery1"));
    query.openSql(QStringLiteral("select * from word"));
    for (const char* word : {"手机壳", "手机"}) {
        query.append();
        query.setValue(QStringLiteral("word"), QString::fromUtf8(word));
        query.post();
    }
    ASSERT_TRUE(query.locate(QStringLiteral("word"), QStringLiteral("手机")));
    EXPECT_EQ(query.currentRow(), 1);
    EXPECT_FALSE(query.locate(QStringLiteral("word"), QStringLiteral("手")));
    EXPECT_FALSE(query.locate(QStringLiteral("word"), QStringLiteral("手机壳 ")));
}

TEST_F(StandingQueryTest, MovingWhileEditingPostsIntoTheEditedRecord)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr"));
    addOffer(query, 1, QStringLiteral("1"));
    addOffer(query, 2, QStringLiteral("2"));
    query.first();
    query.edit();
    query.setValue(QStringLiteral("check"), QStringLiteral("已收藏"));
    query.next();
    EXPECT_EQ(query.state(), StandingQuery::State::Browse);
    EXPECT_EQ(column(query, "check"), (QStringList{"已收藏", "点击收藏"}));
    EXPECT_EQ(column(query, "bh"), (QStringList{"1", "2"}));

    query.close();
    query.open();
    EXPECT_EQ(column(query, "check"), (QStringList{"已收藏", "点击收藏"}));
}

TEST_F(StandingQueryTest, EditOfARecordDeletedElsewhereFailsAndShowsNothingFalse)
{
    StandingQuery results(*m_db, QStringLiteral("ADOQuery2"));
    StandingQuery other(*m_db, QStringLiteral("qry1"));
    results.openSql(QStringLiteral("select * from cxnr"));
    addOffer(results, 1, QStringLiteral("1"));
    other.execSql(QStringLiteral("delete from cxnr"));
    results.edit();
    results.setValue(QStringLiteral("check"), QStringLiteral("已收藏"));
    EXPECT_THROW(results.post(), StoreError);
    EXPECT_EQ(results.value(QStringLiteral("check")).toString(), QStringLiteral("点击收藏"));
    EXPECT_EQ(m_db->select(QStringLiteral("select count(*) from cxnr")).rows[0][0], 0);
}

TEST_F(StandingQueryTest, CancelAndDeleteWhileAppendingWriteNothing)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery3"));
    query.openSql(QStringLiteral("select * from scnr order by scsj"));
    query.append();
    query.setValue(QStringLiteral("ufid"), QStringLiteral("1"));
    query.cancel();
    query.append();
    query.setValue(QStringLiteral("ufid"), QStringLiteral("2"));
    query.deleteCurrent();
    query.post();
    EXPECT_EQ(query.recordCount(), 0);
    EXPECT_EQ(m_db->select(QStringLiteral("select count(*) from scnr")).rows[0][0], 0);
    EXPECT_THROW(query.setValue(QStringLiteral("ufid"), QStringLiteral("3")), StoreError);
}

TEST_F(StandingQueryTest, DeletingMovesToTheNextRowAndLastRowToThePrevious)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr"));
    for (int bh = 1; bh <= 3; ++bh)
        addOffer(query, bh, QStringLiteral("1"));
    query.setCurrentRow(1);
    query.deleteCurrent();
    EXPECT_EQ(query.value(QStringLiteral("bh")).toInt(), 3);
    query.deleteCurrent();
    EXPECT_EQ(query.value(QStringLiteral("bh")).toInt(), 1);
    query.deleteCurrent();
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.currentRow(), -1);
    query.deleteCurrent(); // nothing left: no effect
    EXPECT_EQ(m_db->select(QStringLiteral("select count(*) from cxnr")).rows[0][0], 0);
}

TEST_F(StandingQueryTest, StatementsThatAreNoSingleTableAreReadOnly)
{
    StandingQuery query(*m_db, QStringLiteral("qry2"));
    query.openSql(QStringLiteral("select * from cxnr, scnr"));
    EXPECT_TRUE(query.tableName().isEmpty());
    EXPECT_THROW(query.append(), StoreError);
    query.openSql(QStringLiteral("select count(*) as n from tpb"));
    EXPECT_EQ(query.value(QStringLiteral("n")).toInt(), 0);
    EXPECT_THROW(query.edit(), StoreError);

    m_db->exec(QStringLiteral("insert into cxnr (bh) values (1)"));
    EXPECT_THROW(query.openSql(QStringLiteral("delete from cxnr")), StoreError);
    EXPECT_EQ(m_db->select(QStringLiteral("select count(*) from cxnr")).rows[0][0], 1);
    query.openSql(QStringLiteral("SELECT * FROM cxnr WHERE bh=?"), {1});
    EXPECT_EQ(query.tableName(), QStringLiteral("cxnr"));
    EXPECT_EQ(query.recordCount(), 1);
}

TEST_F(StandingQueryTest, PriceAndCountStatementsOrderByValueAndKeepTheirText)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr order by jg"));
    addOffer(query, 1, QStringLiteral("100"), QStringLiteral("5"));
    addOffer(query, 2, QStringLiteral("99.50"), QStringLiteral("1000"));
    addOffer(query, 3, QStringLiteral("99"), QStringLiteral("20"));
    addOffer(query, 4, QStringLiteral("1000.00"), QStringLiteral("300"));
    addOffer(query, 5, QStringLiteral("面议"), QStringLiteral("n/a"));
    addOffer(query, 6, QVariant(), QVariant());
    query.close();
    query.open();
    EXPECT_EQ(column(query, "jg"), (QStringList{"99", "99.50", "100", "1000.00", "<null>", "面议"}));
    query.openSql(QStringLiteral("select * from cxnr order by jg desc"));
    EXPECT_EQ(column(query, "jg"), (QStringList{"1000.00", "100", "99.50", "99", "面议", "<null>"}));
    query.openSql(QStringLiteral("SELECT * FROM cxnr ORDER BY rc"));
    EXPECT_EQ(column(query, "rc"), (QStringList{"5", "20", "300", "1000", "<null>", "n/a"}));
    query.openSql(QStringLiteral("select * from cxnr where sjlx is null or sjlx='京东商城' order by jg"));
    EXPECT_EQ(column(query, "bh"), (QStringList{"3", "2", "1", "4", "6", "5"}));
    EXPECT_EQ(query.sql(),
              QStringLiteral("select * from cxnr where sjlx is null or sjlx='京东商城' order by jg"));
}

TEST_F(StandingQueryTest, TitleSortOrdersTheSnapshotAsTheStatementsDo)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr order by jg"));
    addOffer(query, 1, QStringLiteral("100"), QStringLiteral("5"));
    addOffer(query, 2, QStringLiteral("99.5"), QStringLiteral("1000"));
    addOffer(query, 3, QStringLiteral("nan"), QStringLiteral("20"));
    addOffer(query, 4, QStringLiteral("1000.00"), QStringLiteral("inf"));
    addOffer(query, 5, QStringLiteral("99"), QStringLiteral("20"));
    addOffer(query, 6, QVariant(), QStringLiteral("300"));
    query.close();
    query.open();
    const QStringList byPrice = column(query, "bh");

    query.setSort(QStringLiteral("jg DESC"));
    EXPECT_EQ(column(query, "jg"), (QStringList{"1000.00", "100", "99.5", "99", "nan", "<null>"}));
    EXPECT_EQ(query.currentRow(), 0);
    StandingQuery byStatement(*m_db, QStringLiteral("check"));
    byStatement.openSql(QStringLiteral("select * from cxnr order by jg DESC"));
    EXPECT_EQ(column(byStatement, "bh"), column(query, "bh"));

    query.setSort(QStringLiteral("jg ASC"));
    EXPECT_EQ(column(query, "bh"), byPrice);
    query.setSort(QStringLiteral("rc DESC"));
    EXPECT_EQ(column(query, "rc"), (QStringList{"1000", "300", "20", "20", "5", "inf"}));
    // Equal counts keep the statement's (price) order.
    EXPECT_EQ(column(query, "bh").mid(2, 2), (QStringList{"5", "3"}));
    query.setSort(QStringLiteral("rc"));
    EXPECT_EQ(column(query, "rc"), (QStringList{"5", "20", "20", "300", "1000", "inf"}));
    EXPECT_EQ(column(query, "bh").mid(1, 2), (QStringList{"5", "3"}));

    query.setSort(QString());
    EXPECT_EQ(column(query, "bh"), byPrice);
    query.setSort(QStringLiteral("rc desc, bh"));
    EXPECT_EQ(column(query, "bh").mid(2, 2), (QStringList{"3", "5"}));
    EXPECT_THROW(query.setSort(QStringLiteral("price DESC")), StoreError);
    EXPECT_THROW(query.setSort(QStringLiteral("jg DOWN")), StoreError);

    query.close();
    query.open();
    EXPECT_TRUE(query.sort().isEmpty());
    EXPECT_EQ(column(query, "bh"), byPrice);
}

TEST_F(StandingQueryTest, FavouritesCollectionTimeStaysInTextOrder)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery3"));
    query.openSql(QStringLiteral("select * from scnr order by scsj"));
    for (const char* time : {"2013-1-9", "2013-1-10", "10"}) {
        query.append();
        query.setValue(QStringLiteral("scsj"), QString::fromLatin1(time));
        query.post();
    }
    query.close();
    query.open();
    EXPECT_EQ(column(query, "scsj"), (QStringList{"10", "2013-1-10", "2013-1-9"}));
}

TEST_F(StandingQueryTest, KeywordWithAQuoteIsQuotedOrBound)
{
    StandingQuery tpb(*m_db, QStringLiteral("qry1"));
    tpb.openSql(QStringLiteral("select * from tpb"));
    for (const char* word : {"it's", "it"}) {
        tpb.append();
        tpb.setValue(QStringLiteral("word"), QString::fromLatin1(word));
        tpb.setValue(QStringLiteral("tpid"), QStringLiteral("P1"));
        tpb.post();
    }
    EXPECT_EQ(quoteSqlText(QStringLiteral("it's")), QStringLiteral("'it''s'"));
    EXPECT_EQ(quoteSqlText(QStringLiteral("''")), QStringLiteral("''''''"));
    tpb.openSql(tpbForWordSql(QStringLiteral("it's")));
    EXPECT_EQ(column(tpb, "word"), QStringList{"it's"});
    tpb.openSql(tpbForWordSql(), {QStringLiteral("it's")});
    EXPECT_EQ(column(tpb, "word"), QStringList{"it's"});
    tpb.openSql(tpbForWordSql(QStringLiteral("x' or '1'='1")));
    EXPECT_EQ(tpb.recordCount(), 0);
}

TEST_F(StandingQueryTest, SignalsDescribeEveryChangeOfTheSnapshot)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery3"));
    std::vector<std::string> seen;
    const auto record = [&](const char* what) {
        return [&seen, what](int row) { seen.push_back(what + std::to_string(row)); };
    };
    QObject::connect(&query, &StandingQuery::reset, [&] { seen.push_back("reset"); });
    QObject::connect(&query, &StandingQuery::reordered, [&] { seen.push_back("reordered"); });
    QObject::connect(&query, &StandingQuery::rowAppended, record("append "));
    QObject::connect(&query, &StandingQuery::rowChanged, record("change "));
    QObject::connect(&query, &StandingQuery::rowRemoved, record("remove "));
    query.openSql(QStringLiteral("select * from scnr order by scsj"));
    for (const char* id : {"7", "8"}) {
        query.append();
        query.setValue(QStringLiteral("ufid"), QString::fromLatin1(id));
        query.post();
    }
    query.first();
    query.edit();
    query.setValue(QStringLiteral("bz2"), QStringLiteral("删除收藏"));
    query.post();
    query.deleteCurrent();
    query.setSort(QStringLiteral("ufid DESC"));
    EXPECT_EQ(seen, (std::vector<std::string>{"reset", "append 0", "append 1", "change 0", "remove 0",
                                              "reordered"}));
}

} // namespace

TEST_F(StandingQueryTest, SnapshotOfEveryWrittenValueEqualsAFreshRead)
{
    // Whatever kind of value is written into whichever column, the snapshot shows exactly what a new
    // read of the file gives, on append and on edit alike.
    const QList<QVariant> values{QVariant(),
                                 QString(),
                                 QStringLiteral(""),
                                 QStringLiteral("手机 壳"),
                                 QStringLiteral("42"),
                                 QStringLiteral(" 42"),
                                 QStringLiteral("12.0"),
                                 QStringLiteral("1e3"),
                                 QStringLiteral("abc"),
                                 7,
                                 QVariant::fromValue<qlonglong>(-9'000'000'000LL),
                                 QVariant::fromValue<qulonglong>(18'000'000'000'000'000'000ULL),
                                 2.5,
                                 3.0,
                                 true,
                                 QByteArray("\x01\x02", 2)};
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr"));
    for (const QVariant& value : values) {
        for (const char* field : {"bh", "cxrq", "jg", "check"}) {
            query.append();
            query.setValue(QString::fromLatin1(field), value);
            query.post();
            query.edit();
            query.setValue(QStringLiteral("cph"), value);
            query.post();
        }
    }
    StandingQuery fresh(*m_db, QStringLiteral("check"));
    fresh.openSql(QStringLiteral("select * from cxnr"));
    ASSERT_EQ(fresh.recordCount(), query.recordCount());
    for (int row = 0; row < fresh.recordCount(); ++row) {
        for (const QString& field : fresh.fieldNames()) {
            const QVariant shown = query.valueAt(row, field), stored = fresh.valueAt(row, field);
            EXPECT_EQ(shown.typeId(), stored.typeId()) << row << " " << field.toStdString();
            EXPECT_EQ(shown, stored) << row << " " << field.toStdString();
        }
    }

    StandingQuery words(*m_db, QStringLiteral("ADOQuery1"));
    words.openSql(QStringLiteral("select * from word"));
    words.append();
    words.setValue(QStringLiteral("word"), 5);
    words.post();
    EXPECT_EQ(words.value(QStringLiteral("word")), QVariant(QStringLiteral("5")));
    EXPECT_EQ(words.value(QStringLiteral("count")), QVariant::fromValue<qlonglong>(0)); // the default
}

namespace {

class NarrowedOpenTest : public StandingQueryTest
{
protected:
    static constexpr const char* Whole = "select * from cxnr order by jg";

    void addShopOffer(StandingQuery& query, int bh, const QVariant& jg, const QVariant& shop)
    {
        query.append();
        query.setValue(QStringLiteral("bh"), bh);
        query.setValue(QStringLiteral("jg"), jg);
        query.setValue(QStringLiteral("sjlx"), shop);
        query.post();
    }

    /// Offers with equal prices, prices that are no numbers, and shops outside any filter.
    void fill(StandingQuery& query)
    {
        const QVariant prices[] = {QStringLiteral("9.5"),
                                   QStringLiteral("12"),
                                   QStringLiteral("9.50"),
                                   QStringLiteral("面议"),
                                   QString(),
                                   QVariant(),
                                   QStringLiteral("100"),
                                   QStringLiteral("12")};
        const QVariant shops[] = {QStringLiteral("淘宝网"), QStringLiteral("京东商城"),
                                  QStringLiteral("其他"), QVariant()};
        for (int i = 0; i < 40; ++i)
            addShopOffer(query, i, prices[i % 8], shops[(i * 3 + i / 8) % 4]);
    }

    static StandingQuery::Narrowing shops(std::optional<QStringList> texts)
    {
        return {QStringLiteral("cxnr"), QStringLiteral("jg"), QStringLiteral("sjlx"), std::move(texts)};
    }

    static QString statement(const std::optional<QStringList>& texts)
    {
        if (!texts)
            return QString::fromLatin1(Whole);
        QStringList quoted;
        for (const QString& text : *texts)
            quoted << QLatin1Char('\'') + text + QLatin1Char('\'');
        return QStringLiteral("select * from cxnr where sjlx in (%1) order by jg").arg(quoted.join(','));
    }

    /// Opens the narrowing and a fresh read of its statement, and compares them row for row.
    void expectNarrowedAsRead(StandingQuery& query, const std::optional<QStringList>& texts)
    {
        query.openNarrowed(statement(texts), shops(texts));
        StandingQuery fresh(*m_db, QStringLiteral("fresh"));
        fresh.openSql(statement(texts));
        EXPECT_EQ(column(query, "bh"), column(fresh, "bh")) << statement(texts).toStdString();
        EXPECT_EQ(column(query, "jg"), column(fresh, "jg"));
        EXPECT_EQ(query.sql(), statement(texts));
    }

    const std::optional<QStringList> m_taobao = QStringList{QStringLiteral("淘宝网")};
};

TEST_F(NarrowedOpenTest, RowsAndOrderAreTheEnginesAfterAppendsEditsDeletesAndSorts)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QString::fromLatin1(Whole));
    fill(query); // appended after the read, in row id order, not in price order
    const std::optional<QStringList> two = QStringList{QStringLiteral("京东商城"), QStringLiteral("淘宝网")};
    const std::optional<QStringList> none = QStringList{};
    for (const auto& texts : {m_taobao, two, none, std::optional<QStringList>{}, m_taobao})
        expectNarrowedAsRead(query, texts);

    query.openNarrowed(statement({}), shops({}));
    query.setSort(QStringLiteral("rc DESC"));
    ASSERT_TRUE(query.locate(QStringLiteral("bh"), 6)); // a null price becomes the dearest
    query.edit();
    query.setValue(QStringLiteral("jg"), QStringLiteral("1000"));
    query.post();
    ASSERT_TRUE(query.locate(QStringLiteral("bh"), 1));
    query.deleteCurrent();
    expectNarrowedAsRead(query, two);
    expectNarrowedAsRead(query, {});
}

TEST_F(NarrowedOpenTest, WritesBesideTheQueryAreReadFromTheFile)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QString::fromLatin1(Whole));
    fill(query);
    expectNarrowedAsRead(query, m_taobao);

    // A write through a narrowed snapshot leaves the rows it was narrowed from behind.
    query.first();
    query.edit();
    query.setValue(QStringLiteral("jg"), QStringLiteral("0.5"));
    query.post();
    expectNarrowedAsRead(query, {});

    StandingQuery other(*m_db, QStringLiteral("qry1"));
    other.openSql(QString::fromLatin1(Whole));
    addShopOffer(other, 100, QStringLiteral("1"), QStringLiteral("淘宝网"));
    expectNarrowedAsRead(query, m_taobao);

    m_db->exec(QStringLiteral("update cxnr set sjlx = '淘宝网' where bh = 2"));
    expectNarrowedAsRead(query, m_taobao);

    // Rows posted in a transaction that is rolled back stay in the snapshot, not in the file.
    query.openNarrowed(statement({}), shops({}));
    m_db->exec(QStringLiteral("begin"));
    addShopOffer(query, 101, QStringLiteral("2"), QStringLiteral("淘宝网"));
    m_db->exec(QStringLiteral("rollback"));
    expectNarrowedAsRead(query, m_taobao);

    {
        auto second = openDatabase(m_db->path());
        ASSERT_TRUE(second);
        second->exec(QStringLiteral("insert into cxnr (bh, jg, sjlx) values (102, '3', '淘宝网')"));
    }
    expectNarrowedAsRead(query, m_taobao);

    // Emptied at once, the table is emptied without the engine naming it row by row.
    m_db->exec(QStringLiteral("delete from cxnr"));
    expectNarrowedAsRead(query, m_taobao);
    EXPECT_EQ(query.recordCount(), 0);
}

} // namespace
