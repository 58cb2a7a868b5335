// The client of an advisory set: the advisory kinds it shows and the projection its frames are built in. The
// advisory reader copies both on the update thread while the product changes them on the main thread, so both
// are guarded by the client lock.
#pragma once

#include "CxString.h"
#include "DxClients.h"
#include "DxConfigParsers.h"
#include "GxProjection.h"

#include <memory>
#include <vector>

class DxAdvisoryClient : public DxClient, public GxProjector
{
public:
    DxAdvisoryClient() = default;
    // Leaves the manager before the lists go.
    ~DxAdvisoryClient() override;

    // A copy of the set's product list, taken under the manager's lock; nothing without an advisory manager.
    void LoadAdvisoryList();
    std::vector<DxAdvisory>::const_iterator AdvisoryInfoBegin() const { return mAdvisoryInfo.cbegin(); }
    std::vector<DxAdvisory>::const_iterator AdvisoryInfoEnd() const { return mAdvisoryInfo.cend(); }

    // A different list marks the frame stale, so the next update reads the document again for the new choice.
    void SetAdvisoryClientIds(const CxStringList& inIds);
    CxStringList GetAdvisoryClientIds() const;
    // Hides the projector's unlocked setter: use these for the client's projection.
    void SetProjection(const GxProjection& inProjection);
    [[nodiscard]] std::unique_ptr<GxProjection> CopyProjection() const;

protected:
    // The product lays its own settings over the copy in place.
    std::vector<DxAdvisory>& AdvisoryInfoList() { return mAdvisoryInfo; }

private:
    CxStringList mAdvisoryClientIds GUARDED_BY(mLock);
    std::vector<DxAdvisory> mAdvisoryInfo; // the main thread's alone
};
