#pragma once

#include <QString>

namespace vorbel {

/// The value of a cell line "<TD>" + value + "</TD>": the text from the fifth character up to the first
/// "</TD>"; empty when the line has none.
inline QString cellValue(const QString& line)
{
    const qsizetype end = line.indexOf(QLatin1String("</TD>"));
    return end < 4 ? QString() : line.mid(4, end - 4);
}

/// A whole number as the pages write them; throws ConversionError with the text otherwise.
int wholeNumber(const QString& text);

} // namespace vorbel
