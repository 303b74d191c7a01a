#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

struct GumboInternalOptions;
struct GumboInternalOutput;

namespace vorbel {

/// Memory for the parser's trees. A result page makes some 170 allocations per offer and frees every one
/// at the end; taken from large blocks that are kept from one parse to the next, an allocation is a
/// pointer bump, the tree goes without being walked to free it, and a page's memory is not faulted in
/// anew for every page: each first touch of a 4 KiB page of memory cost about 10 µs on the machines we
/// measured on, a quarter of a 1,000-offer page's parse. Blocks lie on 2 MiB boundaries and are offered to
/// the kernel's transparent huge pages, which take one fault for 512 such pages.
///
/// One arena per thread (forThisThread); a parse borrows it for its lifetime through ArenaParse.
class ParseArena
{
public:
    ParseArena() = default;
    ~ParseArena();
    ParseArena(const ParseArena&) = delete;
    ParseArena& operator=(const ParseArena&) = delete;

    static ParseArena& forThisThread();

    /// Memory aligned for any type; never null (an exhausted system throws std::bad_alloc).
    void* allocate(std::size_t bytes);
    /// Everything allocated becomes free again. Blocks beyond KeptBytes go back to the system, so one
    /// huge page does not hold its memory for the rest of the run.
    void release();
    /// Bytes held in blocks, used or not.
    std::size_t heldBytes() const;

    static constexpr std::size_t BlockBytes = std::size_t(2) << 20;
    static constexpr std::size_t KeptBytes = std::size_t(32) << 20;

private:
    struct Block
    {
        char* start = nullptr;
        std::size_t size = 0;
    };
    Block mapBlock(std::size_t bytes);

    std::vector<Block> m_blocks;
    std::size_t m_current = 0; // the block allocations come from
    std::size_t m_used = 0;    // bytes taken from it
    bool m_borrowed = false;
    friend class ArenaParse;
};

/// One parse of markup with gumbo, its tree and everything the parser allocated in this thread's arena,
/// until this goes. A parse started while the arena is borrowed (a parse inside a parse) uses the
/// system's allocator instead.
class ArenaParse
{
public:
    ArenaParse(std::string_view markup, const GumboInternalOptions& options);
    ~ArenaParse();
    ArenaParse(const ArenaParse&) = delete;
    ArenaParse& operator=(const ArenaParse&) = delete;

    /// The parser's output; null when it gave none.
    const GumboInternalOutput* output() const { return m_output; }

private:
    ParseArena* m_arena = nullptr; // null: the system's allocator
    std::unique_ptr<GumboInternalOptions> m_options;
    GumboInternalOutput* m_output = nullptr;
};

} // namespace vorbel
