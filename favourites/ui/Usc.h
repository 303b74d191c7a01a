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
/// `Memo1`, made by its owner for one page: a favourites or price-drop list, or the version notice.
class Tfrmsc : public QWidget
{
    Q_OBJECT
public:
    /// What the form's page is for.
    enum class Purpose
    {
        Favourites,   ///< handed to the favourites handler, which closes the form when it is done
        VersionNotice ///< read for the link codes; the form closes itself
    };
    /// Reads a favourites or price-drop page and closes the form when it is done, which may be after the
    /// page's pictures have arrived.
    using FavouritesHandler = std::function<void(Tfrmsc&)>;
    /// Shows the message of an error that ended the page handling.
    using ErrorReporter = std::function<void(const QString&)>;

    Tfrmsc(Purpose purpose, QNetworkAccessManager& network, AppState& state, StandingQuery& settings,
           QWidget* parent);

    void setFavouritesHandler(FavouritesHandler handler) { m_favouritesHandler = std::move(handler); }
    void setErrorReporter(ErrorReporter reporter) { m_reportError = std::move(reporter); }
    /// The form's page loader; the designer's name.
    PageLoader& WebBrowser1() const { return *m_browser; }
    /// The page text of the last completed page; the designer's name.
    const PageText& Memo1() const { return m_memo; }
    void clearMemo() { m_memo = PageText(); }

    /// Hides the form; after a recognised favourites page it is destroyed as well.
    void closeLoader(bool recognised = false);

Q_SIGNALS:
    /// The form has been closed after its page.
    void closed();

private:
    void WebBrowser1DocumentComplete();

    Purpose m_purpose;
    AppState& m_state;
    StandingQuery& m_settings;
    PageLoader* m_browser;
    PageText m_memo;
    FavouritesHandler m_favouritesHandler;
    ErrorReporter m_reportError;
};

} // namespace vorbel
