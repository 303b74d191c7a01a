// Arbitrary shop links and link codes: input is "link\0code a\0code b".

#include "codec/TextHelpers.h"

#include <QList>
#include <cstdint>
#include <cstdlib>

using namespace vorbel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    const QString link = QString::fromUtf8(parts.value(0));
    const LinkCodes codes{QString::fromUtf8(parts.value(1)), QString::fromUtf8(parts.value(2))};
    RewriteShopLink(link, codes);
    if (RewriteShopLink(link, LinkCodes{}) != link)
        std::abort(); // without codes the link must stay exactly as served
    return 0;
}
