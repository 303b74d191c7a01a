#pragma once

#include "results/PriceMarks.h"
#include "results/ResultColumns.h"

#include <QAbstractTableModel>
#include <QHash>
#include <span>

namespace vorbel {

class PriceHistory;
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
        PriceMarkRole,                ///< QString: the mark under the price ("↓￥10.00", "新"), or empty
        PriceMarkColourRole,          ///< QColor: the colour of PriceMarkRole's text
        LowestPriceRole,              ///< bool: the row's price is the lowest the offer was seen at
    };

    ResultGridModel(StandingQuery& query, std::span<const GridColumn> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /// Marks the rows' prices (the field priceField) from the history. The marks are read whenever the
    /// query is opened anew (only for offers not marked before while the store is unchanged) and for
    /// every row by refreshPriceMarks, never while painting.
    void showPriceMarks(PriceHistory& history, QLatin1String priceField);
    /// Reads the marks of the rows now in the query, e.g. once a page has been read into it.
    void refreshPriceMarks();

    QString field(int column) const;
    /// A field of the row as text, whether or not the grid shows it.
    QString text(int row, QLatin1String field) const;
    StandingQuery& query() const { return m_query; }

private:
    pricemark::Mark markOf(int row) const;
    /// What a mark depends on: the offer (product id, shop) and the price it is shown at.
    struct MarkKey
    {
        QString cph;
        QString sjlx;
        QString price;
        bool operator==(const MarkKey&) const = default;
        friend size_t qHash(const MarkKey& key, size_t seed = 0)
        {
            return qHashMulti(seed, key.cph, key.sjlx, key.price);
        }
    };
    MarkKey markKey(int row) const;
    void readPriceMarks(bool anew);

    StandingQuery& m_query;
    std::span<const GridColumn> m_columns;
    int m_rows = 0;
    PriceHistory* m_history = nullptr;
    QLatin1String m_priceField;
    QHash<MarkKey, pricemark::Mark> m_marks;
    quint64 m_marksStamp = 0; // the store's change stamp the marks were read at
};

} // namespace vorbel
