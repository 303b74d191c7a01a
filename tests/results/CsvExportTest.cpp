// The grids' export: what a spreadsheet program reads back from the file, and what a failed write leaves.
#include "testing/CsvReading.h"
#include "testing/StoreFixture.h"

#include "favourites/FavouriteColumns.h"
#include "results/CsvExport.h"
#include "results/ResultGridModel.h"

#include <QDir>
#include <QFile>

using namespace vorbel;
using namespace vorbel::test;

namespace {

struct Offer
{
    QString name;
    QString price;
    QString count = QStringLiteral("10");
    QString promotion = QString();
    QString link = QStringLiteral("http://shop.example/item?id=1&from=vorbel");
};

const QStringList ResultTitles{
    QStringLiteral("商品名称"), QStringLiteral("优惠"), QStringLiteral("价格"),
    QStringLiteral("人气"),     QStringLiteral("商家"), QStringLiteral("正品"),
    QStringLiteral("推荐等级"), QStringLiteral("收藏"), QStringLiteral("商品链接")};

QList<int> allColumns(const ResultGridModel& model)
{
    QList<int> columns;
    for (int column = 0; column < model.columnCount(); ++column)
        columns << column;
    return columns;
}

class CsvExportTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        // The grid's own order: the sort lives in the query, and the export follows it.
        results().openSql(QStringLiteral("select * from cxnr order by jg desc"));
        m_model = std::make_unique<ResultGridModel>(results(), ResultColumns);
    }

    StandingQuery& results() { return m_queries->ADOQuery2; }

    void add(const Offer& offer)
    {
        static int bh = 0;
        ++bh;
        results().append();
        results().setValue(QStringLiteral("bh"), bh);
        results().setValue(QStringLiteral("cph"), QStringLiteral("P%1").arg(bh));
        results().setValue(QStringLiteral("cpmc"), offer.name);
        results().setValue(QStringLiteral("jg"), offer.price);
        results().setValue(QStringLiteral("rc"), offer.count);
        results().setValue(QStringLiteral("hdxx"), offer.promotion);
        results().setValue(QStringLiteral("sjlx"), QStringLiteral("京东商城"));
        results().setValue(QStringLiteral("zpbz"), QStringLiteral("保障"));
        results().setValue(QStringLiteral("pjjb"), QStringLiteral("★★★"));
        results().setValue(QStringLiteral("cplj"), offer.link);
        results().setValue(QStringLiteral("check"), QStringLiteral("点击收藏"));
        results().post();
    }

    /// Exports every column of the grid and reads the file back.
    CsvFile exportAndRead()
    {
        const QString path = m_dir.filePath(QStringLiteral("导出.csv"));
        EXPECT_EQ(writeCsv(path, gridTable(*m_model, allColumns(*m_model))), QString());
        std::optional<CsvFile> file = readCsv(path);
        EXPECT_TRUE(file.has_value()) << "the file is not well-formed CSV";
        return file.value_or(CsvFile{});
    }

    std::unique_ptr<ResultGridModel> m_model;
};

TEST_F(CsvExportTest, RoundTripsTheRowsInTheGridsOrderWithChineseQuotesAndLineBreaks)
{
    add({QStringLiteral("苹果 iPod \"nano\" 8GB, 银色"), QStringLiteral("998"), QStringLiteral("1200")});
    add({QStringLiteral("两行的\r\n名称\n第三行"), QStringLiteral("1299.5"), QStringLiteral("7"),
         QStringLiteral("满 300 减 20")});
    add({QStringLiteral("小米手机"), QStringLiteral("45.00")});
    results().setSort(QStringLiteral("jg desc")); // the query's own order by number
    const CsvFile file = exportAndRead();

    EXPECT_TRUE(file.byteOrderMark);
    EXPECT_TRUE(file.crlfOnly);
    ASSERT_EQ(file.records.size(), 4u);
    EXPECT_EQ(file.texts(0), ResultTitles);
    for (int row = 0; row < 3; ++row) {
        QStringList shown;
        for (int column = 1; column < m_model->columnCount(); ++column)
            shown << m_model->data(m_model->index(row, column), Qt::DisplayRole).toString();
        shown << m_model->text(row, column::cplj);
        EXPECT_EQ(file.texts(std::size_t(row) + 1), shown) << "row " << row;
    }
    EXPECT_EQ(file.records[1][0].text, QStringLiteral("两行的\r\n名称\n第三行"));
    EXPECT_EQ(file.records[2][0].text, QStringLiteral("苹果 iPod \"nano\" 8GB, 银色"));
    EXPECT_EQ(file.records[3][0].text, QStringLiteral("小米手机"));
    // The link is the address itself, not a formula or a label.
    EXPECT_EQ(file.records[2].back(),
              (CsvField{QStringLiteral("http://shop.example/item?id=1&from=vorbel"), true}));
}

