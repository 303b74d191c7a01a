#pragma once

#include "widgets/PaintPassesTableView.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;

namespace vorbel {

class FindBar;

/// The results view `pan01`: the search bar `pnl1`, the result grid `DBGridEh1` with its find bar in `pnl2`
/// and the shop filter bar `pnl3` with its eight boxes. Enter in the keyword box searches; Tab runs from
/// the box to the button to the grid.
class ResultsView : public QWidget
{
    Q_OBJECT
public:
    explicit ResultsView(QWidget* parent);

    QLineEdit* Edt_word;             ///< the keyword box of the search bar
    QPushButton* suiButton1;         ///< the search bar's search button
    PaintPassesTableView* DBGridEh1; ///< the result grid
    FindBar* findBar;                ///< under the grid, hidden until Ctrl+F
    QFrame* pnl1;                    ///< the search bar
    QFrame* pnl3;                    ///< the shop filter bar
    /// suiCheckBox1 ("全部") … suiCheckBox8 ("1号店").
    std::array<QCheckBox*, 8> shopBoxes{};

private:
    QFrame* makeSearchBar();
    QFrame* makeFilterBar();
    QWidget* makeGridPanel();
};

} // namespace vorbel
