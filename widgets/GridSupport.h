#pragma once

#include <QString>
#include <functional>
#include <span>
#include <utility>

class QAbstractItemModel;
class QObject;
class QTableView;

namespace vorbel {

class Downloader;
class PictureCache;

/// Puts the model in the view with the look both grids share: "宋体" cells of a fixed height, the sky-blue
/// title row in bold "楷体_GB2312" (a GridTitles; its colours come from gridTitleRules()), no editing and
/// no selection colour (the delegates paint the current cell), the designed column widths; Tab leaves the
/// grid instead of walking its cells.
void applyGridLook(QTableView& view, QAbstractItemModel& model, int rowHeight, std::span<const int> widths);

/// Gives columns of the view their widths, (column, width) pairs, exactly: Qt's title row would hold each
/// to a minimum taken from its font, and load that font for it even in a grid never shown. The minimum
/// still limits how narrow the user drags a column.
void setColumnWidths(QTableView& view, std::span<const std::pair<int, int>> widths);

/// The style sheet rules of the grids' sky-blue title rows, for the sheet of the window that holds the
/// grids: the window's one sheet costs Qt's style sheet engine far less than a sheet of each title row's
/// own, which would restyle the row and its grid once more at every change.
QString gridTitleRules();

/// Shows an offer's large picture: fetched into the cache first when it is missing, ahead of the queued
/// small pictures and without blocking the window, with the hourglass until then (also when the fetch is
/// dropped). Nothing happens without a picture address or a usable product id.
void fetchLargePicture(PictureCache& pictures, Downloader& downloader, QObject* context, const QString& dtp,
                       const QString& cph, const std::function<void(const QString& path)>& show);

/// The pointer over a grid: the hand over a clickable cell, else the grid's own cursor. Set on the grid's
/// viewport, so that the boxes, buttons and links elsewhere keep theirs.
void setGridCursor(QTableView& view, bool hand);

} // namespace vorbel
