#include "app/Uzjm.h"

#include "app/HomeView.h"
#include "app/ResizeGrip.h"
#include "app/TitleBar.h"
#include "app/ToolBar.h"
#include "app/Uabout.h"
#include "app/ViewArea.h"
#include "favourites/DropAlerts.h"
#include "favourites/ui/DropNotices.h"
#include "favourites/ui/FavouritesCommands.h"
#include "favourites/ui/FavouritesView.h"
#include "favourites/ui/Usc.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/MessageBoxes.h"
#include "platform/PageLoader.h"
#include "platform/SystemBrowser.h"
#include "platform/ui/FontConfiguration.h"
#include "resources/Pictures.h"
#include "results/ui/ResultsView.h"
#include "search/SearchTexts.h"
#include "search/ui/SearchCommands.h"
#include "session/FeatureParts.h"
#include "session/ResizeRule.h"
#include "session/SiteLinks.h"
#include "session/Startup.h"
#include "session/UserBootstrap.h"
#include "store/Database.h"
#include "store/PictureCache.h"
#include "store/PriceHistory.h"
#include "store/StandingQueries.h"
#include "store/StoreLocation.h"
#include "store/StoreOpening.h"
#include "widgets/BigPicturePanel.h"
#include "widgets/GridSupport.h"
#include "widgets/Look.h"
#include "widgets/ProgressPanel.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace vorbel {

namespace {

constexpr QSize StartSize{1020, 700};
const QString PictureFolderUnusable = QStringLiteral("无法创建图片文件夹 %1，商品图片将不能显示。");

} // namespace

Tfrmvorbel::Tfrmvorbel(Services services, std::unique_ptr<StoreOpening> store, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_services(std::move(services)),
      m_storeOpening(store ? std::move(store) : std::make_unique<StoreOpening>(storeFilePath())),
      m_links(siteLinks(m_services.config.serviceBase)), m_wbwebb(new PageLoader(m_services.network, this)),
      m_downloader(new Downloader(m_services.network, this))
{
    m_wbwebb->setObjectName(QStringLiteral("wbwebb"));
    connect(m_wbwebb, &PageLoader::DocumentComplete, this,
            [this] { guarded([this] { wbwebbDocumentComplete(); }); });
    FormCreate();
}

Tfrmvorbel::~Tfrmvorbel()
{
    // The commands read the standing queries, which go before the child widgets do. The grids' models
    // go with the commands: a grid whose model is destroyed falls back to an empty one by itself, where
    // taking the model off the grid first would undo every connection one signature at a time.
    delete m_search;
    delete m_favouriteCommands;
    delete m_loaderForm.data();
}

void Tfrmvorbel::FormCreate()
{
    setObjectName(QStringLiteral("frmvorbel"));
    setWindowTitle(QStringLiteral(" Vorbel"));
    setWindowIcon(programIcon(QStringLiteral(":/images/vorbel.png")));
    setMinimumSize(200, 50);
    m_state.ProgramFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    buildFrame();
    connectCommands();
    loadSkin();
    resize(StartSize);
}

void Tfrmvorbel::loadSkin()
{
    // A missing or unreadable skin leaves Qt's own look but for the grids' title rows; a style sheet that
    // does not parse is ignored by Qt.
    QFile skin(m_state.ProgramFolder + QStringLiteral("vorbel.sui"));
    // Installed, the skin lies in the data folder beside bin/: <prefix>/share/vorbel/vorbel.sui.
    if (!skin.exists())
        skin.setFileName(m_state.ProgramFolder + QStringLiteral("../share/vorbel/vorbel.sui"));
    QString sheet;
    if (skin.open(QIODevice::ReadOnly))
        sheet = QString::fromUtf8(skin.readAll()) + QLatin1Char('\n');
    // After the skin: the title rows keep their colours whatever the skin says of headers.
    setStyleSheet(sheet + gridTitleRules());
}

void Tfrmvorbel::buildFrame()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("suiForm1"));
    m_frame->setMouseTracking(true);
    outer->addWidget(m_frame);

    auto* column = new QVBoxLayout(m_frame);
    column->setContentsMargins(1, 1, 1, 1);
    column->setSpacing(0);
    column->addWidget(m_titleBar = new TitleBar(m_frame));
    column->addWidget(m_toolBar = new ToolBar(m_frame));

    auto* views = m_viewArea = new ViewArea(m_frame);
    // The home view measures its texts as it is built, and Qt reads the fonts at the first: the font
    // configuration has to be complete by then. Waits for the store's worker if it is reading it still.
    readFontConfiguration();
    m_home = views->addView(std::make_unique<HomeView>(m_links, nullptr));
    m_results = views->addView(std::make_unique<ResultsView>(nullptr));
    m_favourites = views->addView(std::make_unique<FavouritesView>(nullptr));
    column->addWidget(views, 1);
    buildStatusBar();
    column->addWidget(m_statusBar);

    // The progress panel floats over the views only: a panel of the frame could cover the toolbar and the
    // title bar, whose clicks it would then take.
    m_progress = new ProgressPanel(views);
    m_progress->installEventFilter(this);
    m_bigPanel = new BigPicturePanel(m_frame);
    for (Qt::Edges edges :
         {Qt::Edges(Qt::LeftEdge), Qt::Edges(Qt::RightEdge), Qt::Edges(Qt::TopEdge),
          Qt::Edges(Qt::BottomEdge), Qt::LeftEdge | Qt::TopEdge, Qt::RightEdge | Qt::TopEdge,
          Qt::LeftEdge | Qt::BottomEdge, Qt::RightEdge | Qt::BottomEdge})
        m_grips.push_back(new ResizeGrip(edges, this));
    showView(View::Home);
}

