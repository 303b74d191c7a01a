#include "store/CipherKey.h"

#include <QFile>
#include <algorithm>
#include <cstring>

// The block-level SHA-1 calls are deprecated in favour of the generic digest interface, whose overhead
// per call is what this file avoids.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/sha.h>

namespace vorbel::cipherkey {

namespace {

constexpr int BlockLength = SHA_CBLOCK;         // 64
constexpr int DigestLength = SHA_DIGEST_LENGTH; // 20

/// HMAC-SHA1 with the key's two padded blocks hashed once: every round then starts from those states
/// and hashes only its own message.
class HmacSha1
{
public:
    explicit HmacSha1(QByteArrayView key)
    {
        unsigned char block[BlockLength] = {};
        if (key.size() > BlockLength)
            SHA1(reinterpret_cast<const unsigned char*>(key.data()), std::size_t(key.size()), block);
        else
            std::memcpy(block, key.data(), std::size_t(key.size()));
        m_inner = padded(block, 0x36);
        m_outer = padded(block, 0x5c);
    }

    void sign(const unsigned char* message, std::size_t length, unsigned char* digest) const
    {
        SHA_CTX context = m_inner;
        SHA1_Update(&context, message, length);
        SHA1_Final(digest, &context);
        context = m_outer;
        SHA1_Update(&context, digest, DigestLength);
        SHA1_Final(digest, &context);
    }

private:
    static SHA_CTX padded(const unsigned char* key, unsigned char pad)
    {
        unsigned char block[BlockLength];
        for (int i = 0; i < BlockLength; ++i)
            block[i] = key[i] ^ pad;
        SHA_CTX context;
        SHA1_Init(&context);
        SHA1_Update(&context, block, BlockLength);
        return context;
    }

    SHA_CTX m_inner;
    SHA_CTX m_outer;
};

} // namespace

QByteArray pbkdf2HmacSha1(QByteArrayView password, QByteArrayView salt, int iterations, int length)
{
    const HmacSha1 hmac(password);
    QByteArray key;
    key.reserve(length);
    QByteArray first(salt.toByteArray());
    first.resize(salt.size() + 4);
    for (quint32 block = 1; key.size() < length; ++block) {
        auto* index = reinterpret_cast<unsigned char*>(first.data()) + salt.size();
        index[0] = static_cast<unsigned char>(block >> 24);
        index[1] = static_cast<unsigned char>(block >> 16);
        index[2] = static_cast<unsigned char>(block >> 8);
        index[3] = static_cast<unsigned char>(block);
        unsigned char round[DigestLength];
        unsigned char sum[DigestLength];
        hmac.sign(reinterpret_cast<const unsigned char*>(first.constData()), std::size_t(first.size()),
                  round);
        std::memcpy(sum, round, DigestLength);
        for (int i = 1; i < iterations; ++i) {
            hmac.sign(round, DigestLength, round);
            for (int b = 0; b < DigestLength; ++b)
                sum[b] ^= round[b];
        }
        key.append(reinterpret_cast<const char*>(sum),
                   std::min<qsizetype>(DigestLength, length - key.size()));
    }
    return key;
}

std::optional<QByteArray> fileSalt(const QString& path)
{
    // A keyed file is whole pages of at least 512 bytes; anything shorter has no salt to trust.
    constexpr qint64 SmallestPage = 512;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < SmallestPage)
        return std::nullopt;
    QByteArray salt = file.read(SaltLength);
    if (salt.size() != SaltLength)
        return std::nullopt;
    return salt;
}

QByteArray rawKeyText(const QByteArray& key)
{
    return "x'" + key.toHex() + "'";
}

} // namespace vorbel::cipherkey
