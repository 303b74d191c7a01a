// The price-history window opened on an offer with a long history: the rows read from the encrypted
// store, the chart's data built, the window shown and painted once.
#include "results/ui/PriceChartWindow.h"
#include "store/Database.h"
#include "store/PriceHistory.h"
#include "store/Transaction.h"

#include <QApplication>
#include <QChart>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

using namespace vorbel;

namespace {

/// An offer whose price moved every hour, each price seen for forty minutes.
void fillHistory(Database& db, int rows)
{
    Transaction transaction(db);
    const QDateTime start(QDate(2025, 6, 1), QTime(8, 0));
    for (int i = 0; i < rows; ++i) {
        const QDateTime first = start.addSecs(qint64(i) * 3600);
        db.exec(QStringLiteral("insert into jgls (cph, sjlx, jg, sj, zjsj) values (?, ?, ?, ?, ?)"),
                {QStringLiteral("chart-offer"), QStringLiteral("京东商城"),
                 QString::number(100 + i % 17) + QStringLiteral(".50"), PriceHistory::timeText(first),
                 PriceHistory::timeText(first.addSecs(2400))});
    }
    transaction.commit();
}

void BM_OpenPriceChart(benchmark::State& state)
{
    QTemporaryDir folder;
    auto opened = Database::open(folder.filePath(QStringLiteral("vorbelmd.dat")));
    if (!std::holds_alternative<std::unique_ptr<Database>>(opened)) {
        state.SkipWithError("store did not open");
        return;
    }
    Database& db = *std::get<std::unique_ptr<Database>>(opened);
    fillHistory(db, int(state.range(0)));
    PriceHistory history(db);
    const ChartedOffer offer{QStringLiteral("chart-offer"), QStringLiteral("京东商城"),
                             QStringLiteral("长历史商品"), QStringLiteral("110.50")};
    std::size_t rows = 0;
    for (auto _ : state) {
        QPointer<PriceChartWindow> window;
        const std::vector<PriceRecord> records = history.history(offer.cph, offer.sjlx);
        rows = records.size();
        showPriceChart(window, nullptr, offer, records);
        QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        window->render(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.bits());
        state.PauseTiming();
        delete window.data();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
}

} // namespace

// The argument is the number of rows the offer's history holds.
BENCHMARK(BM_OpenPriceChart)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

/// A favourite over three months, its price moving every few days, drawn into a file to be looked at.
int saveShot(const char* file)
{
    std::vector<PriceRecord> rows;
    QDateTime at(QDate(2026, 9, 1), QTime(9, 30));
    const double prices[] = {1299, 1249, 1279, 1199, 1229, 1159, 1189, 1219, 1099, 1149, 1129, 1179};
    for (double price : prices) {
        const QDateTime last = at.addDays(6).addSecs(3600 * 5);
        rows.push_back(
            {QString::number(price, 'f', 2), PriceHistory::timeText(at), PriceHistory::timeText(last)});
        at = at.addDays(8);
    }
    QPointer<PriceChartWindow> window;
    showPriceChart(window, nullptr,
                   {QStringLiteral("x"), QStringLiteral("京东商城"),
                    QStringLiteral("Apple iPod touch 4 8G 热卖"), QStringLiteral("1249.00")},
                   rows);
    window->showHoverAt(QDateTime(QDate(2026, 10, 20), QTime(12, 0)).toMSecsSinceEpoch());
    const bool saved = window->grab().save(QString::fromLocal8Bit(file));
    delete window.data();
    return saved ? 0 : 1;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--shot") == 0)
        return saveShot(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
