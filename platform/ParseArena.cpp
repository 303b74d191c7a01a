#include "platform/ParseArena.h"

#include <cstdio>
#include <cstdlib>
#include <gumbo.h>
#include <new>
#include <sys/mman.h>

namespace vorbel {

namespace {

constexpr std::size_t Alignment = alignof(std::max_align_t);

constexpr std::size_t roundUp(std::size_t bytes, std::size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

void* arenaAllocate(void* arena, std::size_t bytes) noexcept
{
    // The parser is C and checks no allocation: without memory it could only go on to a crash.
    try {
        return static_cast<ParseArena*>(arena)->allocate(bytes);
    } catch (const std::bad_alloc&) {
        std::fputs("vorbel: out of memory while parsing a page\n", stderr);
        std::abort();
    }
}

void arenaDeallocate(void*, void*)
{
    // Freed together when the parse ends.
}

} // namespace

ParseArena::~ParseArena()
{
    for (const Block& block : m_blocks)
        munmap(block.start, block.size);
}

ParseArena& ParseArena::forThisThread()
{
    thread_local ParseArena arena;
    return arena;
}

ParseArena::Block ParseArena::mapBlock(std::size_t bytes)
{
    const std::size_t size = roundUp(bytes, BlockBytes);
    // Mapped with a block's worth to spare, so that the block can start on a huge page boundary.
    const std::size_t mapped = size + BlockBytes;
    void* area = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        throw std::bad_alloc();
    char* const base = static_cast<char*>(area);
    char* const start = reinterpret_cast<char*>(roundUp(reinterpret_cast<std::size_t>(base), BlockBytes));
    if (start > base)
        munmap(base, std::size_t(start - base));
    if (char* const end = start + size; end < base + mapped)
        munmap(end, std::size_t(base + mapped - end));
    madvise(start, size, MADV_HUGEPAGE); // a hint; without huge pages the block works as well
    return {start, size};
}

void* ParseArena::allocate(std::size_t bytes)
{
    const std::size_t wanted = roundUp(bytes == 0 ? 1 : bytes, Alignment);
    while (m_current < m_blocks.size()) {
        Block& block = m_blocks[m_current];
        if (block.size - m_used >= wanted) {
            void* taken = block.start + m_used;
            m_used += wanted;
            return taken;
        }
        ++m_current;
        m_used = 0;
    }
    m_blocks.push_back(mapBlock(wanted));
    m_current = m_blocks.size() - 1;
    m_used = wanted;
    return m_blocks.back().start;
}

void ParseArena::release()
{
    m_current = 0;
    m_used = 0;
    std::size_t kept = 0;
    std::size_t keep = 0;
    while (keep < m_blocks.size() && kept + m_blocks[keep].size <= KeptBytes)
        kept += m_blocks[keep++].size;
    for (std::size_t i = keep; i < m_blocks.size(); ++i)
        munmap(m_blocks[i].start, m_blocks[i].size);
    m_blocks.resize(keep);
}

std::size_t ParseArena::heldBytes() const
{
    std::size_t held = 0;
    for (const Block& block : m_blocks)
        held += block.size;
    return held;
}

ArenaParse::ArenaParse(std::string_view markup, const GumboOptions& options)
    : m_options(std::make_unique<GumboOptions>(options))
{
    ParseArena& arena = ParseArena::forThisThread();
    if (!arena.m_borrowed) {
        arena.m_borrowed = true;
        m_arena = &arena;
        m_options->allocator = arenaAllocate;
        m_options->deallocator = arenaDeallocate;
        m_options->userdata = m_arena;
    }
    m_output = gumbo_parse_with_options(m_options.get(), markup.data(), markup.size());
}

ArenaParse::~ArenaParse()
{
    if (!m_arena) {
        if (m_output)
            gumbo_destroy_output(m_options.get(), m_output);
        return;
    }
    m_arena->release();
    m_arena->m_borrowed = false;
}

} // namespace vorbel
