#include "ServiceTestSupport.h"

#include "service/Catalogue.h"
#include "service/CommandLine.h"
#include "service/ServiceClock.h"

#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

using namespace vorbel;
using namespace vorbel::service;
using namespace vorbel::test;

extern char** environ;

namespace {

CommandLine parse(std::vector<std::string> arguments)
{
    return CommandLine::parse(arguments);
}

TEST(CommandLine, ReadsEveryOption)
{
    const CommandLine line =
        parse({"--listen", "127.0.0.1:0", "--port-file", "/tmp/p", "--data", "/tmp/d", "--page-size", "10000",
               "--utf8", "--latency-ms", "50", "--fault", "drip", "--fault", "http500"});
    ASSERT_EQ(line.error, "");
    EXPECT_EQ(line.options.host, "127.0.0.1");
    EXPECT_EQ(line.options.port, 0);
    EXPECT_EQ(line.portFile, "/tmp/p");
    EXPECT_EQ(line.options.dataDir, "/tmp/d");
    EXPECT_EQ(line.options.pageSize, 10000);
    EXPECT_TRUE(line.options.utf8);
    EXPECT_EQ(line.options.latencyMs, 50);
    EXPECT_EQ(line.options.faults, (std::set<Fault>{Fault::Drip, Fault::Http500}));
    EXPECT_FALSE(line.options.clockStart) << "the service runs on the system clock unless told";

    const CommandLine defaults = parse({});
    EXPECT_EQ(defaults.options.host, "127.0.0.1") << "loopback unless told otherwise";
    EXPECT_EQ(defaults.options.port, 8410);
    EXPECT_TRUE(defaults.options.dataDir.empty());
    EXPECT_EQ(parse({"--listen", "[::1]:9000"}).options.host, "::1");
    EXPECT_TRUE(parse({"--help"}).help);
}

std::string clockStart(const std::string& setting, std::int64_t now = 0)
{
    const CommandLine line = CommandLine::parse({"--clock", setting}, now);
    if (!line.error.empty() || !line.options.clockStart)
        return "refused: " + line.error;
    return localTimeText(*line.options.clockStart);
}

TEST(CommandLine, ReadsTheClockAsALocalTimeOrDaysFromNow)
{
    EXPECT_EQ(clockStart("2026-12-08"), "2026-12-08 00:00:00");
    EXPECT_EQ(clockStart("2026-12-08T10:00"), "2026-12-08 10:00:00");
    EXPECT_EQ(clockStart("2026-12-08T10:00:30"), "2026-12-08 10:00:30");
    EXPECT_EQ(clockStart("2026-12-08 10:00"), "2026-12-08 10:00:00");
    EXPECT_EQ(clockStart("2028-02-29"), "2028-02-29 00:00:00");
    const std::int64_t now = *parseClockSetting("2026-12-31T22:15:05", 0);
    EXPECT_EQ(clockStart("-1d", now), "2026-12-30 22:15:05");
    EXPECT_EQ(clockStart("+2d", now), "2027-01-02 22:15:05");
    EXPECT_EQ(clockStart("+0d", now), "2026-12-31 22:15:05");
    EXPECT_EQ(clockStart("-365d", now), "2025-12-31 22:15:05");
}

TEST(CommandLine, RefusesClocksThatAreNoTime)
{
    for (const char* bad : {"2026-02-29",
                            "2026-13-01",
                            "2026-12-00",
                            "2026-12-32",
                            "2026-12-8",
                            "26-12-08",
                            "2026-12-08T24:00",
                            "2026-12-08T10:60",
                            "2026-12-08T10:00:60",
                            "2026-12-08T10",
                            "2026-12-08X10:00",
                            "2026-12-08T10:00Z",
                            "tomorrow",
                            "+1",
                            "1d",
                            "+d",
                            "+1.5d",
                            "+1h",
                            "--1d",
                            "+99999d",
                            "+36501d",
                            ""})
        EXPECT_EQ(clockStart(bad).rfind("refused", 0), 0u) << bad;
    EXPECT_NE(parse({"--clock"}).error, "");
}

TEST(CommandLine, RefusesWhatItCannotHonour)
{
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--listen", "127.0.0.1"},
                                               {"--listen", "127.0.0.1:abc"},
                                               {"--listen", "127.0.0.1:70000"},
                                               {"--listen", ":80"},
                                               {"--page-size", "10001"},
                                               {"--page-size", "-5"},
                                               {"--latency-ms", "1e3"},
                                               {"--fault", "meteor"},
                                               {"--fault"},
                                               {"--port", "80"}})
        EXPECT_NE(parse(bad).error, "") << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
}

