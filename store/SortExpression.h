#pragma once

#include <QString>
#include <vector>

namespace vorbel {

/// One field of a client-side sort and its direction.
struct SortTerm
{
    QString field;
    bool descending = false;
};

/// Reads a sort expression such as "jg DESC", "rc ASC" or "jg DESC, rc": field names separated by
/// commas, each optionally followed by ASC or DESC (any letter case). An empty expression gives no
/// terms. Throws StoreError for anything else, naming the expression.
std::vector<SortTerm> parseSortExpression(const QString& expression);

} // namespace vorbel
