#pragma once

#include <QString>

namespace vorbel {

class PageText;
class StandingQuery;
struct AppState;

/// The two link codes of a version notice line "AAA=" + a + "BBB=" + b + "CCC=", untrimmed.
struct VersionCodes
{
    QString a;
    QString b;
};

/// Cuts the codes from a line holding "AAA=": each code runs from its marker to the next one; a missing
/// marker gives an empty code.
VersionCodes cutVersionCodes(const QString& line);

/// Stores the codes of the first "AAA=" line enciphered in the settings row (only while a or b is missing)
/// and sets the link codes of the state. Returns true when codes were stored.
bool applyVersionNotice(const PageText& page, StandingQuery& settings, AppState& state);

} // namespace vorbel
