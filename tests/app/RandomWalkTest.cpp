// A seeded random walk over the main window: a user clicking, typing and resizing in quick succession
// against the reference service, whose latency and faults change every few steps. After every step the
// checks that must hold at any moment run; every few steps, and at the end, the walk waits until nothing
// loads and runs the checks of a quiet window as well.
//
// VORBEL_WALK_SEED repeats a walk (the same commands; the service's timing may still differ),
// VORBEL_WALK_STEPS lengthens it, VORBEL_WALK_KEEP_GOING=1 records every violation and walks on.
#include "testing/EventLoop.h"
#include "testing/WindowHarness.h"
#include "testing/WindowLoads.h"

#include "app/HomeView.h"
#include "app/TitleBar.h"
#include "app/ToolBar.h"
#include "favourites/DropAlerts.h"
#include "favourites/ui/DropNotices.h"
#include "favourites/ui/FavouritesCommands.h"
#include "favourites/ui/FavouritesGrid.h"
#include "favourites/ui/FavouritesView.h"
#include "platform/Downloader.h"
#include "platform/PageLoader.h"
#include "results/ResultGridModel.h"
#include "results/ui/ResultGrid.h"
#include "results/ui/ResultsView.h"
#include "search/HotKeywords.h"
#include "search/ResultFilter.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "service/Pictures.h"
#include "store/Columns.h"
#include "store/Database.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"
#include "widgets/ProgressPanel.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <array>
#include <functional>
#include <random>
#include <vector>

using namespace vorbel;
using vorbel::test::WindowHarness;

namespace {

constexpr quint64 DefaultSeed = 20121209;
constexpr int DefaultSteps = 300;
/// Steps between two quiet checks; the service changes its latency and faults after each of them.
constexpr int QuietEvery = 20;
constexpr int MaxLatencyMs = 150;
/// A deadline for a hang, not a measure of speed.
constexpr int QuietDeadlineMs = 60000;

const QStringList SearchTexts{QStringLiteral("本次搜索结果有"), QStringLiteral("本次筛选结果有"),
                              QStringLiteral("比价搜索结果有")};
const QString FavouritesText = QStringLiteral("您收藏的商品共有");

/// What a user types; a blank keyword among them.
const QStringList TypedWords{QStringLiteral("ipod"),     QStringLiteral("手机"),
                             QStringLiteral("数码相机"), QStringLiteral("nokia 5800"),
                             QStringLiteral("笔记本"),   QStringLiteral("MP3"),
                             QStringLiteral("移动硬盘"), QStringLiteral("  "),
                             QStringLiteral("U盘"),      QStringLiteral("剃须刀")};

const std::array<service::Fault, 8> Faults{
    service::Fault::Http500,         service::Fault::HalfBody,    service::Fault::Drip,
    service::Fault::BadNumber,       service::Fault::HugePicture, service::Fault::CorruptJpeg,
    service::Fault::PictureRedirect, service::Fault::NoTable};

const char* faultName(service::Fault fault)
{
    switch (fault) {
    case service::Fault::Http500:
        return "http500";
    case service::Fault::HalfBody:
        return "half-body";
    case service::Fault::Drip:
        return "drip";
    case service::Fault::BadNumber:
        return "bad-number";
    case service::Fault::HugePicture:
        return "huge-picture";
    case service::Fault::CorruptJpeg:
        return "corrupt-jpeg";
    case service::Fault::PictureRedirect:
        return "picture-redirect";
    case service::Fault::NoTable:
        return "no-table";
    }
    return "?";
}

quint64 environmentNumber(const char* name, quint64 fallback)
{
    bool ok = false;
    const quint64 value = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? value : fallback;
}

/// The grid column that shows a field, or -1 when the grid shows it nowhere.
int columnOf(const ResultGridModel& model, QLatin1String field)
{
    for (int column = 0; column < model.columnCount(); ++column)
        if (model.field(column) == field)
            return column;
    return -1;
}

/// The bytes a whole picture file of the cache may hold: as the service sends it when sound, or under one
/// of its picture faults.
bool isWholePicture(const QString& fileName, const QByteArray& bytes)
{
    const QString stem = fileName.chopped(4);
    const bool large = stem.endsWith(QLatin1String("_dtp"));
    const std::string product = (large ? stem.chopped(4) : stem).toStdString();
    const std::string content = bytes.toStdString();
    return content == service::productJpeg(product, large ? 350 : 100) ||
           content == service::corruptJpeg(stem.toStdString()) ||
           content == service::jpegClaimingSize(20000, 20000);
}

/// Replaces what the box holds, as typed: letters as keys, Chinese words through the input method.
void type(QLineEdit* box, const QString& word)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    bool ascii = true;
    for (QChar character : word)
        ascii = ascii && character.unicode() < 0x80;
    if (ascii) {
        QTest::keyClicks(box, word);
        return;
    }
    QInputMethodEvent composed;
    composed.setCommitString(word);
    QCoreApplication::sendEvent(box, &composed);
}

} // namespace