/// Runs the built program; its pid, or -1.
pid_t launch(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    std::string program = VORBEL_SERVICE_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

int exitStatus(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// The port the program wrote to its port file, or 0 when it wrote none in about ten seconds.
int portFrom(const std::string& portFile)
{
    int port = 0;
    for (int attempt = 0; attempt < 1000 && port == 0; ++attempt) {
        std::ifstream(portFile) >> port;
        if (port == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return port;
}

TEST(CommandLine, TheProgramServesOnAFreePortAndStopsOnSigterm)
{
    QTemporaryDir folder;
    const std::string portFile = (folder.path() + "/port").toStdString();
    const pid_t pid = launch({"--listen", "127.0.0.1:0", "--port-file", portFile, "--data",
                              (folder.path() + "/data").toStdString()});
    ASSERT_GT(pid, 0);
    const int port = portFrom(portFile);
    ASSERT_GT(port, 0);
    httplib::Client client("127.0.0.1", port);
    const auto identity = client.Get("/RandomUser.aspx");
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->status, 200);
    const auto clock = client.Get("/clock?advance=1d");
    ASSERT_TRUE(clock);
    EXPECT_EQ(clock->status, 404) << "no control address without --clock";
    kill(pid, SIGTERM);
    EXPECT_EQ(exitStatus(pid), 0);
    EXPECT_FALSE(httplib::Client("127.0.0.1", port).Get("/")) << "the port is closed";
}

TEST(CommandLine, TheProgramsPricesFollowItsClockAsTheyDoInProcess)
{
    QTemporaryDir folder;
    const std::string portFile = (folder.path() + "/port").toStdString();
    const pid_t pid =
        launch({"--listen", "127.0.0.1:0", "--port-file", portFile, "--utf8", "--clock", "2026-12-08T10:00"});
    ASSERT_GT(pid, 0);
    const int port = portFrom(portFile);
    ASSERT_GT(port, 0);
    httplib::Client client("127.0.0.1", port);
    const std::vector<Offer> offers = offersFor("ipod");
    // The price cells of the page against the prices this process works out for a day.
    auto expectPricesOf = [&](const std::string& date) {
        const auto page = client.Get("/ListAll.aspx?word=ipod&u=U1");
        ASSERT_TRUE(page);
        const PageText text = PageText::fromHtml(QByteArray::fromStdString(page->body), "utf-8");
        const std::vector<int> rows = rowStarts(text);
        ASSERT_EQ(rows.size(), offers.size());
        const ServiceDay day = serviceDay(*parseClockSetting(date, 0));
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(cents(cellValue(text, rows[i] + 7)), currentPriceCents(offers[i], day))
                << date << " " << i;
    };
    expectPricesOf("2026-12-08");
    const auto moved = client.Get("/clock?advance=2d");
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->body.substr(0, 16), "2026-12-10 10:00");
    expectPricesOf("2026-12-10");
    kill(pid, SIGTERM);
    EXPECT_EQ(exitStatus(pid), 0);
}

TEST(CommandLine, TheProgramExplainsBadArguments)
{
    EXPECT_EQ(exitStatus(launch({"--help"})), 0);
    EXPECT_EQ(exitStatus(launch({"--fault", "meteor"})), 2);
    EXPECT_EQ(exitStatus(launch({"--clock", "2026-02-30"})), 2);
}

} // namespace
