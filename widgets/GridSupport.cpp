#include "widgets/GridSupport.h"

#include "platform/Downloader.h"
#include "store/PictureCache.h"
#include "widgets/GridTitles.h"
#include "widgets/Look.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTableView>
#include <QUrl>
#include <vector>

namespace vorbel {

void applyGridLook(QTableView& view, QAbstractItemModel& model, int rowHeight, std::span<const int> widths)
{
    // The title row first: the model's columns then reach only the header that keeps its height.
    view.setHorizontalHeader(new GridTitles(22, &view));
    view.setModel(&model);
    view.setFont(look::songTi(15));
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setSelectionMode(QAbstractItemView::NoSelection);
    view.setWordWrap(true);
    // Nothing in a cell is edited, so Tab moving from cell to cell would only trap the keyboard in the grid.
    view.setTabKeyNavigation(false);
    view.verticalHeader()->setDefaultSectionSize(rowHeight);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = view.horizontalHeader();
    header->setFont(look::kaiTi(16, true));
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setObjectName(QStringLiteral("gridTitles"));
    std::vector<std::pair<int, int>> designed;
    for (std::size_t column = 0; column < widths.size(); ++column)
        designed.emplace_back(int(column), widths[column]);
    setColumnWidths(view, designed);
    view.viewport()->setMouseTracking(true);
}

void setColumnWidths(QTableView& view, std::span<const std::pair<int, int>> widths)
{
    QHeaderView* header = view.horizontalHeader();
    // Lifted while the widths are set, then back to following the font (-1).
    header->setMinimumSectionSize(0);
    for (const auto& [column, width] : widths)
        view.setColumnWidth(column, width);
    header->setMinimumSectionSize(-1);
}

QString gridTitleRules()
{
    // By its name, so that no other header takes it, and over any header rule of the skin.
    return QStringLiteral(
        "QHeaderView#gridTitles::section { background: rgb(166,202,240); color: rgb(0,255,255); "
        "border: 0px; border-right: 1px solid rgb(120,150,200); }");
}

namespace {

/// The hourglass over the whole program while a large picture is fetched; it goes with the last copy of
/// the callback that holds it, whether the callback ran or was dropped.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void fetchLargePicture(PictureCache& pictures, Downloader& downloader, QObject* context, const QString& dtp,
                       const QString& cph, const std::function<void(const QString& path)>& show)
{
    const std::optional<QString> path = pictures.largePicturePath(cph);
    if (dtp.isEmpty() || !path)
        return;
    if (QFileInfo::exists(*path)) {
        show(*path);
        return;
    }
    auto wait = std::make_shared<WaitCursor>();
    downloader.download(
        QUrl(dtp), *path, context,
        [show, file = *path, wait](bool, const QString&) {
            // A picture that did not arrive or does not decode shows nothing.
            static_cast<void>(wait);
            show(file);
        },
        Downloader::Priority::First);
}

void setGridCursor(QTableView& view, bool hand)
{
    if (hand)
        view.viewport()->setCursor(Qt::PointingHandCursor);
    else
        view.viewport()->unsetCursor();
}

} // namespace vorbel
