#pragma once

#include "platform/ServiceUrls.h"

class QNetworkAccessManager;

namespace vorbel {

class Clock;
class FileDialogs;
class MessageBoxes;
class Notifier;
class SystemBrowser;

/// The outside world as the main window sees it; tests hand in their own.
struct Services
{
    QNetworkAccessManager& network;
    SystemBrowser& browser;
    MessageBoxes& messages;
    Clock& clock;
    FileDialogs& files;
    Notifier& notifier;
    ServiceConfig config;
};

} // namespace vorbel
