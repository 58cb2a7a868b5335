#include "XmlArena.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace
{
// Each object is preceded by its block, or null for one on the heap.
constexpr std::size_t kHeader = sizeof(void*);
static_assert(kHeader % XmlArena::kAlignment == 0);

constexpr std::size_t RoundUp(std::size_t inSize)
{
    return (inSize + XmlArena::kAlignment - 1) & ~(XmlArena::kAlignment - 1);
}
} // namespace

void* XmlArena::Allocate(std::size_t inSize)
{
    const std::size_t need = kHeader + RoundUp(inSize);
    if (std::size_t(mEnd - mNext) < need)
        NewBlock(need);
    void** header = reinterpret_cast<void**>(mNext);
    *header = mBlock;
    mNext += need;
    ++mCarved;
    return header + 1;
}

void* XmlArena::AllocateAlone(std::size_t inSize)
{
    void** header = static_cast<void**>(std::malloc(kHeader + inSize));
    if (header == nullptr)
        throw std::bad_alloc();
    *header = nullptr;
    return header + 1;
}

void XmlArena::Free(void* inObject) noexcept
{
    if (inObject == nullptr)
        return;
    void** header = static_cast<void**>(inObject) - 1;
    Block* block = static_cast<Block*>(*header);
    if (block == nullptr)
        std::free(header);
    else if (block->mLive.fetch_sub(1, std::memory_order_acq_rel) == 1)
        Release(block);
}

void XmlArena::NewBlock(std::size_t inAtLeast)
{
    Close();
    // Small documents stay in small blocks; large ones soon get blocks the system can map in one go.
    const std::size_t size = std::max(mNextSize, RoundUp(sizeof(Block)) + inAtLeast);
    mNextSize = std::min(mNextSize * 2, kXmlMappedBlockSize);
    const bool mapped = size >= kXmlMappedBlockSize;
    void* memory = mapped ? XmlMapBlock(size) : std::malloc(size);
    if (memory == nullptr)
        throw std::bad_alloc();
    mBlock = new (memory) Block{{kHeld}, size, mapped};
    mNext = static_cast<char*>(memory) + RoundUp(sizeof(Block));
    mEnd = static_cast<char*>(memory) + size;
}

void XmlArena::Close() noexcept
{
    if (mBlock == nullptr)
        return;
    const std::int64_t change = mCarved - kHeld;
    if (mBlock->mLive.fetch_add(change, std::memory_order_acq_rel) + change == 0)
        Release(mBlock);
    mBlock = nullptr;
    mNext = mEnd = nullptr;
    mCarved = 0;
}

void XmlArena::Release(Block* inBlock) noexcept
{
    const std::size_t size = inBlock->mSize;
    const bool mapped = inBlock->mMapped;
    inBlock->~Block();
    if (mapped)
        XmlUnmapBlock(inBlock, size);
    else
        std::free(inBlock);
}
