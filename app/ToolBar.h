#pragma once

#include <QWidget>

class QKeySequence;
class QToolButton;

namespace vorbel {

/// The toolbar `suiToolBar1`: seven flat command buttons with 32 × 32 icons and captions under them; the
/// view buttons answer Ctrl+1 to Ctrl+3, the about box F1 and the exit Ctrl+Q.
class ToolBar : public QWidget
{
    Q_OBJECT
public:
    explicit ToolBar(QWidget* parent);

    QToolButton* btn1;  ///< 比价结果: back to the result list
    QToolButton* btn2;  ///< 商品收藏夹: the favourites list
    QToolButton* btn3;  ///< 商品降价通知: the price-drop list
    QToolButton* btn5;  ///< 网购网址库: the shop directory in the browser
    QToolButton* btn8;  ///< 官方网站: the service's site in the browser
    QToolButton* btn9;  ///< 关于: the about box
    QToolButton* btn10; ///< 退出: ends the program

private:
    QToolButton* addButton(const char* name, const QString& caption, const char* icon);
    void addSeparator();
    void addShortcut(QToolButton* button, const QKeySequence& keys);
};

} // namespace vorbel
