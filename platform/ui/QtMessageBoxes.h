#pragma once

#include "platform/MessageBoxes.h"

namespace vorbel {

class QtMessageBoxes : public MessageBoxes
{
public:
    void inform(const QString& text, Icon icon) override;
    bool confirm(const QString& text) override;
};

} // namespace vorbel
