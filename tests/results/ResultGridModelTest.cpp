#include "testing/StoreFixture.h"

#include "results/ResultGridModel.h"
#include "store/PriceHistory.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace vorbel;
using namespace vorbel::test;

namespace {

// The designed titles, as the user reads them.
const QStringList Titles{QStringLiteral("图片"), QStringLiteral("商品名称"), QStringLiteral("优惠"),
                         QStringLiteral("价格"), QStringLiteral("人气"),     QStringLiteral("商家"),
                         QStringLiteral("正品"), QStringLiteral("推荐等级"), QStringLiteral("收藏")};

class ResultGridModelTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        results().openSql(QStringLiteral("select * from cxnr order by jg"));
        m_model = std::make_unique<ResultGridModel>(results(), ResultColumns);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    StandingQuery& results() { return m_queries->ADOQuery2; }

    void appendOffer(int bh, const QString& name, const QString& price)
    {
        results().append();
        results().setValue(QStringLiteral("bh"), bh);
        results().setValue(QStringLiteral("cph"), QStringLiteral("P%1").arg(bh));
        results().setValue(QStringLiteral("cpmc"), name);
        results().setValue(QStringLiteral("jg"), price);
        results().setValue(QStringLiteral("check"), QStringLiteral("点击收藏"));
        results().post();
    }

    std::unique_ptr<ResultGridModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

TEST_F(ResultGridModelTest, ShowsTheNineColumnsOfTheResultQuery)
{
    ASSERT_EQ(m_model->columnCount(), 9);
    EXPECT_EQ(m_model->rowCount(), 0);
    for (int column = 0; column < 9; ++column)
        EXPECT_EQ(m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), Titles[column]);
    appendOffer(1, QStringLiteral("手机"), QStringLiteral("99"));
    ASSERT_EQ(m_model->rowCount(), 1);
    EXPECT_EQ(m_model->data(m_model->index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("手机"));
    EXPECT_EQ(m_model->data(m_model->index(0, 3), Qt::DisplayRole).toString(), QStringLiteral("99"));
    EXPECT_EQ(m_model->data(m_model->index(0, 8), Qt::DisplayRole).toString(), QStringLiteral("点击收藏"));
    EXPECT_FALSE(m_model->data(m_model->index(0, 0), Qt::DisplayRole).isValid()); // the picture column
    EXPECT_TRUE(m_model->data(m_model->index(0, 2), Qt::DisplayRole).toString().isEmpty());
    EXPECT_EQ(m_model->text(0, column::cph), QStringLiteral("P1")); // not a column, still readable
}

TEST_F(ResultGridModelTest, FollowsAppendsEditsDeletesAndReopens)
{
    QSignalSpy inserted(m_model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
    QSignalSpy removed(m_model.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);

    appendOffer(1, QStringLiteral("a"), QStringLiteral("30"));
    appendOffer(2, QStringLiteral("b"), QStringLiteral("4"));
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(m_model->rowCount(), 2);

    results().setCurrentRow(1);
    results().edit();
    results().setValue(QStringLiteral("check"), QStringLiteral("已收藏"));
    results().post();
    ASSERT_GE(changed.count(), 1);
    EXPECT_EQ(changed.last().at(0).toModelIndex().row(), 1);
    EXPECT_EQ(m_model->data(m_model->index(1, 8), Qt::DisplayRole).toString(), QStringLiteral("已收藏"));

    results().setSort(QStringLiteral("jg DESC"));
    EXPECT_EQ(m_model->data(m_model->index(0, 3), Qt::DisplayRole).toString(), QStringLiteral("30"));

    results().openSql(QStringLiteral("select * from cxnr order by jg")); // by value: 4 before 30
    EXPECT_GE(reset.count(), 1);
    EXPECT_EQ(m_model->data(m_model->index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("b"));

    results().first();
    results().deleteCurrent();
    EXPECT_EQ(removed.count(), 1);
    ASSERT_EQ(m_model->rowCount(), 1);
    EXPECT_EQ(m_model->data(m_model->index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("a"));
}

} // namespace

TEST_F(ResultGridModelTest, AListOpenedAnewShowsWhatTheHistoryNowSays)
{
    StandingQuery& results = this->results();
    results.openSql(QStringLiteral("select * from cxnr order by jg"));
    for (int i = 1; i <= 3; ++i) {
        results.append();
        results.setValue(QStringLiteral("cph"), QStringLiteral("P%1").arg(i));
        results.setValue(QStringLiteral("sjlx"), QStringLiteral("淘宝网"));
        results.setValue(QStringLiteral("jg"), QStringLiteral("90"));
        results.post();
    }
    PriceHistory history(*m_db);
    const QDateTime monday(QDate(2026, 3, 2), QTime(9, 0));
    history.record(QStringLiteral("P1"), QStringLiteral("淘宝网"), QStringLiteral("100"), monday);
    ResultGridModel model(results, ResultColumns);
    model.showPriceMarks(history, column::jg);
    const auto markOf = [&](const QString& cph) {
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.text(row, column::cph) == cph)
                return model.data(model.index(row, 3), ResultGridModel::PriceMarkRole).toString();
        }
        return QStringLiteral("(not shown)");
    };
    EXPECT_EQ(markOf(QStringLiteral("P1")), QStringLiteral("↓￥10.00"));
    EXPECT_EQ(markOf(QStringLiteral("P2")), QString());

    // Opened anew with a store unchanged, and with one that changed in between: on this connection,
    // then on another one to the same file.
    results.openSql(QStringLiteral("select * from cxnr where cph <> 'P3' order by jg"));
    EXPECT_EQ(markOf(QStringLiteral("P1")), QStringLiteral("↓￥10.00"));
    history.record(QStringLiteral("P2"), QStringLiteral("淘宝网"), QStringLiteral("90"), monday);
    results.openSql(QStringLiteral("select * from cxnr order by jg"));
    EXPECT_EQ(markOf(QStringLiteral("P2")), QStringLiteral("新"));
    EXPECT_EQ(markOf(QStringLiteral("P3")), QString());
    {
        auto other = std::get<std::unique_ptr<Database>>(Database::open(m_db->path()));
        PriceHistory(*other).record(QStringLiteral("P3"), QStringLiteral("淘宝网"), QStringLiteral("95"),
                                    monday);
    }
    results.openSql(QStringLiteral("select * from cxnr order by jg"));
    EXPECT_EQ(markOf(QStringLiteral("P3")), QStringLiteral("↓￥5.00"));
    // A sort shows the same offers with the same marks.
    results.setSort(QStringLiteral("cph DESC"));
    EXPECT_EQ(markOf(QStringLiteral("P1")), QStringLiteral("↓￥10.00"));
    EXPECT_EQ(markOf(QStringLiteral("P3")), QStringLiteral("↓￥5.00"));
}
