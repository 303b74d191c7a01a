#pragma once

#include "results/RowFind.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QTableView;

namespace vorbel {

class FindBar;
class ResultGridModel;
struct Services;

/// What both grids offer besides their cells: the context menu that exports the rows as CSV, and the find
/// bar (Ctrl+F on the grid, F3 and Shift+F3 for the next and previous row whose product name holds the
/// text).
class GridTools : public QObject
{
    Q_OBJECT
public:
    /// suggestedName names the file the save dialog offers, asked at each export.
    GridTools(QTableView& view, const ResultGridModel& model, FindBar& bar, const Services& services,
              std::function<QString()> suggestedName);

    /// Asks for a file and writes the rows the grid shows there, in its order; a failed write says so.
    void exportRows();
    void openFind();
    void find(FindDirection direction);
    /// Adds a menu entry about the row the menu was opened on; it is greyed out beside the rows.
    QAction& addRowAction(const QString& text, std::function<void(int row)> action);
    QMenu& menu() const { return *m_menu; }
    QAction& exportAction() const { return *m_export; }
    /// The row the menu was last opened on; -1 when it was opened beside the rows.
    int menuRow() const { return m_menuRow; }

Q_SIGNALS:
    /// The menu is about to open on a row, or on none (-1).
    void menuOpening(int row);

private:
    QList<int> shownColumns() const;

    QTableView& m_view;
    const ResultGridModel& m_model;
    FindBar& m_bar;
    const Services& m_services;
    std::function<QString()> m_suggestedName;
    QMenu* m_menu;
    QAction* m_export;
    int m_menuRow = -1;
};

} // namespace vorbel
