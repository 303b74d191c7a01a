#include "platform/Downloader.h"
#include "TestServer.h"
#include "platform/PageLoader.h"
#include "testing/EventLoop.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace vorbel;
using namespace vorbel::test;

namespace {

struct Result
{
    int calls = 0;
    bool ok = false;
    QString error;
};

class DownloaderTest : public ::testing::Test
{
protected:
    QString target(const QString& name) const { return m_dir.filePath(name); }

    Downloader::Callback recorder(Result& result)
    {
        return [&result](bool ok, const QString& error) {
            ++result.calls;
            result.ok = ok;
            result.error = error;
        };
    }

    Result fetch(const QUrl& url, const QString& name)
    {
        Result result;
        m_downloader.download(url, target(name), &m_context, recorder(result));
        EXPECT_EQ(result.calls, 0); // never inside download()
        EXPECT_TRUE(waitUntil([&] { return result.calls > 0; }));
        return result;
    }

    /// Fetches a file of its own and waits for it: the downloader calls back in the order transfers end,
    /// so once this one is in, any callback still due from an earlier, finished transfer has run.
    void waitForALaterDownload()
    {
        const QString name = QStringLiteral("later%1.jpg").arg(++m_later);
        EXPECT_TRUE(fetch(m_server.url("/pic.jpg"), name).ok);
        QFile::remove(target(name));
    }

    QByteArray contents(const QString& name) const
    {
        QFile file(target(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList leftovers() const
    {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    TestServer m_server;
    QNetworkAccessManager m_network;
    Downloader m_downloader{m_network};
    QObject m_context;
    QTemporaryDir m_dir;
    int m_later = 0;
};

} // namespace

TEST_F(DownloaderTest, WritesTheWholeBodyWithTheClientsHeaders)
{
    const Result result = fetch(m_server.url("/pic.jpg"), QStringLiteral("p.jpg"));
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(contents(QStringLiteral("p.jpg")), QByteArray::fromStdString(TestServer::picture()));
    EXPECT_EQ(m_server.header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(m_server.header("Accept"), "text/html, */*");
    EXPECT_EQ(m_server.header("Content-Type"), "text/html");
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("p.jpg")});
    EXPECT_EQ(m_downloader.pending(), 0);
}

TEST_F(DownloaderTest, FailuresLeaveNoFileBehind)
{
    m_downloader.setMaxBytes(100000);
    m_downloader.setStallTimeout(300);
    for (const char* path : {"/error", "/moved", "/empty.jpg", "/big", "/cut.jpg", "/drip.jpg"}) {
        const Result result = fetch(m_server.url(path), QStringLiteral("x.jpg"));
        EXPECT_EQ(result.calls, 1) << path;
        EXPECT_FALSE(result.ok) << path;
        EXPECT_FALSE(result.error.isEmpty()) << path;
        EXPECT_TRUE(leftovers().isEmpty()) << path << ": " << leftovers().join(' ').toStdString();
    }
    const Result refused = fetch(refusedUrl(), QStringLiteral("x.jpg"));
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(DownloaderTest, FailureKeepsTheFileThatWasThere)
{
    QFile earlier(target(QStringLiteral("keep.jpg")));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    EXPECT_FALSE(fetch(m_server.url("/cut.jpg"), QStringLiteral("keep.jpg")).ok);
    EXPECT_EQ(contents(QStringLiteral("keep.jpg")), QByteArray("earlier"));
    EXPECT_TRUE(fetch(m_server.url("/pic.jpg"), QStringLiteral("keep.jpg")).ok);
    EXPECT_EQ(contents(QStringLiteral("keep.jpg")).size(), 1000);
}

TEST_F(DownloaderTest, OnlyWebUrlsAreFetched)
{
    for (const char* url :
         {"file:///etc/hostname", "data:image/jpeg;base64,AAAA", "qrc:/logo.jpg", "http:///x.jpg"}) {
        const Result result = fetch(QUrl(QString::fromLatin1(url)), QStringLiteral("f.jpg"));
        EXPECT_EQ(result.calls, 1) << url;
        EXPECT_FALSE(result.ok) << url;
    }
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(DownloaderTest, APlantedLinkIsNeverWrittenThrough)
{
    const QString outside = target(QStringLiteral("outside.txt"));
    ASSERT_TRUE(QFile::link(outside, target(QStringLiteral("link.jpg"))));
    const Result result = fetch(m_server.url("/pic.jpg"), QStringLiteral("link.jpg"));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(QFile::exists(outside));
    EXPECT_EQ(m_server.pictureRequests(), 0);
}

TEST_F(DownloaderTest, OneTargetSharesOneTransfer)
{
    m_downloader.setMaxConcurrent(1); // so that the later download's transfer runs after the shared one
    Result first, second, third;
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("same.jpg")), &m_context,
                          recorder(first));
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("same.jpg")), &m_context,
                          recorder(second));
    m_downloader.download(m_server.url("/pic.jpg"), m_dir.path() + QStringLiteral("/./same.jpg"), nullptr,
                          recorder(third));
    EXPECT_EQ(m_downloader.pending(), 1);
    ASSERT_TRUE(waitUntil([&] { return first.calls && second.calls && third.calls; }));
    EXPECT_TRUE(first.ok && second.ok && third.ok);
    waitForALaterDownload();
    EXPECT_EQ(first.calls + second.calls + third.calls, 3);
    EXPECT_EQ(m_server.pictureRequests(), 2); // the shared transfer's and the later one's
}

TEST_F(DownloaderTest, RunsNoMoreThanTheMaximumAtOnce)
{
    m_downloader.setMaxConcurrent(2);
    std::vector<Result> results(5);
    for (int i = 0; i < 5; ++i)
        m_downloader.download(m_server.url("/gated.jpg"), target(QStringLiteral("g%1.jpg").arg(i)),
                              &m_context, recorder(results[std::size_t(i)]));
    ASSERT_TRUE(waitUntil([&] { return m_server.gate().waiting() == 2; }));
    // A page asked for on the same network after the downloads were queued: once the server has
    // answered it, a third download started with them would have reached the gate too.
    PageLoader later(m_network);
    bool answered = false;
    QObject::connect(&later, &PageLoader::DocumentComplete, [&] { answered = true; });
    later.Navigate(m_server.url("/page"));
    ASSERT_TRUE(waitUntil([&] { return answered; }));
    EXPECT_TRUE(later.errorText().isEmpty());
    EXPECT_EQ(m_server.gate().waiting(), 2);
    EXPECT_EQ(m_downloader.running(), 2);
    EXPECT_EQ(m_downloader.pending(), 5);
    m_server.gate().open();
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(results.begin(), results.end(), [](const Result& r) { return r.calls == 1; });
    }));
    EXPECT_EQ(m_server.gate().peak(), 2);
    for (const Result& result : results)
        EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(m_downloader.pending(), 0);
}