/// One walk: the window, the service, the random source and the checks.
class Walk
{
public:
    Walk(quint64 seed, int steps, bool keepGoing)
        : m_seed(seed), m_steps(steps), m_keepGoing(keepGoing), m_random(seed),
          m_harness(soundOptions(m_data.path().toStdString()))
    {
        // A desktop with a tray: every start checks for price drops quietly, beside whatever the user does.
        m_harness.notifier().setAvailable(true);
    }

    /// Runs the walk; the violations found, the first one first.
    QStringList run();

private:
    struct Action
    {
        const char* name;
        int weight;
        std::function<bool()> available;
        std::function<QString()> perform; // what was done, for the log
    };

    static service::ServiceOptions soundOptions(const std::string& data)
    {
        service::ServiceOptions options;
        options.dataDir = data; // favourites and offer numbers survive the service's restarts
        options.dripBytes = 512;
        options.dripIntervalMs = 40;
        options.dripLimitMs = 400;
        return options;
    }

    Tfrmvorbel& window() { return m_harness.window(); }
    quint64 draw(quint64 bound) { return bound == 0 ? 0 : m_random() % bound; }

    void fail(const QString& invariant, const QString& detail);
    bool stopped() const { return !m_failures.isEmpty() && !m_keepGoing; }

    bool startWindow();
    void step();
    void pause();
    void changeService();
    std::vector<Action> actions();

    // The commands, each as the user gives it through the window's widgets.
    QString clickHotKeyword();
    QString searchFromHome();
    QString searchFromResults();
    QString clickShopBox();
    QString clickSortTitle();
    QString clickToolButton(QToolButton* button, const char* name);
    QString favouritesThenPriceDrops();
    QString clickResultCell(QLatin1String field);
    QString clickFavouriteCell(QLatin1String field);
    QString resizeWindow();
    QString restartProgram();
    QString letItRun();
    QString checkDropsQuietly();
    QString passADay();
    QString clickNotification();
    bool clickCell(QTableView& view, int row, int column);

    // What loads right now.
    bool loadingForPanel();
    QString busyParts();

    // The checks of any moment.
    void checkAnyMoment();
    void checkPanelIdle();
    void checkPanelClearOfBars();
    void checkStatusOfView();
    void checkCache(bool quiet);
    // The checks of a quiet window.
    bool waitForQuiet();
    void checkQuiet();
    void checkFile();
    void checkStatusCount();
    void checkCursor();
    void checkSoundLoadPictures();

    const quint64 m_seed;
    const int m_steps;
    const bool m_keepGoing;
    std::mt19937_64 m_random;
    QTemporaryDir m_data;
    WindowHarness m_harness;
    service::ServiceOptions m_options;
    int m_step = 0;
    QStringList m_failures;
    QMap<QString, int> m_violations;    // by invariant
    QMap<QString, qint64> m_wholeFiles; // cache files found whole, with their size
    /// Whether the latest load of each grid ran against a service without faults and restarts.
    bool m_resultsSound = false;
    bool m_favouritesSound = false;
};

void Walk::fail(const QString& invariant, const QString& detail)
{
    const QString text =
        QStringLiteral("VORBEL_WALK_SEED=%1 step %2: %3: %4").arg(m_seed).arg(m_step).arg(invariant, detail);
    ++m_violations[invariant];
    qWarning().noquote() << text;
    m_failures << text;
}

