#include "app/TitleBar.h"

#include "resources/Pictures.h"
#include "widgets/Look.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace vorbel {

namespace {

constexpr int ButtonTop = 4;
constexpr int ButtonGap = 2;
constexpr int DesignedHeight = 20;

QPixmap picture(const QString& name)
{
    return programPicture(QStringLiteral(":/images/") + name + QStringLiteral(".png"));
}

} // namespace

TitleBar::TitleBar(QWidget* parent)
    : QWidget(parent), m_left(picture(QStringLiteral("titlebar-left"))),
      m_middle(picture(QStringLiteral("titlebar-middle"))),
      m_right(picture(QStringLiteral("titlebar-right"))), m_caption(new QLabel(this)),
      m_close(new WindowButton(QStringLiteral("close"), this)),
      m_maximise(new WindowButton(QStringLiteral("max"), this)),
      m_minimise(new WindowButton(QStringLiteral("min"), this))
{
    setObjectName(QStringLiteral("suiForm1TitleBar"));
    setFixedHeight(m_middle.isNull() ? DesignedHeight : int(m_middle.deviceIndependentSize().height()));
    m_caption->setObjectName(QStringLiteral("suiForm1Caption"));
    m_caption->setFont(look::songTi(16, true));
    m_caption->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    m_caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_close->setObjectName(QStringLiteral("suiForm1Close"));
    m_maximise->setObjectName(QStringLiteral("suiForm1Maximise"));
    m_minimise->setObjectName(QStringLiteral("suiForm1Minimise"));
    connect(m_close, &WindowButton::clicked, this, &TitleBar::closeClicked);
    connect(m_maximise, &WindowButton::clicked, this, &TitleBar::maximiseClicked);
    connect(m_minimise, &WindowButton::clicked, this, &TitleBar::minimiseClicked);
}

void TitleBar::setCaption(const QString& caption)
{
    m_caption->setText(caption);
}

QString TitleBar::caption() const
{
    return m_caption->text();
}

void TitleBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_middle.isNull()) {
        painter.fillRect(rect(), look::FrameBorder);
        return;
    }
    const int leftWidth = int(m_left.deviceIndependentSize().width());
    const int rightWidth = int(m_right.deviceIndependentSize().width());
    const int middleWidth = width() - leftWidth - rightWidth;
    painter.drawPixmap(0, 0, m_left);
    painter.drawPixmap(QRect(leftWidth, 0, middleWidth, height()), m_middle);
    painter.drawPixmap(width() - rightWidth, 0, m_right);
}

void TitleBar::resizeEvent(QResizeEvent*)
{
    int right = width() - 4;
    for (WindowButton* button : {m_close, m_maximise, m_minimise}) {
        button->move(right - button->width(), ButtonTop);
        right -= button->width() + ButtonGap;
    }
    m_caption->setGeometry(8, 0, std::max(0, right - 8), height());
}

void TitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    QWindow* handle = window()->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    // No window manager support (bare X servers): move the window by hand.
    m_dragOffset = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void TitleBar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset)
        window()->move(event->globalPosition().toPoint() - *m_dragOffset);
}

void TitleBar::mouseReleaseEvent(QMouseEvent*)
{
    m_dragOffset.reset();
}

void TitleBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT maximiseClicked();
}

WindowButton::WindowButton(const QString& pictureStem, QWidget* parent)
    : QWidget(parent), m_normal(picture(pictureStem + QStringLiteral("-normal"))),
      m_hovered(picture(pictureStem + QStringLiteral("-hover"))),
      m_pressed(picture(pictureStem + QStringLiteral("-pressed")))
{
    setFixedSize(m_normal.isNull() ? QSize(27, 18) : m_normal.deviceIndependentSize().toSize());
    setAttribute(Qt::WA_Hover);
}

void WindowButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPixmap& face = m_down ? m_pressed : (m_hover ? m_hovered : m_normal);
    if (face.isNull())
        painter.fillRect(rect(), m_hover ? QColor(200, 210, 230) : QColor(170, 185, 210));
    else
        painter.drawPixmap(rect(), face);
}

void WindowButton::enterEvent(QEnterEvent*)
{
    m_hover = true;
    update();
}

void WindowButton::leaveEvent(QEvent*)
{
    m_hover = false;
    update();
}

void WindowButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_down = true;
        update();
    }
}

void WindowButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasDown = m_down;
    m_down = false;
    update();
    if (wasDown && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace vorbel
