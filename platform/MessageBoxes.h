#pragma once

#include <QString>
#include <exception>

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

/// Runs an event handler the way the application runs every one: an error ends it and its message is
/// shown.
template <typename Handler> void guarded(MessageBoxes& messages, Handler&& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        messages.inform(QString::fromUtf8(error.what()), MessageBoxes::Icon::Error);
    }
}

} // namespace vorbel
