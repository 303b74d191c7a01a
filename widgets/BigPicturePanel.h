#pragma once

#include "session/Displays.h"

#include <QFrame>

class QLabel;

namespace vorbel {

/// The floating large picture `BigPanel` (350 × 350, black) with its stretched picture `BigImage`.
class BigPicturePanel : public QFrame, public PictureDisplay
{
    Q_OBJECT
public:
    explicit BigPicturePanel(QWidget* parent);

    /// Shows the picture; a null picture (a file that did not decode) shows nothing.
    void showPicture(const QImage& picture, int top) override;
    /// Sends the panel behind its siblings and hides it and its picture.
    void hidePicture() override;
    QLabel* image() const { return m_image; }

private:
    QLabel* m_image;
};

} // namespace vorbel
