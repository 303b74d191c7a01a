#include "search/ui/SearchCommands.h"

#include "platform/Downloader.h"
#include "platform/MessageBoxes.h"
#include "platform/PageLoader.h"
#include "results/ui/ResultGrid.h"
#include "results/ui/ResultsView.h"
#include "search/ResultFilter.h"
#include "search/ResultPageReader.h"
#include "search/SearchStart.h"
#include "search/SearchTexts.h"
#include "search/ShopBoxCascade.h"
#include "session/AppState.h"
#include "store/StandingQueries.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <algorithm>

namespace vorbel {

SearchCommands::SearchCommands(const FeatureParts& parts, ResultsView& view, QLineEdit& homeKeyword,
                               PageLoader& wbwebb, QObject* parent)
    : QObject(parent), m_parts(parts), m_view(view), m_homeKeyword(homeKeyword), m_wbwebb(wbwebb),
      m_grid(new ResultGrid(*view.DBGridEh1, *view.findBar, parts)),
      m_reader(new ResultPageReader(parts.database, parts.queries, parts.state, parts.pictures,
                                    parts.downloader, parts.services.clock, this))
{
    connect(view.suiButton1, &QPushButton::clicked, this,
            [this] { guarded(m_parts.services.messages, [this] { suiButton1Click(); }); });
    connect(m_reader, &ResultPageReader::progress, this, &SearchCommands::showProgress);
    connect(m_reader, &ResultPageReader::finished, this, &SearchCommands::endSearch);
    connect(m_reader, &ResultPageReader::failed, this, &SearchCommands::failSearch);
    connectBoxes();
    // A result page's first rows are read while the rest of it is still being parsed: a screen of
    // offers shows in a few milliseconds instead of after the whole page.
    m_wbwebb.setFirstPartEnd([this](QByteArrayView body) {
        return m_parts.state.PageMode == AppState::Search ? ResultPageReader::firstPartEnd(body) : 0;
    });
    connect(&m_wbwebb, &PageLoader::FirstPartComplete, this, [this](const PageText& part) {
        guarded(m_parts.services.messages, [&] { m_reader->readFirstPart(part); });
    });
}

SearchCommands::~SearchCommands()
{
    m_wbwebb.setFirstPartEnd({});
}

void SearchCommands::connectBoxes()
{
    const auto& boxes = m_view.shopBoxes;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        // A box set by a handler signals its own change at once, so the handlers cascade as they nest.
        // Only the outermost reads the list, once the boxes have settled: every handler of a cascade
        // would read the same rows, and "全部" alone would read ten thousand offers eight times.
        connect(boxes[i], &QCheckBox::toggled, this, [this, boxes, i](bool ticked) {
            guarded(m_parts.services.messages, [&] {
                ++m_cascadeDepth;
                const auto settled = qScopeGuard([this] { --m_cascadeDepth; });
                for (const auto& [other, state] : ShopBoxCascade::followUps(int(i), ticked))
                    boxes[std::size_t(other)]->setChecked(state);
                if (m_cascadeDepth == 1)
                    get_cxnr();
            });
        });
    }
}

void SearchCommands::hotKeywordClick(const QString& caption)
{
    m_homeKeyword.setText(caption.trimmed());
    suiButton4Click();
}

void SearchCommands::suiButton4Click()
{
    m_view.Edt_word->setText(m_homeKeyword.text());
    m_parts.views.showView(View::Results);
    suiButton1Click();
}

