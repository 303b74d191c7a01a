// The shop row of the home view: our own wordmark tiles, a rounded glossy tile in a colour of
// the shop's own with its Chinese name lettered in white. No shop's real logo is reproduced.
#include "resources/tools/Artwork.h"
#include "resources/tools/Painting.h"

#include <QFontMetricsF>

namespace vorbel::artwork {

namespace {

constexpr int TileWidth = 80;
constexpr int TileHeight = 33;

struct Shop
{
    const char* stem;
    const char* name;
    QColor colour;
};

// The order of the home view's row, left to right.
const Shop Shops[] = {
    {"taobao", "淘宝网", {242, 110, 26}},   {"tmall", "天猫商城", {176, 28, 84}},
    {"jd", "京东商城", {220, 48, 42}},      {"dangdang", "当当网", {44, 146, 92}},
    {"amazon", "亚马逊", {44, 58, 78}},     {"vancl", "凡客诚品", {120, 56, 140}},
    {"suning", "苏宁易购", {232, 160, 18}}, {"yhd", "1号店", {30, 110, 204}},
};

// One size of lettering for the whole row, the largest that fits the longest name with a margin
// of 7 pixels each side, so the tiles read as a set.
QFont rowFont()
{
    for (int size = 18; size > 9; --size) {
        const QFont font = letteringFont(size);
        const QFontMetricsF metrics(font);
        bool fits = true;
        for (const Shop& shop : Shops)
            fits = fits && metrics.horizontalAdvance(QString::fromUtf8(shop.name)) <= TileWidth - 14;
        if (fits)
            return font;
    }
    return letteringFont(9);
}

QImage tile(const Shop& shop, const QFont& font, int scale)
{
    QImage image = transparentCanvas(TileWidth, TileHeight, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QPainterPath body;
    body.addRoundedRect(QRectF(0.5, 0.5, TileWidth - 1, TileHeight - 1), 6, 6);
    painter.setPen(QPen(shop.colour.darker(140), 1));
    painter.setBrush(
        verticalGradient(body.boundingRect(), shop.colour.lighter(122), shop.colour.darker(108)));
    painter.drawPath(body);
    paintGloss(painter, body, 0.55);

    const QString name = QString::fromUtf8(shop.name);
    painter.setFont(font);
    QColor shadow = shop.colour.darker(190);
    shadow.setAlpha(150);
    painter.setPen(shadow);
    painter.drawText(QRectF(0, 1, TileWidth, TileHeight), Qt::AlignCenter, name);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, TileWidth, TileHeight), Qt::AlignCenter, name);
    return image;
}

} // namespace

std::vector<Picture> shopTiles(int scale)
{
    const QFont font = rowFont();
    std::vector<Picture> pictures;
    for (const Shop& shop : Shops)
        pictures.push_back({QStringLiteral("shop-") + QString::fromLatin1(shop.stem) + QStringLiteral(".png"),
                            tile(shop, font, scale)});
    return pictures;
}

} // namespace vorbel::artwork
