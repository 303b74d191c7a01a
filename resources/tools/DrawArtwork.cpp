// Draws Vorbel's artwork into resources/images. Run once after changing a picture:
//   cmake --build build --target vorbel-draw-artwork && QT_QPA_PLATFORM=offscreen
//   build/resources/vorbel-draw-artwork resources/images
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <functional>

namespace {

QString g_folder;

QFont cjk(int pixels, bool bold = true)
{
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QImage canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void save(const QImage& image, const QString& name)
{
    image.save(g_folder + QLatin1Char('/') + name);
}

void drawMagnifier(QPainter& p, QRectF box, QColor ring, qreal width)
{
    const QRectF lens(box.left(), box.top(), box.width() * 0.68, box.height() * 0.68);
    p.setPen(QPen(ring, width, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(lens);
    const QPointF from = lens.center() + QPointF(lens.width() * 0.36, lens.height() * 0.36);
    p.drawLine(from, box.bottomRight() - QPointF(width / 2, width / 2));
}

void appIcon()
{
    QImage image = canvas(256, 256);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, 256);
    back.setColorAt(0, QColor(74, 144, 226));
    back.setColorAt(1, QColor(28, 72, 150));
    p.setBrush(back);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
    // a price tag
    QPainterPath tag;
    tag.moveTo(60, 70);
    tag.lineTo(140, 70);
    tag.lineTo(190, 120);
    tag.lineTo(120, 190);
    tag.lineTo(60, 130);
    tag.closeSubpath();
    p.setBrush(QColor(255, 206, 84));
    p.drawPath(tag);
    p.setBrush(QColor(28, 72, 150));
    p.drawEllipse(QPointF(90, 100), 11, 11);
    p.setPen(QColor(120, 70, 0));
    p.setFont(cjk(54));
    p.drawText(QRectF(90, 100, 80, 70), Qt::AlignCenter, QStringLiteral("￥"));
    drawMagnifier(p, QRectF(120, 120, 110, 110), Qt::white, 16);
    save(image, QStringLiteral("vorbel.png"));
}

void titleBar()
{
    const int h = 26;
    auto piece = [&](int w, const QString& name, bool left, bool right) {
        QImage image = canvas(w, h);
        QPainter p(&image);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, QColor(214, 228, 247));
        g.setColorAt(0.5, QColor(176, 201, 236));
        g.setColorAt(1, QColor(140, 172, 222));
        p.fillRect(image.rect(), g);
        p.setPen(QColor(38, 67, 121));
        if (left)
            p.drawLine(0, 0, 0, h);
        if (right)
            p.drawLine(w - 1, 0, w - 1, h);
        p.setPen(QColor(255, 255, 255, 160));
        p.drawLine(0, 0, w, 0);
        save(image, name);
    };
    piece(8, QStringLiteral("titlebar-left.png"), true, false);
    piece(4, QStringLiteral("titlebar-middle.png"), false, false);
    piece(8, QStringLiteral("titlebar-right.png"), false, true);
}

void windowButtons()
{
    const QList<std::pair<QString, QColor>> states{{QStringLiteral("normal"), QColor(120, 150, 200)},
                                                   {QStringLiteral("hover"), QColor(90, 130, 210)},
                                                   {QStringLiteral("pressed"), QColor(50, 80, 150)}};
    for (const QString& kind : {QStringLiteral("close"), QStringLiteral("max"), QStringLiteral("min")}) {
        for (const auto& [state, colour] : states) {
            QImage image = canvas(27, 18);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            const QColor face = kind == QLatin1String("close") && state != QLatin1String("normal")
                                    ? QColor(200, 60, 50)
                                    : colour;
            p.setBrush(face);
            p.setPen(QColor(38, 67, 121));
            p.drawRoundedRect(QRectF(0.5, 0.5, 26, 17), 3, 3);
            p.setPen(QPen(Qt::white, 2));
            if (kind == QLatin1String("close")) {
                p.drawLine(QPointF(9, 5), QPointF(18, 13));
                p.drawLine(QPointF(18, 5), QPointF(9, 13));
            } else if (kind == QLatin1String("max")) {
                p.setBrush(Qt::NoBrush);
                p.drawRect(QRectF(8.5, 4.5, 10, 9));
            } else {
                p.drawLine(QPointF(8, 13), QPointF(19, 13));
            }
            save(image, kind + QLatin1Char('-') + state + QStringLiteral(".png"));
        }
    }
}

void toolIcon(const QString& name, const std::function<void(QPainter&)>& draw)
{
    QImage image = canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    save(image, name);
}

void toolIcons()
{
    const QColor blue(38, 96, 190);
    toolIcon(QStringLiteral("tb-search.png"),
             [&](QPainter& p) { drawMagnifier(p, QRectF(3, 3, 26, 26), blue, 4); });
    toolIcon(QStringLiteral("tb-favourites.png"), [&](QPainter& p) {
        QPainterPath star;
        for (int i = 0; i < 10; ++i) {
            const double r = i % 2 ? 6.5 : 14.5;
            const double a = -M_PI / 2 + i * M_PI / 5;
            const QPointF pt(16 + r * std::cos(a), 17 + r * std::sin(a));
            i ? star.lineTo(pt) : star.moveTo(pt);
        }
        star.closeSubpath();
        p.setBrush(QColor(255, 190, 40));
        p.setPen(QPen(QColor(190, 120, 0), 1.5));
        p.drawPath(star);
    });
    toolIcon(QStringLiteral("tb-pricedrop.png"), [&](QPainter& p) {
        p.setBrush(QColor(40, 160, 80));
        p.setPen(Qt::NoPen);
        QPolygonF arrow{{10, 3}, {22, 3}, {22, 16}, {28, 16}, {16, 29}, {4, 16}, {10, 16}};
        p.drawPolygon(arrow);
        p.setPen(Qt::white);
        p.setFont(cjk(11));
        p.drawText(QRectF(8, 4, 16, 14), Qt::AlignCenter, QStringLiteral("￥"));
    });
    toolIcon(QStringLiteral("tb-directory.png"), [&](QPainter& p) {
        p.setPen(QPen(blue, 2.2));
        p.setBrush(QColor(200, 225, 255));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(10, 3, 12, 26));
        p.drawLine(3, 16, 29, 16);
        p.drawLine(6, 9, 26, 9);
        p.drawLine(6, 23, 26, 23);
    });
    toolIcon(QStringLiteral("tb-website.png"), [&](QPainter& p) {
        p.setPen(QPen(QColor(140, 60, 20), 1.5));
        p.setBrush(QColor(230, 90, 50));
        p.drawPolygon(QPolygonF{{16, 3}, {30, 15}, {2, 15}});
        p.setBrush(QColor(250, 240, 220));
        p.drawRect(QRectF(6, 15, 20, 14));
        p.setBrush(blue);
        p.drawRect(QRectF(13, 20, 6, 9));
    });
    toolIcon(QStringLiteral("tb-about.png"), [&](QPainter& p) {
        p.setBrush(blue);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.setPen(Qt::white);
        p.setFont(cjk(20));
        p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, QStringLiteral("i"));
    });
    toolIcon(QStringLiteral("tb-close.png"), [&](QPainter& p) {
        p.setBrush(QColor(210, 60, 50));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(22, 22));
        p.drawLine(QPointF(22, 10), QPointF(10, 22));
    });
    toolIcon(QStringLiteral("search-button.png"),
             [&](QPainter& p) { drawMagnifier(p, QRectF(4, 4, 24, 24), Qt::white, 3.5); });
}

