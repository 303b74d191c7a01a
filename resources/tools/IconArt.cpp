// Toolbar icons (32 x 32) and the magnifier of the glass search buttons (24 x 24). The toolbar
// is a pale blue band, so each icon carries its own outline and a light from the upper left.
#include "resources/tools/Artwork.h"
#include "resources/tools/Painting.h"

#include <cmath>
#include <functional>

namespace vorbel::artwork {

namespace {

constexpr int IconSize = 32;
const QColor InkBlue(38, 96, 190);

Picture icon(const QString& fileName, int size, int scale, const std::function<void(QPainter&)>& draw)
{
    QImage image = transparentCanvas(size, size, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    draw(painter);
    return {fileName, image};
}

void drawSphere(QPainter& painter, const QRectF& box, const QColor& colour)
{
    QPainterPath ball;
    ball.addEllipse(box);
    painter.setPen(QPen(colour.darker(150), 1.2));
    painter.setBrush(sphereGradient(box, colour));
    painter.drawPath(ball);
    paintGloss(painter, ball, 0.55);
}

void drawSearch(QPainter& painter)
{
    Magnifier m;
    m.centre = {13, 13};
    m.radius = 9.5;
    m.ringWidth = 3;
    m.handleLength = 9.5;
    m.handleWidth = 5;
    m.ring = InkBlue;
    m.handle = QColor(30, 52, 100);
    paintMagnifier(painter, m);
    paintYen(painter, QRectF(5, 5, 16, 16), QColor(226, 112, 8), 13);
}

void drawFavourites(QPainter& painter)
{
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = i % 2 ? 6.3 : 14.8;
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        points << QPointF(16 + radius * std::cos(angle), 17 + radius * std::sin(angle));
    }
    const QPainterPath star = roundedPolygon(points, 1.6);
    painter.setPen(QPen(QColor(190, 116, 0), 1.2));
    painter.setBrush(verticalGradient(star.boundingRect(), QColor(255, 230, 120), QColor(244, 156, 18)));
    painter.drawPath(star);
    paintGloss(painter, star, 0.8);
}

void drawPriceDrop(QPainter& painter)
{
    painter.save();
    painter.translate(2, 19);
    painter.rotate(-35);
    const QPainterPath tag = priceTag(QRectF(0, -6, 20, 12), 2);
    painter.setPen(QPen(QColor(176, 92, 0), 1.1));
    painter.setBrush(verticalGradient(tag.boundingRect(), QColor(255, 204, 100), QColor(240, 134, 22)));
    painter.drawPath(tag);
    painter.restore();

    const QPainterPath arrow =
        roundedPolygon({{18, 11}, {26, 11}, {26, 20}, {31, 20}, {22, 30.5}, {13, 20}, {18, 20}}, 1.2);
    painter.strokePath(arrow, QPen(QColor(255, 255, 255, 230), 3));
    painter.setPen(QPen(QColor(22, 112, 46), 1.1));
    painter.setBrush(verticalGradient(arrow.boundingRect(), QColor(120, 214, 128), QColor(30, 150, 62)));
    painter.drawPath(arrow);
}

void drawDirectory(QPainter& painter)
{
    const QRectF box(2.5, 2.5, 27, 27);
    QPainterPath globe;
    globe.addEllipse(box);
    painter.setPen(Qt::NoPen);
    painter.setBrush(sphereGradient(box, QColor(40, 132, 214)));
    painter.drawPath(globe);
    painter.save();
    painter.setClipPath(globe);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 175), 1.2));
    painter.drawEllipse(QRectF(10, 2.5, 12, 27));
    painter.drawLine(QPointF(16, 2), QPointF(16, 30));
    painter.drawLine(QPointF(2, 16), QPointF(30, 16));
    painter.drawLine(QPointF(2, 9.5), QPointF(30, 9.5));
    painter.drawLine(QPointF(2, 22.5), QPointF(30, 22.5));
    painter.restore();
    painter.setPen(QPen(QColor(22, 78, 150), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(globe);
    paintGloss(painter, globe, 0.5);
}

void drawWebsite(QPainter& painter)
{
    painter.setPen(QPen(QColor(120, 56, 40), 1));
    painter.setBrush(QColor(176, 84, 62));
    painter.drawRect(QRectF(21.5, 5, 3.5, 7));
    painter.setPen(QPen(QColor(150, 112, 72), 1));
    painter.setBrush(verticalGradient(QRectF(7, 14, 18, 15), QColor(255, 251, 240), QColor(230, 216, 188)));
    painter.drawRect(QRectF(7, 14, 18, 15));
    const QPainterPath roof = roundedPolygon({{16, 3}, {30.5, 16.5}, {1.5, 16.5}}, 1.6);
    painter.setPen(QPen(QColor(150, 40, 24), 1.1));
    painter.setBrush(verticalGradient(roof.boundingRect(), QColor(246, 122, 80), QColor(200, 58, 36)));
    painter.drawPath(roof);
    paintGloss(painter, roof, 0.5);
    painter.setPen(QPen(QColor(24, 64, 130), 1));
    painter.setBrush(verticalGradient(QRectF(13.5, 20, 5, 9), QColor(86, 146, 222), QColor(38, 90, 170)));
    painter.drawRect(QRectF(13.5, 20, 5, 9));
    painter.setBrush(QColor(190, 222, 255));
    painter.drawRect(QRectF(8.5, 18.5, 3.5, 3.5));
    painter.drawRect(QRectF(20, 18.5, 3.5, 3.5));
}

void drawAbout(QPainter& painter)
{
    drawSphere(painter, QRectF(2.5, 2.5, 27, 27), QColor(40, 120, 210));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(16, 9.5), 2.4, 2.4);
    painter.drawRoundedRect(QRectF(14, 13.5, 4, 11.5), 1.4, 1.4);
}

void drawClose(QPainter& painter)
{
    drawSphere(painter, QRectF(2.5, 2.5, 27, 27), QColor(218, 62, 48));
    painter.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(11, 11), QPointF(21, 21));
    painter.drawLine(QPointF(21, 11), QPointF(11, 21));
}

void drawSearchButton(QPainter& painter)
{
    Magnifier m;
    m.centre = {10, 10};
    m.radius = 7;
    m.ringWidth = 2.6;
    m.handleLength = 8;
    m.handleWidth = 3.8;
    // A soft dark copy under the white one keeps the magnifier readable on the lighter half of
    // the glass button.
    Magnifier shadow = m;
    shadow.centre += QPointF(0.8, 1);
    shadow.ring = shadow.handle = QColor(0, 30, 90, 110);
    shadow.glass = Qt::transparent;
    paintMagnifier(painter, shadow);
    m.ring = m.handle = QColor(255, 255, 255);
    m.glass = QColor(255, 255, 255, 70);
    paintMagnifier(painter, m);
}

} // namespace

std::vector<Picture> toolbarIcons(int scale)
{
    return {icon(QStringLiteral("tb-search.png"), IconSize, scale, drawSearch),
            icon(QStringLiteral("tb-favourites.png"), IconSize, scale, drawFavourites),
            icon(QStringLiteral("tb-pricedrop.png"), IconSize, scale, drawPriceDrop),
            icon(QStringLiteral("tb-directory.png"), IconSize, scale, drawDirectory),
            icon(QStringLiteral("tb-website.png"), IconSize, scale, drawWebsite),
            icon(QStringLiteral("tb-about.png"), IconSize, scale, drawAbout),
            icon(QStringLiteral("tb-close.png"), IconSize, scale, drawClose),
            icon(QStringLiteral("search-button.png"), 24, scale, drawSearchButton)};
}

} // namespace vorbel::artwork
