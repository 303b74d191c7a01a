#pragma once

#include "results/JpegThumbnails.h"
#include "search/ResultFilter.h"
#include "session/FeatureParts.h"
#include "store/PriceHistory.h"

#include <QObject>
#include <QPointer>
#include <QSet>

class QModelIndex;
class QTableView;

namespace vorbel {

class FindBar;
class GridTools;
class PaintPassesTableView;
class PriceChartWindow;
class ResultGridDelegate;
class ResultGridModel;

/// The result grid `DBGridEh1`: its columns and look, the painting delegate, the title sort and the cell
/// actions (open the shop page, collect an offer, show the large picture, the price history) with the
/// cursor rules, the export menu and find.
class ResultGrid : public QObject
{
    Q_OBJECT
public:
    ResultGrid(PaintPassesTableView& view, FindBar& findBar, const FeatureParts& parts);

    /// The designer's cell click handler: opens, collects or shows the large picture by column.
    void DBGridEh1CellClick(const QModelIndex& index);
    /// The designer's pointer handler: the cursor by column, the large picture hidden.
    void DBGridEh1MouseMove(QPoint position);
    /// The designer's title click handler: the price and popularity titles sort.
    void DBGridEh1TitleBtnClick(int section);
    /// The product name in blue and the rating in RGB(128,0,64), as after a search.
    void colourColumns();
    /// Reads the price marks of the rows shown, once a page or list has been read.
    void refreshPriceMarks();
    ResultGridModel& model() const { return *m_model; }
    ThumbnailCache& thumbnails() { return m_thumbnails; }
    GridTools& tools() const { return *m_tools; }
    QString sortMarker(const QString& field) const;
    /// Opens the price-history window on the row's offer.
    void showPriceChart(int row);
    /// The price-history window, once one has been opened and while it is open.
    PriceChartWindow* priceChart() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void configureView();
    void paintFirstScreen();
    void collect(int row);
    void showLargePicture(int row);
    bool isRegistered(const QString& cph);

    QTableView& m_view;
    FeatureParts m_parts;
    PriceHistory m_history{m_parts.database};
    ResultGridModel* m_model;
    QObject* m_viewport = nullptr; // compared only: events reach the filter while the view is destroyed
    ThumbnailCache m_thumbnails;
    QSet<QString> m_registered;
    bool m_registerStale = true;
    /// The list was opened anew and its first screen of rows is not painted yet.
    bool m_firstScreenDue = false;
    TitleSort m_sort;
    ResultGridDelegate* m_delegate = nullptr;
    GridTools* m_tools;
    QPointer<PriceChartWindow> m_chart;
    /// The pointer's height over the window's grid area at its last move; the large picture stands there.
    int m_pointerY = 0;
    /// The title that sorts the list and its direction; -1 before the first sort.
    int m_sortSection = -1;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};

} // namespace vorbel