QStringList Walk::run()
{
    qInfo().noquote() << QStringLiteral("random walk: VORBEL_WALK_SEED=%1 VORBEL_WALK_STEPS=%2%3")
                             .arg(m_seed)
                             .arg(m_steps)
                             .arg(m_keepGoing ? QStringLiteral(" (keeping going)") : QString());
    if (!startWindow())
        return m_failures;
    QElapsedTimer timer;
    timer.start();
    for (m_step = 1; m_step <= m_steps && !stopped(); ++m_step) {
        step();
        if (stopped())
            break;
        if (m_step % QuietEvery == 0 || m_step == m_steps) {
            checkQuiet();
            if (m_step != m_steps && !stopped())
                changeService();
        }
    }
    qInfo().noquote() << QStringLiteral("random walk: %1 steps in %2 s, %3 violations")
                             .arg(std::min(m_step, m_steps))
                             .arg(double(timer.elapsed()) / 1000.0, 0, 'f', 1)
                             .arg(m_failures.size());
    for (auto found = m_violations.cbegin(); found != m_violations.cend(); ++found)
        qInfo().noquote() << QStringLiteral("  %1: %2 times").arg(found.key()).arg(found.value());
    return m_failures;
}

bool Walk::startWindow()
{
    Tfrmvorbel& opened = m_harness.open();
    const bool started = vorbel::test::waitUntil(
        [&] {
            return opened.search() && !opened.state().UserId.isEmpty() && !opened.state().LinkCodeA.isEmpty();
        },
        QuietDeadlineMs);
    if (!started) {
        fail(QStringLiteral("start-up"), QStringLiteral("no identity or link codes"));
        return false;
    }
    m_options = soundOptions(m_data.path().toStdString());
    return waitForQuiet();
}

void Walk::changeService()
{
    service::ServiceOptions options = soundOptions(m_data.path().toStdString());
    options.latencyMs = int(draw(MaxLatencyMs + 1));
    QString faults = QStringLiteral("none");
    if (draw(5) >= 2) {
        const service::Fault fault = Faults[std::size_t(draw(Faults.size()))];
        options.faults = {fault};
        faults = QString::fromLatin1(faultName(fault));
    }
    qInfo().noquote()
        << QStringLiteral("  service: latency %1 ms, fault %2").arg(options.latencyMs).arg(faults);
    m_options = options;
    if (!m_harness.reconfigureService(options))
        fail(QStringLiteral("service restart"), QStringLiteral("the port could not be bound again"));
    // Whatever the grids hold now was fetched before this restart.
}

void Walk::step()
{
    // The same number of draws every step, whatever the window's state, so a seed repeats its commands.
    const quint64 choice = m_random();
    std::vector<Action> all = actions();
    int total = 0;
    for (const Action& action : all)
        if (action.available())
            total += action.weight;
    QString done = QStringLiteral("nothing to do");
    if (total > 0) {
        int pick = int(choice % quint64(total));
        for (const Action& action : all) {
            if (!action.available())
                continue;
            if (pick < action.weight) {
                done = QString::fromLatin1(action.name) + QLatin1Char(' ') + action.perform();
                break;
            }
            pick -= action.weight;
        }
    }
    qInfo().noquote() << QStringLiteral("step %1: %2").arg(m_step).arg(done.trimmed());
    pause();
    checkAnyMoment();
}

void Walk::pause()
{
    // The user's pause between two commands: often none, so that commands overlap.
    const quint64 kind = draw(3);
    if (kind == 0)
        QCoreApplication::processEvents();
    else
        vorbel::test::settle(int(draw(kind == 1 ? 30 : 150)));
}

