// What the price memory costs on disk: a year of daily searches of the 48 hot keywords against the
// reference catalogue, each page recorded as the reader records it, into an encrypted store. Prints the
// rows and the file's size after each quarter.
#include "service/Catalogue.h"
#include "service/HotProducts.h"
#include "service/ServiceClock.h"
#include "store/Database.h"
#include "store/PriceHistory.h"
#include "store/Transaction.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

using namespace vorbel;

namespace {

qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int days = argc > 1 ? std::atoi(argv[1]) : 365;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("vorbelmd.dat"));
    auto opened = Database::open(path);
    if (!std::holds_alternative<std::unique_ptr<Database>>(opened)) {
        std::fprintf(stderr, "%s\n", qPrintable(std::get<QString>(opened)));
        return 1;
    }
    auto db = std::move(std::get<std::unique_ptr<Database>>(opened));
    const qint64 empty = fileSize(path);
    const std::vector<std::string> keywords = service::hotKeywords();
    const QDateTime start(QDate(2026, 1, 1), QTime(20, 0));
    std::printf("days rows file_bytes (empty store %lld bytes)\n", empty);
    for (int d = 0; d < days; ++d) {
        const QDateTime now = start.addDays(d);
        const service::ServiceDay day = service::serviceDay(now.toSecsSinceEpoch());
        for (const std::string& keyword : keywords) {
            // One search: one page, one transaction, every offer once.
            Transaction page(*db);
            PriceHistory history(*db);
            PagePrices prices(history, now);
            for (const service::Offer& offer : service::offersFor(keyword)) {
                const std::string price =
                    service::formatPrice(service::currentPriceCents(offer, day), offer.wholePrice);
                prices.record(QString::fromStdString(offer.cph), QString::fromStdString(offer.shop),
                              QString::fromStdString(price));
            }
            page.commit();
        }
        if ((d + 1) % 91 == 0 || d + 1 == days) {
            db->exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            const int rows = db->select(QStringLiteral("select count(*) from jgls")).rows[0][0].toInt();
            std::printf("%d %d %lld\n", d + 1, rows, fileSize(path));
            std::fflush(stdout);
        }
    }
    return 0;
}
