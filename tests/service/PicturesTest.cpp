#include "ServiceTestSupport.h"

#include "service/Pictures.h"

using namespace vorbel;
using namespace vorbel::test;

namespace {

TEST_F(ServiceTest, PicturesAreRealJpegsDistinctAndStable)
{
    startService();
    const PageText text = results("ipad2");
    const std::vector<int> starts = rowStarts(text);
    std::set<std::string> distinct;
    for (std::size_t r = 0; r < 5; ++r) {
        const std::string cph = cellValue(text, starts[r] + 2).toStdString();
        const auto small = get("/pic/" + cph + ".jpg");
        const auto large = get("/pic/" + cph + "_dtp.jpg");
        ASSERT_TRUE(small && large);
        EXPECT_EQ(small->get_header_value("Content-Type"), "image/jpeg");
        EXPECT_EQ(decodeJpeg(small->body), std::make_pair(100, 100));
        EXPECT_EQ(decodeJpeg(large->body), std::make_pair(350, 350));
        EXPECT_EQ(get("/pic/" + cph + ".jpg")->body, small->body);
        distinct.insert(small->body);
    }
    EXPECT_EQ(distinct.size(), 5u);
    EXPECT_EQ(service::productJpeg("Pabc", 100), service::productJpeg("Pabc", 100))
        << "the same in every run";
    EXPECT_EQ(get("/pic/..%2Fetc.jpg")->status, 404);
}

TEST(Pictures, FaultPicturesAreWhatTheyClaim)
{
    EXPECT_EQ(jpegHeaderSize(service::jpegClaimingSize(20000, 12345)), std::make_pair(20000, 12345));
    EXPECT_FALSE(decodeJpeg(service::corruptJpeg("Pabc")));
    EXPECT_EQ(service::corruptJpeg("Pabc"), service::corruptJpeg("Pabc"));
}

} // namespace
