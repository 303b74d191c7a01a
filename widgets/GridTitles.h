#pragma once

#include <QHeaderView>

namespace vorbel {

/// The title row of the grids: a horizontal header of a fixed height. Its size hint is that height, where
/// Qt's own header measures every title's text for it, again at each change of the model, to find a
/// height the fixed one overrides anyway. Otherwise it is the header a table view makes for itself.
class GridTitles : public QHeaderView
{
public:
    GridTitles(int height, QWidget* parent);

    QSize sizeHint() const override;

private:
    int m_height;
};

} // namespace vorbel
