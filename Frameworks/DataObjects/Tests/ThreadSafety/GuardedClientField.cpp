// The expected date is read by the update thread under the client lock: reading it without that lock must not
// build. Compiled by clang alone, with SKYVANE_FIXTURE_FAULT (refused) and without (compiles).
#include "DxClients.h"

class FixtureClient : public DxClient
{
public:
    CxDate Expected() const
    {
#if defined(SKYVANE_FIXTURE_FAULT)
        CxDate date = mExpectedDate;
#else
        CxAutoLock lock(mLock);
        CxDate date = mExpectedDate;
#endif
        return date;
    }
};
