#pragma once

#include <QWidget>

class QTableView;

namespace vorbel {

class FindBar;

/// The favourites view `pan02`: the favourites grid `DBGridEh2` and its find bar.
class FavouritesView : public QWidget
{
    Q_OBJECT
public:
    explicit FavouritesView(QWidget* parent);

    QTableView* DBGridEh2; ///< the favourites grid
    FindBar* findBar;      ///< under the grid, hidden until Ctrl+F
};

} // namespace vorbel
