// Arbitrary stored settings text deciphered with the program key and with a key taken from the input,
// and plain text enciphered and deciphered back unchanged.

#include "codec/FieldCipher.h"

#include <cstdint>
#include <cstdlib>

using namespace vorbel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        DecryptField(input, ProgramKey);
    } catch (const ConversionError&) {
    }

    // First byte: how much of the rest is the key.
    const qsizetype keyLength = size > 0 ? qsizetype(data[0] % 48) : 0;
    const QByteArrayView rest = input.sliced(std::min<qsizetype>(1, input.size()));
    const QByteArrayView key = rest.first(std::min(keyLength, rest.size()));
    const QByteArrayView text = rest.sliced(key.size());
    try {
        DecryptField(text, key);
    } catch (const ConversionError&) {
    }

    // Bytes 0 and 255 are the only ones the cipher cannot tell apart; any other text comes back as it was.
    if (!text.contains('\0') && !text.contains('\xFF')) {
        FixedRandomSource random(text.isEmpty() ? 0 : quint8(text.front()));
        if (DecryptField(EncryptField(text, key, random), key) != text)
            std::abort();
    }
    try {
        decipherSetting(QString::fromLatin1(input));
    } catch (const ConversionError&) {
    }
    return 0;
}
