#pragma once

#include "search/SearchTexts.h"

#include <QString>

/// The texts of the result grid, each written once; the favourite cell's own two are the search's. The
/// export and find texts serve the favourites grid too.
namespace vorbel::resulttext {

inline const QString AlreadyCollected = QStringLiteral("当前选择的商品已经被收藏，请检验。");
inline const QString CollectDone = QStringLiteral("当前选择的商品点击收藏成功！");

// Export and find, on both grids.
inline const QString ExportCommand = QStringLiteral("导出为 CSV…");
inline const QString ExportCaption = QStringLiteral("导出为 CSV");
inline const QString ExportFilter = QStringLiteral("CSV 文件 (*.csv)");
/// %1 the file, %2 the system's reason.
inline const QString ExportFailed = QStringLiteral("导出失败，文件 %1 没有写成：%2");
inline const QString FindNotFound = QStringLiteral("没有找到");

// The price history, on both grids.
inline const QString PriceChartCommand = QStringLiteral("价格走势");

} // namespace vorbel::resulttext
