#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace vorbel {

class ResultGridModel;

enum class FindDirection
{
    Forward,
    Back
};

/// The row after (or before) `current` whose name contains `text`, ignoring case, going round the ends;
/// `current` itself last, so a lone match is found again. With no current row (-1) the search starts at
/// the first row (or the last, going back). Nothing for an empty text or when no name contains it.
std::optional<int> findRow(int rowCount, const std::function<QString(int row)>& nameOf, const QString& text,
                           int current, FindDirection direction);

/// The same over a grid's rows, by product name (cpmc).
std::optional<int> findProductRow(const ResultGridModel& model, const QString& text, int current,
                                  FindDirection direction);

} // namespace vorbel
