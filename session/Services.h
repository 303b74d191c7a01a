#pragma once

#include "platform/ServiceUrls.h"

class QNetworkAccessManager;

namespace vorbel {

class Clock;
class FileDialogs;
class MessageBoxes;
class SystemBrowser;

/// The outside world as the main window sees it; tests hand in their own.
struct Services
{
    QNetworkAccessManager& network;
    SystemBrowser& browser;
    MessageBoxes& messages;
    Clock& clock;
    FileDialogs& files;
    ServiceConfig config;
};

} // namespace vorbel