void Tfrmvorbel::buildStatusBar()
{
    m_statusBar = new QStatusBar(m_frame);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setFixedHeight(21);
    m_statusBar->setSizeGripEnabled(false);
    const int widths[] = {400, 150, 0};
    for (int width : widths) {
        auto* panel = new QLabel(m_statusBar);
        panel->setAlignment(Qt::AlignCenter);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (width > 0)
            panel->setFixedWidth(width);
        m_statusBar->addWidget(panel, width > 0 ? 0 : 1);
        m_statusPanels.push_back(panel);
    }
    m_statusPanels[2]->setText(
        QStringLiteral("电子商务联盟：淘宝网、京东商城、亚马逊、当当网、苏宁易购、一号店……"));
}

void Tfrmvorbel::connectCommands()
{
    connect(m_titleBar, &TitleBar::closeClicked, this, &Tfrmvorbel::close);
    connect(m_titleBar, &TitleBar::minimiseClicked, this, &Tfrmvorbel::showMinimized);
    connect(m_titleBar, &TitleBar::maximiseClicked, this,
            [this] { isMaximized() ? showNormal() : showMaximized(); });
    connect(m_toolBar->btn1, &QToolButton::clicked, this, [this] { guarded([this] { btn1Click(); }); });
    connect(m_toolBar->btn9, &QToolButton::clicked, this, &Tfrmvorbel::btn9Click);
    connect(m_toolBar->btn10, &QToolButton::clicked, this, &Tfrmvorbel::btn10Click);
    connect(m_toolBar->btn5, &QToolButton::clicked, this, [this] { openSite(m_links.at(8)); });
    connect(m_toolBar->btn8, &QToolButton::clicked, this, [this] { openSite(m_links.at(9)); });
    connect(m_home, &HomeView::logoClicked, this, [this](int index) { openSite(m_links.at(index)); });
    m_home->installEventFilter(this);
    // Anywhere in the window; the find bars keep Esc for themselves while they have the focus.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &Tfrmvorbel::hideBigPicture);
    watchMouseMovesOver({m_results->pnl1, m_results->pnl3, m_toolBar, m_toolBar->btn1, m_toolBar->btn2,
                         m_toolBar->btn3, m_toolBar->btn5, m_toolBar->btn8, m_toolBar->btn9, m_toolBar->btn10,
                         m_frame, m_titleBar});
}

void Tfrmvorbel::watchMouseMovesOver(const std::vector<QWidget*>& widgets)
{
    for (QWidget* widget : widgets) {
        widget->setMouseTracking(true);
        widget->installEventFilter(this);
    }
}

bool Tfrmvorbel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove)
        hideBigPicture();
    // The views get their size from the layout after the window's own resize: apply the rule again then.
    if (event->type() == QEvent::Resize && watched == m_home)
        FormResize();
    // Placed again at every show, from the view area's size of the moment.
    if (event->type() == QEvent::Show && watched == m_progress)
        placeProgressPanel();
    return QWidget::eventFilter(watched, event);
}

