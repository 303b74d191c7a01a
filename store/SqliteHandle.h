#pragma once

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace vorbel {

/// Closes a connection; statements are finalised before it by their own handles.
struct ConnectionCloser
{
    void operator()(sqlite3* handle) const;
};

/// Finalises a prepared statement.
struct StatementFinaliser
{
    void operator()(sqlite3_stmt* statement) const;
};

using ConnectionHandle = std::unique_ptr<sqlite3, ConnectionCloser>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinaliser>;

} // namespace vorbel
