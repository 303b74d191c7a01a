#include "search/ResultFilter.h"

namespace vorbel {

const std::array<QString, 7>& filterShops()
{
    static const std::array<QString, 7> shops{QStringLiteral("淘宝网"),   QStringLiteral("天猫商城"),
                                              QStringLiteral("京东商城"), QStringLiteral("亚马逊"),
                                              QStringLiteral("当当网"),   QStringLiteral("苏宁易购"),
                                              QStringLiteral("1号店")};
    return shops;
}

QString filterStatement(const ShopBoxes& boxes)
{
    if (boxes[0])
        return QStringLiteral("select * from cxnr order by jg");
    QString statement = QStringLiteral("select * from cxnr where");
    bool any = false;
    for (std::size_t i = 1; i < boxes.size(); ++i) {
        if (!boxes[i])
            continue;
        statement += (any ? QStringLiteral(" or sjlx='") : QStringLiteral(" sjlx='")) + filterShops()[i - 1] +
                     QStringLiteral("' ");
        any = true;
    }
    if (!any)
        return QStringLiteral("select * from cxnr where sjlx='全部' order by jg");
    return statement + QStringLiteral(" order by jg");
}

StandingQuery::Narrowing filterNarrowing(const ShopBoxes& boxes)
{
    StandingQuery::Narrowing narrowing{
        QStringLiteral("cxnr"), QStringLiteral("jg"), QStringLiteral("sjlx"), {}};
    if (boxes[0])
        return narrowing;
    narrowing.texts.emplace();
    for (std::size_t i = 1; i < boxes.size(); ++i) {
        if (boxes[i])
            narrowing.texts->append(filterShops()[i - 1]);
    }
    // As the statement for no ticked box reads it.
    if (narrowing.texts->isEmpty())
        narrowing.texts->append(QStringLiteral("全部"));
    return narrowing;
}

QString TitleSort::click(const QString& field)
{
    const bool wasDown = m_field == field && m_marker == Marker::Down;
    m_field = field;
    m_marker = wasDown ? Marker::Up : Marker::Down;
    return wasDown ? field : field + QStringLiteral(" DESC");
}

TitleSort::Marker TitleSort::marker(const QString& field) const
{
    return field == m_field ? m_marker : Marker::None;
}

} // namespace vorbel
