#pragma once

#include "widgets/PaintPassesTableView.h"

#include <QColor>
#include <QHash>
#include <QStyledItemDelegate>
#include <functional>
#include <optional>
#include <vector>

class QTableView;

namespace vorbel {

class PictureCache;
class ThumbnailCache;

/// Paints the result grid's cells: stripes by the shown row number, the red selected cell, and the
/// picture, count, price and favourite link over their columns. A screen's pictures not decoded yet are
/// decoded on the thumbnail cache's helper while the cells' texts are painted, and drawn after the cells.
class ResultGridDelegate : public QStyledItemDelegate, public PaintPasses
{
    Q_OBJECT
public:
    using PictureRegistered = std::function<bool(const QString& cph)>;

    ResultGridDelegate(QTableView& view, const PictureCache& cache, ThumbnailCache& thumbnails,
                       PictureRegistered registered);

    /// The text colour of a column's plain texts (the selected cell stays red).
    void setColumnColour(const QString& field, const QColor& colour)
    {
        m_columnColours.insert(field, colour);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    void beforeCells(const QRegion& region) override;
    void afterCells(QWidget& viewport) override;

private:
    void drawDefault(QPainter* painter, const QRect& cell, const QString& field, const QString& value,
                     const QColor& colour) const;
    void drawOverlay(QPainter* painter, const QRect& cell, const QColor& stripe, int left,
                     const QString& text, const QColor& colour) const;
    /// The change since the price last moved and the lowest-price mark, under the price.
    void drawPriceMark(QPainter* painter, const QRect& cell, const QModelIndex& index) const;
    void drawPicture(QPainter* painter, const QRect& cell, const QModelIndex& index,
                     const QString& cph) const;
    std::optional<QString> picturePath(const QString& cph) const;
    /// The files of the shown rows' pictures, in the given column.
    QStringList shownPicturePaths(int column) const;
    void prepareShownPictures(const QModelIndex& index, QSize size) const;
    /// The column that shows the pictures; -1 when there is none.
    int pictureColumn() const;

    QTableView& m_view;
    const PictureCache& m_cache;
    ThumbnailCache& m_thumbnails;
    PictureRegistered m_registered;
    QHash<QString, QColor> m_columnColours;

    /// A picture whose decoding was under way when its cell was painted: drawn after the cells.
    struct PutOff
    {
        QRect cell;
        QString path;
    };
    mutable std::vector<PutOff> m_putOff;
};

} // namespace vorbel
