#include "widgets/GridSupport.h"

#include "platform/Downloader.h"
#include "store/PictureCache.h"
#include "widgets/Look.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTableView>
#include <QUrl>

namespace vorbel {

void applyGridLook(QTableView& view, int rowHeight, std::span<const int> widths)
{
    view.setFont(look::songTi(15));
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setSelectionMode(QAbstractItemView::NoSelection);
    view.setWordWrap(true);
    view.verticalHeader()->setDefaultSectionSize(rowHeight);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = view.horizontalHeader();
    header->setFixedHeight(22);
    header->setFont(look::kaiTi(16, true));
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setStyleSheet(
        QStringLiteral("QHeaderView::section { background: rgb(166,202,240); color: rgb(0,255,255); "
                       "border: 0px; border-right: 1px solid rgb(120,150,200); }"));
    for (std::size_t column = 0; column < widths.size(); ++column)
        view.setColumnWidth(int(column), widths[column]);
    view.viewport()->setMouseTracking(true);
}

void fetchLargePicture(PictureCache& pictures, Downloader& downloader, QObject* context, const QString& dtp,
                       const QString& cph, const std::function<void(const QString& path)>& show)
{
    const std::optional<QString> path = pictures.largePicturePath(cph);
    if (dtp.isEmpty() || !path)
        return;
    setApplicationCursor(Qt::WaitCursor);
    const auto showAndRestore = [show, file = *path](bool, const QString&) {
        // A picture that did not arrive or does not decode shows nothing; the cursor comes back either way.
        show(file);
        setApplicationCursor(Qt::ArrowCursor);
    };
    if (QFileInfo::exists(*path))
        showAndRestore(true, {});
    else
        downloader.download(QUrl(dtp), *path, context, showAndRestore);
}

void setApplicationCursor(Qt::CursorShape shape)
{
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(QCursor(shape));
    else
        QGuiApplication::setOverrideCursor(QCursor(shape));
}

} // namespace vorbel
