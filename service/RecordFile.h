#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorbel::service {

/// The line format of the service's small data files: fields separated by tabs, with "%", tab, line feed
/// and carriage return written as "%25", "%09", "%0A" and "%0D" so that any text comes back unchanged.
class RecordFile
{
public:
    static std::string escape(std::string_view field);
    static std::string unescape(std::string_view field);
    static std::string join(const std::vector<std::string>& fields);
    static std::vector<std::string> split(std::string_view line);

    /// The file's lines; false when it exists but cannot be read (a missing file has no lines).
    static bool readLines(const std::string& path, std::vector<std::string>& lines, std::string& error);

    /// Replaces the file with `content` through a temporary file that is flushed to disk and renamed over
    /// it, so that the old content stays whole when anything fails; false with `error` set then.
    static bool replace(const std::string& path, const std::string& content, std::string& error);

    /// Ends a file whose last line was cut short (say, by a crash) with a line feed, so that the next
    /// appended line stands on its own; false with `error` set when that fails.
    static bool endLastLine(const std::string& path, std::string& error);

    /// Appends one line and flushes it; false with `error` set when that fails.
    static bool appendLine(const std::string& path, const std::string& line, std::string& error);
};

} // namespace vorbel::service
