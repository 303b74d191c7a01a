#pragma once

#include <QPixmap>
#include <QString>

namespace vorbel {

/// A picture of the program's resources (":/images/name.png") for painting or a label: on a screen
/// whose device pixel ratio is above 1 its 2x copy (":/images/name@2x.png") when there is one, with
/// that ratio set, so it is drawn sharp at the same logical size. QIcon finds the 2x copies by itself;
/// a QPixmap loaded by name does not. Sizes of the result are in device pixels: use
/// deviceIndependentSize() for layout.
QPixmap programPicture(const QString& path);

} // namespace vorbel
