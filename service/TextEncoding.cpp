#include "service/TextEncoding.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace vorbel::service {

namespace {

constexpr char32_t Replacement = 0xFFFD;

/// Decodes one code point at `at`, advancing it; malformed or overlong sequences and surrogates give
/// U+FFFD after consuming one byte.
char32_t decodeOne(std::string_view bytes, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    int length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        ++at;
        return Replacement;
    }
    if (at + std::size_t(length) > bytes.size()) {
        ++at;
        return Replacement;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + std::size_t(i)]);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return Replacement;
        }
        value = (value << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++at;
        return Replacement;
    }
    at += std::size_t(length);
    return value;
}

void append(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool breaksLines(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

} // namespace

std::string cleanText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const char32_t c = decodeOne(bytes, at);
        append(out, breaksLines(c) ? U' ' : c);
    }
    return out;
}

std::string validUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();)
        append(out, decodeOne(bytes, at));
    return out;
}

std::string firstCodePoints(std::string_view utf8, std::size_t count)
{
    std::size_t at = 0;
    for (std::size_t taken = 0; taken < count && at < utf8.size(); ++taken)
        decodeOne(utf8, at);
    return std::string(utf8.substr(0, at));
}

std::string toGb18030(std::string_view utf8)
{
    const std::string clean = validUtf8(utf8);
    const iconv_t opened = iconv_open("GB18030", "UTF-8");
    if (opened == reinterpret_cast<iconv_t>(-1))
        return clean; // glibc always has GB18030; this only keeps a broken system from losing the page
    const std::unique_ptr<void, int (*)(iconv_t)> converter(opened, iconv_close);
    std::string out(clean.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(clean.data());
    std::size_t inLeft = clean.size();
    std::size_t done = 0;
    while (inLeft > 0) {
        char* target = out.data() + done;
        std::size_t outLeft = out.size() - done;
        const std::size_t result = iconv(converter.get(), &in, &inLeft, &target, &outLeft);
        done = out.size() - outLeft;
        if (result != std::size_t(-1))
            break;
        if (errno != E2BIG) {
            // Valid UTF-8 always converts; skip a byte rather than lose the rest of the page.
            ++in;
            --inLeft;
            continue;
        }
        out.resize(out.size() * 2);
    }
    out.resize(done);
    return out;
}

} // namespace vorbel::service
