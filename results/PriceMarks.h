#pragma once

#include "store/PriceHistory.h"

#include <QColor>
#include <QString>
#include <optional>
#include <vector>

namespace vorbel::pricemark {

/// A decimal price in millionths of a yuan; nothing when the text is not a plain decimal number.
std::optional<qint64> parseDecimal(const QString& text);

/// What the price cell shows under the price.
struct Mark
{
    QString text;        ///< "↓￥10.00", "↑￥10.50", "新" or empty
    QColor colour;       ///< of text
    bool lowest = false; ///< the shown price is the lowest the offer was ever seen at
    bool operator==(const Mark&) const = default;
};

/// The change from one price to another in exact decimals, at least two places: "↓￥10.00" in green for
/// a fall, "↑￥10.50" in red for a rise. Nothing when they are equal or either is no number.
std::optional<Mark> changeMark(const QString& before, const QString& now);

/// The mark of an offer shown at shownPrice, from its history (oldest first): the change since it was
/// last seen at another price; "新" when it was never seen before, that is seen once, at one moment, at
/// this price; and lowest when the shown price is a number no higher than any of at least two recorded
/// numeric prices. Prices that are no numbers never take part in a comparison.
Mark markOf(const std::vector<PriceRecord>& history, const QString& shownPrice);

/// The small mark beside a lowest price, and its colour.
QString lowestText();
QColor lowestColour();

} // namespace vorbel::pricemark
