#pragma once

#include <QStringList>

namespace vorbel::test {

/// A row of a favourites page as its page text has it, one cell a line; "<empty>" stands for an empty cell.
inline QStringList favouritesRow(const QStringList& cells)
{
    QStringList lines{QStringLiteral("<TR>")};
    for (const QString& cell : cells)
        lines << (cell == QLatin1String("<empty>") ? QStringLiteral("<TD></TD>")
                                                   : QStringLiteral("<TD>") + cell + QStringLiteral("</TD>"));
    return lines << QStringLiteral("</TR>");
}

/// The list's header row.
inline QStringList favouritesHeader()
{
    return favouritesRow({QStringLiteral("序列"), QStringLiteral("用户"), QStringLiteral("收藏号"),
                          QStringLiteral("商品号"), QStringLiteral("商品名称"), QStringLiteral("小图"),
                          QStringLiteral("大图"), QStringLiteral("收藏时间"), QStringLiteral("收藏价格"),
                          QStringLiteral("更新价格"), QStringLiteral("链接"), QStringLiteral("商家")});
}

} // namespace vorbel::test
