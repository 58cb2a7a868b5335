// Storage for the items and attributes a parser makes: carved from large blocks, without the general heap's cost
// per object, yet each freed on its own. Every object carries its block; the block goes back once its last object
// is freed and its arena has moved on, so an item may be deleted singly, orphaned and kept, or freed on another
// thread, long after the parser is gone. Objects made with plain new carry no block and use the heap.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

class XmlArena
{
public:
    XmlArena() = default;
    ~XmlArena() { Close(); }
    XmlArena(const XmlArena&) = delete;
    XmlArena& operator=(const XmlArena&) = delete;

    // Room for an object of inSize bytes, aligned for any item; throws std::bad_alloc as new does.
    void* Allocate(std::size_t inSize);
    // The same on the heap, for objects made outside a parser.
    static void* AllocateAlone(std::size_t inSize);
    // Frees what either of them gave.
    static void Free(void* inObject) noexcept;

    static constexpr std::size_t kAlignment = 8;

private:
    struct Block
    {
        // Objects not yet freed, plus kHeld while an arena still carves from the block.
        std::atomic<std::int64_t> mLive;
        std::size_t mSize;
        bool mMapped;
    };
    static constexpr std::int64_t kHeld = std::int64_t(1) << 48;

    void NewBlock(std::size_t inAtLeast);
    // Lets go of the current block: the objects carved from it count from now on.
    void Close() noexcept;
    static void Release(Block* inBlock) noexcept;

    Block* mBlock = nullptr;
    char* mNext = nullptr;
    char* mEnd = nullptr;
    std::int64_t mCarved = 0; // objects carved from mBlock, counted once the block is closed
    std::size_t mNextSize = 8 * 1024;
};

// The platform's source of large blocks: zeroed pages the system may back with huge pages.
void* XmlMapBlock(std::size_t inSize);
void XmlUnmapBlock(void* inBlock, std::size_t inSize) noexcept;
// Blocks at least this large come from XmlMapBlock, smaller ones from the heap.
extern const std::size_t kXmlMappedBlockSize;
