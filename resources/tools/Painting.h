#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>

namespace vorbel::artwork {

/// A transparent picture of width x height logical pixels, `scale` image pixels to each: painting on it
/// is in logical pixels, so one drawing gives the 1x picture and its sharp 2x copy.
QImage transparentCanvas(int width, int height, int scale = 1);

/// The CJK face the pictures are lettered in, at a pixel size.
QFont letteringFont(int pixelSize, bool bold = true);

/// A polygon whose corners are rounded off by `radius` (clamped to half of each edge).
QPainterPath roundedPolygon(const QPolygonF& corners, qreal radius);

/// A vertical gradient over `box` from `top` to `bottom`.
QLinearGradient verticalGradient(const QRectF& box, const QColor& top, const QColor& bottom);

/// A sphere-like radial fill: light upper left, `colour` in the middle, darker at the rim.
QRadialGradient sphereGradient(const QRectF& box, const QColor& colour);

/// Lays a soft highlight over the upper half of `shape`, the look of glass lit from above.
void paintGloss(QPainter& painter, const QPainterPath& shape, qreal strength = 1.0);

/// A price tag whose point faces left, with a round hole cut near the point.
QPainterPath priceTag(const QRectF& box, qreal cornerRadius);

/// Where and how a magnifier is drawn: the lens, the ring and the handle towards the lower right.
struct Magnifier
{
    QPointF centre;
    qreal radius = 10;
    qreal ringWidth = 3;
    qreal handleLength = 10;
    qreal handleWidth = 4;
    QColor ring{38, 96, 190};
    QColor handle{24, 48, 100};
    QColor glass{210, 232, 255, 150};
};

/// Paints the magnifier `m`: tinted glass, a lit ring, a highlight and a rounded handle.
void paintMagnifier(QPainter& painter, const Magnifier& m);

/// The yen sign as lettering centred in `box`.
void paintYen(QPainter& painter, const QRectF& box, const QColor& colour, int pixelSize);

} // namespace vorbel::artwork
