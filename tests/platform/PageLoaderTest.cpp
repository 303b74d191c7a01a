#include "platform/PageLoader.h"
#include "TestServer.h"
#include "testing/EventLoop.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace vorbel;
using namespace vorbel::test;

namespace {

class PageLoaderTest : public ::testing::Test
{
protected:
    PageLoaderTest()
    {
        QObject::connect(&m_loader, &PageLoader::DocumentComplete, [this] {
            ++m_completions;
            m_texts << m_loader.page().text();
        });
    }

    /// Navigates and waits for the next completion.
    bool load(const QUrl& url)
    {
        const int before = m_completions;
        m_loader.Navigate(url);
        return waitUntil([&] { return m_completions > before; });
    }

    /// Loads a page of its own in a second loader on the same network and waits for it. Replies are
    /// handled in the order they come, so once this one is in, any completion still due from earlier
    /// loads has fired. A loader of its own, as a new Navigate of the first would cancel what it is
    /// there to watch.
    void waitForALaterLoad()
    {
        PageLoader later(m_network);
        bool done = false;
        QObject::connect(&later, &PageLoader::DocumentComplete, [&] { done = true; });
        later.Navigate(m_server.url("/gbk"));
        ASSERT_TRUE(waitUntil([&] { return done; }));
        EXPECT_TRUE(later.page().text().contains(QStringLiteral("当当网")));
    }

    /// Opens the gate and waits until the server has let every held request go.
    void openGate()
    {
        m_server.gate().open();
        ASSERT_TRUE(waitUntil([&] { return m_server.gate().waiting() == 0; }));
    }

    TestServer m_server;
    QNetworkAccessManager m_network;
    PageLoader m_loader{m_network};
    int m_completions = 0;
    QStringList m_texts;
};

} // namespace

TEST_F(PageLoaderTest, CompletesOnceWithThePageText)
{
    m_loader.Navigate(m_server.url("/page"));
    EXPECT_TRUE(m_loader.isLoading());
    ASSERT_TRUE(waitUntil([&] { return m_completions == 1; }));
    EXPECT_FALSE(m_loader.isLoading());
    EXPECT_TRUE(m_loader.page().text().contains(QStringLiteral("\n<TD>ok</TD>\n")));
    EXPECT_TRUE(m_loader.errorText().isEmpty());
    EXPECT_EQ(m_loader.url(), m_server.url("/page"));
    waitForALaterLoad();
    EXPECT_EQ(m_completions, 1);
}

TEST_F(PageLoaderTest, ReadsTheCharsetOfTheHeader)
{
    ASSERT_TRUE(load(m_server.url("/gbk")));
    EXPECT_TRUE(m_loader.page().text().contains(QStringLiteral("\n<TD>当当网</TD>\n")));
}

TEST_F(PageLoaderTest, CompletesOnceOnServerAndNetworkFailures)
{
    ASSERT_TRUE(load(m_server.url("/error")));
    EXPECT_TRUE(
        m_loader.page().text().contains(QStringLiteral("<TD>server error</TD>"))); // the body is the page
    EXPECT_FALSE(m_loader.errorText().isEmpty());

    ASSERT_TRUE(load(refusedUrl()));
    EXPECT_FALSE(m_loader.page().text().contains(QStringLiteral("<TD>")));
    EXPECT_FALSE(m_loader.errorText().isEmpty());
    waitForALaterLoad();
    EXPECT_EQ(m_completions, 2);
}

TEST_F(PageLoaderTest, OtherSchemesCompleteLaterAsEmptyPages)
{
    for (const char* url : {"file:///etc/hostname", "data:text/html,<td>x</td>", "javascript:alert(1)"}) {
        const int before = m_completions;
        m_loader.Navigate(QUrl(QString::fromLatin1(url)));
        EXPECT_EQ(m_completions, before) << url; // never inside Navigate
        ASSERT_TRUE(waitUntil([&] { return m_completions == before + 1; })) << url;
        EXPECT_EQ(m_loader.page().count(), 0) << url;
        EXPECT_FALSE(m_loader.errorText().isEmpty()) << url;
    }
}

TEST_F(PageLoaderTest, NewNavigateCancelsTheLoadInFlight)
{
    m_loader.Navigate(m_server.url("/gated"));
    ASSERT_TRUE(waitUntil([&] { return m_server.gate().waiting() == 1; }));
    m_loader.Navigate(m_server.url("/page"));
    ASSERT_TRUE(waitUntil([&] { return m_completions == 1; }));
    openGate();
    waitForALaterLoad();
    ASSERT_EQ(m_completions, 1);
    EXPECT_TRUE(m_texts.first().contains(QStringLiteral("<TD>ok</TD>")));

    // A queued completion of another scheme is cancelled the same way.
    m_loader.Navigate(QUrl(QStringLiteral("file:///etc/hostname")));
    m_loader.Navigate(m_server.url("/page"));
    ASSERT_TRUE(waitUntil([&] { return m_completions == 2; }));
    waitForALaterLoad(); // the file load would have completed after the caller returned, long before
    EXPECT_EQ(m_completions, 2);
    EXPECT_TRUE(m_loader.errorText().isEmpty());
}

TEST_F(PageLoaderTest, DestroyedWhileLoadingCompletesNothing)
{
    auto loader = std::make_unique<PageLoader>(m_network);
    int completions = 0;
    QObject::connect(loader.get(), &PageLoader::DocumentComplete, [&] { ++completions; });
    loader->Navigate(m_server.url("/gated"));
    ASSERT_TRUE(waitUntil([&] { return m_server.gate().waiting() == 1; }));
    loader.reset();
    openGate();
    waitForALaterLoad();
    EXPECT_EQ(completions, 0);
}

