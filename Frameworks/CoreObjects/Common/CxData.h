// The byte buffer of the system: reply bodies, file contents, resources, images in memory. Copies share one body
// (no copy-on-write; Copy() gives an independent buffer). The bytes are reached through a nested lock that pins
// the block: nothing resizes a locked block, so Pointer() stays valid until the last Unlock().
//
// Copies may be made and dropped on different threads; the bytes and the lock count belong to one thread at a time.
#pragma once

#include "CxCriticalRegion.h"
#include "CxRcObject.h"
#include "CxTypes.h"

class CxString;

class CAPABILITY("mutex") CxData : public CxLockable
{
public:
    // A buffer without a block: size 0, and every operation on the bytes is reported and skipped.
    CxData();
    // A zero-filled block of that size (size 0 still has a block).
    explicit CxData(CxUint32 inSize);
    CxData(const void* inBytes, CxUint32 inSize);
    // Classic resources by type and id do not exist here: a buffer without a block.
    CxData(const CxString& inType, CxSint16 inId);
    // The bundle's resource file named <name>.<type>; a buffer without a block when the bundle has none.
    CxData(const CxString& inType, const CxString& inName);

    CxData(const CxData& inOther);
    CxData& operator=(const CxData& inOther);
    ~CxData() override;

    CxData Copy() const;
    // Appends the other's bytes. Skipped (and reported) when either side has no block or this block is locked.
    CxData& operator+=(const CxData& inOther);
    // Copy() of this with the other appended.
    CxData operator+(const CxData& inOther) const;

    // Identity: the same body, never equal contents.
    bool IsEqualTo(const CxData& inOther) const { return mImp.Get() == inOther.mImp.Get(); }
    bool operator==(const CxData& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const CxData& inOther) const { return !IsEqualTo(inOther); }

    CxUint32 Size() const;
    // Keeps the bytes up to the smaller size; new bytes are zero. Skipped (and reported) on a locked buffer.
    void SetSize(CxUint32 inSize);

    void Lock() ACQUIRE() override;
    void Unlock() RELEASE() override;

    // The first byte; only while locked.
    void* Pointer();
    const void* Pointer() const;

    // The block itself (its address), or null for a buffer without one. It moves when the block is resized.
    const void* GetHandle() const;

    class PrivateImp;

private:
    CxRcPointer<PrivateImp> mImp;
};
