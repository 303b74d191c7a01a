#include "results/PriceMarks.h"

#include <QRegularExpression>

namespace vorbel::pricemark {

namespace {

constexpr qint64 Unit = 1000000;

/// Yuan with at least two decimal places and no trailing zero beyond them: 10.00, 10.50, 0.125.
QString amountText(qint64 micros)
{
    QString digits = QString::number(micros % Unit).rightJustified(6, QLatin1Char('0'));
    while (digits.size() > 2 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    return QString::number(micros / Unit) + QLatin1Char('.') + digits;
}

} // namespace

std::optional<qint64> parseDecimal(const QString& text)
{
    static const QRegularExpression decimal(QStringLiteral("^\\s*(\\d{1,12})(?:\\.(\\d{0,6}))?\\s*$"));
    const QRegularExpressionMatch match = decimal.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 units = match.captured(1).toLongLong();
    const qint64 fraction = match.captured(2).leftJustified(6, QLatin1Char('0')).toLongLong();
    return units * Unit + fraction;
}

std::optional<Mark> changeMark(const QString& before, const QString& now)
{
    const std::optional<qint64> was = parseDecimal(before);
    const std::optional<qint64> is = parseDecimal(now);
    if (!was || !is || *was == *is)
        return std::nullopt;
    if (*is < *was)
        return Mark{QStringLiteral("↓￥") + amountText(*was - *is), QColor(0, 128, 0)};
    return Mark{QStringLiteral("↑￥") + amountText(*is - *was), QColor(255, 0, 0)};
}

Mark markOf(const std::vector<PriceRecord>& history, const QString& shownPrice)
{
    Mark mark;
    // The latest sighting at another price; a history that says nothing else leaves the cell as it is.
    for (auto record = history.rbegin(); record != history.rend(); ++record) {
        if (record->price != shownPrice) {
            if (const std::optional<Mark> change = changeMark(record->price, shownPrice))
                mark = *change;
            break;
        }
    }
    if (history.size() == 1 && history.front().price == shownPrice &&
        history.front().firstSeen == history.front().lastSeen)
        mark = Mark{QStringLiteral("新"), QColor(230, 120, 0)};

    const std::optional<qint64> shown = parseDecimal(shownPrice);
    int numbers = 0;
    bool lowest = shown.has_value();
    for (const PriceRecord& record : history) {
        const std::optional<qint64> price = parseDecimal(record.price);
        if (!price)
            continue;
        ++numbers;
        if (shown && *price < *shown)
            lowest = false;
    }
    mark.lowest = lowest && numbers >= 2;
    return mark;
}

QString lowestText()
{
    return QStringLiteral("史低");
}

QColor lowestColour()
{
    return QColor(204, 0, 0);
}

} // namespace vorbel::pricemark
