// The page text every page reader depends on: serialisation, charsets, line splitting and guards.
#include "platform/PageText.h"
#include "codec/Gbk.h"
#include "platform/PageDecoder.h"

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

QByteArray repeated(const char* unit, int times, const QByteArray& prefix = {})
{
    QByteArray out = prefix;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

// The shape of the service's result pages: one cell per line.
const char* const OfferTable =
    "<html>\n<head><title>t</title></head>\n<body>\n<table>\n<tr>\n<td>1001</td>\n"
    "<td>http://s.cn/x?id=1&amp;pid=mm_1</td>\n<td></td>\n<td>No</td>\n</tr>\n</table>\n"
    "</body>\n</html>\n";

} // namespace

TEST(PageText, CellsKeepTheirLinesInUpperCaseMarkup)
{
    const PageText page = PageText::fromMarkup(QString::fromUtf8(OfferTable));
    ASSERT_TRUE(page.error().isEmpty());
    const int row = indexOf(page, QStringLiteral("<TBODY><TR>")); // the implied body adds no line break
    ASSERT_GE(row, 0) << page.text().toStdString();
    EXPECT_EQ(page.line(row + 1), QStringLiteral("<TD>1001</TD>"));
    EXPECT_EQ(page.line(row + 2), QStringLiteral("<TD>http://s.cn/x?id=1&amp;pid=mm_1</TD>"));
    EXPECT_EQ(page.line(row + 3), QStringLiteral("<TD></TD>"));
    EXPECT_EQ(page.line(row + 4), QStringLiteral("<TD>No</TD>"));
    EXPECT_EQ(page.line(row + 5), QStringLiteral("</TR>"));
    EXPECT_EQ(page.line(0), QStringLiteral("<HTML><HEAD><TITLE>t</TITLE></HEAD>"));
    EXPECT_EQ(page.line(page.count() - 1), QStringLiteral("</BODY></HTML>"));
}

TEST(PageText, BodyLineCarriesTheTextAfterIt)
{
    const PageText page =
        PageText::fromMarkup(QStringLiteral("<html>\n<head></head>\n<body>U12345\n</body>\n</html>"));
    EXPECT_EQ(page.line(0), QStringLiteral("<HTML><HEAD></HEAD>"));
    EXPECT_EQ(page.line(1), QStringLiteral("<BODY>U12345"));
    // A bare text page gets the implied elements on its first line.
    EXPECT_EQ(PageText::fromMarkup(QStringLiteral("U777")).line(0),
              QStringLiteral("<HTML><HEAD></HEAD><BODY>U777</BODY></HTML>"));
}

TEST(PageText, SerialisesAsTheOldEngineDid)
{
    const QString text =
        PageText::fromMarkup(QStringLiteral("<P Class=\"x&quot;y\" ID=a>1 &lt; 2 &amp;&amp; 3&nbsp;&gt; 0</P>"
                                            "<p>a<br>b<IMG src=x><my-tag Data-X='1'>t</my-tag>"
                                            "<!-- note --><textarea><b>&amp;</textarea>"
                                            "<script>if (a<b && c) go();</script>"
                                            "<style>p > a { }</style>"))
            .text();
    EXPECT_TRUE(
        text.contains(QStringLiteral("<P class=\"x&quot;y\" id=\"a\">1 &lt; 2 &amp;&amp; 3&nbsp;&gt; 0</P>")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("a<BR>b<IMG src=\"x\"><MY-TAG data-x=\"1\">t</MY-TAG>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<!-- note -->")));
    EXPECT_TRUE(text.contains(QStringLiteral("<TEXTAREA>&lt;b&gt;&amp;</TEXTAREA>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<SCRIPT>if (a<b && c) go();</SCRIPT>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<STYLE>p > a { }</STYLE>")));
    EXPECT_FALSE(text.contains(QStringLiteral("</BR>")));
    EXPECT_FALSE(text.contains(QStringLiteral("</IMG>")));
}

TEST(PageText, LinesSplitAtEveryKindOfBreak)
{
    const PageText page = PageText::fromMarkup(QStringLiteral("<body>a\r\nb\rc\nd\n\ne\n"));
    const QStringList expected{QStringLiteral("<HTML><HEAD></HEAD><BODY>a"),
                               QStringLiteral("b"),
                               QStringLiteral("c"),
                               QStringLiteral("d"),
                               QString(),
                               QStringLiteral("e"),
                               QStringLiteral("</BODY></HTML>")};
    EXPECT_EQ(page.lines(), expected);
}