TEST_F(CsvExportTest, PricesAndCountsAreBareNumbersOnlyWhenTheyAreNumbers)
{
    add({QStringLiteral("12345"), QStringLiteral("99.5"), QStringLiteral("1200")});
    add({QStringLiteral("面议的商品"), QStringLiteral("面议"), QStringLiteral("约 3 千")});
    add({QStringLiteral("科学记数"), QStringLiteral("1e5"), QStringLiteral(" 42 ")});
    results().setSort(QStringLiteral("bh"));
    const CsvFile file = exportAndRead();
    ASSERT_EQ(file.records.size(), 4u);
    const int name = 0, price = 2, count = 3;

    EXPECT_EQ(file.records[1][price], (CsvField{QStringLiteral("99.5"), false}));
    EXPECT_EQ(file.records[1][count], (CsvField{QStringLiteral("1200"), false}));
    EXPECT_EQ(file.records[1][name], (CsvField{QStringLiteral("12345"), true})) << "a name stays text";
    EXPECT_EQ(file.records[2][price], (CsvField{QStringLiteral("面议"), true}));
    EXPECT_EQ(file.records[2][count], (CsvField{QStringLiteral("约 3 千"), true}));
    EXPECT_EQ(file.records[3][price], (CsvField{QStringLiteral("1e5"), true}));
    EXPECT_EQ(file.records[3][count], (CsvField{QStringLiteral("42"), false}));
}

TEST_F(CsvExportTest, TextThatASpreadsheetWouldRunIsWrittenAsText)
{
    add({QStringLiteral("=HYPERLINK(\"http://evil.example\",\"点我\")"), QStringLiteral("1"),
         QStringLiteral("1"), QStringLiteral("+86 热线")});
    add({QStringLiteral("-10% 折扣"), QStringLiteral("-5"), QStringLiteral("2"),
         QStringLiteral("@SUM(A1:A9)")});
    add({QStringLiteral("普通 = 名称"), QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("\t=1+1")});
    results().setSort(QStringLiteral("bh"));
    const CsvFile file = exportAndRead();
    ASSERT_EQ(file.records.size(), 4u);

    EXPECT_EQ(file.records[1][0].text, QStringLiteral("'=HYPERLINK(\"http://evil.example\",\"点我\")"));
    EXPECT_EQ(file.records[1][1].text, QStringLiteral("'+86 热线"));
    EXPECT_EQ(file.records[2][0].text, QStringLiteral("'-10% 折扣"));
    EXPECT_EQ(file.records[2][1].text, QStringLiteral("'@SUM(A1:A9)"));
    EXPECT_EQ(file.records[3][1].text, QStringLiteral("'\t=1+1"));
    EXPECT_EQ(file.records[3][0].text, QStringLiteral("普通 = 名称"))
        << "only a leading sign starts a formula";
    // A negative price is a number, not a formula.
    EXPECT_EQ(file.records[2][2], (CsvField{QStringLiteral("-5"), false}));
    for (const auto& record : file.records)
        for (const CsvField& field : record)
            EXPECT_TRUE(field.quoted || !field.text.startsWith(u'=')) << qPrintable(field.text);
}

TEST_F(CsvExportTest, OnlyTheGivenColumnsAndNeverThePicture)
{
    add({QStringLiteral("手机"), QStringLiteral("10")});
    const QString path = m_dir.filePath(QStringLiteral("some.csv"));
    ASSERT_EQ(writeCsv(path, gridTable(*m_model, {0, 1, 3, 5})), QString());
    const std::optional<CsvFile> file = readCsv(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->texts(0), (QStringList{QStringLiteral("商品名称"), QStringLiteral("价格"),
                                           QStringLiteral("商家"), QStringLiteral("商品链接")}));
    EXPECT_EQ(file->texts(1),
              (QStringList{QStringLiteral("手机"), QStringLiteral("10"), QStringLiteral("京东商城"),
                           QStringLiteral("http://shop.example/item?id=1&from=vorbel")}));
}

