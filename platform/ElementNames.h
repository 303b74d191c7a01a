#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace vorbel {

/// What the HTML5 parser's tree rules say about element names: which are void, which close a
/// paragraph, which bound a scope, and so on. Names are in lower case.
class ElementNames
{
public:
    /// Rules that single out an element name in the HTML namespace.
    enum Flag : std::uint32_t
    {
        Void = 1u << 0,
        IgnoredStart = 1u << 1,
        Formatting = 1u << 2,
        Marker = 1u << 3,
        Special = 1u << 4,
        AddressDivP = 1u << 5,
        ScopeBoundary = 1u << 6,
        ClosesParagraph = 1u << 7,
        BlockEnd = 1u << 8,
        Heading = 1u << 9,
        TablePart = 1u << 10,
        RawText = 1u << 11,
        BreaksOutOfForeign = 1u << 12,
        NoReconstruct = 1u << 13,
        ImpliedEnd = 1u << 14,
        EndsFramesetOk = 1u << 15,
    };

    /// Groups of open elements whose nearest member the rules ask for.
    enum Category
    {
        CatHtml,
        CatSpecial,
        CatSpecialExceptAdp,
        CatScope,
        CatButtonScope,
        CatListScope,
        CatTableScope,
        CatHeading,
        CatTable,
        CatRow,
        CatSection,
        CatCell,
        CatCaption,
        CatUnknown, ///< names the parser has no tag for; it takes their end tags to match any of them
        CatForeign, ///< SVG and MathML elements
        CategoryCount
    };

    static constexpr std::uint32_t bit(Category category) { return 1u << category; }

    /// The flags of an HTML element name; none for a name the parser has no tag for, since the parser
    /// then applies no rule of its own, whatever a newer standard says.
    static std::uint32_t htmlFlags(std::string_view name);
    /// The categories an open HTML element of that name belongs to.
    static std::uint32_t htmlCategories(std::string_view name);
    /// The categories an open SVG or MathML element of that name belongs to.
    static std::uint32_t foreignCategories(std::string_view name);

    static bool oneOf(std::string_view name, std::initializer_list<std::string_view> names);

private:
    static bool parserKnows(std::string_view name);
};

} // namespace vorbel
