#pragma once

#include <QTableView>

namespace vorbel {

/// Work a table's paint brackets: begun before its cells are painted, ended after them, in the same paint.
class PaintPasses
{
public:
    virtual ~PaintPasses() = default;
    /// Before the cells of the viewport's region are painted: may start work they will want (on another
    /// thread).
    virtual void beforeCells(const QRegion& region) = 0;
    /// After the cells, still inside the paint: paints onto the viewport what the cells put off.
    virtual void afterCells(QWidget& viewport) = 0;
};

/// A table view whose paints are bracketed by a PaintPasses.
class PaintPassesTableView : public QTableView
{
    Q_OBJECT
public:
    using QTableView::QTableView;
    /// The passes, or none; not owned.
    void setPaintPasses(PaintPasses* passes) { m_passes = passes; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PaintPasses* m_passes = nullptr;
};

} // namespace vorbel