void shopLogos()
{
    const QList<std::tuple<QString, QString, QColor>> shops{
        {QStringLiteral("taobao"), QStringLiteral("淘宝网"), QColor(255, 102, 0)},
        {QStringLiteral("tmall"), QStringLiteral("天猫商城"), QColor(200, 20, 40)},
        {QStringLiteral("jd"), QStringLiteral("京东商城"), QColor(226, 35, 26)},
        {QStringLiteral("dangdang"), QStringLiteral("当当网"), QColor(236, 120, 30)},
        {QStringLiteral("amazon"), QStringLiteral("亚马逊"), QColor(35, 47, 62)},
        {QStringLiteral("vancl"), QStringLiteral("凡客诚品"), QColor(160, 30, 60)},
        {QStringLiteral("suning"), QStringLiteral("苏宁易购"), QColor(245, 170, 0)},
        {QStringLiteral("yhd"), QStringLiteral("1号店"), QColor(30, 110, 200)}};
    for (const auto& [stem, name, colour] : shops) {
        QImage image(80, 33, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 33);
        g.setColorAt(0, colour.lighter(125));
        g.setColorAt(1, colour);
        p.setBrush(g);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(1, 1, 78, 31), 6, 6);
        p.setPen(Qt::white);
        p.setFont(cjk(name.size() > 3 ? 15 : 17));
        p.drawText(QRectF(0, 0, 80, 33), Qt::AlignCenter, name);
        save(image, QStringLiteral("shop-") + stem + QStringLiteral(".png"));
    }
}

void aboutPicture()
{
    QImage image(468, 294, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 468, 294);
    back.setColorAt(0, QColor(30, 80, 160));
    back.setColorAt(1, QColor(90, 160, 230));
    p.fillRect(image.rect(), back);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        p.setBrush(QColor(255, 255, 255, 18 + i * 4));
        p.drawEllipse(QPointF(360 + i * 9, 60 + i * 22), 90 - i * 9, 90 - i * 9);
    }
    QImage icon(g_folder + QStringLiteral("/vorbel.png"));
    p.drawImage(QRectF(36, 48, 110, 110), icon);
    p.setPen(Qt::white);
    QFont title = cjk(52);
    p.setFont(title);
    p.drawText(QRectF(165, 50, 290, 64), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vorbel"));
    p.setFont(cjk(24));
    p.drawText(QRectF(168, 112, 290, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("网购比价搜索"));
    p.setFont(cjk(15, false));
    p.drawText(QRectF(36, 200, 400, 24), Qt::AlignLeft, QStringLiteral("版本 1.0"));
    p.drawText(QRectF(36, 226, 420, 24), Qt::AlignLeft,
               QStringLiteral("淘宝网 · 天猫商城 · 京东商城 · 亚马逊 · 当当网 · 苏宁易购 · 1号店"));
    p.end();
    image.save(g_folder + QStringLiteral("/about.jpg"), "JPEG", 92);
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    appIcon();
    titleBar();
    windowButtons();
    toolIcons();
    shopLogos();
    aboutPicture();
    return 0;
}
