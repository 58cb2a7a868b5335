// A station product's request: the parameters it wants from a station data set and whether it wants them as a
// table of stations or as an analysed grid. The manager's update thread reads the request while building, so
// every change takes the manager's lock before the client's.
#pragma once

#include "DxClients.h"
#include "DxParm.h"

#include <vector>

class DxObsManager;

using DxFrameType = CxSint32;
enum : DxFrameType
{
    kDxFrameTable = 0,
    kDxFrameGrid = 1
};

class DxObsClient : public DxClient
{
public:
    DxObsClient() = default;
    ~DxObsClient() override;

    void SetFrameType(DxFrameType inType);
    DxFrameType FrameType() const;
    // Tables then carry every column of the station file, not only the requested parameters.
    void SetWantsEverything(bool inWants);
    bool WantsEverything() const;

    // Each makes the held frame due for rebuilding.
    void AddParm(const DxParm& inParm);
    void RemoveParm(const DxParm& inParm);
    // Name and type from the set's definition; nothing without a station manager.
    void UpdateParm(DxParm& ioParm);
    std::vector<DxParm> Parms() const;
    CxUint32 CountParms() const;

private:
    DxObsManager* ObsManager() const;
    // Manager lock, then client lock: the order the update thread takes them in.
    template <typename Change> void Locked(Change inChange);

    std::vector<DxParm> mParms GUARDED_BY(mLock);
    DxFrameType mFrameType GUARDED_BY(mLock) = kDxFrameTable;
    bool mWantsEverything GUARDED_BY(mLock) = false;
};
