#include "widgets/Look.h"

#include <QStringList>

namespace vorbel::look {

namespace {

QFont cjkFont(const QString& designed, const QStringList& alternatives, int pixelSize, bool bold)
{
    QFont font(designed);
    QStringList families{designed};
    families << alternatives
             << QStringList{QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                            QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Droid Sans Fallback")};
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace

QFont songTi(int pixelSize, bool bold)
{
    return cjkFont(QStringLiteral("宋体"), {QStringLiteral("SimSun"), QStringLiteral("NSimSun")}, pixelSize,
                   bold);
}

QFont kaiTi(int pixelSize, bool bold)
{
    return cjkFont(QStringLiteral("楷体_GB2312"), {QStringLiteral("KaiTi"), QStringLiteral("AR PL UKai CN")},
                   pixelSize, bold);
}

} // namespace vorbel::look
