#include "app/UserBootstrap.h"

#include "app/AppState.h"
#include "codec/FieldCipher.h"
#include "platform/PageText.h"
#include "store/StandingQuery.h"

namespace vorbel {

namespace {

constexpr int BootstrapLines = 4;
const QString PasswordMarker = QStringLiteral("kzvtq");

bool hasIdentity(const StandingQuery& settings)
{
    return !settings.value(QStringLiteral("u")).toString().isEmpty() &&
           !settings.value(QStringLiteral("p")).toString().isEmpty();
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
        settings.edit();
        settings.setValue(QStringLiteral("u"), encipherSetting(identity));
        settings.setValue(QStringLiteral("p"), encipherSetting(PasswordMarker));
        settings.post();
        state.UserId = decipherSetting(settings.value(QStringLiteral("u")).toString());
        state.UserPassword = decipherSetting(settings.value(QStringLiteral("p")).toString());
        stored = true;
    }
    return stored;
}

} // namespace vorbel
