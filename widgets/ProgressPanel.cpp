#include "widgets/ProgressPanel.h"

#include "widgets/Look.h"
#include "widgets/PercentBar.h"

#include <QLabel>

namespace vorbel {

namespace {

constexpr qint64 FrameMs = 16;

} // namespace

ProgressPanel::ProgressPanel(QWidget* parent)
    : QFrame(parent), m_label(new QLabel(this)), m_bar(new PercentBar(this))
{
    setObjectName(QStringLiteral("suiImagePanel1"));
    setGeometry(96, 264, 800, 121);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setFrameShape(QFrame::Box);
    setStyleSheet(
        QStringLiteral("QFrame#suiImagePanel1 { background: white; border: 1px solid rgb(104,104,104); }"));

    m_label->setObjectName(QStringLiteral("lbl2"));
    m_label->setGeometry(33, 29, 769, 25);
    m_label->setFont(look::songTi(16));
    m_label->setStyleSheet(QStringLiteral("color: rgb(0,0,255); background: transparent;"));

    m_bar->setObjectName(QStringLiteral("suiProgressBar1"));
    m_bar->setGeometry(24, 64, 750, 22);

    m_due.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, [this] {
        showState();
        update();
        m_lastPaint.start();
    });
}

void ProgressPanel::setPosition(int position)
{
    m_position = position;
    changed();
}

int ProgressPanel::position() const
{
    return m_position;
}

void ProgressPanel::setText(const QString& text)
{
    m_text = text;
    changed();
}

QString ProgressPanel::text() const
{
    return m_text;
}

void ProgressPanel::showOnTop()
{
    if (isHidden())
        show();
    // Raising marks the whole panel for painting even when it is on top already.
    const QObjectList& siblings = parentWidget()->children();
    for (auto it = siblings.crbegin(); it != siblings.crend(); ++it) {
        if ((*it)->isWidgetType()) {
            if (*it != this)
                raise();
            break;
        }
    }
    changed();
}

void ProgressPanel::changed()
{
    if (isVisible() && m_lastPaint.isValid() && m_lastPaint.elapsed() < FrameMs) {
        if (!m_due.isActive())
            m_due.start(int(FrameMs - m_lastPaint.elapsed()));
        return;
    }
    m_due.stop();
    showState();
    if (isVisible()) {
        // At once rather than from the event loop: a long handler that reports its progress runs none.
        repaint();
        m_lastPaint.start();
    }
}

void ProgressPanel::showState()
{
    m_bar->setPosition(m_position);
    if (m_label->text() != m_text)
        m_label->setText(m_text);
}

void ProgressPanel::hideBehind()
{
    m_due.stop();
    showState();
    hide();
    lower();
}

void ProgressPanel::reset()
{
    m_due.stop();
    hide();
    m_position = 0;
    m_text.clear();
    showState();
}

} // namespace vorbel
