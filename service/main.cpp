// vorbel-service: the reference search service and update host, until Ctrl-C or SIGTERM.
#include "service/CommandLine.h"
#include "service/RecordFile.h"
#include "service/ReferenceService.h"
#include "service/ServiceClock.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>

using namespace vorbel::service;

int main(int argc, char** argv)
{
    const CommandLine line = CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::fputs(CommandLine::usage(), stdout);
        return 0;
    }
    if (!line.error.empty()) {
        std::fprintf(stderr, "vorbel-service: %s\n%s", line.error.c_str(), CommandLine::usage());
        return 2;
    }
    // Blocked before any thread starts, so every server thread inherits the mask and the signals wait
    // for the sigwait below instead of killing the process mid-write.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    ReferenceService service(line.options);
    if (!service.start()) {
        std::fprintf(stderr, "vorbel-service: %s\n", service.error().c_str());
        return 1;
    }
    std::string error;
    // Written whole or not at all, so a script waiting for the file never reads half a number.
    if (!line.portFile.empty() &&
        !RecordFile::replace(line.portFile, std::to_string(service.port()) + "\n", error)) {
        std::fprintf(stderr, "vorbel-service: %s\n", error.c_str());
        return 1;
    }
    std::printf("vorbel-service listening on %s\n", service.baseUrl().c_str());
    if (line.options.clockStart)
        std::printf("service clock starts at %s; %s/clock?advance=1d moves it a day on\n",
                    localTimeText(*line.options.clockStart).c_str(), service.baseUrl().c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stopSignals, &received);
    service.stop();
    return 0;
}
