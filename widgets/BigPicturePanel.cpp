#include "widgets/BigPicturePanel.h"

#include <QLabel>

namespace vorbel {

namespace {
constexpr int Left = 83;
} // namespace

BigPicturePanel::BigPicturePanel(QWidget* parent) : QFrame(parent), m_image(new QLabel(this))
{
    setObjectName(QStringLiteral("BigPanel"));
    setGeometry(Left, 168, 350, 350);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    m_image->setObjectName(QStringLiteral("BigImage"));
    m_image->setGeometry(5, 5, 340, 340);
    m_image->setScaledContents(true);
    m_image->hide();
    hide();
}

void BigPicturePanel::showPicture(const QImage& picture, int top)
{
    if (picture.isNull())
        return;
    m_image->setPixmap(QPixmap::fromImage(picture));
    move(Left, top);
    raise();
    m_image->show();
    show();
    repaint();
}

void BigPicturePanel::hidePicture()
{
    lower();
    m_image->hide();
    hide();
}

} // namespace vorbel
