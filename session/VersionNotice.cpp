#include "session/VersionNotice.h"

#include "codec/FieldCipher.h"
#include "platform/PageText.h"
#include "session/AppState.h"
#include "store/Columns.h"
#include "store/StandingQuery.h"

namespace vorbel {

namespace {

/// Characters from the 1-based position `from`, `count` of them; a non-positive count or a start past
/// the end gives the empty text, a count past the end stops there.
QString copyFrom(const QString& text, int from, int count)
{
    if (count <= 0 || from < 1 || from > text.size())
        return {};
    return text.mid(from - 1, count);
}

int positionOf(const QString& line, QLatin1String marker)
{
    return static_cast<int>(line.indexOf(marker)) + 1; // 0 when absent
}

} // namespace

VersionCodes cutVersionCodes(const QString& line)
{
    const int pA = positionOf(line, QLatin1String("AAA="));
    const int pB = positionOf(line, QLatin1String("BBB="));
    const int pC = positionOf(line, QLatin1String("CCC="));
    return {copyFrom(line, pA + 4, pB - pA - 4), copyFrom(line, pB + 4, pC - pB - 4)};
}

bool applyVersionNotice(const PageText& page, StandingQuery& settings, AppState& state)
{
    bool stored = false;
    for (int i = 0; i <= page.count(); ++i) {
        const QString line = page.line(i);
        if (!line.contains(QLatin1String("AAA=")))
            continue;
        const VersionCodes codes = cutVersionCodes(line);
        settings.first();
        if (!settings.value(column::a).toString().isEmpty() &&
            !settings.value(column::b).toString().isEmpty())
            continue;
        settings.edit();
        settings.setValue(column::a, encipherSetting(trimBlanksAndControls(codes.a)));
        settings.setValue(column::b, encipherSetting(trimBlanksAndControls(codes.b)));
        settings.post();
        state.LinkCodeA = decipherSetting(settings.value(column::a).toString());
        state.LinkCodeB = decipherSetting(settings.value(column::b).toString());
        stored = true;
    }
    return stored;
}

} // namespace vorbel
