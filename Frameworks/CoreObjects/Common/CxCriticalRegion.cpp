#include "CxCriticalRegion.h"

#include "CxDebug.h"

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

// The standard recursive mutex has a trivial destructor, so ThreadSanitizer never learns that the lock is gone and
// takes a later lock at the same address for the same one, reporting lock-order cycles that cannot happen.
CxCriticalRegion::~CxCriticalRegion()
{
#if defined(__SANITIZE_THREAD__)
    __tsan_mutex_destroy(&mMutex, 0);
#endif
}

void CxCriticalRegion::Acquired()
{
    if (mDepth++ == 0)
        mOwner.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

void CxCriticalRegion::Lock()
{
    mMutex.lock();
    Acquired();
}

bool CxCriticalRegion::EnterIfYouCan()
{
    if (!mMutex.try_lock())
        return false;
    Acquired();
    return true;
}

void CxCriticalRegion::AssertHeld() const
{
    CxAssert(mOwner.load(std::memory_order_relaxed) == std::this_thread::get_id());
}

void CxCriticalRegion::Unlock()
{
    // Only the holder's own id can match, so a stray exit from any other thread is caught here.
    const bool held = mOwner.load(std::memory_order_relaxed) == std::this_thread::get_id();
    CxAssert(held);
    if (!held)
        return;
    if (--mDepth == 0)
        mOwner.store(std::thread::id(), std::memory_order_relaxed);
    mMutex.unlock();
}

CxAutoLock::CxAutoLock(CxLockable* inLockable) : mLockable(inLockable)
{
    CxAssert(inLockable != nullptr);
    if (mLockable != nullptr)
        mLockable->Lock();
}

CxAutoLock::CxAutoLock(CxLockable& inLockable) : mLockable(&inLockable)
{
    mLockable->Lock();
}

CxAutoLock::~CxAutoLock()
{
    if (mLockable != nullptr)
        mLockable->Unlock();
}
