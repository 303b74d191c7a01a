#include "platform/ui/FontConfiguration.h"

#ifdef VORBEL_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#include <mutex>
#endif

namespace vorbel {

#ifdef VORBEL_HAVE_FONTCONFIG
namespace {

// Qt takes a font's hint style from fontconfig but not its hinting switch, so a font the system sets
// up as unhinted (CJK faces often are) would still go through FreeType's auto-hinter: a different
// look from every other program's, and the slowest way to load its glyphs. This rule turns the switch
// into the hint style that Qt reads.
constexpr char UnhintedMeansNoHintStyle[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <match target="font">
    <test name="hinting"><bool>false</bool></test>
    <edit name="hintstyle" mode="assign"><const>hintnone</const></edit>
  </match>
</fontconfig>
)";

void readOnce()
{
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return;
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(UnhintedMeansNoHintStyle),
                                   FcFalse);
    // Kept for the process's life: fontconfig versions differ on whether the current configuration
    // holds a reference of its own.
    FcConfigSetCurrent(config);
}

} // namespace
#endif

void readFontConfiguration()
{
#ifdef VORBEL_HAVE_FONTCONFIG
    static std::once_flag once;
    std::call_once(once, readOnce);
#endif
}

} // namespace vorbel
