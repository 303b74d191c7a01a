#include "favourites/FavouriteCellText.h"

#include "results/PriceMarks.h"

namespace vorbel::favouritecell {

namespace {

constexpr qint64 Unit = 1000000;

QString formatChange(qint64 micros)
{
    QString text = QString::number(micros / Unit);
    const qint64 fraction = micros % Unit;
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(6, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return text;
}

bool whole(const QString& price)
{
    return !price.contains(QLatin1Char('.'));
}

} // namespace

std::optional<qint64> parseDecimal(const QString& text)
{
    return pricemark::parseDecimal(text);
}

std::optional<QString> collectedPriceText(const QString& scjg)
{
    if (scjg.isEmpty())
        return std::nullopt;
    return QStringLiteral("￥") + scjg + (whole(scjg) ? QStringLiteral(".00") : QString());
}

std::optional<PriceChange> currentPriceText(const QString& scjg, const QString& gxjg)
{
    const std::optional<qint64> collected = parseDecimal(scjg);
    const std::optional<qint64> current = parseDecimal(gxjg);
    if (!collected || !current || *collected == *current)
        return std::nullopt;
    const qint64 change = *current - *collected;
    const qint64 size = change < 0 ? -change : change;
    QString amount = formatChange(size);
    if (size % Unit == 0 && whole(gxjg))
        amount += QStringLiteral(".00");
    const QString price = QStringLiteral("￥") + gxjg + (whole(gxjg) ? QStringLiteral(".00") : QString());
    if (change > 0)
        return PriceChange{price + QStringLiteral("，涨价￥") + amount, QColor(255, 0, 0)};
    return PriceChange{price + QStringLiteral("，降价￥") + amount, QColor(0, 128, 0)};
}

} // namespace vorbel::favouritecell
