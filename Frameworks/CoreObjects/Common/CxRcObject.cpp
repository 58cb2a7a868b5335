#include "CxRcObject.h"

#include "CxDebug.h"

CxRcObject::~CxRcObject()
{
    CxAssertText(mRefCount.load(std::memory_order_relaxed) == 0, "mRefCount == 0");
}

void CxRcObject::AddReference()
{
    // A new holder always comes from an existing one (or is the first), so relaxed ordering is enough here.
    const CxSint32 before = mRefCount.fetch_add(1, std::memory_order_relaxed);
    CxAssertText(before >= 0, "mRefCount >= 0");
}

void CxRcObject::RemoveReference()
{
    // Release our writes to the body; the thread that drops the last reference acquires them all before deleting.
    const CxSint32 before = mRefCount.fetch_sub(1, std::memory_order_acq_rel);
    CxAssertText(before > 0, "mRefCount > 0");
    if (before == 1)
        delete this;
}
