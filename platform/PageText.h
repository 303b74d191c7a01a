#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace vorbel {

/// The text of a completed page, as the page handlers read it: the root element's outer markup in a
/// browser's serialisation (element names in upper case, text escaped, white space and line breaks kept),
/// split into lines numbered from 0, each cut to 4096 GBK bytes. Reading one line past the last gives an
/// empty line.
class PageText
{
public:
    static constexpr qsizetype MaxBodyBytes = 32 * 1024 * 1024;
    static constexpr int MaxLineBytes = 4096;
    static constexpr int MaxNesting = 10000;

    PageText() = default;

    /// Decodes the body (the header's charset, else the page's meta charset, else UTF-8 when valid, else
    /// GB18030), parses it as HTML5 and serialises it. A body over 32 MiB or nested deeper than the parser
    /// can safely take gives an empty page with error() set.
    static PageText fromHtml(QByteArrayView body, QByteArrayView headerCharset = {});
    /// The same for markup that is already text.
    static PageText fromMarkup(const QString& html);
    /// A page made of the given lines, as they stand.
    static PageText fromLines(const QStringList& lines);

    int count() const { return int(m_lines.size()); }
    QString line(int index) const { return index >= 0 && index < count() ? m_lines.at(index) : QString(); }
    const QStringList& lines() const { return m_lines; }
    QString text() const { return m_lines.join(QLatin1Char('\n')); }
    QString error() const { return m_error; }

private:
    static PageText fromSerialised(const QString& markup);

    QStringList m_lines;
    QString m_error;
};

/// The charset a page declares in a meta element within its first bytes, lower case; empty when none.
QByteArray declaredCharset(QByteArrayView body);

/// The outer markup of the root element of the HTML5 parse of `html`, serialised as a browser does.
/// Empty when the markup nests deeper than PageText::MaxNesting.
QString serialiseDocument(const QByteArray& utf8Html);

} // namespace vorbel