std::vector<Walk::Action> Walk::actions()
{
    auto resultsShown = [this] { return window().resultsView().isVisible(); };
    auto favouritesShown = [this] { return window().favouritesView().isVisible(); };
    auto homeShown = [this] { return window().homeView().isVisible(); };
    auto hasResults = [this, resultsShown] {
        return resultsShown() && window().search()->grid().model().rowCount() > 0;
    };
    auto hasFavourites = [this, favouritesShown] {
        return favouritesShown() && window().favourites()->grid().model().rowCount() > 0;
    };
    auto enabled = [this](QToolButton* ToolBar::*button) {
        return [this, button] { return (window().toolBar().*button)->isEnabled(); };
    };
    auto always = [] { return true; };
    ToolBar& bar = window().toolBar();
    return {
        {"hot keyword", 12, homeShown, [this] { return clickHotKeyword(); }},
        {"home search", 4, homeShown, [this] { return searchFromHome(); }},
        {"typed search", 14, resultsShown, [this] { return searchFromResults(); }},
        {"shop box", 6, resultsShown, [this] { return clickShopBox(); }},
        {"sort title", 5, hasResults, [this] { return clickSortTitle(); }},
        {"btn1", 6, enabled(&ToolBar::btn1), [this, &bar] { return clickToolButton(bar.btn1, "比价结果"); }},
        {"btn2", 5, enabled(&ToolBar::btn2),
         [this, &bar] { return clickToolButton(bar.btn2, "商品收藏夹"); }},
        {"btn3", 4, enabled(&ToolBar::btn3), [this, &bar] { return clickToolButton(bar.btn3, "降价通知"); }},
        {"btn2+btn3", 3, always, [this] { return favouritesThenPriceDrops(); }},
        {"collect", 12, hasResults, [this] { return clickResultCell(column::check); }},
        {"result picture", 5, hasResults, [this] { return clickResultCell(column::bz1); }},
        {"result shop page", 2, hasResults, [this] { return clickResultCell(column::cpmc); }},
        {"delete favourite", 5, hasFavourites, [this] { return clickFavouriteCell(column::bz2); }},
        {"favourite picture", 4, hasFavourites, [this] { return clickFavouriteCell(column::bz1); }},
        {"favourite shop page", 1, hasFavourites, [this] { return clickFavouriteCell(column::cpmc); }},
        {"resize", 4, always, [this] { return resizeWindow(); }},
        {"restart", 1, always, [this] { return restartProgram(); }},
        {"wait", 3, always, [this] { return letItRun(); }},
        {"price chart", 3, hasResults, [this] { return clickResultCell(column::jg); }},
        {"favourite chart", 2, hasFavourites, [this] { return clickFavouriteCell(column::gxjg); }},
        {"quiet drop check", 3, always, [this] { return checkDropsQuietly(); }},
        {"a day passes", 2, always, [this] { return passADay(); }},
        {"notification click", 2, [this] { return !m_harness.notifier().shown().isEmpty(); },
         [this] { return clickNotification(); }},
    };
}

QString Walk::clickHotKeyword()
{
    const QString name = QString::fromLatin1(HotKeywords[std::size_t(draw(HotKeywords.size()))].name);
    auto* label = window().homeView().findChild<QLabel*>(name);
    if (!label) {
        fail(QStringLiteral("walk"), QStringLiteral("no hot keyword %1").arg(name));
        return name;
    }
    const QString caption = label->text();
    m_resultsSound = m_options.faults.empty();
    QTest::mouseClick(label, Qt::LeftButton);
    return name + QLatin1Char(' ') + caption;
}

QString Walk::searchFromHome()
{
    const QString word = TypedWords.at(qsizetype(draw(quint64(TypedWords.size()))));
    QLineEdit* box = window().homeView().keywordBox();
    type(box, word);
    auto* button = window().homeView().findChild<QPushButton*>(QStringLiteral("suiButton4"));
    if (!button) {
        fail(QStringLiteral("walk"), QStringLiteral("no suiButton4"));
        return word;
    }
    m_resultsSound = m_options.faults.empty();
    QTest::mouseClick(button, Qt::LeftButton);
    return QLatin1Char('\'') + word + QLatin1Char('\'');
}

QString Walk::searchFromResults()
{
    const QString word = TypedWords.at(qsizetype(draw(quint64(TypedWords.size()))));
    ResultsView& view = window().resultsView();
    type(view.Edt_word, word);
    m_resultsSound = m_options.faults.empty();
    QTest::mouseClick(view.suiButton1, Qt::LeftButton);
    return QLatin1Char('\'') + word + QLatin1Char('\'');
}

