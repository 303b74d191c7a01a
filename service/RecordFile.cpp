#include "service/RecordFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace vorbel::service {

namespace {

std::string systemError(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

/// Writes all of `data` to a descriptor, resuming after partial writes and interruptions.
bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data.remove_prefix(std::size_t(written));
    }
    return true;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string RecordFile::escape(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (char c : field) {
        switch (c) {
        case '%':
            out += "%25";
            break;
        case '\t':
            out += "%09";
            break;
        case '\n':
            out += "%0A";
            break;
        case '\r':
            out += "%0D";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string RecordFile::unescape(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size() && hexValue(field[i + 1]) >= 0 &&
            hexValue(field[i + 2]) >= 0) {
            out += char(hexValue(field[i + 1]) * 16 + hexValue(field[i + 2]));
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string RecordFile::join(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += escape(fields[i]);
    }
    return line;
}

std::vector<std::string> RecordFile::split(std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(
            unescape(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start)));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

bool RecordFile::readLines(const std::string& path, std::vector<std::string>& lines, std::string& error)
{
    lines.clear();
    std::error_code missing;
    if (!std::filesystem::exists(path, missing) && !missing)
        return true;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = systemError("cannot read", path);
        return false;
    }
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    if (in.bad()) {
        error = systemError("cannot read", path);
        return false;
    }
    return true;
}

bool RecordFile::replace(const std::string& path, const std::string& content, std::string& error)
{
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemError("cannot write", temporary);
        return false;
    }
    const bool written = writeAll(fd, content) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        errno = written ? errno : savedErrno;
        error = systemError("cannot write", temporary);
        ::unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = systemError("cannot replace", path);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool RecordFile::endLastLine(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in || in.tellg() <= 0)
        return true;
    in.seekg(-1, std::ios::end);
    char last = '\n';
    in.get(last);
    return last == '\n' || appendLine(path, std::string(), error);
}

bool RecordFile::appendLine(const std::string& path, const std::string& line, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemError("cannot append to", path);
        return false;
    }
    const bool written = writeAll(fd, line + "\n");
    const int savedErrno = errno;
    if (::close(fd) != 0 || !written) {
        errno = written ? errno : savedErrno;
        error = systemError("cannot append to", path);
        return false;
    }
    return true;
}

} // namespace vorbel::service
