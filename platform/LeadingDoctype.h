#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace vorbel {

/// The doctype that decides a page's mode: the first token after white space and comments, read the
/// way a current HTML tokenizer reads it. The parser we use follows an older list of the doctypes that
/// put a page in quirks mode, where a paragraph stays open around a table, so the decision is ours.
struct LeadingDoctype
{
    std::size_t begin = 0; ///< where "<!" stands
    std::size_t end = 0;   ///< just past the doctype's '>' (or the end of the markup)
    bool quirks = false;   ///< quirks mode; limited quirks builds the same tree as no quirks

    static std::optional<LeadingDoctype> of(std::string_view markup);
};

} // namespace vorbel
