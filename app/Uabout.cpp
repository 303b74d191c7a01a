#include "app/Uabout.h"

#include "resources/Pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace vorbel {

namespace {

/// The picture `Image1`, reporting clicks.
class ClickablePicture : public QLabel
{
public:
    ClickablePicture(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), m_onClick(std::move(onClick))
    {
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_onClick();
    }

private:
    std::function<void()> m_onClick;
};

constexpr QSize ClientSize{468, 294};

} // namespace

Tfrmabout::Tfrmabout(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmabout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(ClientSize);
    auto* image = new ClickablePicture(this, [this] { Image1Click(); });
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(rect());
    image->setScaledContents(true);
    image->setPixmap(programPicture(QStringLiteral(":/images/about.jpg")));
    image->setCursor(Qt::PointingHandCursor);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Tfrmabout::Image1Click()
{
    close();
}

} // namespace vorbel
