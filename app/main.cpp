#include "app/Uzjm.h"
#include "platform/Clock.h"
#include "platform/ui/DesktopBrowser.h"
#include "platform/ui/FontConfiguration.h"
#include "platform/ui/QtFileDialogs.h"
#include "platform/ui/QtMessageBoxes.h"
#include "platform/ui/TrayNotifier.h"
#include "resources/Pictures.h"
#include "store/StoreLocation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QNetworkAccessManager>
#include <cstdio>

namespace {

// --help and --version are answered before QApplication reaches for the window system, so they work
// without a display. Everything else is judged after QApplication has taken Qt's own options
// (-platform, -style, ...).
void answerWithoutDisplay(QCommandLineParser& commandLine, int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    commandLine.parse(arguments);
    if (commandLine.isSet(QStringLiteral("version")) || commandLine.isSet(QStringLiteral("help"))) {
        QCoreApplication application(argc, argv);
        if (commandLine.isSet(QStringLiteral("version")))
            commandLine.showVersion();
        commandLine.showHelp();
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Vorbel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORBEL_VERSION));
    QCommandLineParser commandLine;
    commandLine.setApplicationDescription(
        QStringLiteral("Compares the offers of Chinese online shops through the Vorbel search service."));
    commandLine.addHelpOption();
    commandLine.addVersionOption();
    answerWithoutDisplay(commandLine, argc, argv);

    // The store's key derivation is the longest step of a start; begun before Qt's own start-up, it runs
    // beside that and the window's build. The font configuration goes first on that worker: the window's
    // first label needs it long before start-up needs the store. Only for a plain start, so that a start
    // refused for its arguments touches no file.
    std::unique_ptr<vorbel::StoreOpening> store;
    if (argc == 1)
        store =
            std::make_unique<vorbel::StoreOpening>(vorbel::storeFilePath(), vorbel::readFontConfiguration);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorbel"));
    // No display name: the platform would append it to every window title, and the caption alone is the
    // title.
    commandLine.process(application);
    if (!commandLine.positionalArguments().isEmpty()) {
        std::fputs("vorbel: takes no arguments; see vorbel --help\n", stderr);
        return 1;
    }

    QNetworkAccessManager network;
    vorbel::DesktopBrowser browser;
    vorbel::QtMessageBoxes messages;
    vorbel::SystemClock clock;
    vorbel::QtFileDialogs files;
    vorbel::TrayNotifier notifier(vorbel::programIcon(QStringLiteral(":/images/vorbel.png")));
    auto* window = new vorbel::Tfrmvorbel(
        {network, browser, messages, clock, files, notifier, vorbel::ServiceConfig{}}, std::move(store));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return QApplication::exec();
}
