#include "codec/Gbk.h"

#include <gtest/gtest.h>

using namespace vorbel;

TEST(Gbk, RoundTripsChineseAndCharactersOutsideGbk)
{
    const QString text = QStringLiteral("淘宝网 1号店 ￥99.50 😀 𠀀");
    const QByteArray bytes = toGbk(text);
    EXPECT_FALSE(bytes.contains('?'));
    EXPECT_EQ(fromGbk(bytes), text);
    EXPECT_EQ(toGbk(QStringLiteral("中")), QByteArray("\xD6\xD0"));
    EXPECT_EQ(toGbk(QStringLiteral("😀")).size(), 4);
    EXPECT_TRUE(toGbk(QString()).isEmpty());
}

TEST(Gbk, InvalidBytesBecomeReplacementCharacters)
{
    // A lead byte without its trail, at the end and in the middle; 0xFF never starts a character.
    EXPECT_EQ(fromGbk("a\xD6"), QStringLiteral("a\uFFFD"));
    EXPECT_EQ(fromGbk("\xFF\xD6\xD0"), QStringLiteral("\uFFFD中"));
    EXPECT_EQ(fromGbk("\x81 b"), QStringLiteral("\uFFFD b"));
}

TEST(Gbk, TruncationNeverSplitsACharacter)
{
    const QString text = QStringLiteral("ab中文字");
    EXPECT_EQ(truncateToGbkBytes(text, 100), text);
    EXPECT_EQ(truncateToGbkBytes(text, 8), text);
    EXPECT_EQ(truncateToGbkBytes(text, 4), QStringLiteral("ab中"));
    EXPECT_EQ(truncateToGbkBytes(text, 5), QStringLiteral("ab中"));
    EXPECT_EQ(truncateToGbkBytes(text, 0), QString());
    EXPECT_EQ(truncateToGbkBytes(QStringLiteral("x😀"), 4), QStringLiteral("x"));
    EXPECT_EQ(truncateToGbkBytes(QStringLiteral("x😀y"), 5), QStringLiteral("x😀"));
    const QString longLine(3000, QChar(0x4E2D));
    EXPECT_EQ(toGbk(truncateToGbkBytes(longLine, 4096)).size(), 4096);
    EXPECT_EQ(toGbk(truncateToGbkBytes(QLatin1Char('a') + longLine, 4096)).size(), 4095);
}

TEST(Gbk, DecodesNamedCharsets)
{
    EXPECT_EQ(decodeCharset("\xD6\xD0", "GBK"), QStringLiteral("中"));
    EXPECT_EQ(decodeCharset("\xD6\xD0", "gb2312"), QStringLiteral("中"));
    // 0x88D2 is a GBK character that GB2312 lacks; pages labelled gb2312 still carry such characters.
    EXPECT_EQ(decodeCharset("\x88\xD2", "gb2312"), QStringLiteral("堃"));
    EXPECT_EQ(decodeCharset("\x88\xD2", " Gbk "), QStringLiteral("堃"));
    EXPECT_EQ(decodeCharset(toGbk(QStringLiteral("😀")), "GB18030"), QStringLiteral("😀"));
    EXPECT_EQ(decodeCharset("\xE4\xB8\xAD", "UTF-8"), QStringLiteral("中"));
    EXPECT_EQ(decodeCharset("\xE9", "ISO-8859-1"), QStringLiteral("é"));
    EXPECT_FALSE(decodeCharset("x", "no-such-charset").has_value());
    // Neither an empty name nor iconv's conversion flags choose a charset.
    EXPECT_FALSE(decodeCharset("x", "").has_value());
    EXPECT_FALSE(decodeCharset("x", "utf-16//IGNORE").has_value());
}
