#pragma once

#include "store/StandingQuery.h"

namespace vorbel {

class Database;

/// The main window's six standing queries over the one connection, under the names the handlers use.
struct StandingQueries
{
    explicit StandingQueries(Database& db)
        : ADOQuery1(db, QStringLiteral("ADOQuery1")), ADOQuery2(db, QStringLiteral("ADOQuery2")),
          ADOQuery3(db, QStringLiteral("ADOQuery3")), qry1(db, QStringLiteral("qry1")),
          qry2(db, QStringLiteral("qry2")), qry3(db, QStringLiteral("qry3"))
    {
    }

    StandingQuery ADOQuery1; ///< keyword counters
    StandingQuery ADOQuery2; ///< the shown result list (cxnr)
    StandingQuery ADOQuery3; ///< the favourites list (scnr)
    StandingQuery qry1;      ///< picture register of the current keyword; runs "delete from cxnr"
    StandingQuery qry2;      ///< the settings row (xxb)
    StandingQuery qry3;      ///< runs "delete from scnr"
};

} // namespace vorbel
