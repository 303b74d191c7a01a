#pragma once

#include <stdexcept>

namespace vorbel {

/// A statement the engine refused, or a request the store cannot carry out; the message is the engine's
/// where there is one. It is not caught: it ends the handler that ran the statement.
class StoreError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace vorbel
