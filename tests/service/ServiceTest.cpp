#include "platform/PageText.h"
#include "service/ReferenceService.h"

#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <httplib.h>

using namespace vorbel;
using namespace vorbel::service;

namespace {

class ServiceTest : public ::testing::Test
{
protected:
    void startService(ServiceOptions options = {})
    {
        options.port = 0;
        options.clock = [this] { return m_now.load(); };
        m_service = std::make_unique<ReferenceService>(std::move(options));
        ASSERT_TRUE(m_service->start());
        m_client = std::make_unique<httplib::Client>("127.0.0.1", m_service->port());
    }

    httplib::Result get(const std::string& path) { return m_client->Get(path.c_str()); }

    PageText page(const std::string& path)
    {
        const auto result = get(path);
        EXPECT_TRUE(result);
        if (!result)
            return {};
        const std::string type = result->get_header_value("Content-Type");
        const auto at = type.find("charset=");
        const std::string charset = at == std::string::npos ? "" : type.substr(at + 8);
        return PageText::fromHtml(QByteArrayView(result->body.data(), qsizetype(result->body.size())),
                                  QByteArrayView(charset.data(), qsizetype(charset.size())));
    }

    static std::vector<int> offerStarts(const PageText& text)
    {
        std::vector<int> starts;
        for (int i = 0; i < text.count(); ++i)
            if (text.line(i).contains(QStringLiteral("<TR>")))
                starts.push_back(i);
        return starts;
    }

    static QString cell(const PageText& text, int line)
    {
        const QString value = text.line(line);
        const qsizetype end = value.indexOf(QStringLiteral("</TD>"));
        return end < 0 ? QString() : value.mid(4, end - 4);
    }

