// vorbel-service: the reference search service and update host.
#include "service/ReferenceService.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <pthread.h>
#include <string>

using namespace vorbel::service;

namespace {

const char* const Usage =
    "usage: vorbel-service [options]\n"
    "  --listen HOST:PORT   address to listen on (default 127.0.0.1:8410; port 0 picks a free one)\n"
    "  --port-file FILE     write the port listened on to FILE\n"
    "  --data DIR           keep favourites in DIR (default: in memory)\n"
    "  --page-size N        every result page lists exactly N offers (at most 10000)\n"
    "  --utf8               serve pages in UTF-8 instead of GBK\n"
    "  --latency-ms N       wait N ms before every answer\n"
    "  --fault NAME         http500, half-body, drip, bad-number, huge-picture, corrupt-jpeg,\n"
    "                       picture-redirect or no-table (repeatable)\n";

bool parseListen(const std::string& text, ServiceOptions& options)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    options.host = text.substr(0, colon);
    options.port = std::atoi(text.c_str() + colon + 1);
    return !options.host.empty() && options.port >= 0 && options.port < 65536;
}

bool parseArguments(int argc, char** argv, ServiceOptions& options, std::string& portFile)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--utf8") {
            options.utf8 = true;
        } else if (argument == "--listen" && hasValue) {
            if (!parseListen(argv[++i], options))
                return false;
        } else if (argument == "--port-file" && hasValue) {
            portFile = argv[++i];
        } else if (argument == "--data" && hasValue) {
            options.dataDir = argv[++i];
        } else if (argument == "--page-size" && hasValue) {
            options.pageSize = std::atoi(argv[++i]);
        } else if (argument == "--latency-ms" && hasValue) {
            options.latencyMs = std::atoi(argv[++i]);
        } else if (argument == "--fault" && hasValue) {
            Fault fault;
            if (!parseFault(argv[++i], fault))
                return false;
            options.faults.insert(fault);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    ServiceOptions options;
    std::string portFile;
    if (!parseArguments(argc, argv, options, portFile)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    // The server threads inherit a mask that leaves SIGINT and SIGTERM to the sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ReferenceService service(options);
    if (!service.start()) {
        std::fprintf(stderr, "vorbel-service: cannot listen on %s:%d\n", options.host.c_str(), options.port);
        return 1;
    }
    if (!portFile.empty())
        std::ofstream(portFile) << service.port() << "\n";
    std::printf("vorbel-service listening on %s\n", service.baseUrl().c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stopSignals, &received);
    service.stop();
    return 0;
}
