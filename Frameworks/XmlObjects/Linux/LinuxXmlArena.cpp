// Large arena blocks as anonymous mappings on huge-page boundaries, marked for transparent huge pages: a tree of
// tens of megabytes then costs a few hundred page faults instead of thousands.
#include "XmlArena.h"

#include <sys/mman.h>

#include <cstdint>

namespace
{
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
}

const std::size_t kXmlMappedBlockSize = kHugePage;

void* XmlMapBlock(std::size_t inSize)
{
    // Map a huge page more and trim both ends, so that the block starts on a huge-page boundary.
    const std::size_t size = (inSize + kHugePage - 1) & ~(kHugePage - 1);
    void* mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    if (aligned > start)
        munmap(mapped, aligned - start);
    const std::uintptr_t end = aligned + size;
    const std::uintptr_t mappedEnd = start + size + kHugePage;
    if (mappedEnd > end)
        munmap(reinterpret_cast<void*>(end), mappedEnd - end);
    void* block = reinterpret_cast<void*>(aligned);
    madvise(block, size, MADV_HUGEPAGE); // only advice: without huge pages the block still works
    return block;
}

void XmlUnmapBlock(void* inBlock, std::size_t inSize) noexcept
{
    const std::size_t size = (inSize + kHugePage - 1) & ~(kHugePage - 1);
    munmap(inBlock, size);
}
