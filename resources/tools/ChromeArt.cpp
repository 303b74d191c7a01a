// The title bar pieces and the window buttons. They sit inside the frame's 1 pixel border
// RGB(38, 67, 121) over a window background of RGB(241, 241, 241), and carry a bold black
// caption, so the bar stays light: a pale blue-grey that deepens towards its lower edge.
#include "resources/tools/Artwork.h"
#include "resources/tools/Painting.h"

namespace vorbel::artwork {

namespace {

constexpr int BarHeight = 26;
constexpr int ButtonWidth = 27;
constexpr int ButtonHeight = 18;

enum class Cap
{
    None,
    Left,
    Right
};

// The edge lines are filled one logical pixel wide, so the 2x copy has them two pixels wide.
QImage titlePiece(int width, Cap cap, int scale)
{
    QImage image = transparentCanvas(width, BarHeight, scale);
    QPainter painter(&image);
    QLinearGradient band(0, 0, 0, BarHeight);
    band.setColorAt(0.0, QColor(238, 243, 251));
    band.setColorAt(0.46, QColor(214, 225, 243));
    band.setColorAt(0.54, QColor(202, 216, 239));
    band.setColorAt(1.0, QColor(182, 201, 232));
    painter.fillRect(QRectF(0, 0, width, BarHeight), band);
    painter.fillRect(QRectF(0, 0, width, 1), QColor(255, 255, 255, 210));
    painter.fillRect(QRectF(0, BarHeight - 1, width, 1), QColor(128, 153, 197));
    if (cap == Cap::Left)
        painter.fillRect(QRectF(0, 1, 1, BarHeight - 2), QColor(255, 255, 255, 150));
    else if (cap == Cap::Right)
        painter.fillRect(QRectF(width - 1, 1, 1, BarHeight - 2), QColor(150, 172, 210));
    return image;
}

struct Face
{
    QColor top;
    QColor bottom;
    QColor border;
    QColor glyph;
    qreal gloss;
};

Face faceFor(bool close, int state)
{
    switch (state) {
    case 1:
        return close ? Face{{244, 142, 122}, {204, 58, 42}, {150, 36, 24}, Qt::white, 0.9}
                     : Face{{168, 204, 250}, {82, 134, 216}, {38, 67, 121}, Qt::white, 0.9};
    case 2:
        return close ? Face{{190, 52, 36}, {150, 32, 20}, {110, 24, 14}, Qt::white, 0.25}
                     : Face{{62, 104, 184}, {40, 76, 150}, {28, 50, 96}, Qt::white, 0.25};
    default:
        return Face{{248, 250, 254}, {204, 217, 238}, {122, 147, 192}, {38, 67, 121}, 0.7};
    }
}

void paintGlyph(QPainter& painter, const QString& kind, const QColor& colour, int shift)
{
    painter.translate(shift, shift);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (kind == QLatin1String("close")) {
        painter.drawLine(QPointF(10, 5.5), QPointF(17, 12.5));
        painter.drawLine(QPointF(17, 5.5), QPointF(10, 12.5));
    } else if (kind == QLatin1String("max")) {
        painter.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRectF(9.2, 5.2, 8.6, 7.6));
        painter.fillRect(QRectF(8.5, 4.5, 10, 2.2), colour);
    } else {
        painter.fillRect(QRectF(9, 11, 9, 2), colour);
    }
}

QImage windowButton(const QString& kind, int state, int scale)
{
    QImage image = transparentCanvas(ButtonWidth, ButtonHeight, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const Face face = faceFor(kind == QLatin1String("close"), state);
    QPainterPath body;
    body.addRoundedRect(QRectF(0.5, 0.5, ButtonWidth - 1, ButtonHeight - 1), 3.5, 3.5);
    painter.setPen(QPen(face.border, 1));
    painter.setBrush(verticalGradient(body.boundingRect(), face.top, face.bottom));
    painter.drawPath(body);
    paintGloss(painter, body, face.gloss);
    paintGlyph(painter, kind, face.glyph, state == 2 ? 1 : 0);
    return image;
}

} // namespace

std::vector<Picture> windowChrome(int scale)
{
    std::vector<Picture> pictures{{QStringLiteral("titlebar-left.png"), titlePiece(8, Cap::Left, scale)},
                                  {QStringLiteral("titlebar-middle.png"), titlePiece(4, Cap::None, scale)},
                                  {QStringLiteral("titlebar-right.png"), titlePiece(8, Cap::Right, scale)}};
    const QString states[] = {QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("pressed")};
    for (const QString& kind : {QStringLiteral("close"), QStringLiteral("max"), QStringLiteral("min")}) {
        for (int state = 0; state < 3; ++state)
            pictures.push_back({kind + QLatin1Char('-') + states[state] + QStringLiteral(".png"),
                                windowButton(kind, state, scale)});
    }
    return pictures;
}

} // namespace vorbel::artwork
