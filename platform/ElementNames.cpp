#include "platform/ElementNames.h"

#include <algorithm>
#include <gumbo.h>
#include <unordered_map>

namespace vorbel {

namespace {

using enum ElementNames::Flag;

const std::unordered_map<std::string_view, std::uint32_t>& flagTable()
{
    static const auto table = [] {
        std::unordered_map<std::string_view, std::uint32_t> flags;
        // Each list is one string of names separated by blanks; the strings are static.
        const auto add = [&flags](std::string_view names, std::uint32_t flag) {
            while (!names.empty()) {
                const std::size_t blank = std::min(names.find(' '), names.size());
                flags[names.substr(0, blank)] |= flag;
                names.remove_prefix(std::min(blank + 1, names.size()));
            }
        };
        add("area base basefont bgsound br col embed frame hr image img input isindex keygen link meta "
            "param source track wbr",
            Void);
        add("html head body frame", IgnoredStart);
        add("a b big code em font i nobr s small strike strong tt u", Formatting);
        add("applet marquee object td th caption template", Marker);
        add("address applet area article aside base basefont bgsound blockquote body br button caption "
            "center col colgroup dd details dialog dir div dl dt embed fieldset figcaption figure "
            "footer form frame frameset h1 h2 h3 h4 h5 h6 head header hgroup hr html iframe image img "
            "input isindex keygen li link listing main marquee menu menuitem meta nav noembed noframes "
            "noscript object ol p param plaintext pre script search section select source style summary "
            "table tbody td template textarea tfoot th thead title tr track ul wbr xmp",
            Special);
        add("address div p", AddressDivP);
        add("applet caption html table td th marquee object template", ScopeBoundary);
        add("address article aside blockquote center details dialog dir div dl fieldset figcaption "
            "figure footer header hgroup main menu nav ol p search section summary ul h1 h2 h3 h4 h5 h6 "
            "pre listing form plaintext xmp hr li dd dt",
            ClosesParagraph);
        add("address article aside blockquote button center details dialog dir div dl fieldset "
            "figcaption figure footer header hgroup listing main menu nav ol pre search section summary "
            "ul",
            BlockEnd);
        add("h1 h2 h3 h4 h5 h6", Heading);
        add("caption col colgroup tbody td tfoot th thead tr", TablePart);
        add("style xmp iframe noembed noframes textarea title", RawText);
        add("b big blockquote body br center code dd div dl dt em embed h1 h2 h3 h4 h5 h6 head hr i img "
            "li listing menu meta nobr ol p pre ruby s small span strong strike sub sup table tt u ul "
            "var",
            BreaksOutOfForeign);
        add("address article aside blockquote center details dialog dir div dl fieldset figcaption "
            "figure footer header hgroup main menu nav ol p search section summary ul h1 h2 h3 h4 h5 h6 "
            "pre listing form plaintext hr li dd dt caption col colgroup tbody td tfoot th thead tr "
            "html head body frameset frame base basefont bgsound link meta noframes style script "
            "template title textarea iframe noembed table param source track rb rtc rp rt",
            NoReconstruct);
        add("dd dt li optgroup option p rb rp rt rtc", ImpliedEnd);
        add("pre listing li dd dt button applet marquee object table area br embed img image isindex "
            "keygen wbr input hr textarea xmp iframe select body",
            EndsFramesetOk);
        return flags;
    }();
    return table;
}

} // namespace

bool ElementNames::oneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool ElementNames::parserKnows(std::string_view name)
{
    return gumbo_tagn_enum(name.data(), unsigned(name.size())) != GUMBO_TAG_UNKNOWN;
}

std::uint32_t ElementNames::htmlFlags(std::string_view name)
{
    const auto found = flagTable().find(name);
    return found == flagTable().end() || !parserKnows(name) ? 0 : found->second;
}

std::uint32_t ElementNames::htmlCategories(std::string_view name)
{
    if (!parserKnows(name))
        return bit(CatHtml) | bit(CatUnknown);
    const std::uint32_t flags = htmlFlags(name);
    std::uint32_t categories = bit(CatHtml);
    if (flags & Special)
        categories |= bit(CatSpecial) | ((flags & AddressDivP) ? 0 : bit(CatSpecialExceptAdp));
    if (flags & ScopeBoundary)
        categories |= bit(CatScope) | bit(CatButtonScope) | bit(CatListScope);
    if (name == "button")
        categories |= bit(CatButtonScope);
    if (name == "ol" || name == "ul")
        categories |= bit(CatListScope);
    if (oneOf(name, {"html", "table", "template"}))
        categories |= bit(CatTableScope);
    if (flags & Heading)
        categories |= bit(CatHeading);
    if (name == "table")
        categories |= bit(CatTable);
    if (name == "tr")
        categories |= bit(CatRow);
    if (oneOf(name, {"tbody", "thead", "tfoot"}))
        categories |= bit(CatSection);
    if (name == "td" || name == "th")
        categories |= bit(CatCell);
    if (name == "caption")
        categories |= bit(CatCaption);
    return categories;
}

std::uint32_t ElementNames::foreignCategories(std::string_view name)
{
    // The integration points of both foreign namespaces bound scopes; taking them for either namespace
    // only makes more end tags count as ignored.
    if (oneOf(name, {"foreignobject", "desc", "title", "mi", "mo", "mn", "ms", "mtext", "annotation-xml"}))
        return bit(CatForeign) | bit(CatSpecial) | bit(CatSpecialExceptAdp) | bit(CatScope) |
               bit(CatButtonScope) | bit(CatListScope);
    return bit(CatForeign);
}

} // namespace vorbel
