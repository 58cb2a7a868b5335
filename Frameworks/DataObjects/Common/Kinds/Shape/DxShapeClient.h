// The client of a shape set: one feature of one region, keyed by the region, a colon and the feature.
#pragma once

#include "DxClients.h"

class DxShapeClient : public DxClient
{
public:
    DxShapeClient() = default;
    // Leaves the manager before the frame goes.
    ~DxShapeClient() override;

    CxString Id() const override;
    bool IsIdValid() const override;

    void SetFeature(const CxString& inFeature);
    void SetRegion(const CxString& inRegion);
    CxString Feature() const;
    CxString Region() const;

private:
    CxString mFeature GUARDED_BY(mLock);
    CxString mRegion GUARDED_BY(mLock);
};
