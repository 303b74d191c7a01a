#pragma once

#include <QWidget>

class QTableView;

namespace vorbel {

/// The favourites view `pan02`: nothing but the favourites grid `DBGridEh2`.
class FavouritesView : public QWidget
{
    Q_OBJECT
public:
    explicit FavouritesView(QWidget* parent);

    QTableView* DBGridEh2; ///< the favourites grid
};

} // namespace vorbel
