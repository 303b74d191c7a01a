#include "results/ui/GridTools.h"

#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "results/CsvExport.h"
#include "results/ResultGridModel.h"
#include "results/ResultTexts.h"
#include "session/Services.h"
#include "store/Columns.h"
#include "widgets/FindBar.h"

#include <QDir>
#include <QMenu>
#include <QShortcut>
#include <QTableView>

namespace vorbel {

GridTools::GridTools(QTableView& view, const ResultGridModel& model, FindBar& bar, const Services& services,
                     std::function<QString()> suggestedName)
    : QObject(&view), m_view(view), m_model(model), m_bar(bar), m_services(services),
      m_suggestedName(std::move(suggestedName)), m_menu(new QMenu(&view)),
      m_export(m_menu->addAction(resulttext::ExportCommand))
{
    m_menu->setObjectName(view.objectName() + QStringLiteral("Menu"));
    connect(m_export, &QAction::triggered, this,
            [this] { guarded(m_services.messages, [this] { exportRows(); }); });
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&view, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        const QModelIndex index = m_view.indexAt(at);
        m_menuRow = index.isValid() ? index.row() : -1;
        Q_EMIT menuOpening(m_menuRow);
        m_menu->popup(m_view.viewport()->mapToGlobal(at));
    });

    // On the grid only: the bar has its own F3, and the other grid its own Ctrl+F.
    const auto onGrid = [this](QKeySequence keys, auto slot) {
        auto* shortcut = new QShortcut(keys, &m_view, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    onGrid(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { openFind(); });
    onGrid(QKeySequence(Qt::Key_F3), [this] { find(FindDirection::Forward); });
    onGrid(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { find(FindDirection::Back); });
    connect(&bar, &FindBar::findNext, this, [this] { find(FindDirection::Forward); });
    connect(&bar, &FindBar::findPrevious, this, [this] { find(FindDirection::Back); });
    connect(&bar, &FindBar::closed, this, [this] { m_view.setFocus(Qt::OtherFocusReason); });
}

QAction& GridTools::addRowAction(const QString& text, std::function<void(int row)> action)
{
    QAction* entry = m_menu->addAction(text);
    connect(this, &GridTools::menuOpening, entry, [entry](int row) { entry->setEnabled(row >= 0); });
    connect(entry, &QAction::triggered, this, [this, action = std::move(action)] {
        if (m_menuRow >= 0 && m_menuRow < m_model.rowCount())
            guarded(m_services.messages, [&] { action(m_menuRow); });
    });
    return *entry;
}

QList<int> GridTools::shownColumns() const
{
    QList<int> columns;
    for (int column = 0; column < m_model.columnCount(); ++column)
        if (!m_view.isColumnHidden(column))
            columns << column;
    return columns;
}

void GridTools::exportRows()
{
    const std::optional<QString> path =
        m_services.files.saveFileName(resulttext::ExportCaption, m_suggestedName(), resulttext::ExportFilter);
    if (!path)
        return;
    const QString error = writeCsv(*path, gridTable(m_model, shownColumns()));
    if (!error.isEmpty())
        m_services.messages.inform(resulttext::ExportFailed.arg(QDir::toNativeSeparators(*path), error),
                                   MessageBoxes::Icon::Warning);
}

void GridTools::openFind()
{
    m_bar.open();
}

void GridTools::find(FindDirection direction)
{
    // F3 before any text has been typed opens the bar to type it in.
    if (m_bar.isHidden() && m_bar.text().isEmpty()) {
        openFind();
        return;
    }
    if (m_bar.text().isEmpty())
        return;
    m_bar.show(); // where a miss is said; the focus stays where F3 was pressed
    const int current = m_view.currentIndex().isValid() ? m_view.currentIndex().row() : -1;
    const std::optional<int> row = findProductRow(m_model, m_bar.text(), current, direction);
    m_bar.setNote(row ? QString() : resulttext::FindNotFound);
    if (!row)
        return;
    int nameColumn = 0;
    for (int column = 0; column < m_model.columnCount(); ++column)
        if (m_model.field(column) == column::cpmc)
            nameColumn = column;
    const QModelIndex index = m_model.index(*row, nameColumn);
    m_view.setCurrentIndex(index);
    m_view.scrollTo(index);
    m_view.viewport()->update(); // the delegates paint the current row
}

} // namespace vorbel
