#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>
#include <optional>

struct sqlite3;

namespace vorbel {

// The price `jg` and the count `rc` are stored as the service wrote them ("99.50", "1000") so that every
// reader gets the text back unchanged, yet both lists are ordered by them. Text order would put "100"
// before "99", so both the statements and the client-side sort order these fields by value: numbers
// first, smallest first (or largest first when descending), then the values that are no number.

/// True for the fields that hold numbers written as text (`jg`, `rc`), in any letter case.
bool isNumericTextField(QStringView field);

/// The number a stored value stands for: integers and reals as they are; a text of optional blanks, an
/// optional sign, digits with an optional decimal fraction and optional blanks. Nothing for null, for
/// any other text (exponents, "inf", "nan", thousands separators, currency signs) and for overflow.
std::optional<double> numericValue(const QVariant& value);
std::optional<double> numericValue(QStringView text);

/// Three-way order of two values of a numeric-text field, as the statements order them: numbers before
/// the rest whatever the direction; numbers by value, equal values and the rest by their text (null first).
int compareNumericText(const QVariant& a, const QVariant& b, bool descending);
/// The same with the numbers the values stand for already taken (numericValue of each), for sorts that
/// compare each value many times.
int compareNumericText(const QVariant& a, std::optional<double> na, const QVariant& b,
                       std::optional<double> nb, bool descending);

/// Three-way order of two values of any other field, as the engine orders them: null, then numbers by
/// value, then texts, then blobs.
int compareStoredValues(const QVariant& a, const QVariant& b);

/// The statement with each top-level "order by" term on `jg` or `rc` made to order by value through the
/// functions registerNumericOrder installs. Terms on other fields, text inside literals and nested
/// selects stay as they are; "select * from scnr order by scsj" is returned unchanged.
QString numericOrderSql(const QString& sql);

/// Installs on the connection the two functions numericOrderSql's statements call. Returns false when
/// the engine refused them.
bool registerNumericOrder(sqlite3* connection);

} // namespace vorbel
