#include "platform/PageDecoder.h"

#include "codec/Gbk.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <optional>

namespace vorbel {

namespace {

constexpr qsizetype PrescanBytes = 4096;

std::optional<QString> decodeByteOrderMark(QByteArrayView body)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(body.sliced(3));
    if (body.startsWith("\xFF\xFE"))
        return decodeCharset(body.sliced(2), "utf-16le");
    if (body.startsWith("\xFE\xFF"))
        return decodeCharset(body.sliced(2), "utf-16be");
    return std::nullopt;
}

std::optional<QString> strictUtf8(QByteArrayView body)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QString PageDecoder::decode(QByteArrayView body, QByteArrayView headerCharset)
{
    if (auto text = decodeByteOrderMark(body))
        return *text;
    if (auto text = decodeCharset(body, headerCharset))
        return *text;
    QByteArray declared = declaredCharset(body);
    // A page cannot declare itself UTF-16 in bytes that could be read to find the declaration.
    if (declared.startsWith("utf-16"))
        declared = "utf-8";
    if (auto text = decodeCharset(body, declared))
        return *text;
    if (auto text = strictUtf8(body))
        return *text;
    return fromGbk(body);
}

QByteArray PageDecoder::declaredCharset(QByteArrayView body)
{
    static const QRegularExpression meta(
        QStringLiteral("<meta[^>]*?charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_:.-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(body.first(std::min(body.size(), PrescanBytes)));
    const QRegularExpressionMatch match = meta.match(head);
    return match.hasMatch() ? match.captured(1).toLatin1().toLower() : QByteArray();
}

QByteArray PageDecoder::headerCharset(QByteArrayView contentType)
{
    const QByteArray type = contentType.toByteArray();
    const qsizetype at = type.toLower().indexOf("charset=");
    if (at < 0)
        return {};
    QByteArray charset = type.mid(at + 8);
    const qsizetype end = charset.indexOf(';');
    if (end >= 0)
        charset.truncate(end);
    return charset.replace('"', "").replace('\'', "").trimmed().toLower();
}

} // namespace vorbel
