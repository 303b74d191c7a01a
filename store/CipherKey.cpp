#include "store/CipherKey.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

// The block-level SHA-1 calls are deprecated in favour of the generic digest interface, whose overhead
// per call is what this file avoids.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/sha.h>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VORBEL_SHA_EXTENSIONS 1
#include <cpuid.h>
#include <immintrin.h>
#endif

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

    /// The hash states after the key's inner and outer padded blocks, h0 - h4.
    std::array<std::uint32_t, 5> innerState() const { return words(m_inner); }
    std::array<std::uint32_t, 5> outerState() const { return words(m_outer); }

private:
    static std::array<std::uint32_t, 5> words(const SHA_CTX& context)
    {
        return {context.h0, context.h1, context.h2, context.h3, context.h4};
    }

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

#ifdef VORBEL_SHA_EXTENSIONS

bool hasShaExtensions()
{
    // CPUID leaf 7's EBX bit 29: the SHA extensions; leaf 1's ECX bit 19: SSE4.1 (bit 9, SSSE3, with it).
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 19)) || !(c & (1u << 9)))
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29));
}

/// Four rounds of SHA-1 on the SHA extensions that also schedule the message words of rounds to come.
template <int Function>
[[gnu::target("sha,sse4.1"), gnu::always_inline]] inline void
fourRounds(__m128i& abcd, __m128i& next, __m128i& saved, __m128i& m0, __m128i& m1, __m128i& m2, __m128i& m3)
{
    next = _mm_sha1nexte_epu32(next, m0);
    saved = abcd;
    m1 = _mm_sha1msg2_epu32(m1, m0);
    abcd = _mm_sha1rnds4_epu32(abcd, next, Function);
    m3 = _mm_sha1msg1_epu32(m3, m0);
    m2 = _mm_xor_si128(m2, m0);
}

/// SHA-1's block function on the processor's SHA extensions, four rounds an instruction.
[[gnu::target("sha,sse4.1"), gnu::always_inline]] inline void shaBlock(std::uint32_t* state,
                                                                       const unsigned char* data)
{
    const __m128i byteOrder = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(int(state[4]), 0, 0, 0);
    const __m128i abcdBefore = abcd;
    const __m128i eBefore = e0;
    __m128i e1;
    __m128i msg0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data)), byteOrder);
    __m128i msg1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16)), byteOrder);
    __m128i msg2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 32)), byteOrder);
    __m128i msg3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 48)), byteOrder);

    // Rounds 0 - 15: the block's own words.
    e0 = _mm_add_epi32(e0, msg0);
    e1 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e0, 0);
    e1 = _mm_sha1nexte_epu32(e1, msg1);
    e0 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e1, 0);
    msg0 = _mm_sha1msg1_epu32(msg0, msg1);
    e0 = _mm_sha1nexte_epu32(e0, msg2);
    e1 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e0, 0);
    msg1 = _mm_sha1msg1_epu32(msg1, msg2);
    msg0 = _mm_xor_si128(msg0, msg2);
    e1 = _mm_sha1nexte_epu32(e1, msg3);
    e0 = abcd;
    msg0 = _mm_sha1msg2_epu32(msg0, msg3);
    abcd = _mm_sha1rnds4_epu32(abcd, e1, 0);
    msg2 = _mm_sha1msg1_epu32(msg2, msg3);
    msg1 = _mm_xor_si128(msg1, msg3);

    // Rounds 16 - 67, four at a time, each scheduling the words of rounds to come.
    fourRounds<0>(abcd, e0, e1, msg0, msg1, msg2, msg3);
    fourRounds<1>(abcd, e1, e0, msg1, msg2, msg3, msg0);
    fourRounds<1>(abcd, e0, e1, msg2, msg3, msg0, msg1);
    fourRounds<1>(abcd, e1, e0, msg3, msg0, msg1, msg2);
    fourRounds<1>(abcd, e0, e1, msg0, msg1, msg2, msg3);
    fourRounds<1>(abcd, e1, e0, msg1, msg2, msg3, msg0);
    fourRounds<2>(abcd, e0, e1, msg2, msg3, msg0, msg1);
    fourRounds<2>(abcd, e1, e0, msg3, msg0, msg1, msg2);
    fourRounds<2>(abcd, e0, e1, msg0, msg1, msg2, msg3);
    fourRounds<2>(abcd, e1, e0, msg1, msg2, msg3, msg0);
    fourRounds<2>(abcd, e0, e1, msg2, msg3, msg0, msg1);
    fourRounds<3>(abcd, e1, e0, msg3, msg0, msg1, msg2);
    fourRounds<3>(abcd, e0, e1, msg0, msg1, msg2, msg3);

    // Rounds 68 - 79: the last words need no more scheduling.
    e1 = _mm_sha1nexte_epu32(e1, msg1);
    e0 = abcd;
    msg2 = _mm_sha1msg2_epu32(msg2, msg1);
    abcd = _mm_sha1rnds4_epu32(abcd, e1, 3);
    msg3 = _mm_xor_si128(msg3, msg1);
    e0 = _mm_sha1nexte_epu32(e0, msg2);
    e1 = abcd;
    msg3 = _mm_sha1msg2_epu32(msg3, msg2);
    abcd = _mm_sha1rnds4_epu32(abcd, e0, 3);
    e1 = _mm_sha1nexte_epu32(e1, msg3);
    e0 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e1, 3);

    e0 = _mm_sha1nexte_epu32(e0, eBefore);
    abcd = _mm_add_epi32(abcd, abcdBefore);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = std::uint32_t(_mm_extract_epi32(e0, 3));
}

