#include "results/ResultGridModel.h"

#include "store/StandingQuery.h"

namespace vorbel {

ResultGridModel::ResultGridModel(StandingQuery& query, QStringList fields, QStringList titles,
                                 QObject* parent)
    : QAbstractTableModel(parent), m_query(query), m_fields(std::move(fields)), m_titles(std::move(titles)),
      m_rows(query.recordCount())
{
    // The query signals after its snapshot has changed, while a model must report the old row count
    // until its begin call has run; so the model keeps the count it has announced.
    connect(&query, &StandingQuery::reset, this, [this] {
        beginResetModel();
        m_rows = m_query.recordCount();
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
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    if (m_fields.value(index.column()) == QLatin1String("bz1"))
        return {};
    return text(index.row(), m_fields.value(index.column()));
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_titles.value(section);
    return {};
}

QString ResultGridModel::text(int row, const QString& field) const
{
    return m_query.valueAt(row, field).toString();
}

} // namespace vorbel
