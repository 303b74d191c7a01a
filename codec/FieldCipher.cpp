#include "codec/FieldCipher.h"

#include "codec/Gbk.h"

#include <random>

namespace vorbel {

namespace {

constexpr QByteArrayView DefaultKey = "Quiet Field";
constexpr char HexDigits[] = "0123456789ABCDEF";

QByteArrayView effectiveKey(QByteArrayView key)
{
    return key.isEmpty() ? DefaultKey : key;
}

void appendHexPair(QByteArray& out, int value)
{
    out.append(HexDigits[(value >> 4) & 0xF]);
    out.append(HexDigits[value & 0xF]);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// Reads one or two hexadecimal digits as the conversion "$" + piece would.
int readHex(QByteArrayView piece)
{
    int value = 0;
    bool valid = !piece.isEmpty();
    for (char c : piece) {
        const int digit = hexDigit(c);
        valid = valid && digit >= 0;
        value = value * 16 + digit;
    }
    if (!valid)
        throw ConversionError("'$" + piece.toByteArray().toStdString() + "' is not a valid integer value");
    return value;
}

} // namespace

int SystemRandomSource::nextSeed()
{
    static thread_local std::mt19937 generator{std::random_device{}()};
    return std::uniform_int_distribution<int>(0, 255)(generator);
}

QByteArray EncryptField(QByteArrayView plain, QByteArrayView key, RandomSource& random)
{
    key = effectiveKey(key);
    const int seed = random.nextSeed() & 0xFF;
    QByteArray out;
    out.reserve(2 + 2 * plain.size());
    appendHexPair(out, seed);
    int chain = seed;
    qsizetype keyPosition = 0;
    for (char c : plain) {
        const int byte = static_cast<unsigned char>(c);
        const int keyByte = static_cast<unsigned char>(key[keyPosition]);
        keyPosition = (keyPosition + 1) % key.size();
        chain = ((chain + byte) % 255) ^ keyByte;
        appendHexPair(out, chain);
    }
    return out;
}

QByteArray EncryptField(QByteArrayView plain, QByteArrayView key)
{
    SystemRandomSource random;
    return EncryptField(plain, key, random);
}

QByteArray DecryptField(QByteArrayView text, QByteArrayView key)
{
    key = effectiveKey(key);
    int chain = readHex(text.first(std::min<qsizetype>(2, text.size())));
    QByteArray out;
    if (text.size() == 2)
        return out;
    // The first pair after the seed is always read (a third character alone is a one-digit number, a
    // missing one is an error); after it, only whole pairs are, so a last odd digit is ignored.
    qsizetype keyPosition = 0;
    qsizetype pos = 2;
    do {
        const int x = readHex(text.sliced(std::min(pos, text.size()))
                                  .first(std::min<qsizetype>(2, std::max<qsizetype>(0, text.size() - pos))));
        const int keyByte = static_cast<unsigned char>(key[keyPosition]);
        keyPosition = (keyPosition + 1) % key.size();
        const int v = x ^ keyByte;
        out.append(static_cast<char>(v > chain ? v - chain : v + 255 - chain));
        chain = x;
        pos += 2;
    } while (pos + 1 < text.size());
    return out;
}

QString trimBlanksAndControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

QString encipherSetting(const QString& text)
{
    return QString::fromLatin1(EncryptField(toGbk(text), ProgramKey));
}

QString decipherSetting(const QString& stored)
{
    return trimBlanksAndControls(fromGbk(DecryptField(stored.toLatin1(), ProgramKey)));
}

} // namespace vorbel