void Tfrmvorbel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(StartSize.width() / 2, StartSize.height() / 2));
    FormShow();
}

void Tfrmvorbel::FormShow()
{
    try {
        runStartup();
    } catch (const std::exception& error) {
        m_startupFailed = true;
        m_startupError = QString::fromUtf8(error.what());
        reportStartupFailure();
        if (!m_search)
            wireFailedStart();
    }
}

void Tfrmvorbel::reportStartupFailure()
{
    m_services.messages.inform(m_startupError, MessageBoxes::Icon::Error);
}

void Tfrmvorbel::wireFailedStart()
{
    // Without the store there is nothing to search into or list; a command that did nothing at all would
    // look like a hung window, so each says again what went wrong.
    connect(m_home, &HomeView::searchClicked, this, &Tfrmvorbel::reportStartupFailure);
    connect(m_home, &HomeView::hotKeywordClicked, this, &Tfrmvorbel::reportStartupFailure);
    connect(m_results->suiButton1, &QPushButton::clicked, this, &Tfrmvorbel::reportStartupFailure);
    connect(m_toolBar->btn2, &QToolButton::clicked, this, &Tfrmvorbel::reportStartupFailure);
    connect(m_toolBar->btn3, &QToolButton::clicked, this, &Tfrmvorbel::reportStartupFailure);
}

void Tfrmvorbel::runStartup()
{
    auto opened = m_storeOpening ? m_storeOpening->take() : Database::open(storeFilePath());
    m_storeOpening.reset();
    if (auto* failure = std::get_if<QString>(&opened))
        throw std::runtime_error(failure->toStdString());
    m_database = std::move(std::get<std::unique_ptr<Database>>(opened));
    m_queries = std::make_unique<StandingQueries>(*m_database);
    openStandingQueries(*m_queries);
    resize(StartSize);

    m_state.PageMode = AppState::Search;
    m_state.ProgramVersion = QStringLiteral("10");
    m_state.LinkCodeA.clear();
    m_state.LinkCodeB.clear();
    m_state.BeforeFirstSearch = true;
    m_state.TempPath = TempFolderPath();
    m_pictureCache = std::make_unique<PictureCache>(m_state.TempPath);
    ensurePictureFolder();
    showView(View::Home);
    setStatusText(searchtext::HomeStatus);
    ensurePictureFolder();
    emptyPreviousResults(*m_queries);
    // The price memory outlives restarts; only its oldest rows go, once a run.
    PriceHistory(*m_database).prune(m_services.clock.now());
    DropAnnouncements(*m_database).prune(m_services.clock.now());

    const SettingsOutcome settings = readOrCreateSettings(*m_queries, m_state);
    wireFeatures();
    FormResize(); // the grids have their columns now
    setWindowTitle(settings.title);
    m_titleBar->setCaption(settings.title);
    if (settings.requestIdentity) {
        m_mmo1 = PageText();
        m_wbwebb->Navigate(serviceUrl(m_services.config.serviceBase, QStringLiteral("/RandomUser.aspx"), {}));
    }
    if (settings.requestVersion)
        requestVersionNotice();
    if (settings.repaired)
        m_services.messages.inform(RepairedSettingsNotice, MessageBoxes::Icon::Warning);
    m_dropNotices->start();
}

void Tfrmvorbel::wireFeatures()
{
    const FeatureParts parts{*m_database, *m_queries,  m_state, *m_pictureCache, *m_downloader,
                             m_services,  *m_progress, *this,   *this,           *m_bigPanel};
    m_search = new SearchCommands(parts, *m_results, *m_home->keywordBox(), *m_wbwebb, this);
    connect(m_home, &HomeView::searchClicked, m_search,
            [this] { guarded([this] { m_search->suiButton4Click(); }); });
    connect(m_home, &HomeView::hotKeywordClicked, m_search,
            [this](const QString& caption) { guarded([&] { m_search->hotKeywordClick(caption); }); });
    m_favouriteCommands = new FavouritesCommands(parts, *m_favourites, *this, this);
    connect(m_toolBar->btn2, &QToolButton::clicked, m_favouriteCommands,
            [this] { guarded([this] { m_favouriteCommands->btn2Click(); }); });
    connect(m_toolBar->btn3, &QToolButton::clicked, m_favouriteCommands,
            [this] { guarded([this] { m_favouriteCommands->btn3Click(); }); });
    m_dropNotices = new DropNotices(parts, *m_favouriteCommands, *this, this);
}