QString Walk::clickShopBox()
{
    const std::size_t index = std::size_t(draw(8));
    QCheckBox* box = window().resultsView().shopBoxes[index];
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    const bool before = box->isChecked();
    QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
    if (box->isChecked() == before)
        fail(QStringLiteral("walk"), QStringLiteral("the click missed shop box %1").arg(index));
    return QStringLiteral("%1 '%2' -> %3").arg(index).arg(box->text()).arg(box->isChecked() ? "on" : "off");
}

QString Walk::clickSortTitle()
{
    const ResultGridModel& model = window().search()->grid().model();
    const quint64 which = draw(5);
    // Mostly the two sorting titles, now and then another one.
    const int section = which < 2   ? columnOf(model, column::jg)
                        : which < 4 ? columnOf(model, column::rc)
                                    : int(draw(quint64(model.columnCount())));
    QHeaderView* header = window().resultsView().DBGridEh1->horizontalHeader();
    if (section < 0 || header->sectionSize(section) < 4)
        return QStringLiteral("(no title)");
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                    header->height() / 2);
    if (!header->viewport()->rect().contains(at))
        return QStringLiteral("(title %1 out of sight)").arg(section);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    return model.field(section);
}

QString Walk::clickToolButton(QToolButton* button, const char* name)
{
    if (button == window().toolBar().btn2 || button == window().toolBar().btn3)
        m_favouritesSound = m_options.faults.empty();
    QTest::mouseClick(button, Qt::LeftButton);
    return QString::fromUtf8(name);
}

QString Walk::favouritesThenPriceDrops()
{
    // Both lists in quick succession, in either order, as far as their buttons let.
    ToolBar& bar = window().toolBar();
    const bool dropsFirst = draw(2) == 1;
    QToolButton* first = dropsFirst ? bar.btn3 : bar.btn2;
    QToolButton* second = dropsFirst ? bar.btn2 : bar.btn3;
    QString done;
    for (QToolButton* button : {first, second}) {
        if (!button->isEnabled())
            continue;
        m_favouritesSound = m_options.faults.empty();
        QTest::mouseClick(button, Qt::LeftButton);
        done += button == bar.btn2 ? QStringLiteral("收藏夹 ") : QStringLiteral("降价通知 ");
        QCoreApplication::processEvents();
    }
    return done;
}

bool Walk::clickCell(QTableView& view, int row, int column)
{
    if (column < 0 || view.isColumnHidden(column) || view.columnWidth(column) < 4)
        return false;
    const QModelIndex index = view.model()->index(row, column);
    view.scrollTo(index);
    const QRect cell = view.visualRect(index).intersected(view.viewport()->rect());
    if (cell.width() < 2 || cell.height() < 2)
        return false;
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
    return true;
}

QString Walk::clickResultCell(QLatin1String field)
{
    ResultGrid& grid = window().search()->grid();
    const int row = int(draw(quint64(grid.model().rowCount())));
    QTableView& view = *window().resultsView().DBGridEh1;
    const int column = columnOf(grid.model(), field);
    const QModelIndex index = grid.model().index(row, column);
    view.scrollTo(index);
    // The pointer comes to the cell before it clicks; the large picture stands where it is.
    grid.DBGridEh1MouseMove(view.visualRect(index).center());
    if (!clickCell(view, row, column))
        return QStringLiteral("(row %1 out of sight)").arg(row);
    return QStringLiteral("row %1").arg(row);
}

QString Walk::clickFavouriteCell(QLatin1String field)
{
    FavouritesGrid& grid = window().favourites()->grid();
    const int row = int(draw(quint64(grid.model().rowCount())));
    const bool answer = draw(3) != 0;
    QTableView& view = *window().favouritesView().DBGridEh2;
    const int column = columnOf(grid.model(), field);
    const QModelIndex index = grid.model().index(row, column);
    view.scrollTo(index);
    grid.DBGridEh2MouseMove(view.visualRect(index).center());
    // A delete asks first; the script answers that one question and no later one.
    const bool asks = field == column::bz2 && !grid.model().text(row, column::ufid).trimmed().isEmpty();
    if (asks)
        m_harness.messages().answerNext(answer);
    if (!clickCell(view, row, column)) {
        if (asks)
            m_harness.messages().answerNext(true); // harmless: OK is the answer when none is scripted
        return QStringLiteral("(row %1 out of sight)").arg(row);
    }
    return QStringLiteral("row %1%2").arg(row).arg(asks ? (answer ? " yes" : " no") : "");
}

