#include "platform/Downloader.h"
#include "platform/PageLoader.h"
#include "platform/ServiceUrls.h"
#include "testing/EventLoop.h"
#include "testing/LocalServer.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>

using namespace vorbel;
using namespace vorbel::test;

namespace {

class NetworkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto& routes = m_server.routes();
        routes.Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body><table><tr>\n<td>ok</td>\n</tr></table></body></html>",
                            "text/html; charset=utf-8");
        });
        routes.Get("/error", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("<html><body>\n<td>server error</td>\n</body></html>", "text/html");
        });
        routes.Get("/moved",
                   [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/page"); });
        routes.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            res.set_content("<body>slow</body>", "text/html");
        });
        routes.Get("/pic.jpg", [this](const httplib::Request& req, httplib::Response& res) {
            m_userAgent = req.get_header_value("User-Agent");
            m_accept = req.get_header_value("Accept");
            ++m_pictureRequests;
            res.set_content(std::string(1000, 'j'), "image/jpeg");
        });
        routes.Get("/empty.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("", "image/jpeg");
        });
        routes.Get("/big.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(200000, 'b'), "image/jpeg");
        });
        routes.Get("/cut.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(10000, "image/jpeg", [](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset > 0)
                    return false; // the connection drops half way
                sink.write(std::string(5000, 'c').data(), 5000);
                return true;
            });
        });
        routes.Get("/drip.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("image/jpeg", [](size_t offset, httplib::DataSink& sink) {
                if (offset == 0)
                    sink.write("x", 1);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                return offset < 20; // a few bytes, then stays silent while the test gives up
            });
        });
        m_server.start();
    }

    QUrl url(const char* path) const { return QUrl(QString::fromStdString(m_server.url(path))); }
    QString target(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    struct Result
    {
        bool done = false;
        bool ok = false;
        QString error;
    };

    Result fetch(const char* path, const char* name)
    {
        Result result;
        m_downloader.download(url(path), target(name), &m_context, [&](bool ok, const QString& error) {
            result = {true, ok, error};
        });
        waitUntil([&] { return result.done; });
        return result;
    }

    LocalServer m_server;
    QNetworkAccessManager m_network;
    Downloader m_downloader{m_network};
    QObject m_context;
    QTemporaryDir m_dir;
    std::string m_userAgent;
    std::string m_accept;
    std::atomic<int> m_pictureRequests{0};
};

TEST_F(NetworkTest, PageLoaderCompletesOnceWithThePageText)
{
    PageLoader loader(m_network);
    int completions = 0;
    QObject::connect(&loader, &PageLoader::DocumentComplete, [&] { ++completions; });
    loader.Navigate(url("/page"));
    ASSERT_TRUE(waitUntil([&] { return completions == 1; }));
    EXPECT_TRUE(loader.page().text().contains(QStringLiteral("<TD>ok</TD>")));
    settle();
    EXPECT_EQ(completions, 1);
}

TEST_F(NetworkTest, PageLoaderCompletesOnServerAndNetworkFailures)
{
    PageLoader loader(m_network);
    int completions = 0;
    QObject::connect(&loader, &PageLoader::DocumentComplete, [&] { ++completions; });
    loader.Navigate(url("/error"));
    ASSERT_TRUE(waitUntil([&] { return completions == 1; }));
    EXPECT_TRUE(loader.page().text().contains(QStringLiteral("server error")));
    EXPECT_FALSE(loader.errorText().isEmpty());

    loader.Navigate(QUrl(QStringLiteral("http://127.0.0.1:1/")));
    ASSERT_TRUE(waitUntil([&] { return completions == 2; }));
    EXPECT_FALSE(loader.page().text().contains(QStringLiteral("<TD>")));
    EXPECT_FALSE(loader.errorText().isEmpty());

    loader.Navigate(QUrl(QStringLiteral("file:///etc/passwd")));
    ASSERT_TRUE(waitUntil([&] { return completions == 3; }));
    EXPECT_EQ(loader.page().count(), 0);
    EXPECT_FALSE(loader.errorText().isEmpty());
}

