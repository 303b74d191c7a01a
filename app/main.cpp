#include "app/Uzjm.h"
#include "platform/Clock.h"
#include "platform/ui/DesktopBrowser.h"
#include "platform/ui/QtMessageBoxes.h"

#include <QApplication>
#include <QNetworkAccessManager>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorbel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vorbel"));

    QNetworkAccessManager network;
    vorbel::DesktopBrowser browser;
    vorbel::QtMessageBoxes messages;
    vorbel::SystemClock clock;
    auto* window = new vorbel::Tfrmvorbel({network, browser, messages, clock, vorbel::ServiceConfig{}});
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return QApplication::exec();
}
