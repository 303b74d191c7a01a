// The font configuration the program reads before its window's first text: Qt has to find it complete,
// with unhinted fonts mapped to the hint style that Qt reads.
#include "platform/ui/FontConfiguration.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

/// The hint style the current configuration gives a font pattern with these settings.
int hintStyleFor(bool hinting, int hintStyle)
{
    FcPattern* font = FcPatternCreate();
    FcPatternAddString(font, FC_FAMILY, reinterpret_cast<const FcChar8*>("Any Family"));
    FcPatternAddBool(font, FC_HINTING, hinting ? FcTrue : FcFalse);
    FcPatternAddInteger(font, FC_HINT_STYLE, hintStyle);
    FcConfigSubstituteWithPat(nullptr, font, font, FcMatchFont);
    int style = -1;
    FcPatternGetInteger(font, FC_HINT_STYLE, 0, &style);
    FcPatternDestroy(font);
    return style;
}

} // namespace

// The program calls it from the store's worker and from the window's thread at about the same time:
// both find the whole configuration in place, rule included.
TEST(FontConfiguration, readFromTwoThreadsAtOnce)
{
    int seenOnWorker = -1;
    std::thread worker([&] {
        vorbel::readFontConfiguration();
        seenOnWorker = hintStyleFor(false, FC_HINT_SLIGHT);
    });
    vorbel::readFontConfiguration();
    EXPECT_EQ(hintStyleFor(false, FC_HINT_SLIGHT), FC_HINT_NONE);
    worker.join();
    EXPECT_EQ(seenOnWorker, FC_HINT_NONE);
}

// Only the fonts the system leaves unhinted change; a hinted font keeps its style. Neither a second
// reading nor Qt's own reading of the fonts loses the rule.
TEST(FontConfiguration, onlyUnhintedFontsLoseTheirHintStyle)
{
    vorbel::readFontConfiguration();
    int argc = 1;
    char name[] = "test_font_configuration";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    EXPECT_FALSE(QFontDatabase::families().isEmpty());
    EXPECT_GT(QFontMetrics(QFont()).horizontalAdvance(QStringLiteral("小米手机 Vorbel")), 0);
    vorbel::readFontConfiguration();
    EXPECT_EQ(hintStyleFor(true, FC_HINT_SLIGHT), FC_HINT_SLIGHT);
    EXPECT_EQ(hintStyleFor(true, FC_HINT_FULL), FC_HINT_FULL);
    EXPECT_EQ(hintStyleFor(false, FC_HINT_FULL), FC_HINT_NONE);
    // The system's fonts are there: the configuration that Qt takes lists them.
    FcPattern* any = FcPatternCreate();
    FcObjectSet* files = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, any, files);
    ASSERT_NE(fonts, nullptr);
    EXPECT_GT(fonts->nfont, 0);
    FcFontSetDestroy(fonts);
    FcObjectSetDestroy(files);
    FcPatternDestroy(any);
}
