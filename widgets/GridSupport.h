#pragma once

#include <QString>
#include <functional>
#include <span>

class QObject;
class QTableView;

namespace vorbel {

class Downloader;
class PictureCache;

/// The look both grids share: "宋体" cells of a fixed height, the sky-blue title row in bold "楷体_GB2312",
/// no editing and no selection colour (the delegates paint the current cell), the designed column widths.
void applyGridLook(QTableView& view, int rowHeight, std::span<const int> widths);

/// Shows an offer's large picture: fetched into the cache first when it is missing, without blocking the
/// window, with the hourglass until then. Nothing happens without a picture address or a usable product id.
void fetchLargePicture(PictureCache& pictures, Downloader& downloader, QObject* context, const QString& dtp,
                       const QString& cph, const std::function<void(const QString& path)>& show);

/// Sets the application-wide cursor, replacing the one set before; it stays until set again.
void setApplicationCursor(Qt::CursorShape shape);

} // namespace vorbel
