#pragma once

#include "results/ResultColumns.h"

#include <QAbstractTableModel>
#include <QHash>
#include <span>

namespace vorbel {

class StandingQuery;

/// A standing query as a grid shows it: one row per record, one column per grid column, following the
/// query's own changes. Both grids use it, each with its column list.
class ResultGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    /// What the delegates read of a cell besides its text; they never reach the model itself.
    enum Role
    {
        FieldRole = Qt::UserRole + 1, ///< QString: the field the column shows
        ProductIdRole,                ///< QString: the row's product id (cph)
        ShopRole,                     ///< QString: the row's shop (sjlx)
        CollectedPriceRole,           ///< QString: the row's price when collected (scjg)
    };

    ResultGridModel(StandingQuery& query, std::span<const GridColumn> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QString field(int column) const;
    /// A field of the row as text, whether or not the grid shows it.
    QString text(int row, QLatin1String field) const;
    StandingQuery& query() const { return m_query; }

private:
    StandingQuery& m_query;
    std::span<const GridColumn> m_columns;
    int m_rows = 0;
};

} // namespace vorbel
