#include "platform/ParseEstimate.h"

#include "platform/MarkupScanner.h"
#include "platform/OpenElements.h"

#include <algorithm>
#include <string>

namespace vorbel {

namespace {

using enum ElementNames::Flag;
using enum ElementNames::Category;
constexpr auto oneOf = ElementNames::oneOf;
constexpr auto bit = ElementNames::bit;
using Namespace = OpenElements::Namespace;
using Token = MarkupScanner::Token;

/// The parser's tree construction rules, applied to the model of its open elements.
class TreeRules
{
public:
    TreeRules(std::string_view markup, const ParseEstimate::Limits& limits);
    ParseEstimate run();

private:
    struct Known // names the rules single out
    {
        explicit Known(OpenElements& open);
        int a, annotationXml, button, colgroup, dd, dt, form, li, nobr, option, optgroup, p, ruby, select,
            table, tbody, template_, tr, unnamed;
    };

    bool inForeignContent(const std::string& name) const;
    bool inSelect() const;
    void text(bool blank);
    static bool isHiddenInput(std::string_view attributes);
    void startFrameset(int name);
    void framesetStartTag(const Token& token, int name);
    void startTag(const Token& token);
    void htmlStartTag(const Token& token, int name);
    bool closeBeforeStart(const std::string& tag, int name);
    void closeOuterTable();
    void closeImplied(int floor);
    void insert(const Token& token, int name);
    void pushRawText(const std::string& tag, int name);
    void selectStartTag(const Token& token, int name);
    void tableStartTag(const std::string& tag, int name);
    void placeRowOrCell(int name, int table);
    void closeListItem(const std::string& tag);
    void pushForeign(const Token& token, int name, Namespace ns);
    void endTag(const Token& token);
    void htmlEndTag(const std::string& tag, int name);
    void anyOtherEndTag(int name);
    void closeFormatting(int name);
    void selectEndTag(const std::string& tag, int name);
    void tableEndTag(const std::string& tag, int name);
    void closeForm();
    ParseEstimate estimate() const { return {m_open.deepest(), m_open.elements(), m_work}; }

