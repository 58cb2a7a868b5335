#include "WxInspector.h"

#include "CxDebug.h"
#include "GxContext.h"
#include "GxString.h"

WxInspector::WxInspector() = default;

WxInspector::~WxInspector()
{
    // Deleting them here would touch GL without a current context.
    CxAssert(mGxStrings.size() == 0);
}

void WxInspector::OnDraw(GxContext&, const CxRect&) {}

void WxInspector::OnMouseDown(const WxMouseDown&) {}

bool WxInspector::IsShown()
{
    return false;
}

void WxInspector::SetTrackPosition(const GxPosition&) {}

void WxInspector::SetTrackPoint(const GxPoint&) {}

void WxInspector::DeleteTextures(GxContext& ioContext)
{
    ioContext.MakeCurrent();
    for (GxString* text : mGxStrings)
        delete text;
    mGxStrings.clear();
}

bool WxPopup::ShouldInvalidate() const
{
    return false;
}

void WxPopup::OnDraw(GxContext&) {}
