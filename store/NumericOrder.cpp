#include "store/NumericOrder.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <sqlite3.h>
#include <vector>

namespace vorbel {

namespace {

const char* const NonNumberFunction = "vorbel_nonnumber";
const char* const NumberFunction = "vorbel_number";

bool isNumberType(int type)
{
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

/// A sign, digits and at most one point, with at least one digit: nothing the service would not write.
bool isPlainDecimal(QStringView text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            digits = true;
        } else if (text[i] == QLatin1Char('.') && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

int rank(const QVariant& value)
{
    if (value.isNull())
        return 0;
    if (isNumberType(value.typeId()))
        return 1;
    return value.typeId() == QMetaType::QByteArray ? 3 : 2;
}

template <typename T> int threeWay(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

bool isNumericTextField(QStringView field)
{
    return field.compare(QLatin1String("jg"), Qt::CaseInsensitive) == 0 ||
           field.compare(QLatin1String("rc"), Qt::CaseInsensitive) == 0;
}

std::optional<double> numericValue(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    if (!isPlainDecimal(trimmed))
        return std::nullopt;
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<double> numericValue(const QVariant& value)
{
    if (value.isNull() || value.typeId() == QMetaType::QByteArray)
        return std::nullopt;
    if (isNumberType(value.typeId())) {
        const double number = value.toDouble();
        return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    return numericValue(QStringView(value.toString()));
}

int compareStoredValues(const QVariant& a, const QVariant& b)
{
    const int ra = rank(a);
    const int rb = rank(b);
    if (ra != rb)
        return threeWay(ra, rb);
    switch (ra) {
    case 0:
        return 0;
    case 1:
        if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong)
            return threeWay(a.toLongLong(), b.toLongLong());
        return threeWay(a.toDouble(), b.toDouble());
    case 2:
        return threeWay(a.toString().compare(b.toString()), 0);
    default:
        return threeWay(a.toByteArray(), b.toByteArray());
    }
}

int compareNumericText(const QVariant& a, const QVariant& b, bool descending)
{
    return compareNumericText(a, numericValue(a), b, numericValue(b), descending);
}

int compareNumericText(const QVariant& a, std::optional<double> na, const QVariant& b,
                       std::optional<double> nb, bool descending)
{
    if (na.has_value() != nb.has_value())
        return na ? -1 : 1;
    int order = na ? threeWay(*na, *nb) : 0;
    if (order == 0)
        order = compareStoredValues(a, b);
    return descending ? -order : order;
}

namespace {

struct Token
{
    qsizetype start;
    qsizetype end;
    enum Kind
    {
        Word,
        Comma,
        End,
        Other
    } kind;
};

/// Index just past the quoted section that starts at `from` (the closing quote doubled stays inside).
qsizetype skipQuoted(const QString& sql, qsizetype from, QChar close)
{
    qsizetype i = from + 1;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (close != QLatin1Char(']') && i + 1 < sql.size() && sql[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

qsizetype skipComment(const QString& sql, qsizetype from)
{
    if (sql[from + 1] == QLatin1Char('-')) {
        const qsizetype end = sql.indexOf(QLatin1Char('\n'), from);
        return end < 0 ? sql.size() : end + 1;
    }
    const qsizetype end = sql.indexOf(QLatin1String("*/"), from + 2);
    return end < 0 ? sql.size() : end + 2;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

/// The tokens outside brackets, literals and comments, which is where an ORDER BY of the whole select
/// lives. Inside brackets nothing is reported, so sub-selects and function calls keep their own order.
std::vector<Token> topLevelTokens(const QString& sql)
{
    std::vector<Token> tokens;
    int depth = 0;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        const qsizetype start = i;
        Token::Kind kind = Token::Other;
        if (c.isSpace()) {
            ++i;
            continue;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            i = skipQuoted(sql, i, c);
        } else if (c == QLatin1Char('[')) {
            i = skipQuoted(sql, i, QLatin1Char(']'));
        } else if ((c == QLatin1Char('-') || c == QLatin1Char('/')) && i + 1 < sql.size() &&
                   sql[i + 1] == (c == QLatin1Char('-') ? QLatin1Char('-') : QLatin1Char('*'))) {
            i = skipComment(sql, i);
            continue;
        } else if (isWordChar(c)) {
            while (i < sql.size() && isWordChar(sql[i]))
                ++i;
            kind = Token::Word;
        } else {
            ++i;
            depth += c == QLatin1Char('(') ? 1 : (c == QLatin1Char(')') ? -1 : 0);
            if (c == QLatin1Char(','))
                kind = Token::Comma;
            else if (c == QLatin1Char(';'))
                kind = Token::End;
            if (c == QLatin1Char('(') || c == QLatin1Char(')'))
                continue;
        }
        if (depth == 0)
            tokens.push_back({start, i, kind});
    }
    return tokens;
}

bool isWord(const QString& sql, const Token& token, const char* word)
{
    return token.kind == Token::Word && QStringView(sql)
                                                .mid(token.start, token.end - token.start)
                                                .compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

const QRegularExpression NumericTerm(QStringLiteral("^(\"(?:jg|rc)\"|jg|rc)(\\s+(?:asc|desc))?$"),
                                     QRegularExpression::CaseInsensitiveOption);

/// The replacement of one ORDER BY term, or an empty text when the term is not on jg or rc.
QString numericTerm(const QString& term)
{
    const QRegularExpressionMatch match = NumericTerm.match(term);
    if (!match.hasMatch())
        return {};
    const QString field = match.captured(1);
    const QString direction = match.captured(2);
    return QStringLiteral("%1(%3), %2(%3)%4, %3%4")
        .arg(QLatin1String(NonNumberFunction), QLatin1String(NumberFunction), field, direction);
}

} // namespace

QString numericOrderSql(const QString& sql)
{
    const std::vector<Token> tokens = topLevelTokens(sql);
    qsizetype by = -1;
    for (size_t k = 0; k + 1 < tokens.size(); ++k) {
        if (isWord(sql, tokens[k], "order") && isWord(sql, tokens[k + 1], "by"))
            by = qsizetype(k + 1);
    }
    if (by < 0)
        return sql;
    std::vector<std::pair<qsizetype, qsizetype>> terms;
    qsizetype termStart = tokens[by].end;
    qsizetype clauseEnd = sql.size();
    for (size_t k = size_t(by) + 1; k < tokens.size(); ++k) {
        if (tokens[k].kind == Token::End || isWord(sql, tokens[k], "limit")) {
            clauseEnd = tokens[k].start;
            break;
        }
        if (tokens[k].kind == Token::Comma) {
            terms.emplace_back(termStart, tokens[k].start);
            termStart = tokens[k].end;
        }
    }
    terms.emplace_back(termStart, clauseEnd);

    QString rewritten = sql;
    for (auto it = terms.rbegin(); it != terms.rend(); ++it) {
        const QString raw = sql.mid(it->first, it->second - it->first);
        const QString replacement = numericTerm(raw.trimmed());
        if (replacement.isEmpty())
            continue;
        qsizetype lead = 0;
        while (lead < raw.size() && raw[lead].isSpace())
            ++lead;
        rewritten.replace(it->first + lead, raw.trimmed().size(), replacement);
    }
    return rewritten;
}

namespace {

/// The number a text of ASCII bytes stands for, as numericValue(QStringView) reads it, without making a
/// QString: the order functions run twice for every row a list is opened with. Nothing decided (the
/// outer optional empty) when a byte is not ASCII; that text takes the slow path.
std::optional<std::optional<double>> asciiNumber(const char* text, int bytes)
{
    const char* begin = text;
    const char* end = text + bytes;
    for (const char* at = begin; at != end; ++at) {
        if (static_cast<unsigned char>(*at) >= 0x80)
            return std::nullopt;
    }
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (begin != end && blank(*begin))
        ++begin;
    while (end != begin && blank(*(end - 1)))
        --end;
    const char* at = begin;
    if (at != end && (*at == '+' || *at == '-'))
        ++at;
    bool digits = false;
    bool point = false;
    for (const char* c = at; c != end; ++c) {
        if (*c >= '0' && *c <= '9')
            digits = true;
        else if (*c == '.' && !point)
            point = true;
        else
            return std::optional<double>();
    }
    if (!digits)
        return std::optional<double>();
    double number = 0;
    // from_chars takes no plus sign; the rest is the same correctly rounded decimal conversion.
    const auto [stop, error] = std::from_chars(*begin == '+' ? begin + 1 : begin, end, number);
    if (error != std::errc() || stop != end || !std::isfinite(number))
        return std::optional<double>();
    return number;
}

std::optional<double> storedNumber(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return double(sqlite3_value_int64(value));
    case SQLITE_FLOAT: {
        const double number = sqlite3_value_double(value);
        return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        const int bytes = sqlite3_value_bytes(value);
        if (const std::optional<std::optional<double>> quick = asciiNumber(text, bytes))
            return *quick;
        return numericValue(QStringView(QString::fromUtf8(text, bytes)));
    }
    default:
        return std::nullopt;
    }
}

void nonNumber(sqlite3_context* context, int, sqlite3_value** arguments)
{
    sqlite3_result_int(context, storedNumber(arguments[0]) ? 0 : 1);
}

void number(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (const std::optional<double> value = storedNumber(arguments[0]))
        sqlite3_result_double(context, *value);
    else
        sqlite3_result_null(context);
}

} // namespace

bool registerNumericOrder(sqlite3* connection)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function_v2(connection, NonNumberFunction, 1, flags, nullptr, nonNumber, nullptr,
                                      nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(connection, NumberFunction, 1, flags, nullptr, number, nullptr, nullptr,
                                      nullptr) == SQLITE_OK;
}

} // namespace vorbel
