#include "widgets/ProgressPanel.h"

#include "widgets/Look.h"
#include "widgets/PercentBar.h"

#include <QLabel>

namespace vorbel {

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
}

void ProgressPanel::setPosition(int position)
{
    m_bar->setPosition(position);
    m_bar->repaint();
}

int ProgressPanel::position() const
{
    return m_bar->position();
}

void ProgressPanel::setText(const QString& text)
{
    m_label->setText(text);
    m_label->repaint();
}

QString ProgressPanel::text() const
{
    return m_label->text();
}

void ProgressPanel::showOnTop()
{
    show();
    raise();
    repaint();
}

void ProgressPanel::hideBehind()
{
    hide();
    lower();
}

void ProgressPanel::reset()
{
    hide();
    m_bar->setPosition(0);
    m_label->clear();
}

} // namespace vorbel
