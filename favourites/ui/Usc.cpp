#include "favourites/ui/Usc.h"

#include "platform/PageLoader.h"
#include "session/AppState.h"
#include "session/VersionNotice.h"

namespace vorbel {

Tfrmsc::Tfrmsc(Purpose purpose, QNetworkAccessManager& network, AppState& state, StandingQuery& settings,
               QWidget* parent)
    : QWidget(parent, Qt::Tool), m_purpose(purpose), m_state(state), m_settings(settings),
      m_browser(new PageLoader(network, this))
{
    setObjectName(QStringLiteral("frmsc"));
    setWindowTitle(QStringLiteral("frmsc"));
    setGeometry(133, -500, 696, 362);
    // The form only carries its loader: it counts as shown but never appears on a screen.
    setAttribute(Qt::WA_DontShowOnScreen);
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    connect(m_browser, &PageLoader::DocumentComplete, this, &Tfrmsc::WebBrowser1DocumentComplete);
}

void Tfrmsc::WebBrowser1DocumentComplete()
{
    m_memo = m_browser->page();
    try {
        if (m_purpose == Purpose::Favourites) {
            if (m_favouritesHandler)
                m_favouritesHandler(*this);
            return;
        }
        // A version page that failed or came cut short could carry a cut link code line, which would
        // be stored for good; without it the next start asks again.
        if (m_browser->errorText().isEmpty())
            applyVersionNotice(m_memo, m_settings, m_state);
        closeLoader();
    } catch (const std::exception& error) {
        // Like any handler stopped by an error: what was stored stays, the form stays open off screen.
        if (m_reportError)
            m_reportError(QString::fromUtf8(error.what()));
    }
}

void Tfrmsc::closeLoader(bool recognised)
{
    hide();
    Q_EMIT closed();
    if (recognised)
        deleteLater();
}

} // namespace vorbel
