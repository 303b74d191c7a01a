#pragma once

#include "results/JpegThumbnails.h"
#include "search/ResultFilter.h"

#include <QObject>
#include <QSet>

class QModelIndex;
class QTableView;

namespace vorbel {

class ResultGridDelegate;
class ResultGridModel;
class Tfrmvorbel;

/// The result grid `DBGridEh1`: its columns and look, the painting delegate, the title sort and the cell
/// actions (open the shop page, collect an offer, show the large picture) with the cursor rules.
class ResultGrid : public QObject
{
    Q_OBJECT
public:
    ResultGrid(QTableView& view, Tfrmvorbel& window);

    void DBGridEh1CellClick(const QModelIndex& index);
    void DBGridEh1MouseMove(QPoint position);
    void DBGridEh1TitleBtnClick(int column);
    /// The product name in blue and the rating in RGB(128,0,64), as after a search.
    void colourColumns();
    ResultGridModel& model() const { return *m_model; }
    ThumbnailCache& thumbnails() { return m_thumbnails; }
    QString sortMarker(const QString& field) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void configureView();
    void collect(int row);
    void showLargePicture(int row);
    bool isRegistered(const QString& cph);

    QTableView& m_view;
    Tfrmvorbel& m_window;
    ResultGridModel* m_model;
    QObject* m_viewport = nullptr; // compared only: events reach the filter while the view is destroyed
    ThumbnailCache m_thumbnails;
    QSet<QString> m_registered;
    bool m_registerStale = true;
    TitleSort m_sort;
    ResultGridDelegate* m_delegate = nullptr;
};

} // namespace vorbel
