#include "ServiceTestSupport.h"

#include "service/Catalogue.h"

#include <QRegularExpression>
#include <QSet>
#include <QUrl>

using namespace vorbel;
using namespace vorbel::test;

namespace {

/// Every offer of the page takes the client's line pattern; returns the offers' number cells.
QStringList checkOfferPattern(const PageText& text)
{
    QStringList numbers;
    for (int i : rowStarts(text)) {
        for (int line = i + 1; line <= i + 11; ++line) {
            EXPECT_TRUE(text.line(line).startsWith(QStringLiteral("<TD>"))) << text.line(line).toStdString();
            EXPECT_FALSE(cellValue(text, line).isEmpty()) << "line " << line - i << " of the offer at " << i;
        }
        EXPECT_EQ(text.line(i + 12), QStringLiteral("<TD></TD>"));
        EXPECT_TRUE(text.line(i + 13) == QStringLiteral("<TD>No</TD>") ||
                    text.line(i + 13) == QStringLiteral("<TD>Yes</TD>"))
            << text.line(i + 13).toStdString();
        EXPECT_TRUE(text.line(i + 14).contains(QStringLiteral("</TR>")));
        numbers << cellValue(text, i + 1);
    }
    return numbers;
}

bool isWholeNumber(const QString& text)
{
    bool ok = false;
    text.toInt(&ok);
    return ok && !text.startsWith(QLatin1Char('+')) && !text.startsWith(QLatin1Char('-'));
}

TEST_F(ServiceTest, ResultPageTakesTheOfferPatternOnePatternPerOffer)
{
    startService();
    const PageText text = results("手机");
    const std::vector<int> starts = rowStarts(text);
    ASSERT_EQ(int(starts.size()), service::offerCount("手机"));
    EXPECT_EQ(emptyCellLines(text), int(starts.size()));
    const QStringList numbers = checkOfferPattern(text);
    EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), numbers.size()) << "offer numbers repeat";
    QSet<QString> shops;
    bool whole = false, decimals = false;
    for (int i : starts) {
        EXPECT_TRUE(isWholeNumber(cellValue(text, i + 1)));
        EXPECT_TRUE(cellValue(text, i + 3).contains(QStringLiteral("手机")));
        const QString base = QString::fromStdString(m_service->baseUrl());
        EXPECT_EQ(cellValue(text, i + 4), base + "/pic/" + cellValue(text, i + 2) + ".jpg");
        EXPECT_EQ(cellValue(text, i + 5), base + "/pic/" + cellValue(text, i + 2) + "_dtp.jpg");
        EXPECT_TRUE(isWholeNumber(cellValue(text, i + 6)));
        const QString price = cellValue(text, i + 7);
        (price.contains(QLatin1Char('.')) ? decimals : whole) = true;
        EXPECT_GT(cents(price), 0);
        const QString shop = cellValue(text, i + 9);
        const QString link = cellValue(text, i + 8);
        const bool taobaoLike = shop == QStringLiteral("淘宝网") || shop == QStringLiteral("天猫商城");
        EXPECT_TRUE(link.contains(taobaoLike ? QStringLiteral("pid=mm_") : QStringLiteral("unionId=")))
            << link.toStdString();
        EXPECT_TRUE(link.contains(QStringLiteral("&amp;")))
            << "the link's separators are escaped in the markup";
        EXPECT_TRUE(
            text.line(i + 10).contains(QRegularExpression(QStringLiteral("^<TD>\\d{4}-\\d\\d-\\d\\d "))));
        shops << shop;
    }
    EXPECT_EQ(shops.size(), 7);
    EXPECT_TRUE(whole && decimals);
}

TEST_F(ServiceTest, SameKeywordSamePageOtherKeywordOtherOffers)
{
    startService();
    const PageText first = results("iphone5");
    EXPECT_EQ(results("iphone5").lines(), first.lines());
    const PageText other = results("iphone4");
    EXPECT_NE(cellValue(other, rowStarts(other)[0] + 1), cellValue(first, rowStarts(first)[0] + 1));
    EXPECT_NE(cellValue(other, rowStarts(other)[0] + 2), cellValue(first, rowStarts(first)[0] + 2));
}

TEST_F(ServiceTest, KeywordsWithQuerySeparatorsArriveWhole)
{
    startService();
    for (const std::string keyword : {"a&b #1+2% c", "C++ 100%", "50% off & more"}) {
        const PageText text = results(keyword);
        const std::vector<int> starts = rowStarts(text);
        ASSERT_FALSE(starts.empty()) << keyword;
        QString escaped = QString::fromStdString(keyword).replace(QLatin1Char('&'), QStringLiteral("&amp;"));
        EXPECT_TRUE(cellValue(text, starts.front() + 3).contains(escaped))
            << text.line(starts.front() + 3).toStdString();
        EXPECT_EQ(int(starts.size()), service::offerCount(keyword));
    }
}

