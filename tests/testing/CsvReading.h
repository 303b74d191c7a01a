#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vorbel::test {

/// A CSV file read back the way a spreadsheet program reads it: records of fields, each field with
/// whether it was quoted (quoted fields are text, bare ones may be numbers).
struct CsvField
{
    QString text;
    bool quoted = false;
    bool operator==(const CsvField&) const = default;
};

struct CsvFile
{
    bool byteOrderMark = false;
    bool crlfOnly = true; ///< every record ends in CR LF and no bare LF or CR stands outside quotes
    std::vector<std::vector<CsvField>> records;

    QStringList texts(std::size_t record) const
    {
        QStringList out;
        for (const CsvField& field : records.at(record))
            out << field.text;
        return out;
    }
};

/// Parses RFC 4180; nothing when the text is not well formed (a stray quote, an unclosed field).
inline std::optional<CsvFile> parseCsv(QByteArray bytes)
{
    CsvFile file;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        file.byteOrderMark = true;
        bytes.remove(0, 3);
    }
    const QString text = QString::fromUtf8(bytes);
    std::vector<CsvField> record;
    CsvField field;
    bool fieldStarted = false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto endField = [&] {
        record.push_back(field);
        field = {};
        fieldStarted = false;
    };
    while (i < n) {
        const QChar c = text[i];
        if (!fieldStarted && c == u'"') {
            field.quoted = true;
            fieldStarted = true;
            ++i;
            for (;;) {
                if (i >= n)
                    return std::nullopt; // unclosed
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field.text += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.text += text[i++];
            }
            if (i < n && text[i] != u',' && text[i] != u'\r' && text[i] != u'\n')
                return std::nullopt; // text after the closing quote
            continue;
        }
        if (c == u',') {
            endField();
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                i += 2;
            else {
                file.crlfOnly = false;
                ++i;
            }
            endField();
            file.records.push_back(std::move(record));
            record.clear();
        } else {
            if (field.quoted)
                return std::nullopt;
            if (c == u'"')
                return std::nullopt; // a quote inside a bare field
            fieldStarted = true;
            field.text += c;
            ++i;
        }
    }
    if (fieldStarted || !record.empty()) {
        file.crlfOnly = false; // the last record has no line end
        endField();
        file.records.push_back(std::move(record));
    }
    return file;
}

inline std::optional<CsvFile> readCsv(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseCsv(file.readAll());
}

} // namespace vorbel::test
