#include "results/CsvExport.h"

#include "results/ResultGridModel.h"
#include "store/Columns.h"

#include <QRegularExpression>
#include <QSaveFile>

namespace vorbel {

namespace {

const QString ShopLinkTitle = QStringLiteral("商品链接");

bool isNumberField(const QString& field)
{
    return field == column::jg || field == column::rc || field == column::scjg || field == column::gxjg;
}

/// Plain decimals only: "1e5", "inf" or "0x10" would read as numbers to a parser but not to the user.
bool readsAsNumber(const QString& text)
{
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    return decimal.match(text).hasMatch();
}

/// Spreadsheets start a formula at these; tab and carriage return too, after they drop a leading one.
bool startsFormula(const QString& text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' ||
           first == u'\r';
}

void appendCell(QString& line, const CsvCell& cell)
{
    if (cell.number) {
        line += cell.text;
        return;
    }
    QString text = cell.text;
    if (startsFormula(text))
        text.prepend(u'\'');
    text.replace(u'"', QStringLiteral("\"\""));
    line += u'"';
    line += text;
    line += u'"';
}

void appendRecord(QString& out, const std::vector<CsvCell>& cells)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += u',';
        appendCell(out, cells[i]);
    }
    out += QStringLiteral("\r\n");
}

} // namespace

QByteArray csvBytes(const CsvTable& table)
{
    QString out;
    std::vector<CsvCell> titles;
    for (const QString& title : table.titles)
        titles.push_back({title, false});
    appendRecord(out, titles);
    for (const auto& row : table.rows)
        appendRecord(out, row);
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

QString writeCsv(const QString& path, const CsvTable& table)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = csvBytes(table);
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

CsvTable gridTable(const ResultGridModel& model, const QList<int>& columns)
{
    QList<int> exported;
    for (int column : columns)
        if (column >= 0 && column < model.columnCount() && model.field(column) != column::bz1)
            exported << column;
    CsvTable table;
    for (int column : exported)
        table.titles << model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    table.titles << ShopLinkTitle;
    table.rows.reserve(std::size_t(model.rowCount()));
    for (int row = 0; row < model.rowCount(); ++row) {
        std::vector<CsvCell> cells;
        for (int column : exported) {
            const QString field = model.field(column);
            const QString text = model.data(model.index(row, column), Qt::DisplayRole).toString();
            const bool number = isNumberField(field) && readsAsNumber(text.trimmed());
            cells.push_back({number ? text.trimmed() : text, number});
        }
        cells.push_back({model.text(row, column::cplj), false});
        table.rows.push_back(std::move(cells));
    }
    return table;
}

} // namespace vorbel
