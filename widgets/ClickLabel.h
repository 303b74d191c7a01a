#pragma once

#include <QLabel>

namespace vorbel {

/// A label that reports a left click released over it (hot keywords, shop logos, the about picture).
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace vorbel
