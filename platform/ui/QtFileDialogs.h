#pragma once

#include "platform/FileDialogs.h"

namespace vorbel {

class QtFileDialogs : public FileDialogs
{
public:
    std::optional<QString> saveFileName(const QString& caption, const QString& suggestedName,
                                        const QString& filter) override;
};

} // namespace vorbel
