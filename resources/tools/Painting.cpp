#include "resources/tools/Painting.h"

#include <QLineF>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace vorbel::artwork {

QImage transparentCanvas(int width, int height, int scale)
{
    QImage image(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

QFont letteringFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Droid Sans Fallback")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QPainterPath roundedPolygon(const QPolygonF& corners, qreal radius)
{
    QPainterPath path;
    const qsizetype count = corners.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QPointF corner = corners[i];
        const QPointF before = corners[(i + count - 1) % count];
        const QPointF after = corners[(i + 1) % count];
        const qreal inLength = QLineF(corner, before).length();
        const qreal outLength = QLineF(corner, after).length();
        const qreal r = std::min({radius, inLength / 2, outLength / 2});
        const QPointF entry = corner + (before - corner) * (r / inLength);
        const QPointF exit = corner + (after - corner) * (r / outLength);
        if (i == 0)
            path.moveTo(entry);
        else
            path.lineTo(entry);
        path.quadTo(corner, exit);
    }
    path.closeSubpath();
    return path;
}

QLinearGradient verticalGradient(const QRectF& box, const QColor& top, const QColor& bottom)
{
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

QRadialGradient sphereGradient(const QRectF& box, const QColor& colour)
{
    const QPointF focal(box.left() + box.width() * 0.36, box.top() + box.height() * 0.3);
    QRadialGradient gradient(box.center(), box.width() * 0.62, focal);
    gradient.setColorAt(0, colour.lighter(165));
    gradient.setColorAt(0.55, colour);
    gradient.setColorAt(1, colour.darker(140));
    return gradient;
}

void paintGloss(QPainter& painter, const QPainterPath& shape, qreal strength)
{
    const QRectF box = shape.boundingRect();
    QPainterPath sheen;
    sheen.addEllipse(QRectF(box.left() - box.width() * 0.3, box.top() - box.height() * 0.62,
                            box.width() * 1.6, box.height() * 1.1));
    QLinearGradient light(box.topLeft(), QPointF(box.left(), box.center().y()));
    light.setColorAt(0, QColor(255, 255, 255, int(150 * strength)));
    light.setColorAt(1, QColor(255, 255, 255, int(30 * strength)));
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(light);
    painter.drawPath(shape.intersected(sheen));
    painter.restore();
}

QPainterPath priceTag(const QRectF& box, qreal cornerRadius)
{
    const qreal midY = box.center().y();
    const qreal shoulder = box.left() + box.height() * 0.5;
    const QPolygonF outline{{box.left(), midY},
                            {shoulder, box.top()},
                            {box.right(), box.top()},
                            {box.right(), box.bottom()},
                            {shoulder, box.bottom()}};
    QPainterPath hole;
    const qreal holeRadius = box.height() * 0.12;
    hole.addEllipse(QPointF(box.left() + box.height() * 0.44, midY), holeRadius, holeRadius);
    return roundedPolygon(outline, cornerRadius).subtracted(hole);
}

namespace {

void paintHandle(QPainter& painter, const Magnifier& m)
{
    const QPointF direction(M_SQRT1_2, M_SQRT1_2);
    const QPointF from = m.centre + direction * (m.radius + m.ringWidth * 0.3);
    const QPointF to = from + direction * m.handleLength;
    painter.setPen(QPen(m.handle, m.handleWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to);
    // A thin lit edge along the handle keeps it from reading as a flat stroke.
    const QPointF edge = QPointF(-M_SQRT1_2, M_SQRT1_2) * (m.handleWidth * -0.2);
    QColor lit = m.handle.lighter(190);
    lit.setAlpha(150);
    painter.setPen(QPen(lit, std::max<qreal>(1.0, m.handleWidth * 0.25), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from + edge + direction * m.handleWidth * 0.4, to + edge);
}

} // namespace

void paintMagnifier(QPainter& painter, const Magnifier& m)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintHandle(painter, m);

    const QRectF lens(m.centre.x() - m.radius, m.centre.y() - m.radius, 2 * m.radius, 2 * m.radius);
    QRadialGradient glass(m.centre, m.radius, m.centre - QPointF(m.radius * 0.4, m.radius * 0.4));
    glass.setColorAt(0, m.glass.lighter(112));
    glass.setColorAt(1, m.glass);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glass);
    painter.drawEllipse(lens);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(
        QPen(QBrush(verticalGradient(lens, m.ring.lighter(135), m.ring.darker(115))), m.ringWidth));
    painter.drawEllipse(lens);

    const qreal inner = m.radius - m.ringWidth * 1.1;
    const QRectF shine(m.centre.x() - inner, m.centre.y() - inner, 2 * inner, 2 * inner);
    painter.setPen(QPen(QColor(255, 255, 255, 190), std::max<qreal>(1.0, m.ringWidth * 0.45), Qt::SolidLine,
                        Qt::RoundCap));
    painter.drawArc(shine, 105 * 16, 65 * 16);
    painter.restore();
}

void paintYen(QPainter& painter, const QRectF& box, const QColor& colour, int pixelSize)
{
    painter.save();
    painter.setPen(colour);
    painter.setFont(letteringFont(pixelSize));
    painter.drawText(box, Qt::AlignCenter, QStringLiteral("¥"));
    painter.restore();
}

} // namespace vorbel::artwork