TEST(PageText, ReadingOutsideThePageGivesEmptyLines)
{
    const PageText page = PageText::fromLines({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(page.count(), 2);
    EXPECT_EQ(page.line(2), QString());
    EXPECT_EQ(page.line(-1), QString());
    EXPECT_EQ(page.line(99), QString());
    EXPECT_EQ(PageText().count(), 0);
    EXPECT_EQ(PageText().line(0), QString());
}

TEST(PageText, LongLinesAreCutAtWholeGbkCharacters)
{
    const QChar zhong(0x4E2D); // two GBK bytes
    const PageText chinese =
        PageText::fromMarkup(QStringLiteral("<p>") + QString(3000, zhong) + QStringLiteral("\nnext"));
    EXPECT_EQ(toGbk(chinese.line(0)).size(), 4096);
    EXPECT_TRUE(chinese.line(0).endsWith(zhong));
    EXPECT_EQ(chinese.line(1), QStringLiteral("next</P></BODY></HTML>"));

    // One ASCII byte in front leaves room for an odd count only: the character that would straddle
    // byte 4096 goes entirely.
    const PageText odd = PageText::fromMarkup(QStringLiteral("<p>a") + QString(3000, zhong));
    const QByteArray bytes = toGbk(odd.line(0));
    EXPECT_EQ(bytes.size(), 4095);
    EXPECT_EQ(fromGbk(bytes), odd.line(0));

    const PageText ascii = PageText::fromMarkup(QStringLiteral("<p>") + QString(5000, QLatin1Char('x')));
    EXPECT_EQ(ascii.line(0).size(), 4096);
}

TEST(PageText, CharsetFromHeaderMetaOrContent)
{
    const QString cell =
        QStringLiteral("<html><body><table><tr>\n<td>淘宝网</td>\n</tr></table></body></html>");
    const QString expected = QStringLiteral("<TD>淘宝网</TD>");
    EXPECT_EQ(PageText::fromHtml(toGbk(cell), "gbk").line(1), expected);
    EXPECT_EQ(PageText::fromHtml(toGbk(cell), "GB2312").line(1), expected);

    const QByteArray meta = toGbk(QStringLiteral("<meta charset=\"gb2312\">") + cell);
    EXPECT_EQ(PageText::fromHtml(meta).line(1), expected);
    const QByteArray httpEquiv =
        toGbk(QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=GBK\">") + cell);
    EXPECT_EQ(PageText::fromHtml(httpEquiv).line(1), expected);
    // A charset nobody knows falls through to the next rule.
    EXPECT_EQ(PageText::fromHtml(meta, "x-no-such-charset").line(1), expected);
    // The header wins over the page's own declaration.
    const QByteArray utf8WithGbkMeta = (QStringLiteral("<meta charset=gbk>") + cell).toUtf8();
    EXPECT_EQ(PageText::fromHtml(utf8WithGbkMeta, "utf-8").line(1), expected);

    // Undeclared: valid UTF-8 is UTF-8, anything else GBK.
    EXPECT_EQ(PageText::fromHtml(cell.toUtf8()).line(1), expected);
    EXPECT_EQ(PageText::fromHtml(toGbk(cell)).line(1), expected);
    // A replacement character written in the page is still valid UTF-8.
    EXPECT_TRUE(PageText::fromHtml(QStringLiteral("<p>\uFFFD 苏宁易购").toUtf8())
                    .text()
                    .contains(QStringLiteral("\uFFFD 苏宁易购")));
    // Characters outside GBK survive a GB18030 page.
    const QString emoji = QStringLiteral("<p>1号店 \U0001F600");
    EXPECT_TRUE(PageText::fromHtml(toGbk(emoji), "gbk").text().contains(QStringLiteral("1号店 \U0001F600")));
}

TEST(PageText, ByteOrderMarkDecidesAndIsDropped)
{
    const QString page = QStringLiteral("<body>U42 京东商城");
    const PageText utf8 = PageText::fromHtml(QByteArray("\xEF\xBB\xBF") + page.toUtf8(), "gbk");
    EXPECT_EQ(utf8.line(0), QStringLiteral("<HTML><HEAD></HEAD><BODY>U42 京东商城</BODY></HTML>"));
    QByteArray utf16("\xFF\xFE");
    for (QChar c : page)
        utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
    EXPECT_EQ(PageText::fromHtml(utf16).line(0), utf8.line(0));
}

TEST(PageText, HeaderCharsetIsTakenFromContentType)
{
    EXPECT_EQ(PageDecoder::headerCharset("text/html; charset=GBK"), QByteArray("gbk"));
    EXPECT_EQ(PageDecoder::headerCharset("text/html;charset=\"utf-8\"; q=1"), QByteArray("utf-8"));
    EXPECT_EQ(PageDecoder::headerCharset("text/html"), QByteArray());
}

TEST(PageText, OversizedAndPathologicalPagesAreRefusedWithAReason)
{
    const PageText big = PageText::fromHtml(QByteArray(PageText::MaxBodyBytes + 1, 'a'));
    EXPECT_EQ(big.count(), 0);
    EXPECT_TRUE(big.error().contains(QStringLiteral("32 MiB")));

    const PageText deep = PageText::fromHtml(repeated("<div>", 300000));
    EXPECT_EQ(deep.count(), 0);
    EXPECT_TRUE(deep.error().contains(QStringLiteral("嵌套")));

    // Misnested bold reopened inside every paragraph nests without any nested tag in the source.
    const PageText reopened = PageText::fromHtml(repeated("<p><b>x</p>\n", 20000));
    EXPECT_TRUE(reopened.error().contains(QStringLiteral("嵌套"))) << reopened.error().toStdString();

    // A thousand open formatting elements copied into every paragraph: few bytes, many elements.
    QByteArray copies = "<div>";
    for (int i = 0; i < 1000; ++i)
        copies += "<b id=" + QByteArray::number(i) + '>';
    const PageText bomb = PageText::fromHtml(repeated("<div>x</div>", 1000, copies + "</div>"));
    EXPECT_TRUE(bomb.error().contains(QStringLiteral("元素过多"))) << bomb.error().toStdString();

    // End tags the parser has to search thousands of open elements for.
    const PageText searched = PageText::fromHtml(repeated("</zz>", 100000, repeated("<span>", 4000)));
    EXPECT_TRUE(searched.error().contains(QStringLiteral("复杂"))) << searched.error().toStdString();
}

TEST(PageText, WidePagesWithManySiblingsAreRead)
{
    const std::pair<const char*, const char*> pages[] = {
        {"<p>", "<br>"},
        {"<p>", "<img src=a.jpg>"},
        {"<table>", "<tr><td>x<td>y"},
        {"<ul>", "<li>item"},
        {"<body>", "<p>para"},
        {"<select>", "<option>o"},
        {"<dl>", "<dt>t<dd>d"},
        {"<table>", "<tr><td><font>x</td>"},
        {"<div>", "<input type=hidden>"},
        {"<div>", "<script>document.write('<div>')</script>"},
        {"<div>", "<!-- <div> -->"},
        // Mended before parsing; many of them still cost one pass over the page.
        {"<div>", "<form>x</form>"},
    };
    for (const auto& [prefix, unit] : pages) {
        const PageText page = PageText::fromHtml(repeated(unit, 30000, prefix));
        EXPECT_TRUE(page.error().isEmpty()) << unit << ": " << page.error().toStdString();
        EXPECT_GT(page.count(), 0) << unit;
    }
    // Moderately nested real pages are fine too.
    EXPECT_TRUE(PageText::fromHtml(repeated("<div>", 1000)).error().isEmpty());
}

TEST(PageText, FormInACellEndsOnTheLineOfItsText)
{
    const PageText page = PageText::fromMarkup(QStringLiteral(
        "<table>\n<tr>\n<td><form action=\"/add.aspx\"><input type=hidden name=id value=7> 加入\n"
        "</form></td>\n</tr>\n</table>"));
    const int cell =
        indexOf(page, QStringLiteral("<TD><FORM action=\"/add.aspx\"><INPUT type=\"hidden\" name=\"id\" "
                                     "value=\"7\"> 加入"));
    ASSERT_GE(cell, 0) << page.text().toStdString();
    EXPECT_EQ(page.line(cell + 1), QStringLiteral("</FORM></TD>"));
    // Text in front of a second, ignored </form> stays where it stood.
    EXPECT_TRUE(PageText::fromMarkup(QStringLiteral("<form><input> one</form> two</form>three"))
                    .text()
                    .contains(QStringLiteral("<FORM><INPUT> one</FORM> twothree")));
}

TEST(PageText, QuirksDoctypesKeepTheParagraphOpenAroundATable)
{
    const QString body = QStringLiteral("\n<p>intro\n<table><tr><td>cell</td></tr></table>\n");
    const QString quirks[] = {
        QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">"),
        QStringLiteral(
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\" \"http://x/loose.dtd\">"),
        QStringLiteral("<!doctype html public \"-//w3c//dtd html 3.2 final//en\">"),
        QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">"),
        QStringLiteral("<!-- before --><!DOCTYPE html PUBLIC \"HTML\">"),
        QStringLiteral("<!DOCTYPE html PUBLIC>"),
        QString(),
    };
    for (const QString& doctype : quirks) {
        const PageText page = PageText::fromMarkup(doctype + body);
        EXPECT_GE(indexOf(page, QStringLiteral("<TABLE><TBODY><TR><TD>cell</TD></TR></TBODY></TABLE>")), 0)
            << doctype.toStdString() << "\n"
            << page.text().toStdString();
    }
    const QString standard[] = {
        QStringLiteral("<!DOCTYPE html>"),
        QStringLiteral(
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://x/loose.dtd\">"),
        QStringLiteral(
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" \"http://x/t.dtd\">"),
        QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">"),
    };
    for (const QString& doctype : standard) {
        const PageText page = PageText::fromMarkup(doctype + body);
        EXPECT_GE(indexOf(page, QStringLiteral("</P><TABLE><TBODY><TR><TD>cell</TD></TR></TBODY></TABLE>")),
                  0)
            << doctype.toStdString() << "\n"
            << page.text().toStdString();
    }
}

