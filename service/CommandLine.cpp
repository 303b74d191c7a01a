#include "service/CommandLine.h"

#include "service/Catalogue.h"
#include "service/ServiceClock.h"

#include <algorithm>
#include <optional>

namespace vorbel::service {

namespace {

std::optional<int> number(const std::string& text, int highest)
{
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = std::stoi(text);
    if (value > highest)
        return std::nullopt;
    return value;
}

/// "HOST:PORT", "[IPv6]:PORT"; the host may not be empty.
bool parseListen(const std::string& text, ServiceOptions& options)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string host = text.substr(0, colon);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']')
            return false;
        host = host.substr(1, host.size() - 2);
    }
    const std::optional<int> port = number(text.substr(colon + 1), 65535);
    if (!port)
        return false;
    options.host = host;
    options.port = *port;
    return true;
}

/// Applies one option with its value; false when the value is not acceptable.
bool apply(CommandLine& line, const std::string& option, const std::string& value, std::int64_t now)
{
    ServiceOptions& o = line.options;
    if (option == "--listen")
        return parseListen(value, o);
    if (option == "--port-file") {
        line.portFile = value;
        return !value.empty();
    }
    if (option == "--data") {
        o.dataDir = value;
        return !value.empty();
    }
    if (option == "--clock") {
        o.clockStart = parseClockSetting(value, now);
        return o.clockStart.has_value();
    }
    std::optional<int> n;
    if (option == "--page-size" && (n = number(value, MaxPageSize))) {
        o.pageSize = *n;
        return true;
    }
    if (option == "--latency-ms" && (n = number(value, 600000))) {
        o.latencyMs = *n;
        return true;
    }
    if (option == "--fault") {
        const std::optional<Fault> fault = parseFault(value);
        if (fault)
            o.faults.insert(*fault);
        return fault.has_value();
    }
    return false;
}

} // namespace

CommandLine CommandLine::parse(const std::vector<std::string>& arguments)
{
    return parse(arguments, systemSeconds());
}

CommandLine CommandLine::parse(const std::vector<std::string>& arguments, std::int64_t now)
{
    static const std::vector<std::string> valued{"--listen",     "--port-file", "--data", "--page-size",
                                                 "--latency-ms", "--fault",     "--clock"};
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.help = true;
        } else if (argument == "--utf8") {
            line.options.utf8 = true;
        } else if (std::find(valued.begin(), valued.end(), argument) == valued.end()) {
            line.error = "unknown option " + argument;
        } else if (i + 1 >= arguments.size()) {
            line.error = argument + " needs a value";
        } else if (!apply(line, argument, arguments[i + 1], now)) {
            line.error = "bad value for " + argument + ": " + arguments[i + 1];
        } else {
            ++i;
        }
    }
    return line;
}

const char* CommandLine::usage()
{
    return "usage: vorbel-service [options]\n"
           "  --listen HOST:PORT   address to listen on (default 127.0.0.1:8410; port 0 picks a free one)\n"
           "  --port-file FILE     write the port listened on to FILE\n"
           "  --data DIR           keep favourites in DIR (default: in memory)\n"
           "  --page-size N        every result page lists exactly N offers (1 to 10000; 0: 20 to 60)\n"
           "  --utf8               serve pages in UTF-8 instead of GBK\n"
           "  --latency-ms N       wait N ms before every answer\n"
           "  --fault NAME         http500, half-body, drip, bad-number, huge-picture, corrupt-jpeg,\n"
           "                       picture-redirect or no-table (repeatable)\n"
           "  --clock WHEN         start the service clock at WHEN and let it run on from there:\n"
           "                       2026-12-08, 2026-12-08T10:00[:SS] (local time), or -1d, +2d (days\n"
           "                       from now; +0d: now); prices move once a day by this clock, and\n"
           "                       GET /clock?advance=Nd (or days=N) from this computer moves it N days on\n"
           "  --help               this text\n";
}

} // namespace vorbel::service
