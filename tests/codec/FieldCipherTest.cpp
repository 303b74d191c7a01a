#include "codec/FieldCipher.h"
#include "codec/Gbk.h"

#include <gtest/gtest.h>

using namespace vorbel;

namespace {

QByteArray encrypt(QByteArrayView plain, QByteArrayView key, int seed)
{
    FixedRandomSource random(seed);
    return EncryptField(plain, key, random);
}

std::string conversionMessage(QByteArrayView text)
{
    try {
        DecryptField(text, ProgramKey);
    } catch (const ConversionError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(FieldCipher, KnownAnswersWithAPinnedSeed)
{
    // (240 + 65) mod 255 = 50, 50 xor 'K' = 0x79.
    EXPECT_EQ(encrypt("A", "K", 240), QByteArray("F079"));
    EXPECT_EQ(encrypt("10", ProgramKey, 0x5A), QByteArray("5ADA59"));
    EXPECT_EQ(encrypt("", "K", 10), QByteArray("0A"));
    EXPECT_EQ(DecryptField("F079", "K"), QByteArray("A"));
}

TEST(FieldCipher, OutputIsUpperCaseHexOfEvenLength)
{
    SystemRandomSource random;
    for (int i = 0; i < 50; ++i) {
        const QByteArray text = EncryptField("some text 12345", ProgramKey, random);
        EXPECT_EQ(text.size(), 2 + 2 * 15);
        for (char c : text)
            EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << c;
    }
}

TEST(FieldCipher, RoundTripsGbkTextLongerThanTheKey)
{
    const QByteArray plain =
        toGbk(QStringLiteral("婴儿奶粉 正品保障，苹果/APPLE iphone5 液晶电视 笔记本电脑 摩托罗拉 诺基亚"));
    ASSERT_GT(plain.size(), int(sizeof ProgramKey));
    for (int seed : {0, 1, 128, 254}) {
        const QByteArray cipher = encrypt(plain, ProgramKey, seed);
        // Bytes 0 and 255 are the only ones the cipher cannot tell apart; GBK text holds neither.
        EXPECT_EQ(DecryptField(cipher, ProgramKey), plain) << seed;
    }
}

TEST(FieldCipher, SameTextEnciphersDifferentlyButDeciphersTheSame)
{
    const QByteArray first = encrypt("U12345", ProgramKey, 3);
    const QByteArray second = encrypt("U12345", ProgramKey, 77);
    EXPECT_NE(first, second);
    EXPECT_EQ(DecryptField(first, ProgramKey), DecryptField(second, ProgramKey));
}

TEST(FieldCipher, EmptyKeyIsTheDefaultKey)
{
    // Longer than the default key, so its every byte and the wrap-around take part.
    const QByteArray plain = "hello, quiet world";
    const QByteArray cipher = encrypt(plain, "", 42);
    EXPECT_EQ(cipher, encrypt(plain, "Quiet Field", 42));
    EXPECT_NE(cipher, encrypt(plain, "Quiet Fielx", 42));
    EXPECT_EQ(DecryptField(cipher, ""), plain);
    EXPECT_EQ(DecryptField(cipher, "Quiet Field"), plain);
}

TEST(FieldCipher, ZeroAndTwoFiftyFiveAreNotToldApart)
{
    // A plain 255 comes back as 255, a plain 0 as 255 ...
    EXPECT_EQ(DecryptField(encrypt("\xFF", "K", 10), "K"), QByteArray("\xFF"));
    EXPECT_EQ(DecryptField(encrypt(QByteArrayView("\0", 1), "K", 10), "K"), QByteArray("\xFF"));
    // ... except right after a seed of 255, where both come back as 0.
    EXPECT_EQ(DecryptField(encrypt("\xFF", "K", 255), "K"), QByteArray(1, '\0'));
    EXPECT_EQ(DecryptField(encrypt(QByteArrayView("\0", 1), "K", 255), "K"), QByteArray(1, '\0'));
    // ... or right after an enciphered value of 255: seed 0 and 'K' (0x4B) enciphers 0xB4 as
    // (0 + 0xB4) xor 0x4B = 0xFF, so the next byte follows a 255.
    for (char next : {'\xFF', '\0'}) {
        const QByteArray plain = QByteArray("\xB4") + next + "z";
        const QByteArray cipher = encrypt(plain, "K", 0);
        ASSERT_EQ(cipher.mid(2, 2), QByteArray("FF"));
        EXPECT_EQ(DecryptField(cipher, "K"), QByteArray("\xB4") + '\0' + "z") << int(next);
    }
}

TEST(FieldCipher, OddLengths)
{
    EXPECT_EQ(DecryptField("0A", "K"), QByteArray());
    // Three characters: the third is read as a one-digit number, 5 xor 'K' = 78, 78 - 10 = 'D'.
    EXPECT_EQ(DecryptField("0A5", "K"), QByteArray("D"));
    // Five and seven: a last single digit after a full pair is ignored.
    const QByteArray cipher = encrypt("ab", "K", 9);
    EXPECT_EQ(DecryptField(cipher.left(4) + "7", "K"), QByteArray("a"));
    EXPECT_EQ(DecryptField(cipher + "7", "K"), QByteArray("ab"));
}

TEST(FieldCipher, LowerCaseDigitsAreAccepted)
{
    EXPECT_EQ(DecryptField("5ada59", ProgramKey), QByteArray("10"));
    EXPECT_EQ(DecryptField("f079", "K"), QByteArray("A"));
    EXPECT_EQ(DecryptField("cDeF", "K"), DecryptField("CDEF", "K"));
}

TEST(FieldCipher, BadInputReportsTheConversionError)
{
    EXPECT_EQ(conversionMessage(""), "'$' is not a valid integer value");
    EXPECT_EQ(conversionMessage("A"), "'$' is not a valid integer value");
    EXPECT_EQ(conversionMessage("zz"), "'$zz' is not a valid integer value");
    EXPECT_EQ(conversionMessage("5AD!59"), "'$D!' is not a valid integer value");
    // Signs and blanks are not hexadecimal digits, wherever they stand.
    EXPECT_EQ(conversionMessage("5A 1"), "'$ 1' is not a valid integer value");
    EXPECT_EQ(conversionMessage("+1DA"), "'$+1' is not a valid integer value");
    EXPECT_EQ(conversionMessage("5ADA5-"), "'$5-' is not a valid integer value");
}

TEST(Settings, EncipherAndDecipherTrimmedText)
{
    const QString stored = encipherSetting(QStringLiteral("  用户 U1 \t"));
    EXPECT_EQ(decipherSetting(stored), QStringLiteral("用户 U1"));
    EXPECT_EQ(decipherSetting(QStringLiteral("5ADA59")), QStringLiteral("10"));
    EXPECT_THROW(decipherSetting(QStringLiteral("not hex")), ConversionError);
}