TEST_F(CsvExportTest, AnEmptyGridStillWritesItsTitles)
{
    const CsvFile file = exportAndRead();
    ASSERT_EQ(file.records.size(), 1u);
    EXPECT_EQ(file.texts(0), ResultTitles);
}

TEST_F(CsvExportTest, TheFavouritesPricesAreNumbersToo)
{
    StandingQuery& favourites = m_queries->ADOQuery3;
    favourites.openSql(QStringLiteral("select * from scnr"));
    favourites.append();
    favourites.setValue(QStringLiteral("ufid"), QStringLiteral("F1"));
    favourites.setValue(QStringLiteral("cph"), QStringLiteral("P9"));
    favourites.setValue(QStringLiteral("cpmc"), QStringLiteral("收藏的“相机”"));
    favourites.setValue(QStringLiteral("scsj"), QStringLiteral("2012-12-09 10:00"));
    favourites.setValue(QStringLiteral("scjg"), QStringLiteral("2999"));
    favourites.setValue(QStringLiteral("gxjg"), QStringLiteral("2799.9"));
    favourites.setValue(QStringLiteral("sjlx"), QStringLiteral("当当网"));
    favourites.setValue(QStringLiteral("bz2"), QStringLiteral("删除收藏"));
    favourites.setValue(QStringLiteral("cplj"), QStringLiteral("http://shop.example/9"));
    favourites.post();
    const ResultGridModel model(favourites, FavouriteColumns);
    const QString path = m_dir.filePath(QStringLiteral("收藏.csv"));
    ASSERT_EQ(writeCsv(path, gridTable(model, allColumns(model))), QString());
    const std::optional<CsvFile> file = readCsv(path);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->records.size(), 2u);
    EXPECT_EQ(file->texts(0),
              (QStringList{QStringLiteral("商品名称"), QStringLiteral("收藏时间"), QStringLiteral("收藏价格"),
                           QStringLiteral("更新价格"), QStringLiteral("商家"), QStringLiteral("操作"),
                           QStringLiteral("商品链接")}));
    const auto& row = file->records[1];
    EXPECT_EQ(row[0], (CsvField{QStringLiteral("收藏的“相机”"), true}));
    EXPECT_EQ(row[1], (CsvField{QStringLiteral("2012-12-09 10:00"), true}));
    EXPECT_EQ(row[2], (CsvField{QStringLiteral("2999"), false}));
    EXPECT_EQ(row[3], (CsvField{QStringLiteral("2799.9"), false}));
}

TEST_F(CsvExportTest, AWriteThatFailsSaysWhyAndLeavesNoFile)
{
    add({QStringLiteral("手机"), QStringLiteral("10")});
    const CsvTable table = gridTable(*m_model, allColumns(*m_model));

    const QString inMissingFolder = m_dir.filePath(QStringLiteral("没有的文件夹/结果.csv"));
    EXPECT_FALSE(writeCsv(inMissingFolder, table).isEmpty());
    EXPECT_FALSE(QFile::exists(inMissingFolder));
    EXPECT_FALSE(QDir(m_dir.filePath(QStringLiteral("没有的文件夹"))).exists());

    // A target that is a folder: the rename cannot replace it, and the temporary file goes again.
    QDir folder(m_dir.path());
    ASSERT_TRUE(folder.mkdir(QStringLiteral("结果.csv")));
    const QStringList before = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_FALSE(writeCsv(folder.filePath(QStringLiteral("结果.csv")), table).isEmpty());
    EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("结果.csv"))).isDir());
    EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

TEST_F(CsvExportTest, AnotherExportReplacesTheFileWhole)
{
    add({QStringLiteral("第一次导出的很长很长很长很长很长很长很长很长的名称"), QStringLiteral("10")});
    const QString path = m_dir.filePath(QStringLiteral("again.csv"));
    ASSERT_EQ(writeCsv(path, gridTable(*m_model, allColumns(*m_model))), QString());
    results().setCurrentRow(0);
    results().deleteCurrent();
    ASSERT_EQ(writeCsv(path, gridTable(*m_model, allColumns(*m_model))), QString());
    const std::optional<CsvFile> file = readCsv(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->records.size(), 1u) << "rows of the first export are left in the file";
}

} // namespace
