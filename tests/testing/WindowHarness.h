#pragma once

#include "app/Uzjm.h"
#include "platform/Clock.h"
#include "service/ReferenceService.h"
#include "testing/RecordingBrowser.h"
#include "testing/RecordingNotifier.h"
#include "testing/ScriptedFileDialogs.h"
#include "testing/ScriptedMessageBoxes.h"

#include <QDateTime>
#include <QDir>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <atomic>
#include <memory>

namespace vorbel::test {

/// A main window in a folder of its own (database and picture cache), talking to an in-process
/// reference service on a free loopback port, with recorded message boxes and browser windows and scripted
/// file dialogs.
class WindowHarness
{
public:
    WindowHarness() : WindowHarness(service::ServiceOptions{}) {}

    /// The service starts with these options (faults, latency, page size) on a free port.
    explicit WindowHarness(service::ServiceOptions options)
        : m_service(std::make_unique<service::ReferenceService>(withClock(std::move(options), 0)))
    {
        m_service->start();
        QDir::setCurrent(m_dir.path());
        qputenv("TMPDIR", m_dir.path().toUtf8());
    }

    ~WindowHarness() { m_service->stop(); }

    /// Serves with other options from now on, at the same address, so a window that started against a
    /// sound service meets the faults in its next request. False when the port could not be bound again.
    bool reconfigureService(service::ServiceOptions options)
    {
        const int port = m_service->port();
        m_service->stop();
        m_service = std::make_unique<service::ReferenceService>(withClock(std::move(options), port));
        return m_service->start();
    }

    Tfrmvorbel& open()
    {
        m_window.reset();
        m_window = std::make_unique<Tfrmvorbel>(
            Services{m_network, m_browser, m_messages, m_clock, m_files, m_notifier, config()});
        m_window->show();
        return *m_window;
    }

    ServiceConfig config() const
    {
        const QString base = QString::fromStdString(m_service->baseUrl());
        return ServiceConfig{base, base};
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    service::ReferenceService& service() { return *m_service; }
    RecordingBrowser& browser() { return m_browser; }
    ScriptedMessageBoxes& messages() { return m_messages; }
    ScriptedFileDialogs& files() { return m_files; }
    RecordingNotifier& notifier() { return m_notifier; }
    Tfrmvorbel& window() { return *m_window; }

private:
    service::ServiceOptions withClock(service::ServiceOptions options, int port)
    {
        options.port = port;
        options.clock = [this] { return m_serviceNow.load(); };
        return options;
    }

public:
    /// The reference service's clock, in seconds; tests move it to make prices change.
    std::atomic<std::int64_t> m_serviceNow{QDateTime::currentSecsSinceEpoch()};

private:
    QTemporaryDir m_dir;
    std::unique_ptr<service::ReferenceService> m_service;
    QNetworkAccessManager m_network;
    RecordingBrowser m_browser;
    ScriptedMessageBoxes m_messages;
    SystemClock m_clock;
    ScriptedFileDialogs m_files;
    RecordingNotifier m_notifier;
    std::unique_ptr<Tfrmvorbel> m_window;
};

} // namespace vorbel::test
