#pragma once

#include <QColor>
#include <QString>
#include <optional>

namespace vorbel::favouritecell {

/// "￥" + the collected price, ".00" added to a whole price; nothing for an empty price.
std::optional<QString> collectedPriceText(const QString& scjg);

/// The current price with its change against the collected price.
struct PriceChange
{
    QString text;
    QColor colour; ///< red for a rise, green for a fall
};

/// The change is computed in exact decimals: "￥90.00，降价￥10.00", "￥110.5，涨价￥10.5". No change, or a
/// price that is not a decimal number, gives nothing: the cell keeps the plain text.
std::optional<PriceChange> currentPriceText(const QString& scjg, const QString& gxjg);

/// A decimal price in millionths of a yuan; nothing when the text is not a plain decimal number.
std::optional<qint64> parseDecimal(const QString& text);

} // namespace vorbel::favouritecell