    MarkupScanner m_scanner;
    ParseEstimate::Limits m_limits;
    OpenElements m_open;
    Known m_known{m_open};
    long long m_work = 0;
    bool m_formOpen = false;
    bool m_framesetOk = true;  // nothing yet that makes the parser refuse a frameset
    bool m_inFrameset = false; // a frameset replaced the body: little else is read from then on
};

TreeRules::Known::Known(OpenElements& open)
    : a(open.id("a")), annotationXml(open.id("annotation-xml")), button(open.id("button")),
      colgroup(open.id("colgroup")), dd(open.id("dd")), dt(open.id("dt")), form(open.id("form")),
      li(open.id("li")), nobr(open.id("nobr")), option(open.id("option")), optgroup(open.id("optgroup")),
      p(open.id("p")), ruby(open.id("ruby")), select(open.id("select")), table(open.id("table")),
      tbody(open.id("tbody")), template_(open.id("template")), tr(open.id("tr")), unnamed(open.unnamedId())
{
}

TreeRules::TreeRules(std::string_view markup, const ParseEstimate::Limits& limits)
    : m_scanner(markup), m_limits(limits)
{
}

ParseEstimate TreeRules::run()
{
    for (;;) {
        if (!estimate().within(m_limits))
            return estimate();
        const Token token = m_scanner.next(m_open.topIsForeign());
        // Placing a tag may search the whole stack of open elements, or as many formatting elements.
        m_work += token.kind == Token::Kind::Text ? 1 : m_open.depth();
        switch (token.kind) {
        case Token::Kind::End:
            return estimate();
        case Token::Kind::Text:
            text(token.blank);
            break;
        case Token::Kind::StartTag:
            startTag(token);
            break;
        case Token::Kind::EndTag:
            endTag(token);
            break;
        }
    }
}

bool TreeRules::inForeignContent(const std::string& name) const
{
    if (!m_open.topIsForeign())
        return false;
    const OpenElements::Entry& top = m_open.top();
    if (top.htmlPoint || (top.mathTextPoint && name != "mglyph" && name != "malignmark"))
        return false;
    return !(top.ns == Namespace::MathMl && top.name == m_known.annotationXml && name == "svg");
}

bool TreeRules::inSelect() const
{
    const int select = m_open.nearestHtml(m_known.select);
    if (select < 0 || m_open.nearestHtml(m_known.template_) > select)
        return false;
    return m_open.topIs(m_known.select) || m_open.topIs(m_known.option) || m_open.topIs(m_known.optgroup);
}

void TreeRules::text(bool blank)
{
    m_framesetOk = m_framesetOk && blank;
    if (m_inFrameset)
        return;
    if (!inSelect() && (!m_open.topIsForeign() || m_open.top().htmlPoint || m_open.top().mathTextPoint))
        m_open.reconstruct();
}

bool TreeRules::isHiddenInput(std::string_view attributes)
{
    bool hidden = false;
    MarkupScanner::forEachAttribute(attributes, [&hidden](std::string_view key, std::string_view value) {
        if (MarkupScanner::equalsIgnoringCase(key, "type"))
            hidden = MarkupScanner::equalsIgnoringCase(value, "hidden");
    });
    return hidden;
}

/// Until the page has content, a frameset takes the place of the body; anywhere else the parser
/// ignores it, and counting it anyway is harmless.
void TreeRules::startFrameset(int name)
{
    if (m_framesetOk && m_open.nearestHtml(m_known.template_) < 0) {
        m_inFrameset = true;
        m_open.dropAll();
    }
    m_open.push(name);
}

/// After a frameset took the place of the body, the parser reads framesets, frames and noframes only.
void TreeRules::framesetStartTag(const Token& token, int name)
{
    if (token.name == "frameset")
        m_open.push(name);
    else if (token.name == "frame")
        m_open.countElements(1);
    else if (token.name == "noframes")
        pushRawText(token.name, name);
}

void TreeRules::startTag(const Token& token)
{
    const int name = m_open.id(token.name);
    if (inForeignContent(token.name)) {
        bool breaksOut = (m_open.flags(name) & BreaksOutOfForeign) != 0;
        if (token.name == "font") {
            MarkupScanner::forEachAttribute(
                token.attributes, [&breaksOut](std::string_view key, std::string_view) {
                    for (std::string_view styling : {"color", "face", "size"})
                        breaksOut = breaksOut || MarkupScanner::equalsIgnoringCase(key, styling);
                });
        }
        if (!breaksOut) {
            if (token.selfClosing)
                m_open.countElements(1);
            else
                pushForeign(token, name, m_open.top().ns); // an <svg> inside MathML stays MathML
            return;
        }
        while (m_open.topIsForeign() && !m_open.top().htmlPoint && !m_open.top().mathTextPoint)
            m_open.pop();
    }
    if (m_inFrameset)
        framesetStartTag(token, name);
    else if (inSelect())
        selectStartTag(token, name);
    else
        htmlStartTag(token, name);
}

void TreeRules::htmlStartTag(const Token& token, int name)
{
    const std::string& tag = token.name;
    const std::uint32_t flags = m_open.flags(name);
    if (tag == "frameset") {
        startFrameset(name);
        return;
    }
    if ((flags & EndsFramesetOk) && !(tag == "input" && isHiddenInput(token.attributes)))
        m_framesetOk = false;
    if (flags & IgnoredStart)
        return;
    if (flags & TablePart) {
        tableStartTag(tag, name);
        return;
    }
    if (!closeBeforeStart(tag, name))
        return;
    // The parser reopens closed formatting elements before "phrasing" start tags only, and only now.
    if (!(flags & NoReconstruct))
        m_open.reconstruct();
    insert(token, name);
}

/// Closes what a start tag implies closed; false when the parser ignores the tag.
bool TreeRules::closeBeforeStart(const std::string& tag, int name)
{
    const std::uint32_t flags = m_open.flags(name);
    if (name == m_known.li || name == m_known.dd || name == m_known.dt)
        closeListItem(tag);
    if (name == m_known.form) {
        // Outside templates only one form is open at a time, even after its element was closed early.
        const bool inTemplate = m_open.nearestHtml(m_known.template_) >= 0;
        if (m_formOpen && !inTemplate)
            return false;
        m_formOpen = m_formOpen || !inTemplate;
    }
    if (flags & ClosesParagraph)
        m_open.popIfAbove(m_open.nearestHtml(m_known.p), m_open.nearest(CatButtonScope));
    if ((flags & Heading) && m_open.size() > 0 && (m_open.top().categories & bit(CatHeading)))
        m_open.pop();
    if (name == m_known.button)
        m_open.popIfAbove(m_open.nearestHtml(name), m_open.nearest(CatScope));
    if ((name == m_known.option || name == m_known.optgroup) && m_open.topIs(m_known.option))
        m_open.pop();
    if (name == m_known.table)
        closeOuterTable();
    if (oneOf(tag, {"rb", "rp", "rt", "rtc"}) && m_open.nearestHtml(m_known.ruby) > m_open.nearest(CatScope))
        closeImplied(-1);
    if (name == m_known.nobr)
        m_open.reconstruct();
    if (name == m_known.a || name == m_known.nobr) {
        const int open = m_open.latestFormatting(name);
        if (open >= 0)
            m_open.adopt(open);
    }
    return true;
}

void TreeRules::closeOuterTable()
{
    // Directly inside a table (not in a cell, caption or foreign content) a table ends the first one.
    const int table = m_open.nearest(CatTable);
    const int context = std::max({m_open.nearest(CatCell), m_open.nearest(CatCaption),
                                  m_open.nearest(CatForeign), m_open.nearestHtml(m_known.template_)});
    if (table >= 0 && table > context)
        m_open.popThrough(table);
    else if (table >= 0)
        m_open.countElements(m_open.listedAbove(table)); // should the parser close it anyway
}

/// Pops the elements whose end tags the parser implies, down to no lower than above `floor`.
void TreeRules::closeImplied(int floor)
{
    while (m_open.size() - 1 > floor && m_open.top().ns == Namespace::Html &&
           (m_open.flags(m_open.top().name) & ImpliedEnd))
        m_open.pop();
}

void TreeRules::insert(const Token& token, int name)
{
    const std::string& tag = token.name;
    const std::uint32_t flags = m_open.flags(name);
    if ((flags & Void) || ((tag == "svg" || tag == "math") && token.selfClosing))
        m_open.countElements(1); // made and closed at once
    else if (tag == "svg" || tag == "math")
        pushForeign(token, name, tag == "svg" ? Namespace::Svg : Namespace::MathMl);
    else if (flags & Formatting)
        m_open.pushFormatting(name, token.attributes);
    else
        pushRawText(tag, name);
}

/// Pushes an element; raw text, script data and plain text are read past as the tokenizer would.
void TreeRules::pushRawText(const std::string& tag, int name)
{
    m_open.push(name);
    const int index = int(m_open.size()) - 1;
    bool ended = false;
    if (m_open.flags(name) & RawText)
        ended = m_scanner.skipRawText(tag);
    else if (tag == "script")
        ended = m_scanner.skipScriptData();
    else if (tag == "plaintext")
        m_scanner.skipToEnd();
    if (ended)
        m_open.popThrough(index);
}

void TreeRules::selectStartTag(const Token& token, int name)
{
    const std::string& tag = token.name;
    const int select = m_open.nearestHtml(m_known.select);
    if (name == m_known.option || name == m_known.optgroup || tag == "hr") {
        if (m_open.topIs(m_known.option))
            m_open.pop();
        if (name != m_known.option && m_open.topIs(m_known.optgroup))
            m_open.pop();
        if (tag != "hr")
            m_open.push(name);
    } else if (name == m_known.select) {
        m_open.popThrough(select);
    } else if (tag == "input" || tag == "keygen" || tag == "textarea") {
        m_open.popThrough(select);
        htmlStartTag(token, name);
    } else if (tag == "script" || tag == "template") {
        htmlStartTag(token, name);
    } else if (((m_open.flags(name) & TablePart) && tag != "col" && tag != "colgroup") || tag == "table") {
        if (m_open.nearest(CatTable) >= 0 && m_open.nearest(CatTable) < select) {
            m_open.popThrough(select);
            htmlStartTag(token, name);
        }
    }
}

void TreeRules::tableStartTag(const std::string& tag, int name)
{
    const int table = m_open.nearest(CatTable);
    if (std::max(m_open.nearestHtml(m_known.template_), m_open.nearest(CatForeign)) > table) {
        // Whether template contents or foreign content inside a table take table parts depends on
        // what came before; count them as elements that no end tag closes. Should the parser clear
        // the table context, it copies the formatting elements above it again later.
        m_open.push(m_known.unnamed);
        m_open.countElements(m_open.listedAbove(table));
        return;
    }
    if (table < 0)
        return; // outside a table these are ignored
    m_open.popIfAbove(std::max(m_open.nearest(CatCell), m_open.nearest(CatCaption)), table);
    if (tag == "caption" || name == m_known.colgroup || (m_open.htmlCategories(name) & bit(CatSection))) {
        m_open.popAbove(table);
        m_open.push(name);
        return;
    }
    if (tag == "col") {
        if (!m_open.topIs(m_known.colgroup)) {
            m_open.popAbove(table);
            m_open.push(m_known.colgroup);
        }
        return;
    }
    placeRowOrCell(name, table);
}

/// A row goes into the table's open section, a cell into its open row; missing ones are implied.
void TreeRules::placeRowOrCell(int name, int table)
{
    if (name == m_known.tr)
        m_open.popIfAbove(m_open.nearest(CatRow), table);
    const int row = m_open.nearest(CatRow);
    if (name != m_known.tr && row > table) {
        m_open.popAbove(row);
    } else {
        const int section = m_open.nearest(CatSection);
        if (section > table) {
            m_open.popAbove(section);
        } else {
            m_open.popAbove(table);
            m_open.push(m_known.tbody);
        }
        if (name != m_known.tr)
            m_open.push(m_known.tr);
    }
    m_open.push(name);
}

void TreeRules::closeListItem(const std::string& tag)
{
    // The nearest list item closes unless a special element other than address, div or p comes first;
    // the item is special itself, so it closes exactly when it is the nearest such element.
    const int item = tag == "li" ? m_open.nearestHtml(m_known.li)
                                 : std::max(m_open.nearestHtml(m_known.dd), m_open.nearestHtml(m_known.dt));
    if (item >= 0 && item >= m_open.nearest(CatSpecialExceptAdp))
        m_open.popThrough(item);
}

void TreeRules::pushForeign(const Token& token, int name, Namespace ns)
{
    bool htmlPoint = ns == Namespace::Svg && oneOf(token.name, {"foreignobject", "desc", "title"});
    if (ns == Namespace::MathMl && name == m_known.annotationXml) {
        MarkupScanner::forEachAttribute(
            token.attributes, [&htmlPoint](std::string_view key, std::string_view value) {
                if (MarkupScanner::equalsIgnoringCase(key, "encoding"))
                    htmlPoint = MarkupScanner::equalsIgnoringCase(value, "text/html") ||
                                MarkupScanner::equalsIgnoringCase(value, "application/xhtml+xml");
            });
    }
    const bool mathTextPoint =
        ns == Namespace::MathMl && oneOf(token.name, {"mi", "mo", "mn", "ms", "mtext"});
    // The parser matches foreign end tags by the tag's source text, which a "</>" before it spoils.
    m_open.push(name, ns, htmlPoint, mathTextPoint, !token.afterStray);
}

void TreeRules::endTag(const Token& token)
{
    const std::string& tag = token.name;
    const int name = m_open.id(tag);
    if (tag == "frameset") {
        // Only a frameset that replaced the body is ever closed; others were counted but never opened.
        if (m_inFrameset && m_open.topIs(name))
            m_open.pop();
        return;
    }
    if (m_inFrameset)
        return;
    // The parser matches a foreign end tag by its source text: only when nothing follows the name and
    // no "</>" came just before.
    if (m_open.topIsForeign() && token.attributes.empty() && !token.afterStray) {
        const int element = m_open.nearestForeign(name);
        if (element > m_open.nearest(CatHtml)) {
            m_open.popThrough(element);
            return;
        }
    }
    if (inSelect())
        selectEndTag(tag, name);
    else
        htmlEndTag(tag, name);
}

void TreeRules::htmlEndTag(const std::string& tag, int name)
{
    const std::uint32_t flags = m_open.flags(name);
    if (tag == "br") {
        m_open.reconstruct(); // read as <br>
        m_open.countElements(1);
    } else if ((flags & IgnoredStart) || tag == "noscript")
        return; // a noscript may have been closed long before, by whatever followed it in the head
    else if ((flags & TablePart) || tag == "table")
        tableEndTag(tag, name);
    else if (name == m_known.p) {
        const int paragraph = m_open.nearestHtml(name);
        if (paragraph > m_open.nearest(CatButtonScope))
            m_open.popThrough(paragraph);
        else
            m_open.countElements(1); // an empty paragraph is made and closed
    } else if (name == m_known.li)
        m_open.popIfAbove(m_open.nearestHtml(name), m_open.nearest(CatListScope));
    else if (name == m_known.dd || name == m_known.dt || (flags & BlockEnd))
        m_open.popIfAbove(m_open.nearestHtml(name), m_open.nearest(CatScope));
    else if (flags & Heading)
        m_open.popIfAbove(m_open.nearest(CatHeading), m_open.nearest(CatScope));
    else if (name == m_known.form)
        closeForm();
    else if (name == m_known.template_)
        m_open.popIfAbove(m_open.nearestHtml(name), -1);
    else if (flags & Marker) // applet, marquee, object: boundaries of their own scope
        m_open.popIfAbove(m_open.nearestHtml(name), m_open.nearest(CatScope) - 1);
    else if (flags & Formatting)
        closeFormatting(name);
    else
        anyOtherEndTag(name);
}

void TreeRules::anyOtherEndTag(int name)
{
    // The parser has one tag for every name it does not know, so such an end tag matches any of them.
    const bool unknown = (m_open.htmlCategories(name) & bit(CatUnknown)) != 0;
    const int element = unknown ? m_open.nearest(CatUnknown) : m_open.nearestHtml(name);
    if (element >= 0 && element >= m_open.nearest(CatSpecial))
        m_open.popThrough(element);
}

void TreeRules::closeFormatting(int name)
{
    if (m_open.topIs(name)) {
        if (!m_open.topIsListed()) {
            m_open.pop(); // open but no longer listed: just popped
            return;
        }
    }
    // An end tag with no listed element to match is ignored, not read as any other end tag.
    const int item = m_open.latestFormatting(name);
    if (item >= 0)
        m_open.adopt(item);
}

void TreeRules::selectEndTag(const std::string& tag, int name)
{
    const int select = m_open.nearestHtml(m_known.select);
    if (name == m_known.optgroup) {
        if (m_open.topIs(m_known.option) && m_open.size() >= 2 &&
            m_open.at(m_open.size() - 2).name == m_known.optgroup)
            m_open.pop();
        if (m_open.topIs(m_known.optgroup))
            m_open.pop();
    } else if (name == m_known.option) {
        if (m_open.topIs(m_known.option))
            m_open.pop();
    } else if (name == m_known.select) {
        m_open.popThrough(select);
    } else if (name == m_known.template_) {
        htmlEndTag(tag, name);
    } else if ((m_open.flags(name) & TablePart) || tag == "table") {
        if (m_open.nearest(CatTable) >= 0 && m_open.nearest(CatTable) < select &&
            m_open.nearestHtml(name) > m_open.nearest(CatTableScope)) {
            m_open.popThrough(select);
            htmlEndTag(tag, name);
        }
    }
}

void TreeRules::tableEndTag(const std::string& tag, int name)
{
    if (tag == "table") {
        const int table = m_open.nearest(CatTable);
        m_open.popIfAbove(table, m_open.nearestHtml(m_known.template_));
    } else {
        m_open.popIfAbove(m_open.nearestHtml(name), m_open.nearest(CatTableScope));
    }
}

void TreeRules::closeForm()
{
    if (!m_formOpen || m_open.nearestHtml(m_known.template_) >= 0)
        return; // forms inside templates are closed only by other elements
    m_formOpen = false;
    const int form = m_open.nearestHtml(m_known.form);
    if (form < 0 || form <= m_open.nearest(CatScope))
        return;
    // Implied end tags first; a form that is still not the current node is taken out of the middle of
    // the stack but stays in the tree, so it keeps counting.
    closeImplied(form);
    if (m_open.topIs(m_known.form))
        m_open.pop();
}

} // namespace

ParseEstimate ParseEstimate::of(std::string_view markup, const Limits& stopAt)
{
    return TreeRules(markup, stopAt).run();
}

} // namespace vorbel
