#include "session/Startup.h"

#include "codec/FieldCipher.h"
#include "session/AppState.h"
#include "store/Columns.h"
#include "store/StandingQueries.h"

namespace vorbel {

// "10" enciphered with the program key and the seed 0x5A.
const char* const InitialVersionCipher = "5ADA59";

namespace {

QString storedText(const StandingQuery& query, const char* field)
{
    return query.value(QString::fromLatin1(field)).toString();
}

bool bothPresent(const StandingQuery& query, const char* first, const char* second)
{
    return !storedText(query, first).isEmpty() && !storedText(query, second).isEmpty();
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
    state.ProgramVersion = decipherSetting(storedText(settings, "ver"));
    outcome.title = versionTitle(state.ProgramVersion);

    if (bothPresent(settings, "u", "p")) {
        state.UserId = decipherSetting(storedText(settings, "u"));
        state.UserPassword = decipherSetting(storedText(settings, "p"));
    } else {
        outcome.requestIdentity = true;
    }
    if (bothPresent(settings, "a", "b")) {
        state.LinkCodeA = decipherSetting(storedText(settings, "a"));
        state.LinkCodeB = decipherSetting(storedText(settings, "b"));
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
