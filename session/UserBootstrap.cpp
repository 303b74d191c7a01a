#include "session/UserBootstrap.h"

#include "codec/FieldCipher.h"
#include "platform/PageText.h"
#include "session/AppState.h"
#include "store/Columns.h"
#include "store/StandingQuery.h"

namespace vorbel {

namespace {

constexpr int BootstrapLines = 4;
const QString PasswordMarker = QStringLiteral("kzvtq");

/// An identity is had when it is stored and deciphers to something: an empty one enciphers to a
/// non-empty text and must not pass for one.
bool hasIdentity(const StandingQuery& settings)
{
    const QString stored = settings.value(column::u).toString();
    if (stored.isEmpty() || settings.value(column::p).toString().isEmpty())
        return false;
    try {
        return !decipherSetting(stored).isEmpty();
    } catch (const ConversionError&) {
        return false;
    }
}

} // namespace

bool applyUserBootstrap(const PageText& page, StandingQuery& settings, AppState& state)
{
    if (!state.BeforeFirstSearch)
        return false;
    bool stored = false;
    for (int i = 0; i < BootstrapLines; ++i) {
        const QString line = page.line(i);
        if (!line.contains(QLatin1String("<BODY>")))
            continue;
        settings.first();
        if (hasIdentity(settings))
            continue;
        const QString identity = trimBlanksAndControls(line.mid(6));
        // A bare "<BODY>" line (an error page, a page cut short) is no identity; kept, it would stop
        // every later start from asking for one.
        if (identity.isEmpty())
            continue;
        settings.edit();
        settings.setValue(column::u, encipherSetting(identity));
        settings.setValue(column::p, encipherSetting(PasswordMarker));
        settings.post();
        state.UserId = decipherSetting(settings.value(column::u).toString());
        state.UserPassword = decipherSetting(settings.value(column::p).toString());
        stored = true;
    }
    return stored;
}

} // namespace vorbel