    std::atomic<std::int64_t> m_now{1765000000};
    std::unique_ptr<ReferenceService> m_service;
    std::unique_ptr<httplib::Client> m_client;
};

TEST_F(ServiceTest, ResultPageFollowsTheOfferPattern)
{
    startService();
    const PageText text = page("/ListAll.aspx?word=%E6%89%8B%E6%9C%BA&u=U1&p=kzvtq");
    const std::vector<int> starts = offerStarts(text);
    ASSERT_GE(starts.size(), 20u);
    ASSERT_LE(starts.size(), 60u);
    int empty = 0;
    for (int i = 0; i < text.count(); ++i)
        empty += text.line(i).contains(QStringLiteral("<TD></TD>")) ? 1 : 0;
    EXPECT_EQ(empty, int(starts.size()));
    QSet<QString> shops;
    for (int i : starts) {
        bool number = false;
        cell(text, i + 1).toInt(&number);
        EXPECT_TRUE(number) << text.line(i + 1).toStdString();
        EXPECT_TRUE(cell(text, i + 3).contains(QStringLiteral("手机")));
        EXPECT_TRUE(cell(text, i + 4).endsWith(QStringLiteral(".jpg")));
        cell(text, i + 6).toInt(&number);
        EXPECT_TRUE(number);
        EXPECT_TRUE(cell(text, i + 8).contains(QStringLiteral("&amp;")));
        EXPECT_EQ(text.line(i + 12), QStringLiteral("<TD></TD>"));
        EXPECT_EQ(text.line(i + 13), QStringLiteral("<TD>No</TD>"));
        shops << cell(text, i + 9);
    }
    EXPECT_EQ(shops.size(), 7);
    // The same keyword gives the same page.
    EXPECT_EQ(page("/ListAll.aspx?word=%E6%89%8B%E6%9C%BA&u=U1&p=kzvtq").lines(), text.lines());
}

TEST_F(ServiceTest, KeywordsArriveWhole)
{
    startService();
    const PageText text = page("/ListAll.aspx?word=a%26b%20%231%2B2%25&u=U1&p=kzvtq");
    const std::vector<int> starts = offerStarts(text);
    ASSERT_FALSE(starts.empty());
    EXPECT_TRUE(cell(text, starts.front() + 3).contains(QStringLiteral("a&amp;b #1+2%")));
}

TEST_F(ServiceTest, IdentityAndVersionPages)
{
    startService();
    const PageText identity = page("/RandomUser.aspx");
    int body = -1;
    for (int i = 0; i < 4; ++i)
        if (identity.line(i).startsWith(QStringLiteral("<BODY>")))
            body = i;
    ASSERT_GE(body, 0) << identity.text().toStdString();
    const QString id = identity.line(body).mid(6).trimmed();
    EXPECT_FALSE(id.isEmpty());
    EXPECT_FALSE(id.contains(QLatin1Char('<')));
    EXPECT_NE(page("/RandomUser.aspx").line(body), identity.line(body));

    const PageText version = page("/Ver/Ver10.html");
    EXPECT_TRUE(version.text().contains(QStringLiteral("AAA=mm_")));
    EXPECT_TRUE(version.text().contains(QStringLiteral("BBB=")));
    EXPECT_TRUE(version.text().contains(QStringLiteral("CCC=")));
}

TEST_F(ServiceTest, FavouriteCycleWithPriceDrops)
{
    QTemporaryDir data;
    ServiceOptions options;
    options.dataDir = data.path().toStdString();
    startService(options);
    const PageText results = page("/ListAll.aspx?word=ipad2&u=U7&p=kzvtq");
    const std::vector<int> starts = offerStarts(results);
    ASSERT_GE(starts.size(), 2u);
    const std::string bh = cell(results, starts[0] + 1).toStdString();
    ASSERT_TRUE(get("/OpFav.aspx?u=U7&p=kzvtq&i=" + bh));
    EXPECT_EQ(page("/ListAll.aspx?word=ipad2&u=U7&p=kzvtq").line(starts[0] + 13),
              QStringLiteral("<TD>Yes</TD>"));

    PageText favourites = page("/ListAllMyFav.aspx?u=U7&p=kzvtq");
    std::vector<int> rows = offerStarts(favourites);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(cell(favourites, rows[0] + 1), QStringLiteral("序列"));
    EXPECT_EQ(cell(favourites, rows[1] + 4), cell(results, starts[0] + 2));
    EXPECT_TRUE(offerStarts(page("/ListAllMyFav.aspx?u=OTHER&p=kzvtq")).size() == 1);

    // Move the clock until the price falls below the collected one.
    bool dropped = false;
    for (int step = 0; step < 200 && !dropped; ++step) {
        m_now += 180;
        dropped = offerStarts(page("/ListAllMyFav.aspx?u=U7&p=kzvtq&d=down")).size() == 2;
    }
    EXPECT_TRUE(dropped);
    const std::string ufid = cell(favourites, rows[1] + 1).toStdString();

    // Favourites survive a restart of the service.
    m_service->stop();
    startService(options);
    ASSERT_EQ(offerStarts(page("/ListAllMyFav.aspx?u=U7&p=kzvtq")).size(), 2u);
    ASSERT_TRUE(get("/OpFav.aspx?u=U7&p=kzvtq&uf=" + ufid));
    EXPECT_EQ(offerStarts(page("/ListAllMyFav.aspx?u=U7&p=kzvtq")).size(), 1u);
}

TEST_F(ServiceTest, PicturesAreRealStableJpegs)
{
    startService();
    const auto small = get("/pic/Pabc123.jpg");
    const auto again = get("/pic/Pabc123.jpg");
    const auto other = get("/pic/Pxyz789.jpg");
    ASSERT_TRUE(small && again && other);
    EXPECT_EQ(small->body.substr(0, 2), std::string("\xFF\xD8"));
    EXPECT_EQ(small->body, again->body);
    EXPECT_NE(small->body, other->body);
    EXPECT_GT(get("/pic/Pabc123_dtp.jpg")->body.size(), small->body.size());
}

TEST_F(ServiceTest, Utf8SwitchAndPageSize)
{
    ServiceOptions options;
    options.utf8 = true;
    options.pageSize = 250;
    startService(options);
    const auto result = get("/ListAll.aspx?word=tv&u=&p=");
    ASSERT_TRUE(result);
    EXPECT_NE(result->get_header_value("Content-Type").find("utf-8"), std::string::npos);
    EXPECT_EQ(offerStarts(page("/ListAll.aspx?word=tv&u=&p=")).size(), 250u);
}

TEST_F(ServiceTest, FaultSwitches)
{
    auto with = [&](Fault fault) {
        ServiceOptions options;
        options.faults = {fault};
        if (m_service)
            m_service->stop();
        startService(options);
    };
    with(Fault::Http500);
    EXPECT_EQ(get("/ListAll.aspx?word=x")->status, 500);
    with(Fault::NoTable);
    EXPECT_TRUE(offerStarts(page("/ListAll.aspx?word=x")).empty());
    with(Fault::BadNumber);
    const PageText bad = page("/ListAll.aspx?word=x");
    int broken = 0;
    for (int i : offerStarts(bad)) {
        bool number = false;
        cell(bad, i + 1).toInt(&number);
        broken += number ? 0 : 1;
    }
    EXPECT_EQ(broken, 1);
    with(Fault::HalfBody);
    EXPECT_FALSE(get("/ListAll.aspx?word=x"));
    with(Fault::CorruptJpeg);
    EXPECT_EQ(get("/pic/P1.jpg")->body.substr(0, 2), std::string("\xFF\xD8"));
    EXPECT_EQ(get("/pic/P1.jpg")->body.find("JFIF"), std::string::npos);
    with(Fault::PictureRedirect);
    EXPECT_EQ(get("/pic/P1.jpg")->status, 302);
    with(Fault::HugePicture);
    EXPECT_GT(get("/pic/P1.jpg")->body.size(), size_t(16 * 1024 * 1024));
    with(Fault::Drip);
    const auto dripped = get("/RandomUser.aspx");
    ASSERT_TRUE(dripped);
    EXPECT_NE(dripped->body.find("<body>"), std::string::npos);
}

} // namespace
