#include "search/SearchStart.h"

#include "codec/FieldCipher.h"
#include "platform/ServiceUrls.h"
#include "session/AppState.h"
#include "store/StandingQueries.h"

namespace vorbel {

SearchStartResult startSearch(const QString& typedKeyword, StandingQueries& queries, AppState& state)
{
    state.PicturesKnown = false;
    state.SearchWord = trimBlanksAndControls(typedKeyword);
    state.BeforeFirstSearch = false;

    queries.ADOQuery2.openSql(QStringLiteral("select * from cxnr order by jg"));
    if (queries.ADOQuery2.recordCount() > 0)
        queries.qry1.execSql(QStringLiteral("delete from cxnr"));
    queries.qry1.openSql(QStringLiteral("select * from tpb where word=?"), {state.SearchWord});
    state.PicturesKnown = queries.qry1.recordCount() > 0;
    queries.ADOQuery2.close();
    queries.ADOQuery2.open();
    return {state.SearchWord, !state.SearchWord.isEmpty()};
}

QUrl searchUrl(const QString& serviceBase, const AppState& state)
{
    return serviceUrl(serviceBase, QStringLiteral("/ListAll.aspx"),
                      {{QStringLiteral("word"), state.SearchWord},
                       {QStringLiteral("u"), state.UserId},
                       {QStringLiteral("p"), state.UserPassword}});
}

} // namespace vorbel
