#include "platform/PageText.h"
#include "codec/Gbk.h"

#include <gtest/gtest.h>

using namespace vorbel;

namespace {

int indexOf(const PageText& page, const QString& line)
{
    for (int i = 0; i < page.count(); ++i) {
        if (page.line(i) == line)
            return i;
    }
    return -1;
}

const char* const OfferTable =
    "<html>\n<head><title>t</title></head>\n<body>\n<table>\n<tr>\n<td>1001</td>\n"
    "<td>http://s.cn/x?id=1&amp;pid=mm_1</td>\n<td></td>\n<td>No</td>\n</tr>\n</table>\n"
    "</body>\n</html>\n";

} // namespace

TEST(PageText, ElementNamesAreUpperCaseAndCellsStayOnTheirLines)
{
    const PageText page = PageText::fromMarkup(QString::fromUtf8(OfferTable));
    const int row = indexOf(page, QStringLiteral("<TBODY><TR>"));
    ASSERT_GE(row, 0) << page.text().toStdString();
    EXPECT_EQ(page.line(row + 1), QStringLiteral("<TD>1001</TD>"));
    EXPECT_EQ(page.line(row + 2), QStringLiteral("<TD>http://s.cn/x?id=1&amp;pid=mm_1</TD>"));
    EXPECT_EQ(page.line(row + 3), QStringLiteral("<TD></TD>"));
    EXPECT_EQ(page.line(row + 4), QStringLiteral("<TD>No</TD>"));
    EXPECT_EQ(page.line(row + 5), QStringLiteral("</TR>"));
    EXPECT_TRUE(page.line(0).startsWith(QStringLiteral("<HTML><HEAD><TITLE>t</TITLE></HEAD>")));
}

TEST(PageText, BodyLineCarriesTheTextAfterIt)
{
    const PageText page =
        PageText::fromMarkup(QStringLiteral("<html>\n<head></head>\n<body>U12345\n</body>\n</html>"));
    ASSERT_GE(page.count(), 2);
    EXPECT_EQ(page.line(0), QStringLiteral("<HTML><HEAD></HEAD>"));
    EXPECT_EQ(page.line(1), QStringLiteral("<BODY>U12345"));
}

TEST(PageText, TextIsEscapedAsBrowsersDo)
{
    const PageText page =
        PageText::fromMarkup(QStringLiteral("<p a=\"x&quot;y\">1 &lt; 2 &amp;&amp; 3&nbsp;&gt; 0</p>"));
    EXPECT_TRUE(
        page.text().contains(QStringLiteral("<P a=\"x&quot;y\">1 &lt; 2 &amp;&amp; 3&nbsp;&gt; 0</P>")))
        << page.text().toStdString();
    const PageText voids = PageText::fromMarkup(QStringLiteral("<p>a<br>b<img src=x></p>"));
    EXPECT_TRUE(voids.text().contains(QStringLiteral("a<BR>b<IMG src=\"x\"></P>")));
}

TEST(PageText, ReadingPastTheEndGivesAnEmptyLine)
{
    const PageText page = PageText::fromLines({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(page.count(), 2);
    EXPECT_EQ(page.line(2), QString());
    EXPECT_EQ(page.line(-1), QString());
    EXPECT_EQ(page.line(99), QString());
    EXPECT_EQ(PageText().count(), 0);
}

TEST(PageText, LongLinesAreCutAtGbkBytes)
{
    const QString longCell = QString(3000, QChar(0x4E2D)); // 6000 GBK bytes
    const PageText page =
        PageText::fromMarkup(QStringLiteral("<p>") + longCell + QStringLiteral("</p>\nnext"));
    int cut = -1;
    for (int i = 0; i < page.count(); ++i)
        if (page.line(i).contains(QChar(0x4E2D)))
            cut = i;
    ASSERT_GE(cut, 0);
    EXPECT_LE(toGbk(page.line(cut)).size(), 4096);
    EXPECT_GE(toGbk(page.line(cut)).size(), 4095);
    EXPECT_TRUE(page.text().contains(QStringLiteral("next")));
}

TEST(PageText, GbkPagesByHeaderAndByMeta)
{
    const QByteArray gbkBody =
        toGbk(QStringLiteral("<html><body><table><tr>\n<td>淘宝网</td>\n</tr></table></body></html>"));
    EXPECT_TRUE(PageText::fromHtml(gbkBody, "gbk").text().contains(QStringLiteral("<TD>淘宝网</TD>")));
    const QByteArray withMeta = toGbk(QStringLiteral(
        "<html><head><meta "
        "charset=\"gb2312\"></head><body><table><tr>\n<td>京东商城</td>\n</tr></table></body></html>"));
    EXPECT_TRUE(PageText::fromHtml(withMeta).text().contains(QStringLiteral("<TD>京东商城</TD>")));
    const QByteArray httpEquiv =
        toGbk(QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                             "charset=GBK\"></head><body>亚马逊</body></html>"));
    EXPECT_TRUE(PageText::fromHtml(httpEquiv).text().contains(QStringLiteral("亚马逊")));
    // Without any declaration, bytes that are not UTF-8 are read as GBK.
    EXPECT_TRUE(PageText::fromHtml(toGbk(QStringLiteral("<body>当当网</body>")))
                    .text()
                    .contains(QStringLiteral("当当网")));
}

TEST(PageText, Utf8Pages)
{
    const QByteArray body =
        QStringLiteral("<html><body><table><tr>\n<td>苏宁易购</td>\n</tr></table></body></html>").toUtf8();
    EXPECT_TRUE(PageText::fromHtml(body, "utf-8").text().contains(QStringLiteral("<TD>苏宁易购</TD>")));
    EXPECT_TRUE(PageText::fromHtml(body).text().contains(QStringLiteral("<TD>苏宁易购</TD>")));
}

TEST(PageText, GuardsRefuseOversizedAndTooDeepPages)
{
    const QByteArray huge(PageText::MaxBodyBytes + 1, 'a');
    const PageText big = PageText::fromHtml(huge);
    EXPECT_EQ(big.count(), 0);
    EXPECT_FALSE(big.error().isEmpty());

    QByteArray deep;
    for (int i = 0; i < 300000; ++i)
        deep += "<div>";
    const PageText nested = PageText::fromHtml(deep);
    EXPECT_EQ(nested.count(), 0);
    EXPECT_FALSE(nested.error().isEmpty());

    QByteArray fine;
    for (int i = 0; i < 2000; ++i)
        fine += "<div>";
    EXPECT_GT(PageText::fromHtml(fine).count(), 0);
}
