#pragma once

#include <QWidget>
#include <memory>
#include <vector>

class QGridLayout;

namespace vorbel {

/// The area under the toolbar where the window's views lie one over another, one shown at a time; the
/// panels that float over the views are its children too. A view joins the area the first time it is
/// shown: until then it is no child of the window, so the window's first show styles, polishes and lays
/// out only the view it shows, and a view the user never asks for costs no more than its building.
class ViewArea : public QWidget
{
public:
    explicit ViewArea(QWidget* parent);
    ~ViewArea() override;

    /// Takes a view built without a parent; it waits outside the area, hidden, until first shown.
    template <class View> View* addView(std::unique_ptr<View> view)
    {
        View* added = view.get();
        m_views.push_back(added);
        m_waiting.push_back(std::move(view));
        return added;
    }
    /// Shows `view`, one of the views added, and hides the others.
    void showView(QWidget* view);

private:
    void join(QWidget* view);

    QGridLayout* m_layout;
    std::vector<QWidget*> m_views;
    std::vector<std::unique_ptr<QWidget>> m_waiting;
};

} // namespace vorbel
