#pragma once

#include "store/Columns.h"

#include <QStringList>
#include <array>

namespace vorbel {

/// A grid column: the field it shows, its title and its designed width.
struct GridColumn
{
    QLatin1String field;
    const char* title; ///< UTF-8
    int width;
    const char* hint = nullptr; ///< UTF-8 tooltip of the title, for the titles that sort
};

/// The result grid's columns, left to right.
inline constexpr std::array<GridColumn, 9> ResultColumns{{
    {column::bz1, "图片", 82},
    {column::cpmc, "商品名称", 300},
    {column::hdxx, "优惠", 150},
    {column::jg, "价格", 80, "列表可按价格排序"},
    {column::rc, "人气", 80, "列表可按人气排序"},
    {column::sjlx, "商家", 80},
    {column::zpbz, "正品", 50},
    {column::pjjb, "推荐等级", 90},
    {column::check, "收藏", 100},
}};

} // namespace vorbel
