#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace vorbel {

/// A picture of the program's resources (":/images/name.png") for painting or a label: on a screen
/// whose device pixel ratio is above 1 its 2x copy (":/images/name@2x.png") when there is one, with
/// that ratio set, so it is drawn sharp at the same logical size. QIcon finds the 2x copies by itself;
/// a QPixmap loaded by name does not. Sizes of the result are in device pixels: use
/// deviceIndependentSize() for layout.
QPixmap programPicture(const QString& path);

/// The icon of a program picture, as QIcon(path) would give it (the 2x copy on a screen above 1). Both
/// read the file as the format its name says: QIcon(path) and QPixmap(path) first ask every image format
/// plugin whether it reads the file, which loads them all, a cost the window's start-up need not pay.
QIcon programIcon(const QString& path);

} // namespace vorbel
