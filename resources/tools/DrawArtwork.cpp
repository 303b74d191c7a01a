// Draws every picture of the program into a folder (resources/images by default), each at its designed
// size and as a 2x copy (name@2x.png) for screens at 200 %, and the program icon at the sizes of the
// desktop's icon theme into a second folder (resources/packaging/icons by default). The pictures are
// committed, so a normal build never runs this; run it again after changing a drawing:
//   cmake --build build --target vorbel-draw-artwork
//   QT_QPA_PLATFORM=offscreen build/resources/vorbel-draw-artwork resources/images resources/packaging/icons
#include "resources/tools/Artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

using namespace vorbel::artwork;

namespace {

// The sizes the packages install into the hicolor theme, as <size>x<size>.png.
constexpr int ThemeIconSizes[] = {16, 32, 48, 64, 128, 256};
constexpr int WindowIconSize = 64;

bool save(const QDir& folder, const QString& fileName, const QImage& image)
{
    const QString path = folder.filePath(fileName);
    const bool jpeg = fileName.endsWith(QLatin1String(".jpg"));
    const bool saved = jpeg ? image.save(path, "JPEG", 92) : image.save(path, "PNG");
    QTextStream(saved ? stdout : stderr) << (saved ? "wrote " : "could not write ") << path << '\n';
    return saved;
}

// "tb-about.png" at scale 2 is "tb-about@2x.png", the name Qt looks for beside the 1x one.
QString scaledName(const QString& fileName, int scale)
{
    if (scale == 1)
        return fileName;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return fileName.left(dot) + QStringLiteral("@%1x").arg(scale) + fileName.mid(dot);
}

std::vector<Picture> programPictures(int scale)
{
    std::vector<Picture> pictures = windowChrome(scale);
    for (auto&& group : {toolbarIcons(scale), shopTiles(scale)})
        pictures.insert(pictures.end(), group.begin(), group.end());
    // The window and the tray take the icon small; read at start-up, a 256 px picture (and its 512 px copy)
    // cost more than the rest of the window's artwork together.
    pictures.push_back(programIcon(WindowIconSize * scale));
    pictures.push_back(aboutPicture(programIcon(256 * scale).image, scale));
    return pictures;
}

bool ensureFolder(const QDir& folder)
{
    if (folder.exists() || QDir().mkpath(folder.path()))
        return true;
    QTextStream(stderr) << "no folder " << folder.path() << '\n';
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    // The lettering needs a font database, which only a GUI application has.
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QDir images(arguments.size() > 1 ? arguments.at(1) : QStringLiteral("resources/images"));
    const QDir icons(arguments.size() > 2 ? arguments.at(2) : QStringLiteral("resources/packaging/icons"));
    if (!ensureFolder(images) || !ensureFolder(icons))
        return 1;

    bool allSaved = true;
    for (int scale : {1, 2}) {
        for (const Picture& picture : programPictures(scale))
            allSaved = save(images, scaledName(picture.fileName, scale), picture.image) && allSaved;
    }
    for (int size : ThemeIconSizes)
        allSaved = save(icons, QStringLiteral("%1x%1.png").arg(size), programIcon(size).image) && allSaved;
    return allSaved ? 0 : 1;
}
