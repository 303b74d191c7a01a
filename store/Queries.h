#pragma once

#include <QString>

namespace vorbel {

/// A text literal for a statement: enclosed in single quotes, each single quote inside doubled, so
/// "it's" becomes "'it''s'".
QString quoteSqlText(const QString& text);

/// The picture register rows of one keyword, with the keyword bound as the one parameter.
QString tpbForWordSql();

/// The same statement with the keyword written into it as a quoted literal.
QString tpbForWordSql(const QString& word);

} // namespace vorbel