QString Walk::resizeWindow()
{
    const QSize size(820 + int(draw(581)), 580 + int(draw(321)));
    window().resize(size);
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

QString Walk::restartProgram()
{
    // The program ends in the middle of whatever it does, and starts again on the same file. The cursor
    // belongs to the process, which a real restart would end with it.
    m_harness.open();
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    m_resultsSound = false;
    m_favouritesSound = false;
    m_wholeFiles.clear();
    return {};
}

QString Walk::letItRun()
{
    vorbel::test::settle(int(200 + draw(400)));
    return {};
}

QString Walk::checkDropsQuietly()
{
    // The hourly check, brought forward: it must leave every view, panel and list as it finds them.
    window().dropNotices()->alerts().check();
    return QStringLiteral("%1 notifications so far").arg(m_harness.notifier().shown().size());
}

QString Walk::passADay()
{
    m_harness.m_serviceNow += 24 * 3600;
    return {};
}

QString Walk::clickNotification()
{
    m_favouritesSound = m_options.faults.empty();
    m_harness.notifier().click();
    return m_harness.notifier().shown().back().first;
}

bool Walk::loadingForPanel()
{
    Tfrmvorbel& w = window();
    return test::somethingLoads(w);
}

QString Walk::busyParts()
{
    Tfrmvorbel& w = window();
    QStringList busy;
    if (w.search() && w.search()->reader().isReading())
        busy << QStringLiteral("the search reader");
    if (w.favourites() && w.favourites()->isLoading())
        busy << QStringLiteral("the favourites");
    if (w.downloader().pending() > 0)
        busy << QStringLiteral("%1 downloads").arg(w.downloader().pending());
    for (const PageLoader* loader : w.findChildren<PageLoader*>())
        if (loader->isLoading())
            busy << QStringLiteral("page loader %1 (%2)").arg(loader->objectName(), loader->url().path());
    return busy.join(QStringLiteral(", "));
}

void Walk::checkAnyMoment()
{
    checkPanelIdle();
    checkPanelClearOfBars();
    checkStatusOfView();
    checkCache(false);
}

void Walk::checkPanelIdle()
{
    if (window().progressPanel().isVisible() && !loadingForPanel())
        fail(QStringLiteral("progress panel idle"),
             QStringLiteral("the progress panel '%1' is shown while nothing loads")
                 .arg(window().progressPanel().text().trimmed()));
}

void Walk::checkPanelClearOfBars()
{
    Tfrmvorbel& w = window();
    const ProgressPanel& panel = w.progressPanel();
    if (!panel.isVisible())
        return;
    const QRect shown(panel.mapTo(&w, QPoint(0, 0)), panel.size());
    const QWidget* bars[] = {&w.toolBar(), &w.titleBar()};
    for (const QWidget* bar : bars) {
        const QRect barRect(bar->mapTo(&w, QPoint(0, 0)), bar->size());
        if (shown.intersects(barRect))
            fail(QStringLiteral("toolbar reachable"),
                 QStringLiteral("the progress panel at (%1,%2 %3x%4) covers %5 at (%6,%7 %8x%9)")
                     .arg(shown.x())
                     .arg(shown.y())
                     .arg(shown.width())
                     .arg(shown.height())
                     .arg(bar->objectName())
                     .arg(barRect.x())
                     .arg(barRect.y())
                     .arg(barRect.width())
                     .arg(barRect.height()));
    }
}

void Walk::checkStatusOfView()
{
    Tfrmvorbel& w = window();
    const QString status = w.statusText();
    if (w.favouritesView().isVisible()) {
        for (const QString& text : SearchTexts)
            if (status.startsWith(text))
                fail(QStringLiteral("status of the view"),
                     QStringLiteral("status text '%1' while the favourites view is shown").arg(status));
    } else if (w.resultsView().isVisible()) {
        if (status.startsWith(FavouritesText))
            fail(QStringLiteral("status of the view"),
                 QStringLiteral("status text '%1' while the results view is shown").arg(status));
    }
}

void Walk::checkCache(bool quiet)
{
    const QDir folder(window().pictureCache().folder());
    const bool downloading = window().downloader().pending() > 0;
    for (const QFileInfo& file : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString name = file.fileName();
        if (!name.endsWith(QLatin1String(".jpg"))) {
            // A download in flight writes under a temporary name; none may stay behind.
            if (quiet || !downloading)
                fail(QStringLiteral("cache whole"),
                     QStringLiteral("'%1' (%2 bytes) in the picture cache while no download runs")
                         .arg(name)
                         .arg(file.size()));
            continue;
        }
        if (m_wholeFiles.value(name, -1) == file.size())
            continue;
        QFile content(file.filePath());
        if (!content.open(QIODevice::ReadOnly)) {
            fail(QStringLiteral("cache whole"), QStringLiteral("'%1' does not open").arg(name));
            continue;
        }
        if (!isWholePicture(name, content.readAll())) {
            fail(QStringLiteral("cache whole"),
                 QStringLiteral("'%1' (%2 bytes) is not a picture the service sent whole")
                     .arg(name)
                     .arg(file.size()));
            continue;
        }
        m_wholeFiles.insert(name, file.size());
    }
}

bool Walk::waitForQuiet()
{
    auto quiet = [this] {
        Tfrmvorbel& w = window();
        if (!w.search() || !w.favourites() || w.search()->reader().isReading() ||
            w.favourites()->isLoading() || w.downloader().pending() > 0)
            return false;
        for (const PageLoader* loader : w.findChildren<PageLoader*>())
            if (loader->isLoading())
                return false;
        return true;
    };
    if (!vorbel::test::waitUntil(quiet, QuietDeadlineMs)) {
        fail(QStringLiteral("quiet"),
             QStringLiteral("still busy after %1 s: %2").arg(QuietDeadlineMs / 1000).arg(busyParts()));
        return false;
    }
    // Let what the last answers queued run before looking.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return true;
}

void Walk::checkQuiet()
{
    if (!waitForQuiet()) {
        // What is still under way may hold anything; the rest of the quiet checks would only guess.
        m_resultsSound = m_favouritesSound = false;
        return;
    }
    checkPanelIdle();
    checkPanelClearOfBars();
    checkStatusOfView();
    checkCache(true);
    checkFile();
    checkStatusCount();
    checkCursor();
    checkSoundLoadPictures();
    m_harness.messages().clear();
    // The next walk section runs against another service; what the grids hold now stays as it is.
    m_resultsSound = m_favouritesSound = false;
}

void Walk::checkFile()
{
    Tfrmvorbel& w = window();
    auto opened = Database::open(m_harness.path(QString::fromLatin1(Database::FileName)));
    if (!std::holds_alternative<std::unique_ptr<Database>>(opened)) {
        fail(QStringLiteral("file sound"),
             QStringLiteral("a second connection cannot open the file: %1").arg(std::get<QString>(opened)));
        return;
    }
    Database& db = *std::get<std::unique_ptr<Database>>(opened);
    try {
        const QString integrity =
            db.select(QStringLiteral("PRAGMA integrity_check")).rows.at(0).at(0).toString();
        if (integrity != QLatin1String("ok"))
            fail(QStringLiteral("file sound"), QStringLiteral("integrity_check: %1").arg(integrity));

        ShopBoxes ticked{};
        for (std::size_t i = 0; i < ticked.size(); ++i)
            ticked[i] = w.resultsView().shopBoxes[i]->isChecked();
        const QString filter = filterStatement(ticked);
        const int stored =
            db.select(QStringLiteral("select count(*) from (%1)").arg(filter)).rows.at(0).at(0).toInt();
        const int shown = w.search()->grid().model().rowCount();
        const int snapshot = w.queries()->ADOQuery2.recordCount();
        if (shown != snapshot || shown != stored)
            fail(QStringLiteral("result grid rows"),
                 QStringLiteral("the result grid shows %1 rows, its query holds %2, the file %3 for '%4'")
                     .arg(shown)
                     .arg(snapshot)
                     .arg(stored)
                     .arg(filter));

        const int favourites =
            db.select(QStringLiteral("select count(*) from scnr")).rows.at(0).at(0).toInt();
        const int listed = w.favourites()->grid().model().rowCount();
        const int held = w.queries()->ADOQuery3.recordCount();
        if (listed != held || listed != favourites)
            fail(QStringLiteral("favourites grid rows"),
                 QStringLiteral("the favourites grid shows %1 rows, its query holds %2, scnr %3")
                     .arg(listed)
                     .arg(held)
                     .arg(favourites));
        // Every favourite the service lists has its own id; a row without one is not counted here.
        const QVariantList ids =
            db.select(QStringLiteral("select count(ufid), count(distinct ufid) from scnr")).rows.at(0);
        if (ids.at(0).toInt() != ids.at(1).toInt())
            fail(QStringLiteral("favourites once"), QStringLiteral("scnr holds %1 rows of %2 favourites")
                                                        .arg(ids.at(0).toInt())
                                                        .arg(ids.at(1).toInt()));
    } catch (const std::exception& error) {
        fail(QStringLiteral("file sound"), QString::fromUtf8(error.what()));
    }
}

void Walk::checkStatusCount()
{
    // A count in the status line is the count of the rows the visible grid shows; a search's end counts
    // the rows it stored.
    Tfrmvorbel& w = window();
    static const QRegularExpression counted(QStringLiteral("^(\\S+?)(降价通知)?: (\\d+) 条记录$"));
    const QString status = w.statusText();
    const QRegularExpressionMatch match = counted.match(status);
    if (!match.hasMatch())
        return;
    const int count = match.captured(3).toInt();
    int rows = -1;
    if (w.resultsView().isVisible() && match.captured(1) == SearchTexts.at(0))
        // A search's end counts what it stored, whatever the shop boxes let through.
        rows = w.database()->select(QStringLiteral("select count(*) from cxnr")).rows.at(0).at(0).toInt();
    else if (w.resultsView().isVisible() && SearchTexts.contains(match.captured(1)))
        rows = w.search()->grid().model().rowCount();
    else if (w.favouritesView().isVisible() && match.captured(1) == FavouritesText)
        rows = w.favourites()->grid().model().rowCount();
    if (rows >= 0 && rows != count)
        fail(QStringLiteral("status count"),
             QStringLiteral("status text '%1' over a grid of %2 rows").arg(status).arg(rows));
}

void Walk::checkCursor()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    if (cursor && cursor->shape() == Qt::WaitCursor)
        fail(QStringLiteral("cursor"), QStringLiteral("the wait cursor stays while nothing loads"));
}

