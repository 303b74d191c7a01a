#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace vorbel::artwork {

/// One finished picture and the file name it is saved under in resources/images.
struct Picture
{
    QString fileName;
    QImage image;
};

/// The title bar caps, its stretched middle piece and the close, maximise and minimise buttons
/// in their normal, hovered and pressed states.
std::vector<Picture> windowChrome();

/// The seven 32 x 32 toolbar icons and the magnifier of the glass search buttons.
std::vector<Picture> toolbarIcons();

/// The eight 80 x 33 wordmark tiles of the home view's shop row.
std::vector<Picture> shopTiles();

/// The 256 x 256 program icon.
Picture programIcon();

/// The 468 x 294 about picture; it shows the program icon, so it takes it.
Picture aboutPicture(const QImage& icon);

} // namespace vorbel::artwork
