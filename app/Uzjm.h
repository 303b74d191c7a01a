#pragma once

#include "platform/PageText.h"
#include "session/AppState.h"
#include "session/Displays.h"
#include "session/Services.h"
#include "store/StoreOpening.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QStatusBar;

namespace vorbel {

class BigPicturePanel;
class Database;
class Downloader;
class DropNotices;
class FavouritesCommands;
class FavouritesView;
class HomeView;
class PageLoader;
class PictureCache;
class ProgressPanel;
class ResizeGrip;
class ResultsView;
class SearchCommands;
class TitleBar;
class ViewArea;
class ToolBar;
class Tfrmsc;
struct SiteLink;
struct StandingQueries;

/// The main window `frmvorbel`: a frameless skinned frame with its title bar, toolbar, three stacked views,
/// status bar and floating panels. It owns the store, the page loader of the search and the identity, and
/// the run's state, runs start-up when first shown, and wires each feature (the search, the favourites)
/// with the parts it works with; the features never see the window itself.
class Tfrmvorbel : public QWidget, public StatusLine, public ViewSwitcher
{
    Q_OBJECT
public:
    /// The store is taken from `store`, which the program starts before anything else; without it the
    /// window starts opening the store itself.
    explicit Tfrmvorbel(Services services, std::unique_ptr<StoreOpening> store = {},
                        QWidget* parent = nullptr);
    ~Tfrmvorbel() override;

    // The window's parts, for the features and for tests.
    AppState& state() { return m_state; }
    StandingQueries* queries() const { return m_queries.get(); }
    Database* database() const { return m_database.get(); }
    /// The search commands; null until start-up has opened the store.
    SearchCommands* search() const { return m_search; }
    /// The favourites commands; null until start-up has opened the store.
    FavouritesCommands* favourites() const { return m_favouriteCommands; }
    /// The price-drop notifications; null until start-up has opened the store.
    DropNotices* dropNotices() const { return m_dropNotices; }
    const Services& services() const { return m_services; }
    PictureCache& pictureCache() const { return *m_pictureCache; }
    /// The designer's hidden browser: the identity page and the search result pages.
    PageLoader& wbwebb() const { return *m_wbwebb; }
    Downloader& downloader() const { return *m_downloader; }
    /// The designer's page text of wbwebb's last page.
    const PageText& mmo1() const { return m_mmo1; }
    ProgressPanel& progressPanel() const { return *m_progress; }
    BigPicturePanel& bigPanel() const { return *m_bigPanel; }
    HomeView& homeView() const { return *m_home; }
    ResultsView& resultsView() const { return *m_results; }
    FavouritesView& favouritesView() const { return *m_favourites; }
    ToolBar& toolBar() const { return *m_toolBar; }
    TitleBar& titleBar() const { return *m_titleBar; }
    /// The loader form of the version notice, while it lives.
    Tfrmsc* loaderForm() const;
    /// Start-up stopped at an error; when that came before the features were wired, each command repeats
    /// its message.
    bool startupFailed() const { return m_startupFailed; }

    QString statusText() const override { return statusText(0); }
    QString statusText(int panel) const;
    void setStatusText(const QString& text) override { setStatusText(text, 0); }
    void setStatusText(const QString& text, int panel);
    /// Shows one of the three views: pan03 (home), pan01 (results) or pan02 (favourites).
    void showView(View view) override;
    View currentView() const override { return m_view; }
    void setViewButtons(bool results, bool favourites, bool priceDrops) override;

    /// The designer's start-up handler, run when the window is first shown.
    void FormShow();
    /// The designer's handler of 比价结果: back to the result list.
    void btn1Click();
    /// The designer's handler of 关于: the about box.
    void btn9Click();
    /// The designer's handler of 退出.
    void btn10Click();
    void hideBigPicture();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void loadSkin();
    void buildFrame();
    void buildStatusBar();
    void connectCommands();
    void watchMouseMovesOver(const std::vector<QWidget*>& widgets);
    /// The designer's resize rule: grid columns, the home panel and the progress panel.
    void FormResize();
    void placeProgressPanel();
    void openSite(const SiteLink& link);
    void wbwebbDocumentComplete();
    void runStartup();
    void wireFeatures();
    void wireFailedStart();
    void reportStartupFailure();
    void requestVersionNotice();
    void ensurePictureFolder();
    void guarded(const std::function<void()>& handler);

    Services m_services;
    AppState m_state;
    /// The store's file opened on a worker while the window builds: its key derivation alone takes
    /// about as long as the rest of the start-up.
    std::unique_ptr<StoreOpening> m_storeOpening;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<StandingQueries> m_queries;
    std::unique_ptr<PictureCache> m_pictureCache;
    std::vector<SiteLink> m_links;
    PageText m_mmo1;
    PageLoader* m_wbwebb;
    Downloader* m_downloader;
    QPointer<Tfrmsc> m_loaderForm;
    SearchCommands* m_search = nullptr;
    FavouritesCommands* m_favouriteCommands = nullptr;
    DropNotices* m_dropNotices = nullptr;

    QWidget* m_frame = nullptr;
    /// The stack of the three views, with the progress panel over them.
    ViewArea* m_viewArea = nullptr;
    TitleBar* m_titleBar = nullptr;
    ToolBar* m_toolBar = nullptr;
    HomeView* m_home = nullptr;
    ResultsView* m_results = nullptr;
    FavouritesView* m_favourites = nullptr;
    QStatusBar* m_statusBar = nullptr;
    std::vector<QLabel*> m_statusPanels;
    ProgressPanel* m_progress = nullptr;
    BigPicturePanel* m_bigPanel = nullptr;
    std::vector<ResizeGrip*> m_grips;
    View m_view = View::Home;
    bool m_shown = false;
    bool m_startupFailed = false;
    QString m_startupError;
    bool m_pictureFolderReported = false;
};

} // namespace vorbel