void Walk::checkSoundLoadPictures()
{
    // A list that loaded from a sound service, with nothing restarting it, has every small picture.
    Tfrmvorbel& w = window();
    auto check = [&](const ResultGridModel& model, const char* grid) {
        for (int row = 0; row < model.rowCount(); ++row) {
            const std::optional<QString> file =
                w.pictureCache().smallPicturePath(model.text(row, column::cph));
            if (file && !QFileInfo::exists(*file)) {
                fail(QStringLiteral("pictures of a sound load"),
                     QStringLiteral("%1 row %2: no picture %3 in the cache")
                         .arg(QString::fromLatin1(grid))
                         .arg(row)
                         .arg(QFileInfo(*file).fileName()));
                return;
            }
        }
    };
    if (m_resultsSound)
        check(w.search()->grid().model(), "result grid");
    if (m_favouritesSound)
        check(w.favourites()->grid().model(), "favourites grid");
}

class RandomWalkTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walkThroughTheWindow();
};

void RandomWalkTest::walkThroughTheWindow()
{
    const quint64 seed = environmentNumber("VORBEL_WALK_SEED", DefaultSeed);
    const int steps = int(environmentNumber("VORBEL_WALK_STEPS", DefaultSteps));
    const bool keepGoing = qEnvironmentVariableIntValue("VORBEL_WALK_KEEP_GOING") != 0;
    Walk walk(seed, steps, keepGoing);
    const QStringList failures = walk.run();
    if (!failures.isEmpty())
        QFAIL(qPrintable(failures.first() + (failures.size() > 1
                                                 ? QStringLiteral(" (and %1 more)").arg(failures.size() - 1)
                                                 : QString())));
}

QTEST_MAIN(RandomWalkTest)
#include "RandomWalkTest.moc"
