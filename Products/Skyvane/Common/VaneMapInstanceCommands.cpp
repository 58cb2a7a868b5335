// The map instance's end and the process-wide list of map instances.
#include "VaneMapInstance.h"

#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "VaneInspectors.h"
#include "WxInspector.h"
#include "WxMap.h"

#include <algorithm>

VaneMapInstanceList gInstances;

VaneMapInstance::~VaneMapInstance()
{
    GxContext* context = GetContext();
    if (context != nullptr)
        context->MakeCurrent();
    // Without a context the textures went with it; the objects still go.
    delete mCaptionString;
    mCaptionString = nullptr;
    delete mDateString;
    mDateString = nullptr;
    delete mCaptionFont;
    mCaptionFont = nullptr;
    delete mProductInspector;
    mProductInspector = nullptr;
    delete mFloatingInspector;
    mFloatingInspector = nullptr;
    delete mPopup;
    mPopup = nullptr;
    if (mMap != nullptr)
    {
        mMap->DetachReceiver(this);
        delete mMap;
        mMap = nullptr;
    }
    gInstances.RemoveInstance(this);
}

void VaneMapInstanceList::AddInstance(VaneMapInstance* inInstance)
{
    mInstances.push_back(inInstance);
}

void VaneMapInstanceList::RemoveInstance(VaneMapInstance* inInstance)
{
    const auto found = std::find(mInstances.begin(), mInstances.end(), inInstance);
    if (found != mInstances.end())
        mInstances.erase(found);
}

VaneMapInstance* VaneMapInstanceList::FindInstance(const CxString& inId) const
{
    for (VaneMapInstance* instance : mInstances)
        if (instance->Id() == inId)
            return instance;
    return nullptr;
}
