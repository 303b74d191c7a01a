// The program icon (a magnifier over a price tag) and the about picture built around it.
#include "resources/tools/Artwork.h"
#include "resources/tools/Painting.h"

#include <cmath>

namespace vorbel::artwork {

namespace {

constexpr int IconSize = 256;
const QPointF LensCentre(118, 116);
constexpr qreal LensRadius = 50;

// The tag lies diagonally from the upper left; the lens shows its yen sign enlarged.
void paintTag(QPainter& painter)
{
    painter.save();
    painter.translate(26, 48);
    painter.rotate(40);
    const QPainterPath tag = priceTag(QRectF(0, -46, 168, 92), 14);
    painter.setPen(QPen(QColor(168, 94, 0), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(verticalGradient(tag.boundingRect(), QColor(255, 222, 120), QColor(244, 150, 26)));
    painter.drawPath(tag);
    paintGloss(painter, tag, 0.5);
    painter.restore();

    // The yen sign stays upright so it reads at a glance, wherever the tag points.
    paintYen(painter, QRectF(LensCentre.x() - 40, LensCentre.y() - 40, 80, 80), QColor(150, 72, 0), 62);
}

void paintIconBackground(QPainter& painter)
{
    QPainterPath tile;
    tile.addRoundedRect(QRectF(8, 8, 240, 240), 54, 54);
    painter.setPen(QPen(QColor(16, 48, 112), 2));
    painter.setBrush(verticalGradient(tile.boundingRect(), QColor(88, 160, 238), QColor(22, 64, 146)));
    painter.drawPath(tile);
    paintGloss(painter, tile, 0.35);
}

void paintLens(QPainter& painter)
{
    Magnifier m;
    m.centre = LensCentre;
    m.radius = LensRadius;
    m.ringWidth = 14;
    m.handleLength = 62;
    m.handleWidth = 28;
    m.ring = QColor(232, 240, 252);
    m.handle = QColor(20, 40, 92);
    m.glass = QColor(214, 234, 255, 40);

    painter.save();
    QPainterPath glass;
    glass.addEllipse(LensCentre, LensRadius, LensRadius);
    painter.setClipPath(glass);
    painter.fillPath(glass, QColor(255, 246, 222));
    painter.translate(LensCentre);
    painter.scale(1.35, 1.35);
    painter.translate(-LensCentre);
    paintTag(painter);
    painter.restore();
    paintMagnifier(painter, m);
}

void paintAboutBackground(QPainter& painter, const QRectF& area)
{
    QLinearGradient sky(area.topLeft(), area.bottomRight());
    sky.setColorAt(0, QColor(16, 46, 108));
    sky.setColorAt(0.55, QColor(36, 96, 184));
    sky.setColorAt(1, QColor(88, 154, 226));
    painter.fillRect(area, sky);
    QRadialGradient glow(QPointF(372, 70), 220);
    glow.setColorAt(0, QColor(255, 255, 255, 60));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(area, glow);

    for (int layer = 0; layer < 2; ++layer) {
        QPainterPath wave;
        const qreal base = 246 + layer * 16;
        wave.moveTo(area.left(), base);
        for (int x = 0; x <= area.width(); x += 6)
            wave.lineTo(x, base + 10 * std::sin(x / 58.0 + layer * 1.7));
        wave.lineTo(area.bottomRight());
        wave.lineTo(area.bottomLeft());
        wave.closeSubpath();
        painter.fillPath(wave, QColor(255, 255, 255, 22 + layer * 18));
    }
}

// A small price chart whose line falls to a low that a magnifier picks out.
void paintPriceChart(QPainter& painter)
{
    const QRectF card(270, 52, 168, 126);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
    painter.setBrush(QColor(255, 255, 255, 34));
    painter.drawRoundedRect(card, 12, 12);
    painter.setPen(QPen(QColor(255, 255, 255, 46), 1, Qt::DashLine));
    for (int row = 1; row < 4; ++row)
        painter.drawLine(QPointF(card.left() + 12, card.top() + row * 30),
                         QPointF(card.right() - 12, card.top() + row * 30));

    const QPolygonF prices{{286, 80}, {310, 74}, {334, 96}, {356, 88}, {380, 120}, {404, 112}, {420, 146}};
    painter.setPen(QPen(QColor(255, 214, 96), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(prices);
    painter.setPen(QPen(QColor(255, 214, 96), 2));
    painter.setBrush(QColor(30, 80, 170));
    for (const QPointF& point : prices)
        painter.drawEllipse(point, 3.5, 3.5);

    Magnifier m;
    m.centre = prices.last();
    m.radius = 17;
    m.ringWidth = 5;
    m.handleLength = 22;
    m.handleWidth = 8;
    m.ring = QColor(240, 246, 255);
    m.handle = QColor(18, 36, 84);
    m.glass = QColor(255, 255, 255, 50);
    paintMagnifier(painter, m);
}

void paintFloatingTag(QPainter& painter, QPointF at, qreal angle, qreal scale)
{
    painter.save();
    painter.translate(at);
    painter.rotate(angle);
    painter.scale(scale, scale);
    const QPainterPath tag = priceTag(QRectF(0, -13, 48, 26), 4);
    painter.setPen(QPen(QColor(168, 94, 0), 1.5));
    painter.setBrush(verticalGradient(tag.boundingRect(), QColor(255, 222, 120), QColor(244, 150, 26)));
    painter.drawPath(tag);
    paintYen(painter, QRectF(16, -13, 30, 26), QColor(150, 72, 0), 18);
    painter.restore();
}

void paintAboutLettering(QPainter& painter)
{
    painter.setPen(Qt::white);
    painter.setFont(letteringFont(54));
    painter.drawText(QRectF(34, 118, 240, 66), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vorbel"));
    painter.setFont(letteringFont(22));
    painter.drawText(QRectF(38, 184, 240, 32), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("网购比价搜索"));
    painter.fillRect(QRectF(39, 224, 36, 3), QColor(255, 206, 84));
    painter.setPen(QColor(226, 236, 250));
    painter.setFont(letteringFont(14, false));
    painter.drawText(QRectF(38, 234, 240, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("版本 1.0"));
}

} // namespace

Picture programIcon(int pixels)
{
    QImage image = transparentCanvas(pixels, pixels);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(qreal(pixels) / IconSize, qreal(pixels) / IconSize);
    paintIconBackground(painter);
    paintTag(painter);
    paintLens(painter);
    return {QStringLiteral("vorbel.png"), image};
}

Picture aboutPicture(const QImage& icon, int scale)
{
    const QRectF area(0, 0, 468, 294);
    QImage image(int(area.width()) * scale, int(area.height()) * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintAboutBackground(painter, area);
    painter.drawImage(QRectF(36, 38, 80, 80), icon);
    paintPriceChart(painter);
    paintFloatingTag(painter, {292, 214}, -18, 1.0);
    paintFloatingTag(painter, {372, 222}, 12, 0.8);
    paintAboutLettering(painter);
    return {QStringLiteral("about.jpg"), image};
}

} // namespace vorbel::artwork
