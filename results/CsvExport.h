#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace vorbel {

class ResultGridModel;

/// One cell of an exported table; a number is written bare so that a spreadsheet can sum it.
struct CsvCell
{
    QString text;
    bool number = false;
};

/// A table as it goes into a CSV file: the title row and the rows under it.
struct CsvTable
{
    QStringList titles;
    std::vector<std::vector<CsvCell>> rows;
};

/// The file's bytes: a UTF-8 byte-order mark (without it spreadsheet programs read the Chinese text in the
/// local code page), then one CRLF-ended record per row. Every text cell is quoted with its quotes doubled,
/// so commas and line breaks inside a cell stay in it; a text that a spreadsheet would run as a formula
/// gets a leading apostrophe.
QByteArray csvBytes(const CsvTable& table);

/// Writes the file to a temporary name beside the target and renames it into place, so a write that fails
/// leaves the target as it was and no half file. Returns why it failed; empty when it did not.
QString writeCsv(const QString& path, const CsvTable& table);

/// A grid's rows in the grid's own order: the given model columns (the picture column left out) and the
/// shop link at the end as a plain address. Prices and counts that read as numbers become number cells.
CsvTable gridTable(const ResultGridModel& model, const QList<int>& columns);

} // namespace vorbel
