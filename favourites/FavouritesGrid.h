#pragma once

#include "results/JpegThumbnails.h"

#include <QObject>

class QModelIndex;
class QTableView;

namespace vorbel {

class ResultGridModel;
class Tfrmvorbel;

/// The favourites grid `DBGridEh2`: its columns and look, the painted pictures and price changes, and the
/// cell actions (open the shop page, delete a favourite, show the large picture).
class FavouritesGrid : public QObject
{
    Q_OBJECT
public:
    FavouritesGrid(QTableView& view, Tfrmvorbel& window);

    void DBGridEh2CellClick(const QModelIndex& index);
    void DBGridEh2MouseMove(QPoint position);
    /// Product names and delete links in blue, as after a retrieval.
    void colourColumns();
    ResultGridModel& model() const { return *m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void configureView();
    void deleteFavourite(int row);
    void showLargePicture(int row);

    QTableView& m_view;
    Tfrmvorbel& m_window;
    ResultGridModel* m_model;
    QObject* m_viewport = nullptr; // compared only: events reach the filter while the view is destroyed
    class FavouritesDelegate* m_delegate = nullptr;
    ThumbnailCache m_thumbnails;
    int m_lastY = 0;
};

} // namespace vorbel
