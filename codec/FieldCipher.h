#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace vorbel {

/// A text that should hold a number does not: "'<piece>' is not a valid integer value". It ends the
/// handler that ran into it, as any conversion error does.
class ConversionError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Where EncryptField draws its seed from; tests pin it.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    /// A value in 0..255, uniformly.
    virtual int nextSeed() = 0;
};

class SystemRandomSource : public RandomSource
{
public:
    int nextSeed() override;
};

class FixedRandomSource : public RandomSource
{
public:
    explicit FixedRandomSource(int seed) : m_seed(seed) {}
    int nextSeed() override { return m_seed; }

private:
    int m_seed;
};

/// The key every settings value is enciphered with.
inline constexpr char ProgramKey[] = "QRTpmnK8815LKXZVBB7Q665101pqmzvtwrxa719";

/// Enciphers bytes into upper-case hexadecimal pairs: the seed, then one pair per byte, each byte
/// chained to the last enciphered value (mod 255) and XORed with the key. An empty key means "Quiet Field".
QByteArray EncryptField(QByteArrayView plain, QByteArrayView key, RandomSource& random);
QByteArray EncryptField(QByteArrayView plain, QByteArrayView key);

/// Reverses EncryptField. Throws ConversionError for text that is not hexadecimal pairs.
QByteArray DecryptField(QByteArrayView text, QByteArrayView key);

/// Leading and trailing blanks and control characters removed.
QString trimBlanksAndControls(const QString& text);

/// A settings value as stored: the text in GBK, enciphered with the program key.
QString encipherSetting(const QString& text);
/// A stored settings value deciphered, back from GBK and trimmed. Throws ConversionError.
QString decipherSetting(const QString& stored);

} // namespace vorbel
