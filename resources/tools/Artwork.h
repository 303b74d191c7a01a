#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace vorbel::artwork {

/// One finished picture and the file name it is saved under in resources/images. Every drawing takes
/// a scale: 1 gives the picture at its designed size, 2 the copy for screens at 200 %, which is saved
/// as name@2x.png and picked by Qt where the device pixel ratio is 2.
struct Picture
{
    QString fileName;
    QImage image;
};

/// The title bar caps, its stretched middle piece and the close, maximise and minimise buttons
/// in their normal, hovered and pressed states.
std::vector<Picture> windowChrome(int scale);

/// The seven 32 x 32 toolbar icons and the magnifier of the glass search buttons.
std::vector<Picture> toolbarIcons(int scale);

/// The eight 80 x 33 wordmark tiles of the home view's shop row.
std::vector<Picture> shopTiles(int scale);

/// The program icon, designed at 256 x 256 and drawn at pixels x pixels (the window's vorbel.png is
/// 64, its 2x copy 128; the about picture takes it at 256; the desktop's icon theme takes 16 to 256).
Picture programIcon(int pixels);

/// The 468 x 294 about picture; it shows the program icon, so it takes it.
Picture aboutPicture(const QImage& icon, int scale);

} // namespace vorbel::artwork
