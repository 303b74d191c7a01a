#include "results/PriceMarks.h"

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
    // By hand rather than by a regular expression: a list's marks parse two prices per offer, and the
    // expression's match took longer than everything else the mark needs. Blanks are ASCII's, as are
    // the digits: whole yuan of 1 to 12 digits, then optionally a point and up to 6 more.
    const auto blank = [](QChar c) {
        return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
    };
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    qsizetype i = 0;
    const qsizetype end = text.size();
    while (i < end && blank(text[i]))
        ++i;
    qint64 units = 0;
    int wholeDigits = 0;
    for (; i < end && digit(text[i]); ++i, ++wholeDigits)
        units = units * 10 + (text[i].unicode() - '0');
    if (wholeDigits < 1 || wholeDigits > 12)
        return std::nullopt;
    qint64 fraction = 0;
    int fractionDigits = 0;
    if (i < end && text[i] == QLatin1Char('.')) {
        for (++i; i < end && digit(text[i]); ++i, ++fractionDigits)
            fraction = fraction * 10 + (text[i].unicode() - '0');
        if (fractionDigits > 6)
            return std::nullopt;
    }
    while (i < end && blank(text[i]))
        ++i;
    if (i != end)
        return std::nullopt;
    for (; fractionDigits < 6; ++fractionDigits)
        fraction *= 10;
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