TEST_F(PageLoaderTest, FollowsRedirectsWithinALimit)
{
    ASSERT_TRUE(load(m_server.url("/moved")));
    EXPECT_TRUE(m_loader.page().text().contains(QStringLiteral("<TD>ok</TD>")));

    TestServer other;
    other.redirectTo(m_server.url("/page"));
    ASSERT_TRUE(load(other.url("/redirect"))); // to another origin
    EXPECT_TRUE(m_loader.page().text().contains(QStringLiteral("<TD>ok</TD>")));

    ASSERT_TRUE(load(m_server.url("/loop")));
    EXPECT_FALSE(m_loader.errorText().isEmpty());

    QTemporaryDir dir;
    QFile local(dir.filePath(QStringLiteral("local.html")));
    ASSERT_TRUE(local.open(QIODevice::WriteOnly));
    local.write("<td>local secret</td>");
    local.close();
    m_server.redirectTo(QUrl::fromLocalFile(local.fileName()));
    ASSERT_TRUE(load(m_server.url("/redirect")));
    EXPECT_FALSE(m_loader.page().text().contains(QStringLiteral("secret")));
    EXPECT_FALSE(m_loader.errorText().isEmpty());
    waitForALaterLoad();
    EXPECT_EQ(m_completions, 4);
    m_network.clearConnectionCache(); // lets the second server stop without waiting out keep-alive
}

TEST_F(PageLoaderTest, StopsReadingABodyOverTheCap)
{
    m_loader.setMaxBodyBytes(1000);
    ASSERT_TRUE(load(m_server.url("/big")));
    EXPECT_EQ(m_loader.page().count(), 0);
    EXPECT_TRUE(m_loader.errorText().contains(QStringLiteral("过大")));
    waitForALaterLoad();
    EXPECT_EQ(m_completions, 1);
}

TEST_F(PageLoaderTest, HandlerMayNavigateAgain)
{
    QObject::connect(&m_loader, &PageLoader::DocumentComplete, [this] {
        if (m_completions == 1)
            m_loader.Navigate(m_server.url("/gbk"));
    });
    m_loader.Navigate(m_server.url("/page"));
    ASSERT_TRUE(waitUntil([&] { return m_completions == 2; }));
    EXPECT_TRUE(m_texts.at(1).contains(QStringLiteral("当当网")));
}

TEST_F(PageLoaderTest, HandsOverTheFirstPartParsedOnItsOwnBeforeTheWholePage)
{
    QStringList events;
    QByteArray seenBody;
    m_loader.setFirstPartEnd([&](QByteArrayView body) {
        seenBody = body.toByteArray();
        return body.indexOf("</tr>") + 5;
    });
    QObject::connect(&m_loader, &PageLoader::FirstPartComplete,
                     [&](const PageText& part) { events << QStringLiteral("part:") + part.text(); });
    QObject::connect(&m_loader, &PageLoader::DocumentComplete, [&] { events << QStringLiteral("whole"); });
    ASSERT_TRUE(load(m_server.url("/gbk")));
    ASSERT_EQ(events.size(), 2);
    // Cut in the raw GBK body, decoded with the header's charset, closed by the parser where it ends.
    EXPECT_EQ(events[0], QStringLiteral("part:<HTML><HEAD></HEAD><BODY><TABLE><TBODY><TR>\n<TD>当当网</TD>\n"
                                        "</TR></TBODY></TABLE></BODY></HTML>"));
    EXPECT_EQ(events[1], QStringLiteral("whole"));
    EXPECT_TRUE(seenBody.startsWith("<table>"));
    EXPECT_TRUE(m_texts.last().contains(QStringLiteral("当当网")));
}

TEST_F(PageLoaderTest, NoFirstPartForACutOutsideTheBodyOrAFailedLoad)
{
    int parts = 0;
    qsizetype cut = 0;
    m_loader.setFirstPartEnd([&](QByteArrayView body) { return cut < 0 ? body.size() : cut; });
    QObject::connect(&m_loader, &PageLoader::FirstPartComplete, [&] { ++parts; });
    ASSERT_TRUE(load(m_server.url("/page")));
    cut = -1; // the whole body
    ASSERT_TRUE(load(m_server.url("/page")));
    cut = 10;
    ASSERT_TRUE(load(m_server.url("/error")));
    EXPECT_EQ(parts, 0);
    EXPECT_EQ(m_completions, 3);
}

TEST_F(PageLoaderTest, AReceiverOfTheFirstPartMayNavigateElsewhere)
{
    m_loader.setFirstPartEnd([](QByteArrayView) { return qsizetype(10); });
    int parts = 0;
    QObject::connect(&m_loader, &PageLoader::FirstPartComplete, [&] {
        if (++parts == 1)
            m_loader.Navigate(m_server.url("/gbk"));
    });
    m_loader.Navigate(m_server.url("/page"));
    ASSERT_TRUE(waitUntil([&] { return m_completions == 1; }));
    EXPECT_EQ(parts, 2);
    EXPECT_TRUE(m_texts.at(0).contains(QStringLiteral("当当网"))) << "the abandoned page completed";
    waitForALaterLoad();
    EXPECT_EQ(m_completions, 1);
}
