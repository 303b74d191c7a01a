#include "results/ResultGridModel.h"

#include "store/PriceHistory.h"
#include "store/StandingQuery.h"
#include "store/StoreError.h"

#include <QSet>

namespace vorbel {

ResultGridModel::ResultGridModel(StandingQuery& query, std::span<const GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_query(query), m_columns(columns), m_rows(query.recordCount())
{
    // The query signals after its snapshot has changed, while a model must report the old row count
    // until its begin call has run; so the model keeps the count it has announced.
    connect(&query, &StandingQuery::reset, this, [this] {
        beginResetModel();
        m_rows = m_query.recordCount();
        readPriceMarks(false);
        endResetModel();
    });
    // A sort shows the same records: their marks stay as they were read.
    connect(&query, &StandingQuery::reordered, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&query, &StandingQuery::rowAppended, this, [this](int row) {
        beginInsertRows({}, row, row);
        m_rows = m_query.recordCount();
        endInsertRows();
    });
    connect(&query, &StandingQuery::rowRemoved, this, [this](int row) {
        beginRemoveRows({}, row, row);
        m_rows = m_query.recordCount();
        endRemoveRows();
    });
    connect(&query, &StandingQuery::rowChanged, this,
            [this](int row) { Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1)); });
}

int ResultGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ResultGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString ResultGridModel::field(int column) const
{
    return column >= 0 && column < int(m_columns.size()) ? QString(m_columns[std::size_t(column)].field)
                                                         : QString();
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= int(m_columns.size()))
        return {};
    const QLatin1String field = m_columns[std::size_t(index.column())].field;
    switch (role) {
    case Qt::DisplayRole:
        return field == column::bz1 ? QVariant() : QVariant(text(index.row(), field));
    case FieldRole:
        return QString(field);
    case ProductIdRole:
        return text(index.row(), column::cph);
    case ShopRole:
        return text(index.row(), column::sjlx);
    case CollectedPriceRole:
        return text(index.row(), column::scjg);
    case PriceMarkRole:
        return markOf(index.row()).text;
    case PriceMarkColourRole:
        return markOf(index.row()).colour;
    case LowestPriceRole:
        return markOf(index.row()).lowest;
    default:
        return {};
    }
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= int(m_columns.size()))
        return {};
    const GridColumn& column = m_columns[std::size_t(section)];
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(column.title);
    if (role == Qt::ToolTipRole && column.hint)
        return QString::fromUtf8(column.hint);
    return {};
}

QString ResultGridModel::text(int row, QLatin1String field) const
{
    return m_query.valueAt(row, field).toString();
}

void ResultGridModel::showPriceMarks(PriceHistory& history, QLatin1String priceField)
{
    m_history = &history;
    m_priceField = priceField;
    refreshPriceMarks();
}

void ResultGridModel::refreshPriceMarks()
{
    readPriceMarks(true);
    if (m_rows > 0)
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
}

ResultGridModel::MarkKey ResultGridModel::markKey(int row) const
{
    return {text(row, column::cph), text(row, column::sjlx), text(row, m_priceField)};
}

void ResultGridModel::readPriceMarks(bool anew)
{
    if (!m_history) {
        m_marks.clear();
        return;
    }
    try {
        // A shop box click opens the list anew with offers already marked: while the store has not
        // changed, their marks stand and only the offers not seen yet are read.
        const quint64 stamp = m_history->changeStamp();
        if (anew || stamp != m_marksStamp)
            m_marks.clear();
        m_marksStamp = stamp;
        // One read of the history for every offer not marked yet: a statement per row made a shop box
        // click on ten thousand offers wait for ten thousand statements.
        QList<PriceHistory::Offer> offers;
        QList<MarkKey> keys;
        QSet<MarkKey> asked;
        for (int row = 0; row < m_query.recordCount(); ++row) {
            MarkKey key = markKey(row);
            if (key.cph.isEmpty() || m_marks.contains(key) || asked.contains(key))
                continue;
            asked.insert(key);
            offers.append({key.cph, key.sjlx});
            keys.append(std::move(key));
        }
        if (offers.isEmpty())
            return;
        const QHash<PriceHistory::Offer, std::vector<PriceRecord>> histories = m_history->histories(offers);
        const std::vector<PriceRecord> none;
        for (qsizetype i = 0; i < offers.size(); ++i) {
            const auto found = histories.constFind(offers.at(i));
            m_marks.insert(keys.at(i), pricemark::markOf(found == histories.constEnd() ? none : *found,
                                                         keys.at(i).price));
        }
    } catch (const StoreError& error) {
        // Marks are an extra: a store that cannot be read leaves the prices bare, the grid goes on.
        m_marks.clear();
        qWarning("vorbel: price marks not read: %s", error.what());
    }
}

pricemark::Mark ResultGridModel::markOf(int row) const
{
    if (!m_history || row < 0 || row >= m_query.recordCount())
        return {};
    return m_marks.value(markKey(row));
}

} // namespace vorbel
