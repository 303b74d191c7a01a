#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace vorbel {

/// A picture of the program's resources (":/images/name.png") for painting or a label: on a screen
/// whose device pixel ratio is above 1 its 2x copy (":/images/name@2x.png") when there is one, with
/// that ratio set, so it is drawn sharp at the same logical size. QIcon finds the 2x copies by itself;
/// a QPixmap loaded by name does not. Sizes of the result are in device pixels: use
/// deviceIndependentSize() for layout.
QPixmap programPicture(const QString& path);

/// The icon of a program picture, as QIcon(path) would give it (the 2x copy on a screen above 1).
QIcon programIcon(const QString& path);

/// A program picture decoded as it is, as QImage(path) would give it, without Qt's image plugins: Qt's
/// reader first lists every image format plugin on disk and asks them whether they read the file (loading
/// them), a cost the window's start-up need not pay for pictures it knows to be PNGs.
QImage readProgramImage(const QString& path);

} // namespace vorbel
