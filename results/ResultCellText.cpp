#include "results/ResultCellText.h"

#include "search/SearchTexts.h"

namespace vorbel::resultcell {

QColor stripe(int recordNumber)
{
    return recordNumber % 2 == 0 ? QColor(241, 243, 254) : QColor(241, 254, 250);
}

std::optional<QString> countText(const QString& rc, const QString& shop)
{
    if (rc.isEmpty())
        return std::nullopt;
    if (shop == QStringLiteral("淘宝网") || shop == QStringLiteral("天猫商城"))
        return QStringLiteral("销量") + rc + QStringLiteral("笔");
    static const QStringList commented{QStringLiteral("京东商城"), QStringLiteral("亚马逊"),
                                       QStringLiteral("当当网"), QStringLiteral("苏宁易购"),
                                       QStringLiteral("1号店")};
    if (commented.contains(shop))
        return QStringLiteral("评论") + rc + QStringLiteral("条");
    return std::nullopt;
}

std::optional<QString> priceText(const QString& jg)
{
    if (jg.isEmpty())
        return std::nullopt;
    return QStringLiteral("￥") + jg + (jg.contains(QLatin1Char('.')) ? QString() : QStringLiteral(".00"));
}

std::optional<QString> favouriteText(const QString& check)
{
    if (check == searchtext::NotCollected || check == searchtext::Collected)
        return check;
    return std::nullopt;
}

QColor favouriteColour(const QString& check, const QColor& textColour)
{
    return check == searchtext::NotCollected ? QColor(0, 0, 255) : textColour;
}

QColor textColour(bool selected)
{
    return selected ? QColor(255, 0, 0) : QColor(0, 0, 0);
}

} // namespace vorbel::resultcell
