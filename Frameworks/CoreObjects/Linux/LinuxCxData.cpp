// The block behind CxData is malloc memory. "Stays in place while locked" holds because nothing resizes a locked
// block; spare capacity lets streams append byte by byte without reallocating each time.
#include "CxData.h"

#include "CxDebug.h"
#include "CxString.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

class CxData::PrivateImp final : public CxRcObject
{
public:
    PrivateImp() = default;

    explicit PrivateImp(CxUint32 inSize) { Allocate(inSize); }

    // Unshareable bodies are copied on sharing: the block is duplicated, the lock count starts again.
    PrivateImp(const PrivateImp& inOther) : CxRcObject(inOther)
    {
        if (inOther.mHandle != nullptr && Allocate(inOther.mSize))
            std::memcpy(mHandle, inOther.mHandle, inOther.mSize);
    }

    PrivateImp& operator=(const PrivateImp&) = delete;

    ~PrivateImp() override { std::free(mHandle); }

    // Zero-filled. A block of size 0 is still a block (one spare byte), so "empty" differs from "none".
    bool Allocate(CxUint32 inSize)
    {
        mHandle = static_cast<unsigned char*>(std::calloc(std::max<CxUint32>(inSize, 1), 1));
        CxAssertText(mHandle != nullptr, "mImp->mHandle != nil");
        if (mHandle == nullptr)
            return false;
        mSize = inSize;
        mCapacity = std::max<CxUint32>(inSize, 1);
        return true;
    }

    // New bytes are zero. False (nothing changed) when memory runs out.
    bool Resize(CxUint32 inSize)
    {
        CxUint32 capacity = mCapacity;
        if (inSize > mCapacity)
        {
            // Grow by half again at least, so that appending a byte at a time stays linear.
            const CxUint64 grown = CxUint64(mCapacity) + mCapacity / 2;
            capacity =
                CxUint32(std::min<CxUint64>(std::max<CxUint64>(inSize, grown), std::numeric_limits<CxUint32>::max()));
        }
        else if (inSize < mCapacity / 4)
        {
            capacity = std::max<CxUint32>(inSize, 1); // give back most of a block that shrank a lot
        }
        if (capacity != mCapacity)
        {
            void* block = std::realloc(mHandle, capacity);
            if (block == nullptr)
            {
                CxAssertText(false, "realloc != nil");
                return false;
            }
            mHandle = static_cast<unsigned char*>(block);
            mCapacity = capacity;
        }
        if (inSize > mSize)
            std::memset(mHandle + mSize, 0, inSize - mSize);
        mSize = inSize;
        return true;
    }

    unsigned char* mHandle = nullptr;
    CxSint32 mLockCount = 0;
    CxUint32 mSize = 0;
    CxUint32 mCapacity = 0;
};

CxData::CxData() : mImp(new PrivateImp) {}

CxData::CxData(CxUint32 inSize) : mImp(new PrivateImp(inSize)) {}

CxData::CxData(const void* inBytes, CxUint32 inSize) : mImp(new PrivateImp(inSize))
{
    CxAssertText(inBytes != nullptr || inSize == 0, "inBytes != nil");
    if (mImp->mHandle != nullptr && inBytes != nullptr && inSize > 0)
        std::memcpy(mImp->mHandle, inBytes, inSize);
}

CxData::CxData(const CxString&, CxSint16) : mImp(new PrivateImp) {}

CxData::CxData(const CxData& inOther) = default;

CxData& CxData::operator=(const CxData& inOther) = default;

CxData::~CxData() = default;

CxData CxData::Copy() const
{
    CxData copy;
    if (mImp->mHandle != nullptr)
        copy = CxData(mImp->mHandle, mImp->mSize);
    return copy;
}

CxData& CxData::operator+=(const CxData& inOther)
{
    PrivateImp& self = *mImp;
    const PrivateImp& other = *inOther.mImp;
    CxAssertText(other.mHandle != nullptr, "inData.mImp->mHandle != nil");
    CxAssertText(self.mHandle != nullptr, "mImp->mHandle != nil");
    if (other.mHandle == nullptr || self.mHandle == nullptr)
        return *this;
    // A pinned block must not move: someone holds a pointer into it.
    CxAssertText(self.mLockCount == 0, "mImp->mLockCount == 0");
    if (self.mLockCount != 0)
        return *this;

    const CxUint32 oldSize = self.mSize;
    const CxUint32 addSize = other.mSize; // read before resizing: for a += a it is our own old size
    const CxUint64 total = CxUint64(oldSize) + addSize;
    CxAssertText(total <= std::numeric_limits<CxUint32>::max(), "size <= max");
    if (total > std::numeric_limits<CxUint32>::max() || !self.Resize(CxUint32(total)))
        return *this;
    // Only now take the source address: for a += a the block may just have moved.
    if (addSize > 0)
        std::memcpy(self.mHandle + oldSize, other.mHandle, addSize);
    return *this;
}

CxData CxData::operator+(const CxData& inOther) const
{
    CxData sum = Copy();
    sum += inOther;
    return sum;
}

CxUint32 CxData::Size() const
{
    return mImp->mSize;
}

void CxData::SetSize(CxUint32 inSize)
{
    PrivateImp& imp = *mImp;
    CxAssertText(imp.mHandle != nullptr, "mImp->mHandle != nil");
    if (imp.mHandle == nullptr)
        return;
    CxAssertText(imp.mLockCount == 0, "mImp->mLockCount == 0");
    if (imp.mLockCount != 0)
        return;
    imp.Resize(inSize);
}

void CxData::Lock()
{
    // Pinning is implicit: a locked block is never resized.
    ++mImp->mLockCount;
}

void CxData::Unlock()
{
    CxAssertText(mImp->mLockCount > 0, "mImp->mLockCount > 0");
    if (mImp->mLockCount > 0)
        --mImp->mLockCount;
}

void* CxData::Pointer()
{
    CxAssertText(mImp->mHandle != nullptr, "mImp->mHandle != nil");
    CxAssertText(mImp->mLockCount > 0, "mImp->mLockCount > 0");
    return mImp->mHandle;
}

const void* CxData::Pointer() const
{
    CxAssertText(mImp->mHandle != nullptr, "mImp->mHandle != nil");
    CxAssertText(mImp->mLockCount > 0, "mImp->mLockCount > 0");
    return mImp->mHandle;
}

const void* CxData::GetHandle() const
{
    return mImp->mHandle;
}
