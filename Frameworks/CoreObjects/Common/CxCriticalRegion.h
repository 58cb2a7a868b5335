// Locks: the abstract lockable, the recursive critical region and the guard that holds a lock for a block.
// These are the only locking primitives of the system. Each lockable is a capability for Clang's analysis.
#pragma once

#include "CxThreadSafety.h"
#include "CxTypes.h"

#include <atomic>
#include <mutex>
#include <thread>

class CAPABILITY("mutex") CxLockable
{
public:
    virtual ~CxLockable() = default;
    virtual void Lock() ACQUIRE() = 0;
    virtual void Unlock() RELEASE() = 0;
};

// Recursive: the holder may enter again and leaves as often as it entered. Leaving a region the calling thread
// does not hold is ignored (reported as an assertion) rather than undefined.
class CAPABILITY("mutex") CxCriticalRegion : public CxLockable
{
public:
    CxCriticalRegion() = default;
    ~CxCriticalRegion() override;
    CxCriticalRegion(const CxCriticalRegion&) = delete;
    CxCriticalRegion& operator=(const CxCriticalRegion&) = delete;

    void Lock() ACQUIRE() override;
    void Unlock() RELEASE() override;
    void Enter() ACQUIRE() { Lock(); }
    void Exit() RELEASE() { Unlock(); }
    // Enters without waiting; true when the calling thread now holds the region.
    bool EnterIfYouCan() TRY_ACQUIRE(true);
    // Reports (as an assertion) when the calling thread does not hold the region; for code that a caller runs
    // under the region, telling the analysis so.
    void AssertHeld() const ASSERT_CAPABILITY(this);

private:
    void Acquired();

    std::recursive_mutex mMutex;
    std::atomic<std::thread::id> mOwner{};
    CxUint32 mDepth = 0; // touched only by the holder
};

// Holds a lockable from construction to the end of the block, however the block ends.
class SCOPED_CAPABILITY CxAutoLock
{
public:
    explicit CxAutoLock(CxLockable* inLockable) ACQUIRE(inLockable);
    explicit CxAutoLock(CxLockable& inLockable) ACQUIRE(inLockable);
    ~CxAutoLock() RELEASE();
    CxAutoLock(const CxAutoLock&) = delete;
    CxAutoLock& operator=(const CxAutoLock&) = delete;

private:
    CxLockable* mLockable;
};
