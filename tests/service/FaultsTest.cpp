#include "ServiceTestSupport.h"

#include "service/Catalogue.h"

#include <QRegularExpression>
#include <QUrl>
#include <mutex>
#include <thread>

using namespace vorbel;
using namespace vorbel::test;

namespace {

class FaultsTest : public ServiceTest
{
protected:
    void startWith(service::Fault fault)
    {
        service::ServiceOptions options;
        options.faults = {fault};
        startService(options);
    }
    std::string firstPicturePath()
    {
        const PageText text = results("ipod");
        return QUrl(cellValue(text, rowStarts(text).at(0) + 4)).path().toStdString();
    }
};

TEST_F(FaultsTest, Http500AnswersEveryRequest)
{
    startWith(service::Fault::Http500);
    for (const char* path :
         {"/", "/RandomUser.aspx", "/ListAll.aspx?word=x&u=&p=", "/ListAllMyFav.aspx?u=U1&p=",
          "/OpFav.aspx?u=U1&p=&i=1", "/Ver/Ver10.html", "/pic/Pabc.jpg", "/nowhere"})
        EXPECT_EQ(get(path)->status, 500) << path;
}

TEST_F(FaultsTest, HalfBodyAnnouncesAllAndSendsHalf)
{
    service::ServiceOptions plain;
    startService(plain);
    const RawAnswer whole = rawGet(m_service->port(), "/ListAll.aspx?word=ipod&u=U1&p=kzvtq");
    ASSERT_GT(whole.body.size(), 1000u);
    EXPECT_EQ(whole.contentLength, (long long)whole.body.size());
    const std::string picture = firstPicturePath();

    startWith(service::Fault::HalfBody);
    for (const std::string& path : {std::string("/ListAll.aspx?word=ipod&u=U1&p=kzvtq"), picture}) {
        const RawAnswer cut = rawGet(m_service->port(), path);
        EXPECT_TRUE(cut.closed);
        EXPECT_GT(cut.contentLength, 0);
        EXPECT_EQ((long long)cut.body.size(), cut.contentLength / 2) << path;
    }
    EXPECT_EQ(rawGet(m_service->port(), "/ListAll.aspx?word=ipod&u=U1&p=kzvtq").contentLength,
              whole.contentLength);
    EXPECT_FALSE(get("/RandomUser.aspx")) << "a client sees a broken answer";
}

TEST_F(FaultsTest, DripSendsTheBodyInSmallStepsThenTheRest)
{
    std::mutex mutex;
    std::vector<std::chrono::milliseconds> pauses;
    service::ServiceOptions options;
    options.faults = {service::Fault::Drip};
    options.dripBytes = 7;
    options.dripIntervalMs = 200;
    options.dripLimitMs = 2000;
    options.pause = [&](std::chrono::milliseconds wait) {
        std::lock_guard lock(mutex);
        pauses.push_back(wait);
    };
    startService(options);
    const RawAnswer version = rawGet(m_service->port(), "/Ver/Ver10.html");
    EXPECT_EQ((long long)version.body.size(), version.contentLength);
    EXPECT_NE(version.body.find("AAA=mm_"), std::string::npos);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(pauses.size(), 10u) << "steps of 200 ms up to the 2000 ms limit";
        for (auto wait : pauses)
            EXPECT_EQ(wait, std::chrono::milliseconds(200));
        pauses.clear();
    }

    options.dripLimitMs = 1000000; // a short body ends before the limit: one step per 7 bytes
    startService(options);
    const RawAnswer identity = rawGet(m_service->port(), "/RandomUser.aspx");
    ASSERT_EQ((long long)identity.body.size(), identity.contentLength);
    std::lock_guard lock(mutex);
    EXPECT_EQ(pauses.size(), (identity.body.size() + 6) / 7);
}

TEST_F(FaultsTest, LatencyWaitsBeforeEveryAnswer)
{
    std::mutex mutex;
    std::vector<std::chrono::milliseconds> pauses;
    service::ServiceOptions options;
    options.latencyMs = 250;
    options.pause = [&](std::chrono::milliseconds wait) {
        std::lock_guard lock(mutex);
        pauses.push_back(wait);
    };
    startService(options);
    EXPECT_EQ(get("/")->status, 200);
    EXPECT_EQ(get("/RandomUser.aspx")->status, 200);
    EXPECT_EQ(get("/pic/Pabc.jpg")->status, 200);
    std::lock_guard lock(mutex);
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(250)));
}

