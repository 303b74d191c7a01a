// Result pages written by someone hostile, read from their markup: picture addresses that are no web
// addresses and product ids that are no file names must not put anything outside the picture cache, nor
// copy local files into it, and links planted in the cache are never written through.
#include "testing/EventLoop.h"
#include "testing/LocalServer.h"
#include "testing/StoreFixture.h"

#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/PageText.h"
#include "search/ResultPageReader.h"
#include "search/SearchStart.h"
#include "session/AppState.h"
#include "session/Startup.h"
#include "store/PictureCache.h"

#include <QDirIterator>
#include <QFile>
#include <QNetworkAccessManager>
#include <atomic>

using namespace vorbel;
using namespace vorbel::test;

namespace {

struct HostileOffer
{
    std::string cph;
    std::string xtp;
};

class HostileOffersTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_server.routes().Get(R"(/pic/.*)", [this](const httplib::Request&, httplib::Response& res) {
            ++m_pictureRequests;
            res.set_content("\xFF\xD8\xFF picture", "image/jpeg");
        });
        m_server.start();
        ASSERT_TRUE(m_cache.ensureFolder());
        openStandingQueries(*m_queries);
        m_reader =
            std::make_unique<ResultPageReader>(*m_db, *m_queries, m_state, m_cache, m_downloader, m_clock);
        QObject::connect(m_reader.get(), &ResultPageReader::finished,
                         [this](int count) { m_finished = count; });
        QObject::connect(m_reader.get(), &ResultPageReader::failed,
                         [this](const QString&, int count) { m_finished = count; });
    }

    /// A result page as the service writes it (lower-case markup, one cell a line), read as the browser
    /// would serialise it.
    static PageText page(const std::vector<HostileOffer>& offers)
    {
        std::string html = "<html><head><meta charset=\"utf-8\"></head><body>\n<table>\n";
        int bh = 1;
        for (const HostileOffer& offer : offers) {
            html +=
                "<tr>\n<td>" + std::to_string(bh++) + "</td>\n<td>" + offer.cph + "</td>\n<td>name</td>\n";
            html += "<td>" + offer.xtp + "</td>\n<td></td>\n<td>5</td>\n<td>9</td>\n<td></td>\n";
            html += "<td>京东商城</td>\n<td>t</td>\n<td></td>\n<td></td>\n<td>No</td>\n</tr>\n";
        }
        html += "</table>\n</body></html>\n";
        return PageText::fromHtml(QByteArrayView(html.data(), qsizetype(html.size())), "utf-8");
    }

    void read(const std::vector<HostileOffer>& offers)
    {
        startSearch(QStringLiteral("k"), *m_queries, m_state);
        m_finished = -1;
        m_reader->read(page(offers));
        ASSERT_TRUE(waitUntil([&] { return m_finished >= 0 && m_downloader.pending() == 0; }));
    }

    std::string picture(const std::string& name) const { return m_server.url("/pic/" + name + ".jpg"); }

    /// Every file below the test folder apart from the database's own.
    QStringList filesOutsideTheDatabase() const
    {
        QStringList files;
        QDirIterator walk(m_dir.path(), QDir::Files | QDir::Hidden | QDir::System,
                          QDirIterator::Subdirectories);
        while (walk.hasNext()) {
            const QString path = walk.next();
            if (!QFileInfo(path).fileName().startsWith(QLatin1String("vorbelmd.dat")))
                files << QDir(m_dir.path()).relativeFilePath(path);
        }
        files.sort();
        return files;
    }

    LocalServer m_server;
    std::atomic<int> m_pictureRequests{0};
    QNetworkAccessManager m_network;
    Downloader m_downloader{m_network};
    FixedClock m_clock{QDateTime(QDate(2026, 12, 8), QTime(10, 0))};
    AppState m_state;
    PictureCache m_cache{m_dir.path() + QLatin1Char('/')};
    std::unique_ptr<ResultPageReader> m_reader;
    int m_finished = -1;
};

TEST_F(HostileOffersTest, OnlyWebPictureAddressesAreFetched)
{
    read({{"Q", "qrc:/images/vorbel.png"},
          {"Q2", "qrc:///images/vorbel.png"},
          {"D", "data:image/jpeg;base64,/9j/4AAQSkZJRgABAQ=="},
          {"F", "file://" + QDir::rootPath().toStdString() + "etc/hostname"},
          {"L", "/etc/hostname"},
          {"T", "ftp://127.0.0.1/x.jpg"},
          {"J", "javascript:alert(1)"},
          {"W", picture("W")}});
    EXPECT_EQ(m_finished, 8);
    EXPECT_EQ(m_pictureRequests.load(), 1);
    EXPECT_EQ(filesOutsideTheDatabase(), QStringList{QStringLiteral("vorbelpic/W.jpg")});
}

TEST_F(HostileOffersTest, ProductIdsThatAreNoFileNamesGetNoPicture)
{
    const std::string url = picture("X");
    read({{"../escaped", url},
          {"..", url},
          {"/tmp/absolute", url},
          {"a\\b", url},
          {"sub/dir", url},
          {"nul&#0;byte", url},
          {std::string("raw\0nul", 7), url},
          {"bare\x01"
           "control",
           url},
          {std::string(300, 'a'), url},
          {"", url},
          {"C:drive", url},
          {".hidden", url}});
    EXPECT_EQ(m_finished, 12);
    EXPECT_EQ(m_queries->ADOQuery2.recordCount(), 12); // the offers stay, only their pictures are refused
    // The parser drops a raw NUL and turns other control characters into the replacement character;
    // what is left names files inside the cache and nowhere else.
    for (const QString& file : filesOutsideTheDatabase())
        EXPECT_TRUE(file.startsWith(QLatin1String("vorbelpic/")) && file.count(QLatin1Char('/')) == 1)
            << file.toStdString();
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/absolute.jpg")));
    EXPECT_LE(m_pictureRequests.load(), 3);
}

TEST_F(HostileOffersTest, LinksPlantedInTheCacheAreNotWrittenThrough)
{
    const QString kept = m_dir.filePath(QStringLiteral("kept.jpg"));
    {
        QFile file(kept);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("mine");
    }
    const QString missing = m_dir.filePath(QStringLiteral("missing.jpg"));
    ASSERT_TRUE(QFile::link(kept, *m_cache.smallPicturePath(QStringLiteral("ToKept"))));
    ASSERT_TRUE(QFile::link(missing, *m_cache.smallPicturePath(QStringLiteral("ToMissing"))));
    read({{"ToKept", picture("ToKept")}, {"ToMissing", picture("ToMissing")}});
    EXPECT_EQ(m_finished, 2);
    EXPECT_FALSE(QFile::exists(missing));
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("mine"));
    EXPECT_TRUE(QFileInfo(*m_cache.smallPicturePath(QStringLiteral("ToMissing"))).isSymLink());
    EXPECT_EQ(m_pictureRequests.load(), 0);
}

} // namespace