void SearchCommands::suiButton1Click()
{
    m_reader->cancel(); // the previous search's pictures; nobody else's downloads
    QLineEdit* box = m_view.Edt_word;
    m_parts.views.setViewButtons(false, true, true);
    m_parts.views.showView(View::Results);
    ProgressDisplay& progress = m_parts.progress;
    progress.setPosition(0);
    progress.showOnTop();
    progress.setText(searchtext::Searching);
    for (QCheckBox* shopBox : m_view.shopBoxes)
        shopBox->setChecked(true);
    const SearchStartResult start = startSearch(box->text(), m_parts.queries, m_parts.state);
    box->setText(start.keyword);
    if (start.sendRequest) {
        m_wbwebb.Navigate(searchUrl(m_parts.services.config.serviceBase, m_parts.state));
        return;
    }
    // A blank keyword asks for nothing: the emptied list is the search's whole result, and no panel may
    // wait for a page that never comes.
    progress.hideBehind();
    m_parts.status.setStatusText(searchtext::ResultCount.arg(0));
}

void SearchCommands::readPage(const PageText& page, const QString& error)
{
    m_pageError = error;
    guarded(m_parts.services.messages, [&] { m_reader->read(page); });
}

bool SearchCommands::isShown() const
{
    return m_parts.views.currentView() == View::Results;
}

void SearchCommands::showProgress(int position, const QString& label)
{
    // A search whose pictures still arrive while another view is shown goes on without a word.
    if (!isShown())
        return;
    ProgressDisplay& progress = m_parts.progress;
    progress.setPosition(position);
    progress.setText(label);
    if (position < 100)
        progress.showOnTop();
}

void SearchCommands::endSearch(int count)
{
    reapplyShopBoxes();
    m_grid->refreshPriceMarks();
    m_grid->colourColumns();
    if (isShown()) {
        m_parts.progress.hideBehind();
        m_parts.status.setStatusText(searchtext::ResultCount.arg(count));
    }
    if (m_parts.state.BeforeFirstSearch)
        return;
    MessageBoxes& messages = m_parts.services.messages;
    if (count == 0)
        messages.inform(searchtext::NoNetwork, MessageBoxes::Icon::Information);
    else if (!m_pageError.isEmpty())
        // The offers of a page cut short are stored as far as they arrived; a count alone would pass
        // the part for the whole list.
        messages.inform(searchtext::CutPage.arg(m_pageError), MessageBoxes::Icon::Warning);
}

void SearchCommands::failSearch(const QString& message, int count)
{
    reapplyShopBoxes();
    m_grid->refreshPriceMarks();
    // Unlike a handler simply stopped by the error, the display is closed and reports what was stored.
    if (isShown()) {
        m_parts.progress.hideBehind();
        m_parts.status.setStatusText(searchtext::ResultCount.arg(count));
    }
    MessageBoxes& messages = m_parts.services.messages;
    // On a page cut short, a cell that does not convert is mostly the cut itself; say that.
    if (m_pageError.isEmpty())
        messages.inform(message, MessageBoxes::Icon::Error);
    else
        messages.inform(searchtext::CutPage.arg(m_pageError), MessageBoxes::Icon::Warning);
}

ShopBoxes SearchCommands::tickedBoxes() const
{
    ShopBoxes ticked{};
    for (std::size_t i = 0; i < m_view.shopBoxes.size(); ++i)
        ticked[i] = m_view.shopBoxes[i]->isChecked();
    return ticked;
}

void SearchCommands::openFilter()
{
    QTableView* grid = m_view.DBGridEh1;
    grid->setUpdatesEnabled(false);
    const ShopBoxes ticked = tickedBoxes();
    m_parts.queries.ADOQuery2.openNarrowed(filterStatement(ticked), filterNarrowing(ticked));
    grid->setUpdatesEnabled(true);
}

void SearchCommands::reapplyShopBoxes()
{
    // The reader appends every offer to the list shown; boxes unticked while it read must still hold.
    const ShopBoxes ticked = tickedBoxes();
    if (std::find(ticked.begin(), ticked.end(), false) != ticked.end())
        openFilter();
}

void SearchCommands::get_cxnr()
{
    openFilter();
    m_parts.status.setStatusText(searchtext::FilterCount.arg(m_parts.queries.ADOQuery2.recordCount()));
}

} // namespace vorbel