TEST_F(ServiceTest, HostileKeywordsCannotBreakThePattern)
{
    startService();
    // Line breaks, tabs, a NUL, invalid UTF-8, markup and the client's own markers in the keyword.
    const std::string keyword =
        std::string("x\ny\r\tz\0w", 8) + "\xFF\xC3<tr><td></td>Yes</TD>" + "\xE2\x80\xA8";
    const PageText text = results(keyword);
    const std::vector<int> starts = rowStarts(text);
    EXPECT_GE(starts.size(), 20u);
    EXPECT_EQ(emptyCellLines(text), int(starts.size()));
    checkOfferPattern(text);
    EXPECT_TRUE(text.line(text.count() - 1).contains(QStringLiteral("</HTML>"))) << "the page arrived whole";

    // A very long keyword still yields whole cell lines.
    const PageText longOne = results(std::string(3000, 'k'));
    EXPECT_EQ(emptyCellLines(longOne), int(rowStarts(longOne).size()));
    checkOfferPattern(longOne);
}

TEST_F(ServiceTest, EmptyKeywordGivesAPageWithoutOffers)
{
    startService();
    const PageText text = page("/ListAll.aspx?word=&u=U1&p=kzvtq");
    EXPECT_TRUE(rowStarts(text).empty());
    EXPECT_EQ(emptyCellLines(text), 0);
    EXPECT_TRUE(text.text().contains(QStringLiteral("<BODY>")));
}

TEST_F(ServiceTest, GbkAndUtf8PagesReadTheSame)
{
    startService();
    const std::string keyword = "笔记本 € 😀 é";
    const auto gbk = get("/ListAll.aspx?word=" + encoded(keyword) + "&u=U1&p=kzvtq");
    ASSERT_TRUE(gbk);
    EXPECT_EQ(gbk->get_header_value("Content-Type"), "text/html; charset=gbk");
    EXPECT_NE(gbk->body.find("<meta charset=\"gbk\">"), std::string::npos);
    const PageText gbkText = results(keyword);

    service::ServiceOptions options;
    options.utf8 = true;
    startService(options);
    const auto utf8 = get("/ListAll.aspx?word=" + encoded(keyword) + "&u=U1&p=kzvtq");
    ASSERT_TRUE(utf8);
    EXPECT_EQ(utf8->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(utf8->body.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(utf8->body.find("笔记本 € 😀 é"), std::string::npos);
    EXPECT_NE(gbk->body, utf8->body);

    // Nothing is lost to "?" either way: the two pages read the same but for the port and the charset.
    PageText utf8Text = results(keyword);
    const QString gbkPort =
        QStringLiteral(":%1/").arg(QUrl(cellValue(gbkText, rowStarts(gbkText)[0] + 4)).port());
    const QString utf8Port = QStringLiteral(":%1/").arg(m_service->port());
    QStringList expected = gbkText.lines();
    expected.replaceInStrings(gbkPort, utf8Port)
        .replaceInStrings(QStringLiteral("charset=\"gbk\""), QStringLiteral("charset=\"utf-8\""));
    EXPECT_EQ(utf8Text.lines(), expected);
    EXPECT_TRUE(utf8Text.text().contains(QStringLiteral("😀")));
}

TEST_F(ServiceTest, FixedPageSizeUpToTenThousand)
{
    service::ServiceOptions options;
    options.pageSize = 250;
    startService(options);
    PageText text = results("tv");
    EXPECT_EQ(rowStarts(text).size(), 250u);
    EXPECT_EQ(emptyCellLines(text), 250);

    options.pageSize = 20000; // more than the largest page: held to it
    startService(options);
    text = results("tv");
    ASSERT_EQ(rowStarts(text).size(), 10000u);
    EXPECT_EQ(emptyCellLines(text), 10000);
    const QStringList numbers = checkOfferPattern(text);
    EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), 10000);
}

TEST_F(ServiceTest, IdentityStandsAloneOnTheBodyLine)
{
    startService();
    QSet<QString> identities;
    for (int call = 0; call < 5; ++call) {
        const PageText identity = page("/RandomUser.aspx");
        int body = -1;
        for (int i = 0; i < 4 && body < 0; ++i)
            if (identity.line(i).startsWith(QStringLiteral("<BODY>")))
                body = i;
        ASSERT_GE(body, 0) << identity.text().toStdString();
        const QString id = identity.line(body).mid(6).trimmed();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{6,}$")).match(id).hasMatch())
            << id.toStdString();
        identities << id;
    }
    EXPECT_EQ(identities.size(), 5) << "every call gives a new identity";
}

