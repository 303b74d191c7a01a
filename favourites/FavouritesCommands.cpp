#include "favourites/FavouritesCommands.h"

#include "app/ProgressPanel.h"
#include "app/ToolBar.h"
#include "app/Uzjm.h"
#include "favourites/FavouritesGrid.h"
#include "favourites/FavouritesPageReader.h"
#include "favourites/FavouritesView.h"
#include "favourites/Usc.h"
#include "platform/MessageBoxes.h"
#include "platform/PageLoader.h"
#include "store/StandingQueries.h"

#include <QTableView>
#include <QToolButton>

namespace vorbel {

FavouritesCommands::FavouritesCommands(Tfrmvorbel& window)
    : QObject(&window), m_window(window),
      m_grid(new FavouritesGrid(*window.favouritesView().DBGridEh2, window)),
      m_reader(new FavouritesPageReader(*window.queries(), window.state(), window.pictureCache(),
                                        window.downloader(), window.services().clock, this))
{
    connect(window.toolBar().btn2, &QToolButton::clicked, this,
            [this] { m_window.guarded([this] { btn2Click(); }); });
    connect(window.toolBar().btn3, &QToolButton::clicked, this,
            [this] { m_window.guarded([this] { btn3Click(); }); });
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

void FavouritesCommands::startRetrieval(bool priceDrops)
{
    AppState& state = m_window.state();
    state.PageMode = priceDrops ? AppState::PriceDrops : AppState::Favourites;
    m_window.setViewButtons(true, priceDrops, !priceDrops);
    Tfrmsc& loader = m_window.createLoaderForm();
    m_loader = &loader;
    loader.setFavouritesHandler([this](Tfrmsc& form) { WebBrowser1DocumentComplete(form); });
    m_window.setStatusText(priceDrops ? QStringLiteral("当前操作: 商品降价通知")
                                      : QStringLiteral("当前操作: 商品收藏夹"));
    m_window.showView(&m_window.favouritesView());
    ProgressPanel& progress = m_window.progressPanel();
    progress.setPosition(0);
    progress.showOnTop();
    progress.setText(priceDrops ? QStringLiteral("正在获取商品降价通知，请稍后...... ")
                                : QStringLiteral("正在获取商品收藏夹数据，请稍后...... "));
    StandingQueries& queries = *m_window.queries();
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
        serviceUrl(m_window.services().config.serviceBase, QStringLiteral("/ListAllMyFav.aspx"), query));
}

void FavouritesCommands::WebBrowser1DocumentComplete(Tfrmsc& loader)
{
    m_loader = &loader;
    m_pageError = loader.WebBrowser1().errorText();
    m_reader->read(loader.Memo1());
}

void FavouritesCommands::showProgress(int position, const QString& label)
{
    ProgressPanel& progress = m_window.progressPanel();
    progress.setPosition(position);
    progress.setText(label);
}

void FavouritesCommands::finish(bool recognised, int count)
{
    m_loading = false;
    m_window.progressPanel().hideBehind();
    const bool drops = m_window.state().PageMode == AppState::PriceDrops;
    if (!recognised && count == 0) {
        m_window.services().messages.inform(QStringLiteral("可能当前网络没有连接，请检查连通后再次搜索。"),
                                            MessageBoxes::Icon::Information);
    } else {
        m_window.setStatusText(
            (drops ? QStringLiteral("您收藏的商品共有降价通知: ") : QStringLiteral("您收藏的商品共有: ")) +
            QString::number(count) + QStringLiteral(" 条记录"));
        m_grid->colourColumns();
        // A list cut short would otherwise pass for the whole one.
        if (!m_pageError.isEmpty())
            m_window.services().messages.inform(
                QStringLiteral("收藏夹页面没有完整收到（%1），列表可能不全，请稍后再试。").arg(m_pageError),
                MessageBoxes::Icon::Warning);
    }
    if (m_loader)
        m_loader->closeLoader();
}

} // namespace vorbel
