#include "search/PageCells.h"

#include "codec/FieldCipher.h"

namespace vorbel {

int wholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        throw ConversionError("'" + text.toStdString() + "' is not a valid integer value");
    return value;
}

} // namespace vorbel
