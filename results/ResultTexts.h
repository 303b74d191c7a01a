#pragma once

#include "search/SearchTexts.h"

#include <QString>

/// The texts of the result grid, each written once; the favourite cell's own two are the search's.
namespace vorbel::resulttext {

inline const QString AlreadyCollected = QStringLiteral("当前选择的商品已经被收藏，请检验。");
inline const QString CollectDone = QStringLiteral("当前选择的商品点击收藏成功！");

} // namespace vorbel::resulttext
