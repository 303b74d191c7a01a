#pragma once

#include <QString>

namespace vorbel {

/// The program's modal notices, caption "提示"; tests answer them instead of a person.
class MessageBoxes
{
public:
    enum class Icon
    {
        Information,
        Warning,
        Error,
        Question
    };

    virtual ~MessageBoxes() = default;
    /// A notice with one OK button.
    virtual void inform(const QString& text, Icon icon) = 0;
    /// A question with OK and Cancel; true for OK.
    virtual bool confirm(const QString& text) = 0;
};

} // namespace vorbel
