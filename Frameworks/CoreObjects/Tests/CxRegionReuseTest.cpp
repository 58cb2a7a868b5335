// Regions that die and are made again at the same address are new locks: taking two of them in the other order
// later is no lock-order cycle. Under ThreadSanitizer this test fails with a deadlock report if the old ones were
// never forgotten.
#include "CxCriticalRegion.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>

namespace
{
// Places two regions at fixed addresses, so that the second pair reuses the first pair's memory.
struct RegionPair
{
    alignas(CxCriticalRegion) unsigned char mFirst[sizeof(CxCriticalRegion)];
    alignas(CxCriticalRegion) unsigned char mSecond[sizeof(CxCriticalRegion)];
};

void LockBothInOrder(CxCriticalRegion& ioOuter, CxCriticalRegion& ioInner)
{
    CxAutoLock outer(ioOuter);
    CxAutoLock inner(ioInner);
}
} // namespace

TEST(CxRegionReuse, ReusedAddressesAreNewLocks)
{
    auto pair = std::make_unique<RegionPair>();
    {
        auto* a = new (pair->mFirst) CxCriticalRegion;
        auto* b = new (pair->mSecond) CxCriticalRegion;
        LockBothInOrder(*a, *b);
        b->~CxCriticalRegion();
        a->~CxCriticalRegion();
    }
    {
        auto* c = new (pair->mFirst) CxCriticalRegion;
        auto* d = new (pair->mSecond) CxCriticalRegion;
        LockBothInOrder(*d, *c);
        EXPECT_TRUE(c->EnterIfYouCan());
        c->Exit();
        d->~CxCriticalRegion();
        c->~CxCriticalRegion();
    }
}
