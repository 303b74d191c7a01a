#pragma once

#include <QString>

/// The texts the search shows the user, each written once.
namespace vorbel::searchtext {

inline const QString Searching = QStringLiteral("正在进行智能比价搜索，请稍后...... ");
/// The favourite cell (check) of an offer that is not a favourite yet; a click collects it.
inline const QString NotCollected = QStringLiteral("点击收藏");
/// The favourite cell of a collected offer.
inline const QString Collected = QStringLiteral("已收藏");
inline const QString SearchEnded = QStringLiteral("智能比价搜索结束 ");
/// Status after a search: %1 is the number of stored offers.
inline const QString ResultCount = QStringLiteral("本次搜索结果有: %1 条记录");
/// Status after a shop box click: %1 is the number of offers shown.
inline const QString FilterCount = QStringLiteral("本次筛选结果有: %1 条记录");
/// Status when the results view is shown again: %1 is the number of offers shown.
inline const QString ShownCount = QStringLiteral("比价搜索结果有: %1 条记录");
inline const QString HomeStatus = QStringLiteral("当前操作: 网购比价搜索");
/// A search or a list that came back empty: most often there is no network.
inline const QString NoNetwork = QStringLiteral("可能当前网络没有连接，请检查连通后再次搜索。");
/// %1 says why the result page did not arrive whole.
inline const QString CutPage =
    QStringLiteral("搜索结果页面没有完整收到（%1），列表可能不全，请稍后再次搜索。");

} // namespace vorbel::searchtext
