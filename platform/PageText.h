#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace vorbel {

/// The text of a completed page, as the page handlers read it: the root element's outer markup in the
/// old browser engine's serialisation (element names in upper case, text escaped, white space and line
/// breaks kept), split into lines numbered from 0, each cut to 4096 GBK bytes. A last empty line is not
/// counted, and reading any line outside the page gives an empty line.
class PageText
{
public:
    static constexpr qsizetype MaxBodyBytes = 32 * 1024 * 1024;
    static constexpr int MaxLineBytes = 4096;

    PageText() = default;

    /// Decodes a response body (see PageDecoder), parses it as HTML5 and splits its serialisation.
    /// A body over 32 MiB, or one the parser would nest too deeply or spend too long on, gives an
    /// empty page whose error() says why.
    static PageText fromHtml(QByteArrayView body, QByteArrayView headerCharset = {});
    /// The same for markup that is already text.
    static PageText fromMarkup(const QString& html);
    /// A page made of the given lines, as they stand.
    static PageText fromLines(QStringList lines);
    /// An empty page that could not be read, and why.
    static PageText refused(QString error);

    int count() const { return int(m_lines.size()); }
    QString line(int index) const { return index >= 0 && index < count() ? m_lines.at(index) : QString(); }
    const QStringList& lines() const { return m_lines; }
    QString text() const { return m_lines.join(QLatin1Char('\n')); }
    /// Why the page was refused; empty for a page that was read.
    QString error() const { return m_error; }

private:
    static PageText fromSerialised(const QString& markup);

    QStringList m_lines;
    QString m_error;
};

} // namespace vorbel