TEST_F(DownloaderTest, CancelledDownloadsReportNothingAndWriteNothing)
{
    m_downloader.setMaxConcurrent(2);
    int calls = 0;
    for (int i = 0; i < 6; ++i)
        m_downloader.download(m_server.url("/gated.jpg"), target(QStringLiteral("c%1.jpg").arg(i)),
                              &m_context, [&](bool, const QString&) { ++calls; });
    ASSERT_TRUE(waitUntil([&] { return m_server.gate().waiting() == 2; }));
    m_downloader.cancelAll();
    EXPECT_EQ(m_downloader.pending(), 0);
    m_server.gate().open();
    ASSERT_TRUE(waitUntil([&] { return m_server.gate().waiting() == 0; })); // the held ones are answered
    // The downloader is usable afterwards, and its later download is the evidence that the
    // cancelled ones will not call back.
    EXPECT_TRUE(fetch(m_server.url("/pic.jpg"), QStringLiteral("after.jpg")).ok);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("after.jpg")});
}

TEST_F(DownloaderTest, CallbacksFollowTheirContext)
{
    auto gone = std::make_unique<QObject>();
    Result dropped, free;
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("a.jpg")), gone.get(),
                          recorder(dropped));
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("b.jpg")), nullptr, recorder(free));
    gone.reset();
    ASSERT_TRUE(waitUntil([&] { return free.calls == 1; }));
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(target(QStringLiteral("a.jpg"))); }));
    waitForALaterDownload();
    EXPECT_EQ(dropped.calls, 0);
    EXPECT_TRUE(free.ok);
}

TEST_F(DownloaderTest, ACallbackMayStartTheSameDownloadAgain)
{
    Result again;
    int firstCalls = 0;
    m_downloader.download(
        m_server.url("/cut.jpg"), target(QStringLiteral("r.jpg")), &m_context, [&](bool ok, const QString&) {
            ++firstCalls;
            if (!ok)
                m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("r.jpg")), &m_context,
                                      recorder(again));
        });
    ASSERT_TRUE(waitUntil([&] { return again.calls == 1; }));
    EXPECT_EQ(firstCalls, 1);
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(contents(QStringLiteral("r.jpg")).size(), 1000);
}

