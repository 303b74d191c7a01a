#include "codec/Gbk.h"

#include <cerrno>
#include <iconv.h>
#include <memory>
#include <stdexcept>
#include <type_traits>

namespace vorbel {

namespace {

struct IconvCloser
{
    void operator()(iconv_t handle) const { iconv_close(handle); }
};
using Iconv = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

Iconv openConverter(const char* to, const char* from)
{
    iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return Iconv(handle);
}

/// Runs the whole input through the converter; an invalid input byte is replaced by `replacement`
/// (in the target encoding) and skipped.
QByteArray convert(iconv_t converter, QByteArrayView input, QByteArrayView replacement)
{
    QByteArray output;
    output.reserve(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = static_cast<size_t>(input.size());
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        output.append(buffer, out - buffer);
        if (result != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (a sequence cut at the end): replace one byte and go on.
        output.append(replacement);
        ++in;
        --inLeft;
    }
    return output;
}

/// The GB18030 converters come with glibc; without its conversion modules no text can be stored at all.
Iconv requireConverter(const char* to, const char* from)
{
    Iconv converter = openConverter(to, from);
    if (!converter)
        throw std::runtime_error("The GB18030 text conversion is not available");
    return converter;
}

QString utf8ToString(const QByteArray& utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

QByteArray toGbk(QStringView text)
{
    const Iconv converter = requireConverter("GB18030", "UTF-8");
    // Qt hands over valid UTF-8 and GB18030 holds every character, so the replacement (U+FFFD) is a
    // safeguard only.
    return convert(converter.get(), text.toUtf8(), "\x84\x31\xA4\x37");
}

QString fromGbk(QByteArrayView bytes)
{
    const Iconv converter = requireConverter("UTF-8", "GB18030");
    return utf8ToString(convert(converter.get(), bytes, "\xEF\xBF\xBD"));
}

std::optional<QString> decodeCharset(QByteArrayView bytes, QByteArrayView charset)
{
    QByteArray name = charset.toByteArray().trimmed().toLower();
    // iconv reads "" as the locale's charset and "//" as conversion flags; neither names a charset.
    if (name.isEmpty() || name.contains('/'))
        return std::nullopt;
    if (name == "gbk" || name == "gb2312" || name == "x-gbk" || name == "cp936" || name == "gb_2312-80")
        name = "gb18030";
    if (name == "utf8")
        name = "utf-8";
    if (name == "utf-8")
        return QString::fromUtf8(bytes);
    const Iconv converter = openConverter("UTF-8", name.constData());
    if (!converter)
        return std::nullopt;
    return utf8ToString(convert(converter.get(), bytes, "\xEF\xBF\xBD"));
}

QString truncateToGbkBytes(const QString& text, int maxBytes)
{
    if (text.size() * 4 <= maxBytes) // every UTF-16 unit takes at most four bytes
        return text;
    const QByteArray bytes = toGbk(text);
    if (bytes.size() <= maxBytes)
        return text;
    // Walk GB18030 characters: one byte below 0x80, four when the second byte is a digit, else two.
    qsizetype end = 0;
    while (end < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[end]);
        qsizetype width = 1;
        if (lead >= 0x81 && end + 1 < bytes.size()) {
            const auto second = static_cast<unsigned char>(bytes[end + 1]);
            width = (second >= 0x30 && second <= 0x39) ? 4 : 2;
        }
        if (end + width > maxBytes)
            break;
        end += width;
    }
    return fromGbk(QByteArrayView(bytes).first(end));
}

} // namespace vorbel
