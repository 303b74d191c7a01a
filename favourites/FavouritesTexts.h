#pragma once

#include <QString>

/// The texts the favourites and price-drop lists show the user, each written once.
namespace vorbel::favouritetext {

inline const QString FavouritesStatus = QStringLiteral("当前操作: 商品收藏夹");
inline const QString PriceDropsStatus = QStringLiteral("当前操作: 商品降价通知");
inline const QString FetchingFavourites = QStringLiteral("正在获取商品收藏夹数据，请稍后...... ");
inline const QString FetchingPriceDrops = QStringLiteral("正在获取商品降价通知，请稍后...... ");
/// The stems of the progress labels, followed by the shop and the product name.
inline const QString FavouritesLabel = QStringLiteral("正在获取商品收藏夹数据");
inline const QString PriceDropsLabel = QStringLiteral("正在获取商品降价通知");
inline const QString FavouritesEnded = QStringLiteral("获取商品收藏夹数据结束 ");
inline const QString PriceDropsEnded = QStringLiteral("获取商品降价通知结束 ");
/// The status after a retrieval or a deletion: the stem, the count, then CountTail.
inline const QString FavouritesCount = QStringLiteral("您收藏的商品共有: ");
inline const QString PriceDropsCount = QStringLiteral("您收藏的商品共有降价通知: ");
inline const QString CountTail = QStringLiteral(" 条记录");
/// %1 says why the list did not arrive whole.
inline const QString CutPage = QStringLiteral("收藏夹页面没有完整收到（%1），列表可能不全，请稍后再试。");
inline const QString ConfirmDelete = QStringLiteral("确定删除当前选择的收藏商品吗？ ");
inline const QString DeleteAction = QStringLiteral("删除收藏");
/// The notification of new price drops: %1 how many; then the largest, %1 its name, %2 the collected
/// price, %3 the price now, %4 the fall ("↓￥10.00").
inline const QString DropNoticeTitle = QStringLiteral("%1 件收藏商品降价");
inline const QString DropNoticeLargest = QStringLiteral("降幅最大：%1\n￥%2 → ￥%3（%4）");

/// The status line for a list of count rows.
inline QString countStatus(bool priceDrops, int count)
{
    return (priceDrops ? PriceDropsCount : FavouritesCount) + QString::number(count) + CountTail;
}

} // namespace vorbel::favouritetext
