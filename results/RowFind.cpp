#include "results/RowFind.h"

#include "results/ResultGridModel.h"
#include "store/Columns.h"

namespace vorbel {

std::optional<int> findRow(int rowCount, const std::function<QString(int row)>& nameOf, const QString& text,
                           int current, FindDirection direction)
{
    if (text.isEmpty() || rowCount <= 0)
        return std::nullopt;
    const int step = direction == FindDirection::Forward ? 1 : rowCount - 1;
    // A current row that the list no longer has (the list shrank) counts as none.
    int row = current >= 0 && current < rowCount    ? current
              : direction == FindDirection::Forward ? rowCount - 1
                                                    : 0;
    for (int visited = 0; visited < rowCount; ++visited) {
        row = (row + step) % rowCount;
        if (nameOf(row).contains(text, Qt::CaseInsensitive))
            return row;
    }
    return std::nullopt;
}

std::optional<int> findProductRow(const ResultGridModel& model, const QString& text, int current,
                                  FindDirection direction)
{
    return findRow(
        model.rowCount(), [&model](int row) { return model.text(row, column::cpmc); }, text, current,
        direction);
}

} // namespace vorbel
