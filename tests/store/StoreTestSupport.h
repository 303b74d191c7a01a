#pragma once

#include "store/Database.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>
#include <memory>

namespace vorbel::test {

inline const QString CipherShell = QStringLiteral("/usr/bin/sqlcipher");
inline const QString PlainShell = QStringLiteral("/usr/bin/sqlite3");

/// Opens the database or fails the test with the error text.
inline std::unique_ptr<Database> openDatabase(const QString& path)
{
    auto opened = Database::open(path);
    if (auto* error = std::get_if<QString>(&opened)) {
        ADD_FAILURE() << error->toStdString();
        return nullptr;
    }
    return std::move(std::get<std::unique_ptr<Database>>(opened));
}

/// The error text of a refused open, or an empty text (and a test failure) when it opened.
inline QString openError(const QString& path)
{
    auto opened = Database::open(path);
    if (auto* error = std::get_if<QString>(&opened))
        return *error;
    ADD_FAILURE() << "opened " << path.toStdString();
    return {};
}

/// Runs a stock shell on the file as a separate process and returns what it printed.
inline QString runShell(const QString& program, const QString& path, const QByteArray& script)
{
    QProcess shell;
    shell.start(program, {path});
    if (!shell.waitForStarted(30000)) {
        ADD_FAILURE() << "cannot start " << program.toStdString();
        return {};
    }
    shell.write(script);
    shell.closeWriteChannel();
    EXPECT_TRUE(shell.waitForFinished(30000));
    return QString::fromUtf8(shell.readAllStandardOutput() + shell.readAllStandardError());
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QStringList folderListing(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace vorbel::test
