#pragma once

#include <QStringList>
#include <QVariantList>
#include <vector>

namespace vorbel {

/// The rows of a select: the column names and one value list per row, in the engine's order.
/// Values are null, qlonglong, double, QString or QByteArray, as the engine stored them.
struct ResultSet
{
    QStringList columns;
    std::vector<QVariantList> rows;
};

} // namespace vorbel
