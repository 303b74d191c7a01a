#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vorbel {

/// Turns the bytes of a page into text, choosing the charset the way a browser does.
class PageDecoder
{
public:
    /// A byte order mark decides first; then the charset of the HTTP header; then one that a meta
    /// element declares near the start; else UTF-8 when the bytes are valid UTF-8, else GB18030 (the
    /// superset of GBK, so nothing is ever replaced). A charset nobody knows falls through to the next
    /// rule, gbk and gb2312 are read as GB18030, and the byte order mark is not part of the text.
    static QString decode(QByteArrayView body, QByteArrayView headerCharset);

    /// The charset a meta element declares within the first 4096 bytes, in lower case; empty when none.
    static QByteArray declaredCharset(QByteArrayView body);

    /// The charset of a Content-Type header value ("text/html; charset=gbk"); empty when none.
    static QByteArray headerCharset(QByteArrayView contentType);
};

} // namespace vorbel
