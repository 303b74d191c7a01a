// The service clock a start time opens, and its control address.
#include "ServiceTestSupport.h"

#include "service/Catalogue.h"
#include "service/ServiceClock.h"

using namespace vorbel;
using namespace vorbel::test;

namespace {

std::int64_t localTime(const std::string& text)
{
    return service::parseClockSetting(text, 0).value();
}

class ClockTest : public ServiceTest
{
protected:
    void startClockAt(const std::string& start, service::ServiceOptions options = {})
    {
        options.clockStart = localTime(start);
        startService(options);
    }
    /// The clock's answer to a query, or its status when it is not 200.
    std::string clock(const std::string& query = "")
    {
        const auto answer = get("/clock" + query);
        if (!answer)
            return "no answer";
        return answer->status == 200 ? answer->body : std::to_string(answer->status);
    }
    /// The price cells of a result page, in cents.
    std::vector<std::int64_t> prices(const std::string& keyword)
    {
        const PageText page = results(keyword);
        std::vector<std::int64_t> out;
        for (int start : rowStarts(page))
            out.push_back(cents(cellValue(page, start + 7)));
        return out;
    }
};

TEST_F(ClockTest, IsNotThereWithoutAStartingPoint)
{
    startService();
    EXPECT_EQ(clock(), "404");
    EXPECT_EQ(clock("?advance=1d"), "404");
}

TEST_F(ClockTest, StartsWhereToldRunsOnWithTheBaseClockAndMovesByDays)
{
    m_now = localTime("2026-12-08T10:00");
    startClockAt("2026-12-01T08:00");
    EXPECT_EQ(clock(), "2026-12-01 08:00:00\n");
    m_now += 90;
    EXPECT_EQ(clock(), "2026-12-01 08:01:30\n");
    EXPECT_EQ(clock("?advance=1d"), "2026-12-02 08:01:30\n");
    EXPECT_EQ(clock("?days=30"), "2027-01-01 08:01:30\n");
    EXPECT_EQ(clock(), "2027-01-01 08:01:30\n") << "asking moves nothing";
    for (const char* bad : {"?advance=1", "?advance=0d", "?advance=-1d", "?advance=1.5d", "?advance=99999d",
                            "?advance=", "?days=0", "?days=1d", "?days=abc"})
        EXPECT_EQ(clock(bad), "400") << bad;
    EXPECT_EQ(clock(), "2027-01-01 08:01:30\n");

    m_service->stop();
    ASSERT_TRUE(m_service->start());
    m_client = std::make_unique<httplib::Client>("127.0.0.1", m_service->port());
    EXPECT_EQ(clock(), "2027-01-01 08:01:30\n") << "serving again keeps the moved clock";
}

TEST_F(ClockTest, PagesShowThePricesOfTheServiceDay)
{
    m_now = localTime("2026-12-08T10:00");
    service::ServiceOptions options;
    options.pageSize = 400;
    startClockAt("2026-12-08T10:00", options);
    const std::vector<std::int64_t> morning = prices("液晶电视");
    ASSERT_EQ(morning.size(), 400u);
    m_now += 13 * 3600;
    EXPECT_EQ(prices("液晶电视"), morning) << "the same all day";

    ASSERT_EQ(clock("?advance=1d"), "2026-12-09 23:00:00\n");
    const std::vector<std::int64_t> nextDay = prices("液晶电视");
    ASSERT_EQ(nextDay.size(), morning.size());
    const std::vector<service::Offer> offers = service::offersFor("液晶电视", 400);
    const service::ServiceDay day = service::serviceDay(localTime("2026-12-09"));
    int up = 0, down = 0;
    for (std::size_t i = 0; i < nextDay.size(); ++i) {
        EXPECT_EQ(nextDay[i], service::currentPriceCents(offers[i], day)) << i;
        up += nextDay[i] > morning[i] ? 1 : 0;
        down += nextDay[i] < morning[i] ? 1 : 0;
    }
    EXPECT_GT(up, 0);
    EXPECT_GT(down, 0);
    EXPECT_LT(up + down, 200);
}

TEST_F(ClockTest, AnswersWhateverTheServiceIsToldToShow)
{
    service::ServiceOptions options;
    options.faults = {service::Fault::Http500, service::Fault::HalfBody};
    options.latencyMs = 60000;
    options.pause = [](std::chrono::milliseconds) { ADD_FAILURE() << "the clock waited"; };
    startClockAt("2026-12-08T10:00", options);
    EXPECT_EQ(clock("?advance=1d"), "2026-12-09 10:00:00\n");
}

} // namespace
