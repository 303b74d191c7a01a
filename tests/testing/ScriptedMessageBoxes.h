#pragma once

#include "platform/MessageBoxes.h"

#include <QList>
#include <QStringList>

namespace vorbel::test {

/// Records every notice and answers questions from a script (OK when the script is empty).
class ScriptedMessageBoxes : public MessageBoxes
{
public:
    void inform(const QString& text, Icon icon) override
    {
        m_texts << text;
        m_icons << icon;
    }
    bool confirm(const QString& text) override
    {
        m_texts << text;
        m_icons << Icon::Question;
        return m_answers.isEmpty() ? true : m_answers.takeFirst();
    }
    void answerNext(bool ok) { m_answers << ok; }
    const QStringList& texts() const { return m_texts; }
    const QList<Icon>& icons() const { return m_icons; }
    void clear()
    {
        m_texts.clear();
        m_icons.clear();
    }

private:
    QStringList m_texts;
    QList<Icon> m_icons;
    QList<bool> m_answers;
};

} // namespace vorbel::test
