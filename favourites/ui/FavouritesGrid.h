#pragma once

#include "results/JpegThumbnails.h"
#include "session/FeatureParts.h"
#include "store/PriceHistory.h"

#include <QObject>
#include <QPointer>

class QModelIndex;
class QTableView;

namespace vorbel {

class FavouritesDelegate;
class FindBar;
class GridTools;
class PriceChartWindow;
class ResultGridModel;

/// The favourites grid `DBGridEh2`: its columns and look, the painted pictures and price changes, and the
/// cell actions (open the shop page, delete a favourite, show the large picture, the price history), the
/// export menu and find.
class FavouritesGrid : public QObject
{
    Q_OBJECT
public:
    FavouritesGrid(QTableView& view, FindBar& findBar, const FeatureParts& parts);

    /// The designer's cell click handler: opens, deletes or shows the large picture by column.
    void DBGridEh2CellClick(const QModelIndex& index);
    /// The designer's pointer handler: the cursor by column, the large picture hidden.
    void DBGridEh2MouseMove(QPoint position);
    /// Product names and delete links in blue, as after a retrieval.
    void colourColumns();
    /// Reads the price marks of the rows shown, once a page or list has been read.
    void refreshPriceMarks();
    ResultGridModel& model() const { return *m_model; }
    GridTools& tools() const { return *m_tools; }
    /// Opens the price-history window on the row's offer, with its collected price.
    void showPriceChart(int row);
    /// The price-history window, once one has been opened and while it is open.
    PriceChartWindow* priceChart() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void configureView();
    void deleteFavourite(int row);
    void showLargePicture(int row);

    QTableView& m_view;
    FeatureParts m_parts;
    PriceHistory m_history{m_parts.database};
    ResultGridModel* m_model;
    QObject* m_viewport = nullptr; // compared only: events reach the filter while the view is destroyed
    FavouritesDelegate* m_delegate = nullptr;
    GridTools* m_tools;
    ThumbnailCache m_thumbnails;
    QPointer<PriceChartWindow> m_chart;
    /// The pointer's height over the window's grid area at its last move; the large picture stands near it.
    int m_pointerY = 0;
};

} // namespace vorbel
