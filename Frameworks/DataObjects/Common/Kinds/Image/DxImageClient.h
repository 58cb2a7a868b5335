// The client of an image set: one item of each category level, keyed by the first item's id, ":" and the
// second's.
#pragma once

#include "DxClients.h"
#include "DxConfigParsers.h"

class DxImageClient : public DxClient
{
public:
    DxImageClient() = default;
    // Leaves the manager before the items go.
    ~DxImageClient() override;

    CxString Id() const override;
    bool IsIdValid() const override;

    void SetCategory1(const DxImageItem& inItem);
    void SetCategory2(const DxImageItem& inItem);
    DxImageItem Category1() const;
    DxImageItem Category2() const;

protected:
    // Takes the items of the set's (possibly new) description that match the held ones.
    void OnReleaseAndInvalidate() override;

private:
    DxImageItem mCategory2 GUARDED_BY(mLock);
    DxImageItem mCategory1 GUARDED_BY(mLock);
};
