#include "platform/PageMemory.h"

#include "testing/EventLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/resource.h>

using namespace vorbel;
using namespace vorbel::test;

namespace {

long faultsOfThisThread()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

} // namespace

// Only glibc's allocator keeps what PageMemory readied; a sanitizer brings an allocator of its own.
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
TEST(PageMemory, ABufferTakenAfterwardsOnTheSameThreadIsAlreadyInMemory)
{
    constexpr std::size_t Buffer = std::size_t(4) << 20;
    {
        const PageMemory memory(std::size_t(8) << 20);
        ASSERT_TRUE(waitUntil([&] { return memory.ready(); }));
        const long before = faultsOfThisThread();
        auto* buffer = static_cast<volatile char*>(std::malloc(Buffer));
        ASSERT_NE(buffer, nullptr);
        for (std::size_t at = 0; at < Buffer; at += 4096)
            buffer[at] = 1;
        const long faults = faultsOfThisThread() - before;
        std::free(const_cast<char*>(buffer));
        // A fresh buffer takes one fault per 4 KiB page: 1,024 here.
        EXPECT_LT(faults, 64);
    }
}
#endif

TEST(PageMemory, GoesAtOnceWhileStillTouching)
{
    for (int i = 0; i < 3; ++i) {
        const PageMemory memory(std::size_t(64) << 20);
        (void)memory.ready();
    }
    const PageMemory tiny(1);
    EXPECT_TRUE(waitUntil([&] { return tiny.ready(); }));
}
