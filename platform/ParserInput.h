#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vorbel {

/// A page's markup as it is handed to the HTML parser, which follows an older HTML standard than
/// browsers do today: mended in the source, where the parser's tree would otherwise differ, without
/// changing what the page says.
///
/// - The leading doctype is replaced by one the parser reads as the same mode (see LeadingDoctype).
/// - A <noscript> element becomes raw text, as in a browser that runs scripts: it is handed to the
///   parser as <noframes>, which the parser treats that way in the head and the body alike.
/// - Before every </form> stands a comment of our own: the parser drops the form from its open
///   elements without first placing the text it has read, which would then land after the form.
/// - Elements the parser does not know (<dialog>, <search>) or knows by rules since dropped
///   (<menuitem>, <isindex>) are handed over under a name the parser treats as today's rules say.
///
/// The writer of the tree gives renamed elements their own names back and leaves our comments out.
struct ParserInput
{
    std::string markup;
    /// Start tags handed over under another name, by where their '<' stands in `markup`: the name the
    /// page gave them, in lower case.
    std::unordered_map<std::size_t, std::string> renamed;
    /// Where the comments we added start in `markup`.
    std::unordered_set<std::size_t> addedComments;

    static ParserInput of(std::string_view page);
};

} // namespace vorbel
