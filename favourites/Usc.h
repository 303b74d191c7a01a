#pragma once

#include "platform/PageText.h"

#include <QWidget>
#include <functional>

class QNetworkAccessManager;

namespace vorbel {

class PageLoader;
class StandingQuery;
struct AppState;

/// The loader form `frmsc`: an off-screen form with its own page loader `WebBrowser1` and page text
/// `Memo1`, created per use for the favourites pages and the version notice page.
class Tfrmsc : public QWidget
{
    Q_OBJECT
public:
    /// Reads a favourites or price-drop page (page mode 2 or 3) and closes the form when it is done,
    /// which may be after the page's pictures have arrived.
    using FavouritesHandler = std::function<void(Tfrmsc&)>;
    /// Shows the message of an error that ended the page handling.
    using ErrorReporter = std::function<void(const QString&)>;

    Tfrmsc(QNetworkAccessManager& network, AppState& state, StandingQuery& settings, QWidget* parent);

    void setFavouritesHandler(FavouritesHandler handler) { m_favouritesHandler = std::move(handler); }
    void setErrorReporter(ErrorReporter reporter) { m_reportError = std::move(reporter); }
    PageLoader& WebBrowser1() const { return *m_browser; }
    const PageText& Memo1() const { return m_memo; }
    void clearMemo() { m_memo = PageText(); }

    /// Destroyed after a recognised favourites page, otherwise only hidden.
    void closeLoader();

Q_SIGNALS:
    /// The form has been closed after its page.
    void closed();

private:
    void WebBrowser1DocumentComplete();

    AppState& m_state;
    StandingQuery& m_settings;
    PageLoader* m_browser;
    PageText m_memo;
    FavouritesHandler m_favouritesHandler;
    ErrorReporter m_reportError;
};

} // namespace vorbel
