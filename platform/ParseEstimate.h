#pragma once

#include <string_view>

namespace vorbel {

/// What the HTML5 parser will make of a page, estimated before it runs: how deep the tree nests, how
/// many elements it builds and how much searching of its open elements that takes. The parser's
/// work grows with the nesting for every tag, its tree code recurses, and misnested formatting tags
/// make it copy elements again and again, so a page past any limit is refused rather than parsed.
///
/// The estimate follows the parser's rules for raw text, comments, void elements, implied end tags,
/// ignored end tags, reopened formatting elements, tables, selects, framesets and foreign content.
/// Where a rule is only approximated it errs towards a deeper tree, so a page cannot nest much deeper
/// than estimated, while a page with many siblings (cells, line breaks, pictures) stays shallow.
struct ParseEstimate
{
    struct Limits
    {
        int depth = 5000;
        long long elements = 200'000;
        long long work = 100'000'000;
    };

    int depth = 0;          ///< greatest nesting, counting the root and the body
    long long elements = 0; ///< elements made, copies included
    long long work = 0;     ///< open elements passed over while placing tags

    bool within(const Limits& limits) const
    {
        return depth <= limits.depth && elements <= limits.elements && work <= limits.work;
    }

    /// The estimate for UTF-8 `markup`; the scan stops as soon as one of `stopAt` is passed.
    static ParseEstimate of(std::string_view markup, const Limits& stopAt);
};

} // namespace vorbel
