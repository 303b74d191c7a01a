// Arbitrary markup (as UTF-8) turned into the text a browser shows.

#include "codec/TextHelpers.h"

#include <cstdint>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString html = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        vorbel::HtmlToText(html);
    } catch (const std::runtime_error&) {
        // Markup nested too deeply is refused with this error by design.
    }
    return 0;
}
