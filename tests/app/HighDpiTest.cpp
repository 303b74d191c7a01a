// The program's pictures on a screen at 200 %: every picture has a sharp 2x copy, loaded in place of
// the 1x one, and the widgets that size themselves by their pictures keep their logical sizes.
#include "app/TitleBar.h"
#include "resources/Pictures.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <gtest/gtest.h>

namespace {

QString doubled(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return name.left(dot) + QStringLiteral("@2x") + name.mid(dot);
}

QStringList designedPictures()
{
    QStringList names;
    for (const QString& name : QDir(QStringLiteral(":/images")).entryList(QDir::Files))
        if (!name.contains(QLatin1String("@2x")))
            names << QStringLiteral(":/images/") + name;
    return names;
}

TEST(HighDpi, ScreenIsAtTwoHundredPercent)
{
    EXPECT_DOUBLE_EQ(qApp->devicePixelRatio(), 2.0);
}

TEST(HighDpi, EveryPictureHasAnExactlyDoubledCopy)
{
    const QStringList pictures = designedPictures();
    ASSERT_GE(pictures.size(), 30);
    for (const QString& path : pictures) {
        const QImage designed(path);
        const QImage sharp(doubled(path));
        ASSERT_FALSE(designed.isNull()) << path.toStdString();
        ASSERT_FALSE(sharp.isNull()) << doubled(path).toStdString();
        EXPECT_EQ(sharp.size(), designed.size() * 2) << path.toStdString();
    }
}

TEST(HighDpi, ProgramPicturesAreTheSharpCopiesAtTheDesignedSize)
{
    for (const QString& path : designedPictures()) {
        const QPixmap picture = vorbel::programPicture(path);
        EXPECT_DOUBLE_EQ(picture.devicePixelRatio(), 2.0) << path.toStdString();
        EXPECT_EQ(picture.deviceIndependentSize().toSize(), QImage(path).size()) << path.toStdString();
        EXPECT_EQ(picture.size(), QImage(doubled(path)).size()) << path.toStdString();
    }
    // A picture without a 2x copy comes as it is.
    EXPECT_TRUE(vorbel::programPicture(QStringLiteral(":/images/none.png")).isNull());
}

TEST(HighDpi, PicturesDecodeAsQtsOwnReaderDecodesThem)
{
    for (const QString& designed : designedPictures()) {
        for (const QString& path : {designed, doubled(designed)}) {
            const QImage ours = vorbel::readProgramImage(path);
            const QImage qts(path);
            ASSERT_FALSE(ours.isNull()) << path.toStdString();
            EXPECT_EQ(ours.hasAlphaChannel(), qts.hasAlphaChannel()) << path.toStdString();
            EXPECT_EQ(ours.convertToFormat(QImage::Format_ARGB32), qts.convertToFormat(QImage::Format_ARGB32))
                << path.toStdString();
        }
    }
    EXPECT_TRUE(vorbel::readProgramImage(QStringLiteral(":/images/none.png")).isNull());
}

TEST(HighDpi, IconsPickTheSharpCopies)
{
    const QPixmap drawn = vorbel::programIcon(QStringLiteral(":/images/tb-search.png")).pixmap(QSize(32, 32));
    EXPECT_DOUBLE_EQ(drawn.devicePixelRatio(), 2.0);
    EXPECT_EQ(drawn.size(), QSize(64, 64));
}

TEST(HighDpi, TitleBarKeepsItsLogicalSizes)
{
    vorbel::TitleBar bar(nullptr);
    EXPECT_EQ(bar.height(), 26);
    const QList<QWidget*> buttons = bar.findChildren<QWidget*>(QStringLiteral("suiForm1Close")) +
                                    bar.findChildren<QWidget*>(QStringLiteral("suiForm1Minimise"));
    ASSERT_EQ(buttons.size(), 2);
    for (const QWidget* button : buttons)
        EXPECT_EQ(button->size(), QSize(27, 18));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
