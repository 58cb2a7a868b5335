#include "WxProductTable.h"

#include "CxDebug.h"
#include "WxAdvisory.h"
#include "WxContour.h"
#include "WxDistance.h"
#include "WxGradient.h"
#include "WxGridline.h"
#include "WxImage.h"
#include "WxObs.h"
#include "WxRadar.h"
#include "WxSeriesClient.h"
#include "WxSeriesVectorClient.h"
#include "WxShape.h"
#include "WxShapeFill.h"
#include "WxSymbol.h"
#include "WxVector.h"

namespace
{

struct Slot
{
    const char* mName;
    WxProductFactory mFactory;
};

// The order in which names are tested.
Slot sSlots[kWxProductKinds] = {
    {"vector", nullptr}, {"contour", nullptr}, {"gradient", nullptr}, {"gridlines", nullptr},
    {"obs", nullptr},    {"symbol", nullptr},  {"shape", nullptr},    {"shapefill", nullptr},
    {"radar", nullptr},  {"image", nullptr},   {"distance", nullptr}, {"advisory", nullptr},
};

Slot* FindSlot(const CxString& inName)
{
    for (Slot& slot : sSlots)
    {
        if (inName == slot.mName)
            return &slot;
    }
    return nullptr;
}

struct SeriesSlot
{
    const char* mName;
    WxSeriesFactory mFactory;
};

SeriesSlot sSeriesSlots[] = {{"series", nullptr}, {"vectorseries", nullptr}};

SeriesSlot* FindSeriesSlot(const CxString& inName)
{
    for (SeriesSlot& slot : sSeriesSlots)
    {
        if (inName == slot.mName)
            return &slot;
    }
    return nullptr;
}

} // namespace

WxSeriesFactory WxFindSeriesFactory(const CxString& inName)
{
    const SeriesSlot* slot = FindSeriesSlot(inName);
    return slot != nullptr ? slot->mFactory : nullptr;
}

WxSeriesFactory WxSetSeriesFactory(const CxString& inName, WxSeriesFactory inFactory)
{
    SeriesSlot* slot = FindSeriesSlot(inName);
    CxAssertText(slot != nullptr, "known series name");
    if (slot == nullptr)
        return nullptr;
    const WxSeriesFactory old = slot->mFactory;
    slot->mFactory = inFactory;
    return old;
}

const char* WxProductKindName(std::size_t inKind)
{
    return inKind < kWxProductKinds ? sSlots[inKind].mName : nullptr;
}

WxProductFactory WxFindProductFactory(const CxString& inName)
{
    const Slot* slot = FindSlot(inName);
    return slot != nullptr ? slot->mFactory : nullptr;
}

WxProductFactory WxSetProductFactory(const CxString& inName, WxProductFactory inFactory)
{
    Slot* slot = FindSlot(inName);
    CxAssertText(slot != nullptr, "known product name");
    if (slot == nullptr)
        return nullptr;
    const WxProductFactory old = slot->mFactory;
    slot->mFactory = inFactory;
    return old;
}

void WxRegisterProducts()
{
    WxSetProductFactory(CxString("gridlines"), &WxGridline::Make);
    WxSetProductFactory(CxString("obs"), &WxObs::Make);
    WxSetProductFactory(CxString("vector"), &WxVector::Make);
    WxSetProductFactory(CxString("symbol"), &WxSymbol::Make);
    WxSetProductFactory(CxString("contour"), &WxContour::Make);
    WxSetProductFactory(CxString("gradient"), &WxGradient::Make);
    WxSetProductFactory(CxString("radar"), &WxRadar::Make);
    WxSetProductFactory(CxString("distance"), &WxDistance::Make);
    WxSetProductFactory(CxString("shape"), &WxShape::Make);
    WxSetProductFactory(CxString("shapefill"), &WxShapeFill::Make);
    WxSetProductFactory(CxString("image"), &WxImage::Make);
    WxSetSeriesFactory(CxString("series"), &WxSeriesClient::Make);
    WxSetSeriesFactory(CxString("vectorseries"), &WxSeriesVectorClient::Make);
    WxSetProductFactory(CxString("advisory"), &WxAdvisory::Make);
}
