// A client's lock is taken after its manager's region, never before it. Compiled by clang alone, with
// SKYVANE_FIXTURE_FAULT (the order reversed: refused) and without (compiles).
#include "DxClients.h"

class FixtureClient : public DxClient
{
public:
    void Expect(const CxDate& inDate)
    {
        if (mManager == nullptr)
            return;
#if defined(SKYVANE_FIXTURE_FAULT)
        CxAutoLock lock(mLock);
        CxAutoLock managerLock(mManager->Region());
#else
        CxAutoLock managerLock(mManager->Region());
        CxAutoLock lock(mLock);
#endif
        mExpectedDate = inDate;
    }
};