/// A hash state as the digest's bytes, into the first 20 bytes of a block whose padding follows them.
inline void putDigest(const std::uint32_t* state, unsigned char* out)
{
    for (int i = 0; i < 5; ++i) {
        out[4 * i] = static_cast<unsigned char>(state[i] >> 24);
        out[4 * i + 1] = static_cast<unsigned char>(state[i] >> 16);
        out[4 * i + 2] = static_cast<unsigned char>(state[i] >> 8);
        out[4 * i + 3] = static_cast<unsigned char>(state[i]);
    }
}

/// The iterated rounds (2 to `iterations`) of two key blocks side by side. Each round is two dependent
/// hashes of one block each (the message is one digest long); the two key blocks are independent, and
/// walked together the processor hashes one while the other waits on its instructions' latency.
/// `rounds` and `sums` hold each block's first round on entry, its last round and its key bytes on exit.
[[gnu::target("sha,sse4.1")]] void iterateTwoBlocks(const HmacSha1& hmac, int iterations,
                                                    unsigned char (&rounds)[2][DigestLength],
                                                    unsigned char (&sums)[2][DigestLength])
{
    const std::array<std::uint32_t, 5> inner = hmac.innerState();
    const std::array<std::uint32_t, 5> outer = hmac.outerState();
    // The last block of a hash over the key's block and a message one digest long: the message, 0x80,
    // zeros and the length in bits, (64 + 20) * 8, big-endian.
    unsigned char blocks[2][BlockLength] = {};
    for (auto& block : blocks) {
        block[DigestLength] = 0x80;
        block[BlockLength - 2] = ((BlockLength + DigestLength) * 8) >> 8;
        block[BlockLength - 1] = ((BlockLength + DigestLength) * 8) & 0xff;
    }
    std::memcpy(blocks[0], rounds[0], DigestLength);
    std::memcpy(blocks[1], rounds[1], DigestLength);
    for (int i = 1; i < iterations; ++i) {
        std::uint32_t a[5], b[5];
        std::memcpy(a, inner.data(), sizeof a);
        std::memcpy(b, inner.data(), sizeof b);
        shaBlock(a, blocks[0]);
        shaBlock(b, blocks[1]);
        putDigest(a, blocks[0]);
        putDigest(b, blocks[1]);
        std::memcpy(a, outer.data(), sizeof a);
        std::memcpy(b, outer.data(), sizeof b);
        shaBlock(a, blocks[0]);
        shaBlock(b, blocks[1]);
        putDigest(a, blocks[0]);
        putDigest(b, blocks[1]);
        for (int k = 0; k < DigestLength; ++k) {
            sums[0][k] ^= blocks[0][k];
            sums[1][k] ^= blocks[1][k];
        }
    }
    std::memcpy(rounds[0], blocks[0], DigestLength);
    std::memcpy(rounds[1], blocks[1], DigestLength);
}

#endif

} // namespace

QByteArray pbkdf2HmacSha1(QByteArrayView password, QByteArrayView salt, int iterations, int length)
{
    const HmacSha1 hmac(password);
    const int blockCount = (length + DigestLength - 1) / DigestLength;
    QByteArray key;
    key.reserve(length);
    QByteArray first(salt.toByteArray());
    first.resize(salt.size() + 4);
    // Each key block's first round, from the salt and the block's number; the rounds after it take only
    // the round before.
    const auto firstRound = [&](quint32 block, unsigned char* round) {
        auto* index = reinterpret_cast<unsigned char*>(first.data()) + salt.size();
        index[0] = static_cast<unsigned char>(block >> 24);
        index[1] = static_cast<unsigned char>(block >> 16);
        index[2] = static_cast<unsigned char>(block >> 8);
        index[3] = static_cast<unsigned char>(block);
        hmac.sign(reinterpret_cast<const unsigned char*>(first.constData()), std::size_t(first.size()),
                  round);
    };
    const auto append = [&](const unsigned char* sum) {
        key.append(reinterpret_cast<const char*>(sum),
                   std::min<qsizetype>(DigestLength, length - key.size()));
    };
    int block = 1;
#ifdef VORBEL_SHA_EXTENSIONS
    if (hasShaExtensions()) {
        for (; block + 1 <= blockCount; block += 2) {
            unsigned char rounds[2][DigestLength];
            unsigned char sums[2][DigestLength];
            firstRound(quint32(block), rounds[0]);
            firstRound(quint32(block + 1), rounds[1]);
            std::memcpy(sums, rounds, sizeof sums);
            iterateTwoBlocks(hmac, iterations, rounds, sums);
            append(sums[0]);
            append(sums[1]);
        }
    }
#endif
    for (; block <= blockCount; ++block) {
        unsigned char round[DigestLength];
        unsigned char sum[DigestLength];
        firstRound(quint32(block), round);
        std::memcpy(sum, round, DigestLength);
        for (int i = 1; i < iterations; ++i) {
            hmac.sign(round, DigestLength, round);
            for (int b = 0; b < DigestLength; ++b)
                sum[b] ^= round[b];
        }
        append(sum);
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
