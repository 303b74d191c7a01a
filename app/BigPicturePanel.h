#pragma once

#include <QFrame>

class QLabel;

namespace vorbel {

/// The floating large picture `BigPanel` (350 × 350, black) with its stretched picture `BigImage`.
class BigPicturePanel : public QFrame
{
    Q_OBJECT
public:
    explicit BigPicturePanel(QWidget* parent);

    /// Loads the picture; false (and nothing shown) when the file does not decode.
    bool showPicture(const QImage& picture, int top);
    /// Sends the panel behind its siblings and hides it and its picture.
    void hidePicture();
    QLabel* image() const { return m_image; }

private:
    QLabel* m_image;
};

} // namespace vorbel
