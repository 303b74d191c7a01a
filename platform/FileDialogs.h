#pragma once

#include <QString>
#include <optional>

namespace vorbel {

/// The program's file choosers; tests answer them instead of a person.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    /// Asks where to save a file, offering `suggestedName`; nothing when the user cancels.
    virtual std::optional<QString> saveFileName(const QString& caption, const QString& suggestedName,
                                                const QString& filter) = 0;
};

} // namespace vorbel
