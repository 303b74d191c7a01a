#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace vorbel {

/// Unicode to GB18030 bytes: GBK's bytes for every GBK character, and four-byte sequences for the rest,
/// so no character is ever replaced by "?".
QByteArray toGbk(QStringView text);

/// GBK / GB18030 bytes to Unicode; invalid sequences become U+FFFD.
QString fromGbk(QByteArrayView bytes);

/// Bytes in a named charset ("gbk", "gb2312", "gb18030", "utf-8", "iso-8859-1", …, any case) to Unicode;
/// gbk and gb2312 are read as their superset gb18030. std::nullopt for a charset iconv does not know.
std::optional<QString> decodeCharset(QByteArrayView bytes, QByteArrayView charset);

/// The longest prefix of text whose GB18030 form fits in maxBytes, never splitting a character.
QString truncateToGbkBytes(const QString& text, int maxBytes);

} // namespace vorbel
