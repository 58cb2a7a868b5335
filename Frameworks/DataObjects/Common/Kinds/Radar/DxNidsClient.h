// The client of a radar set: one product of one radar site, keyed by the site id, a colon and the product type.
// The main thread sets site and product while the manager's update thread reads the key, so both live under the
// client lock and are answered as copies.
#pragma once

#include "CxDate.h"
#include "DxClients.h"
#include "DxConfigParsers.h"
#include "DxUnit.h"

class DxIndexedImage;

class DxNidsClient : public DxClient
{
public:
    DxNidsClient() = default;
    // Leaves the manager before the site and product go.
    ~DxNidsClient() override;

    CxString Id() const override;
    bool IsIdValid() const override;

    // Neither refreshes.
    void SetSite(const DxNidsSite& inSite);
    void SetProduct(const DxNidsProduct& inProduct);
    DxNidsSite Site() const;
    DxNidsProduct Product() const;
    // The current frame as the radar image it always is; null without one.
    DxIndexedImage* IndexedImage() const;

    // Read from the current image: the volume coverage pattern (999 without), the data type (100 without), the
    // unit of the data levels ("nada" without), and the product's begin and end dates from "productTimes" (the
    // missing date without its twelve values).
    CxSint32 GetVCP() const;
    CxSint32 GetNidsType() const;
    DxUnit NidsUnit() const;
    CxDate GetProductBeginDate() const;
    CxDate GetProductEndDate() const;

protected:
    // The set's product of the same id, so a new configuration's names and units reach the client.
    void OnReleaseAndInvalidate() override;

private:
    CxSint32 FirstInt(const char* inField, CxSint32 inDefault) const;
    CxDate ProductDate(std::size_t inFirst) const;

    DxNidsProduct mProduct GUARDED_BY(mLock);
    DxNidsSite mSite GUARDED_BY(mLock);
};
