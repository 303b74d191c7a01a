#pragma once

#include <string>
#include <string_view>

namespace vorbel::service {

/// Text from a request made safe to put into a page: invalid UTF-8 becomes U+FFFD and every control or
/// line-separating character becomes a blank, so a value can never spill onto a second page line.
std::string cleanText(std::string_view bytes);

/// The text with every invalid UTF-8 sequence replaced by U+FFFD; everything else as it stands.
std::string validUtf8(std::string_view bytes);

/// At most `count` code points of valid UTF-8 text.
std::string firstCodePoints(std::string_view utf8, std::size_t count);

/// Valid UTF-8 to GB18030, the superset of GBK that holds every Unicode character.
std::string toGb18030(std::string_view utf8);

} // namespace vorbel::service
