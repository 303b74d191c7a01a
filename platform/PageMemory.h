#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

namespace vorbel {

/// Memory for reading pages on this thread, readied before the first page arrives.
///
/// A result page of 1,000 offers passes through some 4 MiB of buffers on the window's thread: the body, its
/// decoded text, the markup the parser reads, the serialised tree and its lines. Memory the process has
/// never touched costs a page fault per 4 KiB on first use, about 10 µs each on the machines we measured,
/// which made the first page of a run a quarter slower to read than the ones after it.
///
/// So the allocator keeps freed memory for the next page instead of handing every large buffer back to
/// the system (process-wide; these are the limits glibc reaches by itself once it has freed a buffer of
/// 32 MiB), and a block of the calling thread's heap is touched once, on a thread of its own and offered
/// to the kernel's huge pages, then freed into that heap for the pages to take. Without glibc this does
/// nothing.
class PageMemory
{
public:
    /// Takes the block from the calling thread's heap, the one the pages will be read on, and starts
    /// touching it.
    explicit PageMemory(std::size_t bytes = DefaultBytes);
    /// Stops the touching within a huge page's worth and frees the block.
    ~PageMemory();
    PageMemory(const PageMemory&) = delete;
    PageMemory& operator=(const PageMemory&) = delete;

    /// Whether the block is touched through and back in the heap.
    bool ready() const { return m_ready.load(std::memory_order_acquire); }

    static constexpr std::size_t DefaultBytes = std::size_t(16) << 20;

private:
    void touch(char* block, std::size_t bytes);

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ready{false};
    std::thread m_toucher;
};

} // namespace vorbel
