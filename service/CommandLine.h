#pragma once

#include "service/ReferenceService.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorbel::service {

/// What the command line of vorbel-service asks for.
struct CommandLine
{
    ServiceOptions options;
    std::string portFile; ///< where to write the bound port; none when empty
    bool help = false;
    std::string error; ///< why the arguments were refused; empty when they are fine

    /// Reads the arguments (without the program name); a relative --clock counts from the system clock.
    static CommandLine parse(const std::vector<std::string>& arguments);
    /// The same, with a relative --clock counting from `now` (seconds since the epoch).
    static CommandLine parse(const std::vector<std::string>& arguments, std::int64_t now);
    static const char* usage();
};

} // namespace vorbel::service
