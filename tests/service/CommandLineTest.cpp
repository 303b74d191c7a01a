#include "ServiceTestSupport.h"

#include "service/CommandLine.h"

#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

using namespace vorbel;
using namespace vorbel::service;

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

    const CommandLine defaults = parse({});
    EXPECT_EQ(defaults.options.host, "127.0.0.1") << "loopback unless told otherwise";
    EXPECT_EQ(defaults.options.port, 8410);
    EXPECT_TRUE(defaults.options.dataDir.empty());
    EXPECT_EQ(parse({"--listen", "[::1]:9000"}).options.host, "::1");
    EXPECT_TRUE(parse({"--help"}).help);
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

TEST(CommandLine, TheProgramServesOnAFreePortAndStopsOnSigterm)
{
    QTemporaryDir folder;
    const std::string portFile = (folder.path() + "/port").toStdString();
    const pid_t pid = launch({"--listen", "127.0.0.1:0", "--port-file", portFile, "--data",
                              (folder.path() + "/data").toStdString()});
    ASSERT_GT(pid, 0);
    int port = 0;
    for (int attempt = 0; attempt < 1000 && port == 0; ++attempt) {
        std::ifstream(portFile) >> port;
        if (port == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GT(port, 0);
    httplib::Client client("127.0.0.1", port);
    const auto identity = client.Get("/RandomUser.aspx");
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->status, 200);
    kill(pid, SIGTERM);
    EXPECT_EQ(exitStatus(pid), 0);
    EXPECT_FALSE(httplib::Client("127.0.0.1", port).Get("/")) << "the port is closed";
}

TEST(CommandLine, TheProgramExplainsBadArguments)
{
    EXPECT_EQ(exitStatus(launch({"--help"})), 0);
    EXPECT_EQ(exitStatus(launch({"--fault", "meteor"})), 2);
}

} // namespace