TEST_F(ServiceTest, VersionPageHoldsOneLinkCodesLine)
{
    startService();
    const PageText version = page("/Ver/Ver10.html");
    int lines = 0;
    for (const QString& line : version.lines()) {
        if (!line.contains(QStringLiteral("AAA=")))
            continue;
        ++lines;
        const QRegularExpressionMatch codes =
            QRegularExpression(QStringLiteral("AAA=(mm_[0-9_]+)BBB=([0-9]+)CCC=")).match(line);
        EXPECT_TRUE(codes.hasMatch()) << line.toStdString();
    }
    EXPECT_EQ(lines, 1);
    EXPECT_EQ(page("/Ver/Ver11.html").lines(), version.lines());
}

TEST_F(ServiceTest, HomePageListsTheHotKeywords)
{
    startService();
    const auto home = get("/");
    ASSERT_TRUE(home);
    EXPECT_EQ(home->status, 200);
    const PageText text = page("/");
    EXPECT_TRUE(text.text().contains(QStringLiteral("苹果/APPLE")));
    EXPECT_TRUE(text.text().contains(QStringLiteral("/ListAll.aspx?word=")));
}

TEST_F(ServiceTest, ShopLinksOpenTheOfferWithItsCodes)
{
    startService();
    const PageText text = results("小米手机");
    for (int i : rowStarts(text)) {
        const QString link = cellValue(text, i + 8).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        const QUrl url(link);
        ASSERT_EQ(url.port(), m_service->port());
        const PageText shop = page((url.path() + "?" + url.query(QUrl::FullyEncoded)).toStdString());
        EXPECT_TRUE(shop.text().contains(cellValue(text, i + 3))) << "the shop page shows the product";
        if (link.contains(QStringLiteral("pid="))) {
            EXPECT_TRUE(shop.text().contains(QStringLiteral("pid：mm_")));
        }
    }
    EXPECT_EQ(get("/shop/jd/item.htm?id=12345")->status, 404);
}

TEST_F(ServiceTest, RequestCountsCoverAPathAndEverythingBelowIt)
{
    startService();
    get("/pic/Pabc.jpg");
    get("/pic/Pdef_dtp.jpg");
    get("/pictures");
    get("/");
    results("x");
    EXPECT_EQ(m_service->requestCount("/pic"), 2);
    EXPECT_EQ(m_service->requestCount("/pic/Pabc.jpg"), 1);
    EXPECT_EQ(m_service->requestCount("/"), 1);
    EXPECT_EQ(m_service->requestCount("/ListAll.aspx"), 1);
}

TEST_F(ServiceTest, ABusyPortIsReported)
{
    startService();
    service::ServiceOptions options;
    options.port = m_service->port();
    service::ReferenceService second(options);
    EXPECT_FALSE(second.start());
    EXPECT_NE(second.error(), "");
    EXPECT_FALSE(second.running());
    EXPECT_EQ(get("/")->status, 200) << "the first one serves on";
}

} // namespace

TEST_F(ServiceTest, PictureViewShowsTheSameOffersWithTheirPicturesAndReportsTheLoadTime)
{
    startService();
    const PageText plain = results("手机");
    const PageText shown = page("/ListAll.aspx?word=%E6%89%8B%E6%9C%BA&u=U1&view=pictures");
    const std::vector<int> plainRows = rowStarts(plain), shownRows = rowStarts(shown);
    ASSERT_EQ(shownRows.size(), plainRows.size());
    ASSERT_FALSE(shownRows.empty());
    for (std::size_t r = 0; r < plainRows.size(); ++r) {
        const QString picture = cellValue(plain, plainRows[r] + 4);
        EXPECT_EQ(shown.line(shownRows[r] + 4).toStdString(),
                  QStringLiteral("<TD><IMG src=\"%1\" alt=\"\"></TD>").arg(picture).toStdString());
        for (int cell : {1, 2, 3, 5, 6, 7, 8, 9, 13})
            EXPECT_EQ(shown.line(shownRows[r] + cell).toStdString(),
                      plain.line(plainRows[r] + cell).toStdString());
    }
    EXPECT_TRUE(shown.text().contains(QStringLiteral("document.title = Math.round(performance.now())")));
    EXPECT_FALSE(plain.text().contains(QStringLiteral("<IMG")));
}