TEST(PageText, NoscriptIsTextAsWithScriptsOn)
{
    const PageText page = PageText::fromMarkup(
        QStringLiteral("<html>\n<head>\n<noscript><img src=\"https://px.cn/t?a=1&b=2\"></noscript>\n"
                       "<noscript><img src=b></noscript>\n</head>\n<body>\nU1\n</body>\n</html>"));
    EXPECT_EQ(page.line(1), QStringLiteral("<NOSCRIPT><img src=\"https://px.cn/t?a=1&b=2\"></NOSCRIPT>"))
        << page.text().toStdString();
    EXPECT_EQ(page.line(4), QStringLiteral("<BODY>"));
    EXPECT_EQ(page.line(5), QStringLiteral("U1"));

    // After </head> a noscript starts the body, as anything but head content does.
    const QString after =
        PageText::fromMarkup(QStringLiteral("<head></head><noscript><b>x</b></noscript>y")).text();
    EXPECT_EQ(after, QStringLiteral("<HTML><HEAD></HEAD><BODY><NOSCRIPT><b>x</b></NOSCRIPT>y</BODY></HTML>"));
    // A real <noframes> is still one, and a noscript in SVG is no HTML element.
    EXPECT_TRUE(
        PageText::fromMarkup(QStringLiteral("<noframes>a</noframes><svg><noscript><g/></noscript></svg>"))
            .text()
            .contains(QStringLiteral(
                "<HEAD><NOFRAMES>a</NOFRAMES></HEAD><BODY><SVG><NOSCRIPT><G></G></NOSCRIPT></SVG>")));
}

