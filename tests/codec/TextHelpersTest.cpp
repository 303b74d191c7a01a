#include "codec/TextHelpers.h"

#include <gtest/gtest.h>

using namespace vorbel;

namespace {
const QString Taobao = QStringLiteral("淘宝网");
const QString Jd = QStringLiteral("京东商城");
const QString Plain = QStringLiteral("手机壳");
const QString Genuine = QStringLiteral("正品手机壳");
} // namespace

TEST(RatingStars, OtherShopsAndGenuineTaobaoNames)
{
    EXPECT_EQ(RatingStars(100, Jd, Plain), QStringLiteral("★★★★"));
    EXPECT_EQ(RatingStars(101, Jd, Plain), QStringLiteral("★★★★★"));
    EXPECT_EQ(RatingStars(10, Jd, Plain), QStringLiteral("★★★"));
    EXPECT_EQ(RatingStars(11, Jd, Plain), QStringLiteral("★★★★"));
    EXPECT_EQ(RatingStars(-5, Jd, Plain), QStringLiteral("★★★"));
    EXPECT_EQ(RatingStars(50, Taobao, Genuine), QStringLiteral("★★★★"));
}

TEST(RatingStars, TaobaoWithoutGenuineMark)
{
    EXPECT_EQ(RatingStars(1000, Taobao, Plain), QStringLiteral("★★★★"));
    EXPECT_EQ(RatingStars(1001, Taobao, Plain), QStringLiteral("★★★★★"));
    EXPECT_EQ(RatingStars(100, Taobao, Plain), QStringLiteral("★★★"));
    EXPECT_EQ(RatingStars(10, Taobao, Plain), QStringLiteral("★★"));
    EXPECT_EQ(RatingStars(101, Taobao, Plain), QStringLiteral("★★★★"));
}

TEST(GenuineBadge, Thresholds)
{
    EXPECT_EQ(GenuineBadge(500, Taobao, Genuine), QString());
    EXPECT_EQ(GenuineBadge(50, Taobao, Genuine), QStringLiteral("可信"));
    EXPECT_EQ(GenuineBadge(10, Taobao, Genuine), QString());
    EXPECT_EQ(GenuineBadge(101, Taobao, Plain), QStringLiteral("可信"));
    EXPECT_EQ(GenuineBadge(100, Taobao, Plain), QString());
    EXPECT_EQ(GenuineBadge(0, QStringLiteral("当当网"), Plain), QStringLiteral("保障"));
    EXPECT_EQ(GenuineBadge(99999, QStringLiteral("当当网"), Plain), QStringLiteral("保障"));
}

TEST(RewriteShopLink, CodeAReplacesTheMmValue)
{
    const LinkCodes codes{QStringLiteral("mm_7"), QString()};
    EXPECT_EQ(RewriteShopLink(QStringLiteral("http://s.cn/x?pid=mm_1_2_3&eventid=9"), codes),
              QStringLiteral("http://s.cn/x?pid=mm_7&eventid=9"));
    EXPECT_EQ(RewriteShopLink(QStringLiteral("http://s.cn/x?pid=mm_1_2_3"), codes),
              QStringLiteral("http://s.cn/x?pid=mm_7"));
}

TEST(RewriteShopLink, CodeBReplacesTheUnionIdValue)
{
    const LinkCodes codes{QString(), QStringLiteral("99")};
    EXPECT_EQ(RewriteShopLink(QStringLiteral("http://s.cn/?unionId=12&t=1"), codes),
              QStringLiteral("http://s.cn/?unionId=99&t=1"));
    // A value running to the end of the link is replaced too.
    EXPECT_EQ(RewriteShopLink(QStringLiteral("http://s.cn/?t=1&unionId=12"), codes),
              QStringLiteral("http://s.cn/?t=1&unionId=99"));
    // An empty code A still clears an mm_ value once any code is known.
    EXPECT_EQ(RewriteShopLink(QStringLiteral("http://s.cn/?pid=mm_1&a=2"), codes),
              QStringLiteral("http://s.cn/?pid=&a=2"));
}