TEST_F(FaultsTest, StopCutsLongWaitsShort)
{
    service::ServiceOptions options;
    options.latencyMs = 600000; // ten minutes: the test would hang if stop() waited for it
    startService(options);
    httplib::Client client("127.0.0.1", m_service->port());
    client.set_read_timeout(std::chrono::seconds(900));
    int status = 0;
    std::thread waiting([&] {
        const auto result = client.Get("/RandomUser.aspx");
        status = result ? result->status : -1;
    });
    while (m_service->waiting() == 0)
        std::this_thread::yield();
    m_service->stop();
    waiting.join();
    EXPECT_FALSE(m_service->running());
    EXPECT_NE(status, 200) << "the stopped wait does not pass for an answer";
}

TEST_F(FaultsTest, BadNumberBreaksExactlyOneOfferInTheMiddle)
{
    startWith(service::Fault::BadNumber);
    const PageText text = results("ipod");
    const std::vector<int> starts = rowStarts(text);
    ASSERT_EQ(int(starts.size()), service::offerCount("ipod"));
    EXPECT_EQ(emptyCellLines(text), int(starts.size()));
    std::vector<std::size_t> broken;
    for (std::size_t r = 0; r < starts.size(); ++r) {
        bool number = false;
        cellValue(text, starts[r] + 1).toInt(&number);
        if (!number)
            broken.push_back(r);
    }
    ASSERT_EQ(broken.size(), 1u);
    EXPECT_EQ(broken[0], starts.size() / 2);
    EXPECT_TRUE(
        cellValue(text, starts[broken[0]] + 1).contains(QRegularExpression(QStringLiteral("^\\d+a$"))));
}

TEST_F(FaultsTest, HugePicturesClaimHugeSizesAndLargeOnesWeighFortyMegabytes)
{
    startWith(service::Fault::HugePicture);
    const std::string small = firstPicturePath();
    const auto smallPicture = get(small);
    ASSERT_TRUE(smallPicture);
    EXPECT_LT(smallPicture->body.size(), 100000u);
    EXPECT_EQ(jpegHeaderSize(smallPicture->body), std::make_pair(20000, 20000));
    const std::string large = small.substr(0, small.size() - 4) + "_dtp.jpg";
    const RawAnswer largePicture = rawGet(m_service->port(), large);
    EXPECT_GE(largePicture.body.size(), 40u * 1024 * 1024);
    EXPECT_EQ(jpegHeaderSize(largePicture.body), std::make_pair(20000, 20000));
}

TEST_F(FaultsTest, CorruptJpegsStartLikeJpegsAndDoNotDecode)
{
    startWith(service::Fault::CorruptJpeg);
    const std::string path = firstPicturePath();
    for (const std::string& picture : {path, path.substr(0, path.size() - 4) + "_dtp.jpg"}) {
        const auto result = get(picture);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 200);
        EXPECT_EQ(result->get_header_value("Content-Type"), "image/jpeg");
        EXPECT_EQ(result->body.substr(0, 3), std::string("\xFF\xD8\xFF"));
        EXPECT_FALSE(decodeJpeg(result->body)) << picture;
    }
}

TEST_F(FaultsTest, PictureRedirectPointsElsewhere)
{
    startService();
    const std::string path = firstPicturePath();
    const std::string real = get(path)->body;
    startWith(service::Fault::PictureRedirect);
    const auto moved = get(path);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->status, 302);
    const QUrl target(QString::fromStdString(moved->get_header_value("Location")));
    EXPECT_EQ(target.host(), QStringLiteral("127.0.0.1"));
    EXPECT_NE(target.path().toStdString(), path);
    const auto followed = get(target.path().toStdString());
    ASSERT_TRUE(followed);
    EXPECT_EQ(followed->status, 200);
    EXPECT_EQ(followed->body, real);
    EXPECT_EQ(get("/ListAll.aspx?word=ipod&u=&p=")->status, 200) << "pages are not redirected";
}

TEST_F(FaultsTest, NoTableLeavesOffersOut)
{
    startWith(service::Fault::NoTable);
    const PageText text = results("ipod");
    EXPECT_TRUE(rowStarts(text).empty());
    EXPECT_EQ(emptyCellLines(text), 0);
    EXPECT_TRUE(text.text().contains(QStringLiteral("<BODY>")));
    EXPECT_EQ(get("/ListAll.aspx?word=ipod&u=&p=")->status, 200);
}

} // namespace
