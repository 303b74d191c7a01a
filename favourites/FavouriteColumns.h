#pragma once

#include "results/ResultColumns.h"

namespace vorbel {

/// The favourites grid's columns, left to right.
inline constexpr std::array<GridColumn, 7> FavouriteColumns{{
    {column::bz1, "图片", 88},
    {column::cpmc, "商品名称", 300},
    {column::scsj, "收藏时间", 150},
    {column::scjg, "收藏价格", 80, "列表可按价格排序"},
    {column::gxjg, "更新价格", 80, "列表可按人气排序"},
    {column::sjlx, "商家", 80},
    {column::bz2, "操作", 100},
}};

} // namespace vorbel
