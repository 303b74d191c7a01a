#include "app/ToolBar.h"
#include "resources/Pictures.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QToolButton>

namespace vorbel {

namespace {
constexpr QSize ButtonSize{97, 55};
constexpr int Height = 55;
} // namespace

ToolBar::ToolBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("suiToolBar1"));
    setFixedHeight(Height);
    setAttribute(Qt::WA_StyledBackground);
    setMouseTracking(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    addSeparator();
    btn1 = addButton("btn1", QStringLiteral("   网购比价搜索   "), "tb-search");
    btn2 = addButton("btn2", QStringLiteral("商品收藏夹"), "tb-favourites");
    btn3 = addButton("btn3", QStringLiteral("商品降价通知"), "tb-pricedrop");
    addSeparator();
    btn5 = addButton("btn5", QStringLiteral("网购网址库"), "tb-directory");
    btn8 = addButton("btn8", QStringLiteral("官方网站"), "tb-website");
    btn9 = addButton("btn9", QStringLiteral("关于软件"), "tb-about");
    addSeparator();
    btn10 = addButton("btn10", QStringLiteral("关闭窗口"), "tb-close");
    layout->addStretch(1);
    // The views by their place on the bar, help and quit by the desktop's habit. A button's shortcut
    // clicks it, so a disabled view button keeps its key quiet too.
    addShortcut(btn1, QKeySequence(Qt::CTRL | Qt::Key_1));
    addShortcut(btn2, QKeySequence(Qt::CTRL | Qt::Key_2));
    addShortcut(btn3, QKeySequence(Qt::CTRL | Qt::Key_3));
    addShortcut(btn9, QKeySequence(Qt::Key_F1));
    addShortcut(btn10, QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void ToolBar::addShortcut(QToolButton* button, const QKeySequence& keys)
{
    button->setShortcut(keys);
    button->setToolTip(button->text().trimmed() + QStringLiteral(" (") +
                       keys.toString(QKeySequence::NativeText) + QLatin1Char(')'));
}

QToolButton* ToolBar::addButton(const char* name, const QString& caption, const char* icon)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setIcon(
        programIcon(QStringLiteral(":/images/") + QString::fromLatin1(icon) + QStringLiteral(".png")));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFixedSize(ButtonSize);
    button->setMouseTracking(true);
    layout()->addWidget(button);
    return button;
}

void ToolBar::addSeparator()
{
    auto* separator = new QWidget(this);
    separator->setFixedWidth(2);
    layout()->addWidget(separator);
}

} // namespace vorbel
