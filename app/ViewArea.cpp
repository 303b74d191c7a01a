#include "app/ViewArea.h"

#include <QGridLayout>
#include <algorithm>

namespace vorbel {

ViewArea::ViewArea(QWidget* parent) : QWidget(parent), m_layout(new QGridLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
}

// The views that never joined go with the area, as the joined ones do.
ViewArea::~ViewArea() = default;

void ViewArea::showView(QWidget* view)
{
    join(view);
    // Hiding a view that waits outside the area changes nothing: it has never been shown.
    for (QWidget* each : m_views) {
        if (each != view)
            each->hide();
    }
    view->show();
}

void ViewArea::join(QWidget* view)
{
    const auto waiting =
        std::find_if(m_waiting.begin(), m_waiting.end(),
                     [view](const std::unique_ptr<QWidget>& each) { return each.get() == view; });
    if (waiting == m_waiting.end())
        return;
    // Hidden first, so that the layout does not show it on its own before the caller does.
    view->hide();
    m_layout->addWidget(waiting->release(), 0, 0);
    m_waiting.erase(waiting);
    // Below the floating panels, which were made before it joined.
    view->lower();
}

} // namespace vorbel