TEST_F(DownloaderTest, CookiesOfPagesGoWithDownloads)
{
    PageLoader loader(m_network);
    int loaded = 0;
    QObject::connect(&loader, &PageLoader::DocumentComplete, [&] { ++loaded; });
    loader.Navigate(m_server.url("/login"));
    ASSERT_TRUE(waitUntil([&] { return loaded == 1; }));
    EXPECT_TRUE(fetch(m_server.url("/pic.jpg"), QStringLiteral("c.jpg")).ok);
    EXPECT_NE(m_server.header("Cookie").find("sid=42"), std::string::npos);
}

TEST_F(DownloaderTest, AFirstDownloadOvertakesTheQueue)
{
    m_downloader.setMaxConcurrent(1);
    std::vector<QString> order;
    const auto note = [&order](const QString& name) {
        return [&order, name](bool ok, const QString&) {
            order.push_back(ok ? name : QStringLiteral("failed"));
        };
    };
    m_downloader.download(m_server.url("/gated.jpg"), target(QStringLiteral("held.jpg")), &m_context,
                          note(QStringLiteral("held")));
    ASSERT_TRUE(waitUntil([&] { return m_server.gate().waiting() == 1; }));
    for (const char* name : {"a", "b"})
        m_downloader.download(m_server.url("/pic.jpg"), target(QString::fromLatin1(name)), &m_context,
                              note(QString::fromLatin1(name)));
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("clicked")), &m_context,
                          note(QStringLiteral("clicked")), Downloader::Priority::First);
    // A second request for a queued target moves it ahead too.
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("b")), nullptr,
                          note(QStringLiteral("b2")), Downloader::Priority::First);
    m_server.gate().open();
    ASSERT_TRUE(waitUntil([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<QString>{QStringLiteral("held"), QStringLiteral("b"), QStringLiteral("b2"),
                                           QStringLiteral("clicked"), QStringLiteral("a")}));
}

TEST_F(DownloaderTest, CancellingAnOwnerLeavesTheOthersDownloads)
{
    m_downloader.setMaxConcurrent(2);
    QObject search, favourites;
    int searchCalls = 0;
    std::vector<Result> kept(3);
    // Two of the search's downloads hold both places; the rest wait in the queue behind them.
    for (int i = 0; i < 4; ++i)
        m_downloader.download(m_server.url(i < 2 ? "/gated.jpg" : "/pic.jpg"),
                              target(QStringLiteral("s%1.jpg").arg(i)), &search,
                              [&](bool, const QString&) { ++searchCalls; });
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("f0.jpg")), &favourites,
                          recorder(kept[0]));
    // A target both wait for goes on for the one that still waits.
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("shared.jpg")), &search,
                          [&](bool, const QString&) { ++searchCalls; });
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("shared.jpg")), &favourites,
                          recorder(kept[1]));
    m_downloader.download(m_server.url("/pic.jpg"), target(QStringLiteral("free.jpg")), nullptr,
                          recorder(kept[2]));
    ASSERT_TRUE(waitUntil([&] { return m_server.gate().waiting() == 2; }));
    EXPECT_EQ(m_downloader.pending(), 7);

    m_downloader.cancel(&search);
    EXPECT_EQ(m_downloader.pending(), 3);
    ASSERT_TRUE(waitUntil(
        [&] { return std::all_of(kept.begin(), kept.end(), [](const Result& r) { return r.calls == 1; }); }));
    for (const Result& result : kept)
        EXPECT_TRUE(result.ok) << result.error.toStdString();
    m_server.gate().open();
    ASSERT_TRUE(waitUntil([&] { return m_server.gate().waiting() == 0; }));
    waitForALaterDownload();
    EXPECT_EQ(searchCalls, 0);
    QStringList files = leftovers();
    files.sort();
    EXPECT_EQ(files, (QStringList{QStringLiteral("f0.jpg"), QStringLiteral("free.jpg"),
                                  QStringLiteral("shared.jpg")}));
}

namespace {

/// The downloader's threads (the file writer, the fetcher), by their names: other tests' threads come
/// and go in this process while this one runs.
int downloaderThreads()
{
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && name.readAll().startsWith("vorbel-f"))
            ++count;
    }
    return count;
}

} // namespace

TEST(DownloaderThreads, ADownloaderStartsItsThreadsWithItsFirstDownload)
{
    if (!QDir(QStringLiteral("/proc/self/task")).exists())
        GTEST_SKIP() << "no /proc/self/task here";
    TestServer server;
    QTemporaryDir dir;
    QNetworkAccessManager network;
    {
        Downloader idle(network);
        EXPECT_EQ(downloaderThreads(), 0);
    }
    Downloader downloader(network);
    bool done = false;
    downloader.download(server.url("/pic.jpg"), dir.filePath(QStringLiteral("a.jpg")), nullptr,
                        [&](bool ok, const QString&) { done = ok; });
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_EQ(downloaderThreads(), 2); // "vorbel-files" and "vorbel-fetch"
}
