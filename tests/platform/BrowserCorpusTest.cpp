// The page text beside a current browser's serialisation of the same markup. The corpus and the
// browser's answers are checked in (scripts/browser-page-text writes the answers), so no browser is
// needed here; a case that differs must be one of the accepted differences listed below, with why.
#include "platform/OuterHtml.h"

#include <QFile>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <gtest/gtest.h>
#include <iostream>

using namespace vorbel;

namespace {

/// Records of a corpus file: a line "## name", then the text up to the next such line, less the
/// record's last line break.
QMap<QString, QString> readRecords(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, QString> records;
    QString name;
    QStringList text;
    const auto close = [&] {
        if (!name.isEmpty())
            records.insert(name, text.join(QLatin1Char('\n')));
    };
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("## "))) {
            close();
            name = lines[i].mid(3).trimmed();
            text.clear();
        } else if (i + 1 < lines.size() || !lines[i].isEmpty()) {
            text << lines[i];
        }
    }
    close();
    return records;
}

/// The checked-in corpus, or another one a developer names in VORBEL_PAGE_TEXT_CORPUS to try out.
QString corpusFile(const char* name)
{
    return qEnvironmentVariable("VORBEL_PAGE_TEXT_CORPUS", QStringLiteral(VORBEL_PAGE_TEXT_CORPUS)) +
           QLatin1Char('/') + QLatin1String(name);
}

/// Where our page text knowingly differs from the browser's, and why.
const QMap<QString, QString>& acceptedDifferences()
{
    static const QMap<QString, QString> accepted{
        {QStringLiteral("comment-bogus"),
         QStringLiteral("the browser now keeps \"<?...>\" as a processing instruction; the parser, like the "
                        "old engine, makes it a comment")},
        {QStringLiteral("select-with-div"),
         QStringLiteral(
             "the browser's newer select parsing keeps markup inside <select>; the parser drops it")},
        {QStringLiteral("select-with-span-text"), QStringLiteral("as select-with-div")},
        {QStringLiteral("noscript-in-select"), QStringLiteral("as select-with-div")},
        {QStringLiteral("dialog-inside-formatting"),
         QStringLiteral("<dialog> goes to the parser as <header>, which misnested formatting treats as a "
                        "block of its own where <dialog> is not one")},
        {QStringLiteral("noscript-holding-noframes-end"),
         QStringLiteral("a </noframes> inside would end the raw text we hand the parser, so this noscript "
                        "is parsed as markup")},
    };
    return accepted;
}

} // namespace

TEST(BrowserCorpus, EveryInputHasTheBrowsersAnswer)
{
    const QMap<QString, QString> inputs = readRecords(corpusFile("inputs.txt"));
    const QMap<QString, QString> expected = readRecords(corpusFile("expected.txt"));
    ASSERT_GE(inputs.size(), 60);
    EXPECT_EQ(QSet<QString>(inputs.keyBegin(), inputs.keyEnd()),
              QSet<QString>(expected.keyBegin(), expected.keyEnd()))
        << "run scripts/browser-page-text after changing the inputs";
    for (auto it = acceptedDifferences().begin(); it != acceptedDifferences().end(); ++it)
        EXPECT_TRUE(inputs.contains(it.key()))
            << "accepted difference for no input: " << it.key().toStdString();
}

TEST(BrowserCorpus, PageTextMatchesTheBrowserExceptForAcceptedDifferences)
{
    const QMap<QString, QString> inputs = readRecords(corpusFile("inputs.txt"));
    const QMap<QString, QString> expected = readRecords(corpusFile("expected.txt"));
    int matching = 0;
    for (auto it = inputs.begin(); it != inputs.end(); ++it) {
        const QString ours = OuterHtml::of(it.value().toUtf8());
        const QString browser = expected.value(it.key());
        const bool matches = ours == browser;
        matching += matches ? 1 : 0;
        if (acceptedDifferences().contains(it.key())) {
            EXPECT_FALSE(matches) << it.key().toStdString()
                                  << " now matches the browser: take it off the accepted differences";
        } else {
            EXPECT_TRUE(matches) << it.key().toStdString() << "\n  input:   " << it.value().toStdString()
                                 << "\n  ours:    " << ours.toStdString()
                                 << "\n  browser: " << browser.toStdString();
        }
    }
    std::cout << "page text matches the browser on " << matching << " of " << inputs.size() << " inputs ("
              << (inputs.isEmpty() ? 0.0 : 100.0 * matching / inputs.size()) << " %)\n";
}
