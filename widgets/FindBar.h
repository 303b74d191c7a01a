#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;
class QToolButton;

namespace vorbel {

/// The find bar under a grid: a text box, next and previous, and a note for a text that is nowhere in
/// the list. Hidden until the grid asks for it; Esc, or its close button, hides it again.
class FindBar : public QFrame
{
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent);

    /// Shows the bar with its text selected, so typing replaces the last search.
    void open();
    QString text() const;
    /// The bar's note; empty clears it.
    void setNote(const QString& note);
    QString note() const;

    QLineEdit* textBox() const { return m_text; }
    QToolButton* nextButton() const { return m_next; }
    QToolButton* previousButton() const { return m_previous; }

Q_SIGNALS:
    void findNext();
    void findPrevious();
    /// The bar has been hidden by the user; the grid takes the focus back.
    void closed();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void dismiss();

    QLineEdit* m_text;
    QToolButton* m_next;
    QToolButton* m_previous;
    QLabel* m_note;
};

} // namespace vorbel
