#include "StoreTestSupport.h"

#include "store/CipherKey.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <openssl/evp.h>

using namespace vorbel;
using namespace vorbel::test;

namespace {

QByteArray derived(const QByteArray& password, const QByteArray& salt, int iterations, int length)
{
    return cipherkey::pbkdf2HmacSha1(password, salt, iterations, length).toHex();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray randomBytes(int length)
{
    QByteArray bytes(length, '\0');
    for (char& byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

TEST(CipherKeyTest, DerivesThePublishedPbkdf2HmacSha1Values)
{
    // The test values published with PBKDF2-HMAC-SHA1 (RFC 6070).
    EXPECT_EQ(derived("password", "salt", 1, 20), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
    EXPECT_EQ(derived("password", "salt", 2, 20), "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
    EXPECT_EQ(derived("password", "salt", 4096, 20), "4b007901b765489abead49d926f721d065a429c1");
    EXPECT_EQ(derived("passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25),
              "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
    EXPECT_EQ(derived(QByteArray("pass\0word", 9), QByteArray("sa\0lt", 5), 4096, 16),
              "56fa6aa75548099dcc37d7f03425e0c3");
}

TEST(CipherKeyTest, MatchesTheLibraryDerivationForAnyPasswordSaltAndLength)
{
    // Passwords longer than a hash block are hashed first; lengths past one digest take several blocks.
    for (const int passwordLength : {0, 1, 16, 63, 64, 65, 200}) {
        for (const int length : {1, 19, 20, 21, 32, 41}) {
            const QByteArray password = randomBytes(passwordLength);
            const QByteArray salt = randomBytes(16);
            QByteArray expected(length, '\0');
            ASSERT_EQ(PKCS5_PBKDF2_HMAC_SHA1(password.constData(), int(password.size()),
                                             reinterpret_cast<const unsigned char*>(salt.constData()),
                                             int(salt.size()), 300, length,
                                             reinterpret_cast<unsigned char*>(expected.data())),
                      1);
            EXPECT_EQ(cipherkey::pbkdf2HmacSha1(password, salt, 300, length), expected)
                << "password of " << passwordLength << " bytes, " << length << " bytes of key";
        }
    }
}

TEST(CipherKeyTest, SaltIsTheStartOfAFileLargeEnoughToBeKeyed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file"));
    EXPECT_FALSE(cipherkey::fileSalt(path)) << "missing file";
    writeFile(path, QByteArray(511, 'a'));
    EXPECT_FALSE(cipherkey::fileSalt(path)) << "shorter than the smallest page";
    writeFile(path, "0123456789abcdef" + QByteArray(1008, 'z'));
    EXPECT_EQ(cipherkey::fileSalt(path), QByteArray("0123456789abcdef"));
}

TEST(CipherKeyTest, TheStockShellOpensAFileWithTheKeyDerivedHereFromItsSalt)
{
    // The derived key is the cipher's own: the stock shell, given it raw, reads what it wrote with the
    // password. A key derived otherwise would be refused there as "not a database".
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("outside.dat"));
    runShell(CipherShell, path,
             "PRAGMA key='vtqzmkpe19880523';\ncreate table t(x);\ninsert into t values (42);\n");
    const std::optional<QByteArray> salt = cipherkey::fileSalt(path);
    ASSERT_TRUE(salt);
    const QString rounds = runShell(CipherShell, path, "PRAGMA cipher_default_kdf_iter;\n").trimmed();
    const QByteArray key =
        cipherkey::pbkdf2HmacSha1("vtqzmkpe19880523", *salt, rounds.toInt(), cipherkey::KeyLength);
    EXPECT_EQ(
        runShell(CipherShell, path, "PRAGMA key=\"" + cipherkey::rawKeyText(key) + "\";\nselect x from t;\n")
            .trimmed(),
        QStringLiteral("42"));
}

} // namespace