TEST(RewriteShopLink, BothCodesApplyAndNoCodesChangeNothing)
{
    const QString link = QStringLiteral("http://s.cn/?pid=mm_1_2&unionId=5&x=1");
    EXPECT_EQ(RewriteShopLink(link, {QStringLiteral("mm_9"), QStringLiteral("88")}),
              QStringLiteral("http://s.cn/?pid=mm_9&unionId=88&x=1"));
    EXPECT_EQ(RewriteShopLink(link, {}), link);
    EXPECT_EQ(
        RewriteShopLink(QStringLiteral("http://s.cn/plain"), {QStringLiteral("a"), QStringLiteral("b")}),
        QStringLiteral("http://s.cn/plain"));
}

TEST(HtmlToText, DecodesReferencesAndDropsTags)
{
    EXPECT_EQ(HtmlToText(QStringLiteral("a&amp;b")), QStringLiteral("a&b"));
    EXPECT_EQ(HtmlToText(QStringLiteral("x?id=1&#38;pid=mm_2")), QStringLiteral("x?id=1&pid=mm_2"));
    EXPECT_EQ(HtmlToText(QStringLiteral("&#x4E2D;&#25991;&lt;&gt;")), QStringLiteral("中文<>"));
    EXPECT_EQ(HtmlToText(QStringLiteral("<a href=\"x\">link <b>bold</b></a>")), QStringLiteral("link bold"));
    EXPECT_EQ(HtmlToText(QString()), QString());
}

TEST(HtmlToText, CollapsesWhiteSpaceAndTrims)
{
    EXPECT_EQ(HtmlToText(QStringLiteral("  one \n\t two   three ")), QStringLiteral("one two three"));
    EXPECT_EQ(HtmlToText(QStringLiteral("<p>one</p><p>two</p>")), QStringLiteral("one two"));
    EXPECT_EQ(HtmlToText(QStringLiteral("<script>ignored()</script>shown")), QStringLiteral("shown"));
    EXPECT_EQ(HtmlToText(QStringLiteral("<!-- note -->kept")), QStringLiteral("kept"));
    EXPECT_EQ(HtmlToText(QStringLiteral(" \n <br> ")), QString());
}

TEST(HtmlToText, LineBreaksAndBlocksSeparateWords)
{
    EXPECT_EQ(HtmlToText(QStringLiteral("one<br>two")), QStringLiteral("one two"));
    EXPECT_EQ(HtmlToText(QStringLiteral("a<p>b</p>c")), QStringLiteral("a b c"));
    EXPECT_EQ(HtmlToText(QStringLiteral("<table><tr><td>1</td><td>2</td></tr></table>")),
              QStringLiteral("1 2"));
    // Inline elements join their text as a browser would.
    EXPECT_EQ(HtmlToText(QStringLiteral("ab<b>cd</b>ef")), QStringLiteral("abcdef"));
    // A no-break space is a character of its own, not white space to collapse.
    EXPECT_EQ(HtmlToText(QStringLiteral("1&nbsp;&nbsp;2")), QStringLiteral("1\u00A0\u00A02"));
}

TEST(HtmlToText, RefusesMarkupTooDeepToParse)
{
    QString deep;
    for (int i = 0; i < 100000; ++i)
        deep += QStringLiteral("<div>");
    deep += QStringLiteral("x");
    EXPECT_THROW(HtmlToText(deep), std::runtime_error);

    // Many elements that cannot nest, or that are closed again, are not deep.
    QString breaks, closed;
    for (int i = 0; i < 5000; ++i) {
        breaks += QStringLiteral("x<br><img src=a>");
        closed += QStringLiteral("<b>y</b>");
    }
    EXPECT_EQ(HtmlToText(breaks).count(QLatin1Char('x')), 5000);
    EXPECT_EQ(HtmlToText(closed), QString(5000, QLatin1Char('y')));
}
