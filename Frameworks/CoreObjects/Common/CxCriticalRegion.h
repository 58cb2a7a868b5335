// Locks: the abstract lockable, the recursive critical region and the guard that holds a lock for a block.
// These are the only locking primitives of the system.
#pragma once

#include "CxTypes.h"

#include <atomic>
#include <mutex>
#include <thread>

class CxLockable
{
public:
    virtual ~CxLockable() = default;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

// Recursive: the holder may enter again and leaves as often as it entered. Leaving a region the calling thread
// does not hold is ignored (reported as an assertion) rather than undefined.
class CxCriticalRegion : public CxLockable
{
public:
    CxCriticalRegion() = default;
    ~CxCriticalRegion() override;
    CxCriticalRegion(const CxCriticalRegion&) = delete;
    CxCriticalRegion& operator=(const CxCriticalRegion&) = delete;

    void Lock() override;
    void Unlock() override;
    void Enter() { Lock(); }
    void Exit() { Unlock(); }
    // Enters without waiting; true when the calling thread now holds the region.
    bool EnterIfYouCan();

private:
    void Acquired();

    std::recursive_mutex mMutex;
    std::atomic<std::thread::id> mOwner{};
    CxUint32 mDepth = 0; // touched only by the holder
};

// Holds a lockable from construction to the end of the block, however the block ends.
class CxAutoLock
{
public:
    explicit CxAutoLock(CxLockable* inLockable);
    explicit CxAutoLock(CxLockable& inLockable);
    ~CxAutoLock();
    CxAutoLock(const CxAutoLock&) = delete;
    CxAutoLock& operator=(const CxAutoLock&) = delete;

private:
    CxLockable* mLockable;
};
