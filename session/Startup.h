#pragma once

#include <QString>

namespace vorbel {

struct AppState;
struct StandingQueries;

/// What the settings row asks of the rest of start-up.
struct SettingsOutcome
{
    QString title;                ///< " Vorbel V1.0", or " Vorbel" when the version is not two characters
    bool requestIdentity = false; ///< u or p missing, or the identity empty: load the identity page
    bool requestVersion = false;  ///< a or b missing: load the version notice page
    bool repaired = false;        ///< values that no longer deciphered were cleared (the version reset)
};

/// Said once when readOrCreateSettings had to repair the settings row.
extern const QString RepairedSettingsNotice;

/// The enciphered form of the initial version, stored in a new settings row.
extern const char* const InitialVersionCipher;

/// Closes and opens the six standing queries with their standing statements, in the start-up order.
void openStandingQueries(StandingQueries& queries);

/// Empties the previous run's results (only when there are any) and reopens the result list.
void emptyPreviousResults(StandingQueries& queries);

/// Points qry1 at the picture register and qry2 at the settings row, creates the row when the table is empty,
/// and deciphers the version, identity and link codes into the state. A value that no longer deciphers
/// does not stop the start: the version goes back to the initial one, and an identity or link code pair
/// with such a value is cleared so that its page is asked for again. An identity stored empty is cleared
/// the same way. Throws StoreError.
SettingsOutcome readOrCreateSettings(StandingQueries& queries, AppState& state);

/// " Vorbel V" + c1 + "." + c2 for a two-character version, else " Vorbel".
QString versionTitle(const QString& version);

} // namespace vorbel
