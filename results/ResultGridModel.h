#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace vorbel {

class StandingQuery;

/// The result list as the grid shows it: one row per record of the result query, the nine columns of the
/// result grid, following the query's own changes.
class ResultGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    ResultGridModel(StandingQuery& query, QStringList fields, QStringList titles, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QString field(int column) const { return m_fields.value(column); }
    /// A field of the row as text, whether or not the grid shows it.
    QString text(int row, const QString& field) const;
    StandingQuery& query() const { return m_query; }

private:
    StandingQuery& m_query;
    QStringList m_fields;
    QStringList m_titles;
    int m_rows = 0;
};

} // namespace vorbel
