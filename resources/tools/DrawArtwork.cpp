// Draws every picture of the program into a folder (resources/images by default). The pictures
// are committed, so a normal build never runs this; run it again after changing a drawing:
//   cmake --build build --target vorbel-draw-artwork
//   QT_QPA_PLATFORM=offscreen build/resources/vorbel-draw-artwork resources/images
#include "resources/tools/Artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

using namespace vorbel::artwork;

namespace {

bool save(const QDir& folder, const Picture& picture)
{
    const QString path = folder.filePath(picture.fileName);
    const bool jpeg = picture.fileName.endsWith(QLatin1String(".jpg"));
    const bool saved = jpeg ? picture.image.save(path, "JPEG", 92) : picture.image.save(path, "PNG");
    QTextStream(saved ? stdout : stderr) << (saved ? "wrote " : "could not write ") << path << '\n';
    return saved;
}

} // namespace

int main(int argc, char* argv[])
{
    // The lettering needs a font database, which only a GUI application has.
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QDir folder(arguments.size() > 1 ? arguments.at(1) : QStringLiteral("resources/images"));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        QTextStream(stderr) << "no folder " << folder.path() << '\n';
        return 1;
    }

    std::vector<Picture> pictures = windowChrome();
    for (auto&& group : {toolbarIcons(), shopTiles()})
        pictures.insert(pictures.end(), group.begin(), group.end());
    const Picture icon = programIcon();
    pictures.push_back(icon);
    pictures.push_back(aboutPicture(icon.image));

    bool allSaved = true;
    for (const Picture& picture : pictures)
        allSaved = save(folder, picture) && allSaved;
    return allSaved ? 0 : 1;
}
