#include "platform/PageMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace vorbel {

namespace {

constexpr std::size_t HugePage = std::size_t(2) << 20;

#ifdef __GLIBC__
void keepFreedMemory()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Fixed limits also end glibc's own adjustment of them, which starts at 128 KiB: below it every
        // buffer of a page would be mapped afresh and faulted in again for each page.
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
    });
}

/// The whole huge pages inside the block are offered to the kernel's transparent huge pages: one fault
/// then readies 2 MiB. A hint; without them the block is touched a small page at a time.
void offerHugePages(char* block, std::size_t bytes)
{
    const auto start = (reinterpret_cast<std::uintptr_t>(block) + HugePage - 1) & ~(HugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(HugePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}
#endif

} // namespace

PageMemory::PageMemory(std::size_t bytes)
{
#ifdef __GLIBC__
    keepFreedMemory();
    // malloc, not new: the block is freed on the toucher's thread and must come from this thread's heap.
    auto* block = static_cast<char*>(std::malloc(bytes));
    if (!block) {
        m_ready = true;
        return;
    }
    offerHugePages(block, bytes);
    m_toucher = std::thread([this, block, bytes] { touch(block, bytes); });
#else
    (void)bytes;
    m_ready = true;
#endif
}

PageMemory::~PageMemory()
{
    m_stop = true;
    if (m_toucher.joinable())
        m_toucher.join();
}

void PageMemory::touch(char* block, std::size_t bytes)
{
#ifdef __GLIBC__
    const auto pageBytes = std::size_t(sysconf(_SC_PAGESIZE));
    for (std::size_t at = 0; at < bytes && !m_stop.load(std::memory_order_relaxed); at += HugePage) {
        const std::size_t end = std::min(bytes, at + HugePage);
        for (std::size_t page = at; page < end; page += pageBytes)
            static_cast<volatile char*>(block)[page] = 0;
    }
    // A freed chunk goes back to the heap it came from, whichever thread frees it.
    std::free(block);
#else
    (void)block;
    (void)bytes;
#endif
    m_ready.store(true, std::memory_order_release);
}

} // namespace vorbel
