#include "search/SearchCommands.h"

#include "app/HomeView.h"
#include "app/ProgressPanel.h"
#include "app/ToolBar.h"
#include "app/Uzjm.h"
#include "platform/Downloader.h"
#include "platform/MessageBoxes.h"
#include "platform/PageLoader.h"
#include "results/ResultGrid.h"
#include "results/ResultsView.h"
#include "search/ResultFilter.h"
#include "search/ResultPageReader.h"
#include "search/SearchStart.h"
#include "search/ShopBoxCascade.h"
#include "store/StandingQueries.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace vorbel {

namespace {
const QString NoNetwork = QStringLiteral("可能当前网络没有连接，请检查连通后再次搜索。");
const QString CutPage = QStringLiteral("搜索结果页面没有完整收到（%1），列表可能不全，请稍后再次搜索。");
} // namespace

SearchCommands::SearchCommands(Tfrmvorbel& window)
    : QObject(&window), m_window(window), m_grid(new ResultGrid(*window.resultsView().DBGridEh1, window)),
      m_reader(new ResultPageReader(*window.database(), *window.queries(), window.state(),
                                    window.pictureCache(), window.downloader(), window.services().clock,
                                    this))
{
    ResultsView& results = window.resultsView();
    connect(results.suiButton1, &QPushButton::clicked, this,
            [this] { m_window.guarded([this] { suiButton1Click(); }); });
    connect(&window.homeView(), &HomeView::searchClicked, this,
            [this] { m_window.guarded([this] { suiButton4Click(); }); });
    connect(&window.homeView(), &HomeView::hotKeywordClicked, this,
            [this](const QString& caption) { m_window.guarded([&] { hotKeywordClick(caption); }); });
    connect(&window, &Tfrmvorbel::searchPageCompleted, this, &SearchCommands::wbwebbDocumentComplete);
    connect(m_reader, &ResultPageReader::progress, this, &SearchCommands::showProgress);
    connect(m_reader, &ResultPageReader::finished, this, &SearchCommands::endSearch);
    connect(m_reader, &ResultPageReader::failed, this, &SearchCommands::failSearch);
    connectBoxes();
}

SearchCommands::~SearchCommands() = default;

void SearchCommands::connectBoxes()
{
    const auto& boxes = m_window.resultsView().shopBoxes;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        // A box set by a handler signals its own change at once, so the handlers cascade as they nest.
        connect(boxes[i], &QCheckBox::toggled, this, [this, boxes, i](bool ticked) {
            m_window.guarded([&] {
                for (const auto& [other, state] : ShopBoxCascade::followUps(int(i), ticked))
                    boxes[std::size_t(other)]->setChecked(state);
                get_cxnr();
            });
        });
    }
}

void SearchCommands::hotKeywordClick(const QString& caption)
{
    m_window.homeView().keywordBox()->setText(caption.trimmed());
    suiButton4Click();
}

void SearchCommands::suiButton4Click()
{
    m_window.resultsView().Edt_word->setText(m_window.homeView().keywordBox()->text());
    m_window.showView(&m_window.resultsView());
    suiButton1Click();
}

void SearchCommands::suiButton1Click()
{
    m_reader->cancel();
    m_window.downloader().cancelAll();
    QLineEdit* box = m_window.resultsView().Edt_word;
    m_window.setViewButtons(false, true, true);
    m_window.showView(&m_window.resultsView());
    ProgressPanel& progress = m_window.progressPanel();
    progress.setPosition(0);
    progress.showOnTop();
    progress.setText(QStringLiteral("正在进行智能比价搜索，请稍后...... "));
    for (QCheckBox* shopBox : m_window.resultsView().shopBoxes)
        shopBox->setChecked(true);
    const SearchStartResult start = startSearch(box->text(), *m_window.queries(), m_window.state());
    box->setText(start.keyword);
    if (start.sendRequest)
        m_window.wbwebb().Navigate(searchUrl(m_window.services().config.serviceBase, m_window.state()));
}

void SearchCommands::wbwebbDocumentComplete()
{
    m_pageError = m_window.wbwebb().errorText();
    m_window.guarded([this] { m_reader->read(m_window.mmo1()); });
}

void SearchCommands::showProgress(int position, const QString& label)
{
    ProgressPanel& progress = m_window.progressPanel();
    progress.setPosition(position);
    progress.setText(label);
    if (position < 100)
        progress.showOnTop();
}

void SearchCommands::endSearch(int count)
{
    m_window.progressPanel().hideBehind();
    m_window.setStatusText(QStringLiteral("本次搜索结果有: %1 条记录").arg(count));
    m_grid->colourColumns();
    if (m_window.state().BeforeFirstSearch)
        return;
    if (count == 0)
        m_window.services().messages.inform(NoNetwork, MessageBoxes::Icon::Information);
    else if (!m_pageError.isEmpty())
        // The offers of a page cut short are stored as far as they arrived; a count alone would pass
        // the part for the whole list.
        m_window.services().messages.inform(CutPage.arg(m_pageError), MessageBoxes::Icon::Warning);
}

void SearchCommands::failSearch(const QString& message, int count)
{
    // Unlike a handler simply stopped by the error, the display is closed and reports what was stored.
    m_window.progressPanel().hideBehind();
    m_window.setStatusText(QStringLiteral("本次搜索结果有: %1 条记录").arg(count));
    // On a page cut short, a cell that does not convert is mostly the cut itself; say that.
    if (m_pageError.isEmpty())
        m_window.services().messages.inform(message, MessageBoxes::Icon::Error);
    else
        m_window.services().messages.inform(CutPage.arg(m_pageError), MessageBoxes::Icon::Warning);
}

void SearchCommands::get_cxnr()
{
    const auto& boxes = m_window.resultsView().shopBoxes;
    ShopBoxes ticked{};
    for (std::size_t i = 0; i < boxes.size(); ++i)
        ticked[i] = boxes[i]->isChecked();
    QTableView* grid = m_window.resultsView().DBGridEh1;
    grid->setUpdatesEnabled(false);
    StandingQuery& results = m_window.queries()->ADOQuery2;
    results.openSql(filterStatement(ticked));
    grid->setUpdatesEnabled(true);
    m_window.setStatusText(QStringLiteral("本次筛选结果有: %1 条记录").arg(results.recordCount()));
}

} // namespace vorbel
