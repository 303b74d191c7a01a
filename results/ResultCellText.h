#pragma once

#include <QColor>
#include <QString>
#include <optional>

namespace vorbel {

/// What the result grid draws over a cell: the decisions, apart from the painting.
namespace resultcell {

/// The stripe of a row by its 1-based number in the shown order.
QColor stripe(int recordNumber);

/// The text written over the count cell: "销量…笔" for 淘宝网 and 天猫商城, "评论…条" for the other five
/// shops, nothing (the bare count stays) for any other shop or an empty count.
std::optional<QString> countText(const QString& rc, const QString& shop);

/// "￥" + price, with ".00" added to a whole price; nothing for an empty price.
std::optional<QString> priceText(const QString& jg);

/// The favourite cell's own text: "点击收藏" or "已收藏" as they stand; nothing (the default text stays)
/// for any other value.
std::optional<QString> favouriteText(const QString& check);

/// The favourite link's colour: blue for "点击收藏", otherwise the cell's text colour.
QColor favouriteColour(const QString& check, const QColor& textColour);

/// The text colour of a cell: red when it is the selected cell.
QColor textColour(bool selected);

} // namespace resultcell
} // namespace vorbel
