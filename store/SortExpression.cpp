#include "store/SortExpression.h"

#include "store/StoreError.h"

#include <QStringList>

namespace vorbel {

namespace {

[[noreturn]] void invalid(const QString& expression)
{
    throw StoreError("invalid sort expression: " + expression.toStdString());
}

} // namespace

std::vector<SortTerm> parseSortExpression(const QString& expression)
{
    std::vector<SortTerm> terms;
    if (expression.trimmed().isEmpty())
        return terms;
    for (const QString& part : expression.split(QLatin1Char(','))) {
        const QStringList words = part.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty() || words.size() > 2)
            invalid(expression);
        SortTerm term{words.first(), false};
        if (words.size() == 2) {
            if (words[1].compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0)
                term.descending = true;
            else if (words[1].compare(QLatin1String("asc"), Qt::CaseInsensitive) != 0)
                invalid(expression);
        }
        terms.push_back(std::move(term));
    }
    return terms;
}

} // namespace vorbel