void Tfrmvorbel::requestVersionNotice()
{
    m_loaderForm =
        new Tfrmsc(Tfrmsc::Purpose::VersionNotice, m_services.network, m_state, m_queries->qry2, this);
    m_loaderForm->setErrorReporter(
        [this](const QString& message) { m_services.messages.inform(message, MessageBoxes::Icon::Error); });
    m_loaderForm->show();
    m_loaderForm->WebBrowser1().Navigate(
        serviceUrl(m_services.config.updateBase,
                   QStringLiteral("/Ver/Ver") + m_state.ProgramVersion + QStringLiteral(".html"), {}));
}

void Tfrmvorbel::ensurePictureFolder()
{
    // Without a folder of our own the offers simply show no pictures; searching and the favourites go on,
    // and the user hears of it once a run, not at every page.
    if (m_pictureCache->ensureFolder() || m_pictureFolderReported)
        return;
    m_pictureFolderReported = true;
    m_services.messages.inform(PictureFolderUnusable.arg(m_pictureCache->sharedFolder()),
                               MessageBoxes::Icon::Warning);
}

Tfrmsc* Tfrmvorbel::loaderForm() const
{
    return m_loaderForm.data();
}

void Tfrmvorbel::wbwebbDocumentComplete()
{
    ensurePictureFolder();
    m_mmo1 = m_wbwebb->page();
    if (m_state.PageMode != AppState::Search)
        return;
    // An error page or a page cut short carries no identity: taken as one, it would be kept for good and
    // sent with every request. Without it the next start asks again.
    if (m_wbwebb->errorText().isEmpty())
        applyUserBootstrap(m_mmo1, m_queries->qry2, m_state);
    if (m_search)
        m_search->readPage(m_mmo1, m_wbwebb->errorText());
}

void Tfrmvorbel::guarded(const std::function<void()>& handler)
{
    vorbel::guarded(m_services.messages, handler);
}

QString Tfrmvorbel::statusText(int panel) const
{
    return m_statusPanels.at(panel)->text();
}

void Tfrmvorbel::setStatusText(const QString& text, int panel)
{
    m_statusPanels.at(panel)->setText(text);
}

void Tfrmvorbel::showView(View view)
{
    m_view = view;
    switch (view) {
    case View::Home:
        m_viewArea->showView(m_home);
        break;
    case View::Results:
        m_viewArea->showView(m_results);
        break;
    case View::Favourites:
        m_viewArea->showView(m_favourites);
        break;
    }
}

void Tfrmvorbel::setViewButtons(bool results, bool favourites, bool priceDrops)
{
    m_toolBar->btn1->setEnabled(results);
    m_toolBar->btn2->setEnabled(favourites);
    m_toolBar->btn3->setEnabled(priceDrops);
}

void Tfrmvorbel::btn1Click()
{
    m_state.PageMode = AppState::Search;
    const int rows = m_queries ? m_queries->ADOQuery2.recordCount() : 0;
    setStatusText(rows > 0 ? searchtext::ShownCount.arg(rows) : searchtext::HomeStatus);
    showView(View::Results);
    m_progress->hideBehind();
    setViewButtons(false, true, true);
}

void Tfrmvorbel::btn9Click()
{
    auto* about = new Tfrmabout(this);
    about->show();
}

void Tfrmvorbel::btn10Click()
{
    close();
}

void Tfrmvorbel::hideBigPicture()
{
    m_bigPanel->hidePicture();
}

void Tfrmvorbel::openSite(const SiteLink& link)
{
    openInBrowser(m_services.browser, m_services.messages, link.url);
}

void Tfrmvorbel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (ResizeGrip* grip : m_grips)
        grip->place();
    FormResize();
}

void Tfrmvorbel::FormResize()
{
    const ResizeLayout layout = computeResizeLayout(width(), m_home->size(), m_viewArea->height());
    setColumnWidths(*m_results->DBGridEh1, layout.resultColumns);
    setColumnWidths(*m_favourites->DBGridEh2, layout.favouriteColumns);
    m_home->centrePanel()->move(layout.homePanel);
    m_progress->move(layout.progressPanel);
    m_progress->reset();
}

void Tfrmvorbel::placeProgressPanel()
{
    m_progress->move(computeResizeLayout(width(), m_home->size(), m_viewArea->height()).progressPanel);
}

} // namespace vorbel
