// Service addresses, the system browser's address check and the clock.
#include "platform/Clock.h"
#include "platform/ServiceUrls.h"
#include "platform/SystemBrowser.h"
#include "testing/LocalServer.h"
#include "testing/RecordingBrowser.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <gtest/gtest.h>
#include <mutex>

using namespace vorbel;
using namespace vorbel::test;

TEST(ServiceUrls, QueryValuesReachTheServiceWholeAndInOrder)
{
    LocalServer server;
    std::mutex mutex;
    std::string target, word, user, password;
    server.routes().Get("/ListAll.aspx", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(mutex);
        target = req.target;
        word = req.get_param_value("word");
        user = req.get_param_value("u");
        password = req.get_param_value("p");
        res.set_content("ok", "text/plain");
    });
    server.start();

    const QString keyword = QStringLiteral("a&b=c #1+2% 手机 ?/");
    const QUrl url = serviceUrl(QString::fromStdString(server.url("")), QStringLiteral("/ListAll.aspx"),
                                {{QStringLiteral("word"), keyword},
                                 {QStringLiteral("u"), QStringLiteral("U 1")},
                                 {QStringLiteral("p"), QStringLiteral("kzvtq")}});
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.query(QUrl::FullyEncoded).toStdString(),
              "word=a%26b%3Dc%20%231%2B2%25%20%E6%89%8B%E6%9C%BA%20%3F%2F&u=U%201&p=kzvtq");

    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(reply->error(), QNetworkReply::NoError) << reply->errorString().toStdString();
    std::lock_guard lock(mutex);
    EXPECT_EQ(word, keyword.toStdString());
    EXPECT_EQ(user, "U 1");
    EXPECT_EQ(password, "kzvtq");
    EXPECT_EQ(target.find("/ListAll.aspx?word="), 0u);
    EXPECT_LT(target.find("&u="), target.find("&p="));
}

TEST(ServiceUrls, NoQueryNoQuestionMark)
{
    EXPECT_EQ(serviceUrl(QStringLiteral("http://127.0.0.1:8410"), QStringLiteral("/RandomUser.aspx"), {})
                  .toString(),
              QStringLiteral("http://127.0.0.1:8410/RandomUser.aspx"));
    const ServiceConfig config;
    EXPECT_EQ(config.serviceBase, QStringLiteral(VORBEL_SERVICE_URL));
    EXPECT_EQ(config.updateBase, QStringLiteral(VORBEL_UPDATE_URL));
}

TEST(SystemBrowser, OnlyWebPagesWithAHostAndNoUserInfoOpen)
{
    const std::pair<const char*, bool> cases[] = {
        {"http://item.taobao.com/item.htm?id=1", true},
        {"https://www.jd.com/", true},
        {"HTTP://WWW.DANGDANG.COM/", true},
        {"ftp://example.com/", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"mailto:a@b.c", false},
        {"http:///nohost", false},
        {"http://user:pw@example.com/", false},
        {"http://user@example.com/", false},
        {"/relative/path", false},
        {"", false},
    };
    RecordingBrowser browser;
    int openable = 0;
    for (const auto& [text, expected] : cases) {
        const QUrl url(QString::fromLatin1(text));
        EXPECT_EQ(isOpenableWebUrl(url), expected) << text;
        EXPECT_EQ(browser.openUrl(url), expected) << text;
        openable += expected ? 1 : 0;
    }
    EXPECT_EQ(browser.opened().size(), openable);
}

TEST(Clock, DaysCountFromTheThirtiethOfDecember1899)
{
    EXPECT_EQ(daysSince18991230(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0);
    EXPECT_EQ(daysSince18991230(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2);
    EXPECT_EQ(daysSince18991230(QDateTime(QDate(2026, 12, 8), QTime(0, 0))), 46364);
    EXPECT_EQ(daysSince18991230(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59))), 46364);
    FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
    EXPECT_EQ(daysSince18991230(clock.now()), 46364);
    const SystemClock system;
    EXPECT_EQ(daysSince18991230(system.now()), QDate(1899, 12, 30).daysTo(QDate::currentDate()));
}