TEST(PageText, AttributesAndNamesAsABrowserWritesThem)
{
    const QString text =
        PageText::fromMarkup(QStringLiteral("<a title=\"a<b>c\" onclick=\"f('<x>')\">t</a>"
                                            "<svg xmlns:xlink=\"http://www.w3.org/1999/xlink\" xml:lang=en "
                                            "viewBox=\"0 0 1 1\"><use xlink:href=\"#a\"/></svg>"
                                            "<math><csymbol definitionURL=\"u\">f</csymbol></math>"
                                            "<div<div>x</div<div><dialog>d</dialog><menuitem>m</menuitem>"))
            .text();
    EXPECT_TRUE(text.contains(QStringLiteral("<A title=\"a&lt;b&gt;c\" onclick=\"f('&lt;x&gt;')\">t</A>")))
        << text.toStdString();
    EXPECT_TRUE(
        text.contains(QStringLiteral("<SVG xmlns:xlink=\"http://www.w3.org/1999/xlink\" xml:lang=\"en\" "
                                     "viewBox=\"0 0 1 1\"><USE xlink:href=\"#a\"></USE></SVG>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<CSYMBOL definitionURL=\"u\">f</CSYMBOL>")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("<DIV<DIV>x</DIV<DIV><DIALOG>d</DIALOG><MENUITEM>m</MENUITEM>")));
}
