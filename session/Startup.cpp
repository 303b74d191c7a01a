#include "session/Startup.h"

#include "codec/FieldCipher.h"
#include "session/AppState.h"
#include "store/Columns.h"
#include "store/StandingQueries.h"

#include <optional>
#include <utility>

namespace vorbel {

// "10" enciphered with the program key and the seed 0x5A.
const char* const InitialVersionCipher = "5ADA59";

const QString RepairedSettingsNotice =
    QStringLiteral("保存的设置有无法读取的内容，已经清除，将重新获取用户标识和商城链接。");

namespace {

QString storedText(const StandingQuery& query, const char* field)
{
    return query.value(QString::fromLatin1(field)).toString();
}

bool bothPresent(const StandingQuery& query, const char* first, const char* second)
{
    return !storedText(query, first).isEmpty() && !storedText(query, second).isEmpty();
}

/// The stored value deciphered; nothing when it is not cipher text (a row written by something else, or
/// damaged on disk).
std::optional<QString> deciphered(const StandingQuery& query, const char* field)
{
    try {
        return decipherSetting(storedText(query, field));
    } catch (const ConversionError&) {
        return std::nullopt;
    }
}

/// Both values of a pair deciphered, or nothing when either does not decipher.
std::optional<std::pair<QString, QString>> decipheredPair(const StandingQuery& query, const char* first,
                                                          const char* second)
{
    auto one = deciphered(query, first);
    auto other = deciphered(query, second);
    if (!one || !other)
        return std::nullopt;
    return std::pair{*one, *other};
}

void clearPair(StandingQuery& settings, QLatin1String first, QLatin1String second)
{
    settings.first();
    settings.edit();
    settings.setValue(first, QString());
    settings.setValue(second, QString());
    settings.post();
}

} // namespace

void openStandingQueries(StandingQueries& queries)
{
    const std::pair<StandingQuery*, const char*> standing[] = {
        {&queries.ADOQuery1, "select * from word"},
        {&queries.ADOQuery2, "select * from cxnr order by jg"},
        {&queries.ADOQuery3, "select * from scnr order by scsj"},
        {&queries.qry1, "select * from tpb"},
        {&queries.qry2, "select * from tpb"},
        {&queries.qry3, "select * from tpb"}};
    for (auto [query, sql] : standing) {
        query->close();
        query->setSql(QString::fromLatin1(sql));
        query->open();
    }
}

void emptyPreviousResults(StandingQueries& queries)
{
    if (queries.ADOQuery2.recordCount() > 0)
        queries.qry1.execSql(QStringLiteral("delete from cxnr"));
    queries.ADOQuery2.close();
    queries.ADOQuery2.open();
}

SettingsOutcome readOrCreateSettings(StandingQueries& queries, AppState& state)
{
    queries.qry1.close();
    queries.qry1.openSql(QStringLiteral("select * from tpb"));
    StandingQuery& settings = queries.qry2;
    settings.close();
    settings.openSql(QStringLiteral("select * from xxb"));
    if (settings.recordCount() == 0) {
        settings.append();
        settings.setValue(column::ver, QString::fromLatin1(InitialVersionCipher));
        settings.post();
    }

    settings.first();
    SettingsOutcome outcome;
    if (auto version = deciphered(settings, "ver")) {
        state.ProgramVersion = *version;
    } else {
        settings.edit();
        settings.setValue(column::ver, QString::fromLatin1(InitialVersionCipher));
        settings.post();
        state.ProgramVersion = QStringLiteral("10");
        outcome.repaired = true;
    }
    outcome.title = versionTitle(state.ProgramVersion);

    if (bothPresent(settings, "u", "p")) {
        const auto identity = decipheredPair(settings, "u", "p");
        if (identity && !identity->first.isEmpty()) {
            state.UserId = identity->first;
            state.UserPassword = identity->second;
        } else {
            // An identity kept empty would count as present for good and go with every request.
            clearPair(settings, column::u, column::p);
            outcome.requestIdentity = true;
            outcome.repaired = outcome.repaired || !identity;
        }
    } else {
        outcome.requestIdentity = true;
    }
    if (bothPresent(settings, "a", "b")) {
        if (const auto codes = decipheredPair(settings, "a", "b")) {
            state.LinkCodeA = codes->first;
            state.LinkCodeB = codes->second;
        } else {
            clearPair(settings, column::a, column::b);
            outcome.requestVersion = true;
            outcome.repaired = true;
        }
    } else {
        outcome.requestVersion = true;
    }
    return outcome;
}

QString versionTitle(const QString& version)
{
    if (version.size() != 2)
        return QStringLiteral(" Vorbel");
    return QStringLiteral(" Vorbel V") + version.at(0) + QLatin1Char('.') + version.at(1);
}

} // namespace vorbel