TEST_F(NetworkTest, PageLoaderFollowsRedirectsAndANewNavigateCancelsTheOld)
{
    PageLoader loader(m_network);
    QStringList seen;
    QObject::connect(&loader, &PageLoader::DocumentComplete, [&] { seen << loader.page().text(); });
    loader.Navigate(url("/slow"));
    loader.Navigate(url("/moved"));
    ASSERT_TRUE(waitUntil([&] { return !seen.isEmpty(); }));
    settle(600);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_TRUE(seen.first().contains(QStringLiteral("<TD>ok</TD>")));
}

TEST_F(NetworkTest, DownloadWritesTheFileWithTheHeaders)
{
    const Result result = fetch("/pic.jpg", "p.jpg");
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(QFile(target("p.jpg")).size(), 1000);
    EXPECT_EQ(m_userAgent, "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(m_accept, "text/html, */*");
}

TEST_F(NetworkTest, FailedDownloadsLeaveNoFile)
{
    m_downloader.setMaxBytes(100000);
    m_downloader.setStallTimeout(500);
    for (const char* path : {"/error", "/moved", "/empty.jpg", "/big.jpg", "/cut.jpg", "/drip.jpg"}) {
        const Result result = fetch(path, "x.jpg");
        EXPECT_TRUE(result.done) << path;
        EXPECT_FALSE(result.ok) << path;
        EXPECT_FALSE(QFile::exists(target("x.jpg"))) << path;
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 0) << path;
    }
}

TEST_F(NetworkTest, OnlyWebUrlsAreFetched)
{
    Result file;
    m_downloader.download(QUrl(QStringLiteral("file:///etc/hostname")), target("f.jpg"), &m_context,
                          [&](bool ok, const QString&) {
                              file = {true, ok, {}};
                          });
    ASSERT_TRUE(waitUntil([&] { return file.done; }));
    EXPECT_FALSE(file.ok);
    EXPECT_FALSE(QFile::exists(target("f.jpg")));
}

TEST_F(NetworkTest, PlantedLinkIsNotWrittenThrough)
{
    const QString outside = target("outside.txt");
    ASSERT_TRUE(QFile::link(outside, target("link.jpg")));
    const Result result = fetch("/pic.jpg", "link.jpg");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(QFile::exists(outside));
}

TEST_F(NetworkTest, SameTargetSharesOneTransfer)
{
    int callbacks = 0;
    for (int i = 0; i < 3; ++i)
        m_downloader.download(url("/pic.jpg"), target("same.jpg"), &m_context,
                              [&](bool ok, const QString&) { callbacks += ok ? 1 : 100; });
    ASSERT_TRUE(waitUntil([&] { return callbacks >= 3; }));
    EXPECT_EQ(callbacks, 3);
    EXPECT_EQ(m_pictureRequests.load(), 1);
}

TEST_F(NetworkTest, CancelledDownloadsReportNothing)
{
    int callbacks = 0;
    for (int i = 0; i < 10; ++i)
        m_downloader.download(url("/pic.jpg"), target(QByteArray("c" + QByteArray::number(i)).constData()),
                              &m_context, [&](bool, const QString&) { ++callbacks; });
    m_downloader.cancelAll();
    settle(300);
    EXPECT_EQ(callbacks, 0);
    EXPECT_EQ(m_downloader.pending(), 0);
}

TEST(ServiceUrls, ValuesArePercentEncodedInOrder)
{
    const QUrl url = serviceUrl(QStringLiteral("http://127.0.0.1:8410"), QStringLiteral("/ListAll.aspx"),
                                {{QStringLiteral("word"), QStringLiteral("a&b #1+2% 手机")},
                                 {QStringLiteral("u"), QStringLiteral("U1")},
                                 {QStringLiteral("p"), QStringLiteral("kzvtq")}});
    EXPECT_EQ(
        url.toString(QUrl::FullyEncoded).toStdString(),
        "http://127.0.0.1:8410/ListAll.aspx?word=a%26b%20%231%2B2%25%20%E6%89%8B%E6%9C%BA&u=U1&p=kzvtq");
    EXPECT_EQ(httplib::detail::decode_url("a%26b%20%231%2B2%25%20%E6%89%8B%E6%9C%BA", true),
              QStringLiteral("a&b #1+2% 手机").toStdString());
}

} // namespace
