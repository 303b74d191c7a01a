#include "widgets/FindBar.h"

#include "widgets/Look.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

namespace vorbel {

namespace {

QToolButton* barButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setFont(look::songTi(13));
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

FindBar::FindBar(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("findBar"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, look::BarBackground);
    setPalette(palette);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    auto* label = new QLabel(QStringLiteral("查找商品名称："), this);
    label->setFont(look::songTi(13));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("findText"));
    m_text->setFont(look::songTi(13));
    m_text->setFixedWidth(260);
    label->setBuddy(m_text);
    m_next = barButton(this, "findNext", QStringLiteral("下一个"));
    m_previous = barButton(this, "findPrevious", QStringLiteral("上一个"));
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("findNote"));
    m_note->setFont(look::songTi(13));
    m_note->setStyleSheet(QStringLiteral("color: rgb(128,0,0);"));
    QToolButton* closeButton = barButton(this, "findClose", QStringLiteral("×"));
    closeButton->setToolTip(QStringLiteral("关闭查找 (Esc)"));
    layout->addWidget(label);
    layout->addWidget(m_text);
    layout->addWidget(m_next);
    layout->addWidget(m_previous);
    layout->addWidget(m_note, 1);
    layout->addWidget(closeButton);

    connect(m_text, &QLineEdit::returnPressed, this, &FindBar::findNext);
    connect(m_text, &QLineEdit::textEdited, this, [this] { setNote({}); });
    connect(m_next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(m_previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::dismiss);
    // While the bar has the focus; the grid has its own F3 for when it has the focus.
    auto* next =
        new QShortcut(QKeySequence(Qt::Key_F3), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(next, &QShortcut::activated, this, &FindBar::findNext);
    auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this, nullptr, nullptr,
                                   Qt::WidgetWithChildrenShortcut);
    connect(previous, &QShortcut::activated, this, &FindBar::findPrevious);
    hide();
}

void FindBar::open()
{
    show();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

QString FindBar::text() const
{
    return m_text->text();
}

void FindBar::setNote(const QString& note)
{
    m_note->setText(note);
}

QString FindBar::note() const
{
    return m_note->text();
}

bool FindBar::event(QEvent* event)
{
    // Esc is also the window's key for hiding the large picture; inside the bar it closes the bar, so the
    // bar claims it before the window's shortcut sees it.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QFrame::event(event);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QFrame::keyPressEvent(event);
}

void FindBar::dismiss()
{
    hide();
    setNote({});
    Q_EMIT closed();
}

} // namespace vorbel
