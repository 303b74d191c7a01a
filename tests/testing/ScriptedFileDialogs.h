#pragma once

#include "platform/FileDialogs.h"

#include <QList>
#include <QStringList>

namespace vorbel::test {

/// Answers each file dialog with the next scripted path, or as a cancelled dialog when none is left; records
/// what each dialog offered.
class ScriptedFileDialogs : public FileDialogs
{
public:
    std::optional<QString> saveFileName(const QString& caption, const QString& suggestedName,
                                        const QString& filter) override
    {
        m_asked << Asked{caption, suggestedName, filter};
        if (m_answers.isEmpty())
            return std::nullopt;
        return m_answers.takeFirst();
    }

    void answerNext(const QString& path) { m_answers << path; }

    struct Asked
    {
        QString caption;
        QString suggestedName;
        QString filter;
    };
    const QList<Asked>& asked() const { return m_asked; }

private:
    QList<QString> m_answers;
    QList<Asked> m_asked;
};

} // namespace vorbel::test
