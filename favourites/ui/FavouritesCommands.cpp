#include "favourites/ui/FavouritesCommands.h"

#include "favourites/FavouritesPageReader.h"
#include "favourites/FavouritesTexts.h"
#include "favourites/ui/FavouritesGrid.h"
#include "favourites/ui/FavouritesView.h"
#include "favourites/ui/Usc.h"
#include "platform/MessageBoxes.h"
#include "platform/PageLoader.h"
#include "search/SearchTexts.h"
#include "session/AppState.h"
#include "store/StandingQueries.h"

#include <QTableView>

namespace vorbel {

FavouritesCommands::FavouritesCommands(const FeatureParts& parts, FavouritesView& view, QWidget& formsOwner,
                                       QObject* parent)
    : QObject(parent), m_parts(parts), m_formsOwner(formsOwner),
      m_grid(new FavouritesGrid(*view.DBGridEh2, *view.findBar, parts)),
      m_reader(new FavouritesPageReader(parts.database, parts.queries, parts.state, parts.pictures,
                                        parts.downloader, parts.services.clock, this))
{
    connect(m_reader, &FavouritesPageReader::progress, this, &FavouritesCommands::showProgress);
    connect(m_reader, &FavouritesPageReader::finished, this, &FavouritesCommands::finish);
}

void FavouritesCommands::btn2Click()
{
    startRetrieval(false);
}

void FavouritesCommands::btn3Click()
{
    startRetrieval(true);
}

Tfrmsc* FavouritesCommands::loaderForm() const
{
    return m_loader.data();
}

Tfrmsc& FavouritesCommands::replaceLoaderForm()
{
    // A new retrieval retires the previous one whatever its state: its page, if it still comes, and its
    // pictures, if they still arrive, belong to a list nobody asked for any more.
    m_reader->cancel();
    if (m_loader)
        m_loader->deleteLater();
    m_loader = new Tfrmsc(Tfrmsc::Purpose::Favourites, m_parts.services.network, m_parts.state,
                          m_parts.queries.qry2, &m_formsOwner);
    m_loader->setErrorReporter([this](const QString& message) {
        m_parts.services.messages.inform(message, MessageBoxes::Icon::Error);
    });
    m_loader->show();
    m_loader->clearMemo();
    return *m_loader;
}

void FavouritesCommands::startRetrieval(bool priceDrops)
{
    AppState& state = m_parts.state;
    state.PageMode = priceDrops ? AppState::PriceDrops : AppState::Favourites;
    m_priceDrops = priceDrops;
    m_parts.views.setViewButtons(true, priceDrops, !priceDrops);
    Tfrmsc& loader = replaceLoaderForm();
    loader.setFavouritesHandler([this](Tfrmsc& form) { WebBrowser1DocumentComplete(form); });
    m_parts.status.setStatusText(priceDrops ? favouritetext::PriceDropsStatus
                                            : favouritetext::FavouritesStatus);
    m_parts.views.showView(View::Favourites);
    ProgressDisplay& progress = m_parts.progress;
    progress.setPosition(0);
    progress.showOnTop();
    progress.setText(priceDrops ? favouritetext::FetchingPriceDrops : favouritetext::FetchingFavourites);
    StandingQueries& queries = m_parts.queries;
    if (queries.ADOQuery3.recordCount() > 0)
        queries.qry3.execSql(QStringLiteral("delete from scnr"));
    queries.ADOQuery3.openSql(QStringLiteral("select * from scnr order by scsj"));
    loader.clearMemo();
    QList<std::pair<QString, QString>> query{{QStringLiteral("u"), state.UserId},
                                             {QStringLiteral("p"), state.UserPassword}};
    if (priceDrops)
        query.append({QStringLiteral("d"), QStringLiteral("down")});
    m_loading = true;
    loader.WebBrowser1().Navigate(
        serviceUrl(m_parts.services.config.serviceBase, QStringLiteral("/ListAllMyFav.aspx"), query));
}

void FavouritesCommands::WebBrowser1DocumentComplete(Tfrmsc& loader)
{
    // A retired form may still complete before its deferred deletion: its page belongs to no one.
    if (&loader != m_loader.data())
        return;
    m_pageError = loader.WebBrowser1().errorText();
    m_reader->read(loader.Memo1(), m_pageError.isEmpty());
}

bool FavouritesCommands::isShown() const
{
    return m_parts.views.currentView() == View::Favourites;
}

void FavouritesCommands::showProgress(int position, const QString& label)
{
    if (!isShown())
        return;
    m_parts.progress.setPosition(position);
    m_parts.progress.setText(label);
}

void FavouritesCommands::finish(bool recognised, int count)
{
    m_loading = false;
    const bool shown = isShown();
    if (shown)
        m_parts.progress.hideBehind();
    MessageBoxes& messages = m_parts.services.messages;
    if (!recognised && count == 0) {
        messages.inform(searchtext::NoNetwork, MessageBoxes::Icon::Information);
    } else {
        // The list that went on while another view was shown leaves that view's status alone.
        if (shown)
            m_parts.status.setStatusText(favouritetext::countStatus(m_priceDrops, count));
        m_grid->refreshPriceMarks();
        m_grid->colourColumns();
        // A list cut short would otherwise pass for the whole one.
        if (!m_pageError.isEmpty())
            messages.inform(favouritetext::CutPage.arg(m_pageError), MessageBoxes::Icon::Warning);
    }
    if (m_loader)
        m_loader->closeLoader(recognised);
}

} // namespace vorbel
