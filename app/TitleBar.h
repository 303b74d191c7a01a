#pragma once

#include <optional>

#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QLabel;

namespace vorbel {

class WindowButton;

/// The skinned title bar of `suiForm1`: caps and a stretched middle piece, the caption in bold "宋体",
/// and the close, maximise and minimise buttons. Dragging it moves the window; a double click maximises.
class TitleBar : public QWidget
{
    Q_OBJECT
public:
    explicit TitleBar(QWidget* parent);

    void setCaption(const QString& caption);
    QString caption() const;

Q_SIGNALS:
    void minimiseClicked();
    void maximiseClicked();
    void closeClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap m_left;
    QPixmap m_middle;
    QPixmap m_right;
    QLabel* m_caption;
    WindowButton* m_close;
    WindowButton* m_maximise;
    WindowButton* m_minimise;
    std::optional<QPoint> m_dragOffset; // set while the window is moved by hand
};

/// A title bar button with pictures for the normal, hovered and pressed states.
class WindowButton : public QWidget
{
    Q_OBJECT
public:
    WindowButton(const QString& pictureStem, QWidget* parent);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_normal;
    QPixmap m_hovered;
    QPixmap m_pressed;
    bool m_hover = false;
    bool m_down = false;
};

} // namespace vorbel
