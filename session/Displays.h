#pragma once

#include <QString>

class QImage;

namespace vorbel {

/// The three views of the main window's stack.
enum class View
{
    Home,      ///< pan03: keyword box, hot keywords, shop logos
    Results,   ///< pan01: the result grid with its search and filter bars
    Favourites ///< pan02: the favourites grid
};

/// The floating progress panel the window's views share.
class ProgressDisplay
{
public:
    virtual void setPosition(int position) = 0;
    virtual void setText(const QString& text) = 0;
    /// Shows the panel above the views and paints it at once.
    virtual void showOnTop() = 0;
    virtual void hideBehind() = 0;

protected:
    ~ProgressDisplay() = default;
};

/// The first panel of the window's status bar.
class StatusLine
{
public:
    virtual QString statusText() const = 0;
    virtual void setStatusText(const QString& text) = 0;

protected:
    ~StatusLine() = default;
};

/// Switches the shown view and enables the toolbar's view buttons.
class ViewSwitcher
{
public:
    virtual void showView(View view) = 0;
    virtual View currentView() const = 0;
    /// btn1 (results), btn2 (favourites) and btn3 (price drops) enabled as given.
    virtual void setViewButtons(bool results, bool favourites, bool priceDrops) = 0;

protected:
    ~ViewSwitcher() = default;
};

/// The floating large picture over the grids.
class PictureDisplay
{
public:
    /// Shows the picture with its top at the given height of the window; a null picture shows nothing.
    virtual void showPicture(const QImage& picture, int top) = 0;
    virtual void hidePicture() = 0;

protected:
    ~PictureDisplay() = default;
};

} // namespace vorbel
