// The map instance's commands (its two context menus and the frame's routing), the stand-alone copy of the map it
// hands to the system, its print job, the linked map it pushes its view to, its end and the process-wide list of
// map instances.
#include "VaneMapInstance.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxFile.h"
#include "CxStream.h"
#include "CxSystem.h"
#include "DxClients.h"
#include "DxFrame.h"
#include "FxCommander.h"
#include "FxPrintSettings.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxProjection.h"
#include "GxString.h"
#include "PfTypes.h"
#include "VaneAboutBox.h"
#include "VaneDataManager.h"
#include "VaneInspectors.h"
#include "VanePluginInstance.h"
#include "WxInspector.h"
#include "WxMap.h"
#include "WxProduct.h"
#include "XmlBuilder.h"
#include "XmlWriter.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr CxUint32 kCommandShow = pf::FourCC("SHOW"), kCommandLegend = pf::FourCC("LGND"),
                   kCommandAbout = pf::FourCC("ABOU"), kCommandDataManager = pf::FourCC("DMGR"),
                   kCommandProjectToFit = pf::FourCC("PFIT"), kCommandPrint = pf::FourCC("PRNT"),
                   kCommandZoomToFitMap = pf::FourCC("ZFMP"), kCommandZoomToFitProduct = pf::FourCC("ZFPR"),
                   kCommandShowLog = pf::FourCC("SLOG"), kCommandViewSource = pf::FourCC("VSRC"),
                   kCommandOpen = pf::FourCC("open");

} // namespace

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
    FinishPendingPrint(false);
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

// ---- commands

void VaneMapInstance::OnCommand(FxCommand& ioCommand)
{
    switch (ioCommand.Id())
    {
    case kCommandShow:
        CommandToggleProduct(ioCommand);
        break;
    case kCommandLegend:
        CommandToggleLegend(ioCommand);
        break;
    case kCommandAbout:
        CommandAbout(ioCommand);
        break;
    case kCommandDataManager:
        CommandShowDataManager(ioCommand);
        break;
    case kCommandProjectToFit:
        CommandProjectToFit(ioCommand);
        break;
    case kCommandPrint:
        CommandPrint(ioCommand);
        break;
    case kCommandZoomToFitMap:
        CommandZoomToFitMap(ioCommand);
        break;
    case kCommandZoomToFitProduct:
        CommandZoomToFitProduct(ioCommand);
        break;
    case kCommandShowLog:
        CommandShowLog(ioCommand);
        break;
    case kCommandViewSource:
        CommandViewSource(ioCommand);
        break;
    case kCommandOpen:
        CommandOpenInSkyvane(ioCommand);
        break;
    default:
        break;
    }
}

void VaneMapInstance::CommandToggleProduct(FxCommand& ioCommand)
{
    if (mMap != nullptr && mMap->SelectionCount() > 0)
    {
        const WxMap::ProductList selected = mMap->SelectedProducts();
        const bool visible = !selected.front()->IsVisible();
        for (WxProduct* product : selected)
            product->SetVisibility(visible);
    }
    ioCommand.Handled();
}

void VaneMapInstance::CommandToggleLegend(FxCommand& ioCommand)
{
    mLegendVisible = !mLegendVisible;
    if (mMap != nullptr)
        mMap->SetLegendVisible(mLegendVisible);
    if (!mLegendTimer.IsRepeating())
    {
        mLastTick = CxTickCount();
        mLegendTimer.StartRepeating();
    }
    ioCommand.Handled();
}

void VaneMapInstance::CommandAbout(FxCommand& ioCommand)
{
    VaneAboutBox::Display();
    ioCommand.Handled();
}

void VaneMapInstance::CommandShowDataManager(FxCommand& ioCommand)
{
    VaneDataManager::Display(CxString());
    ioCommand.Handled();
}

void VaneMapInstance::CommandProjectToFit(FxCommand& ioCommand)
{
    if (mMap == nullptr || mMap->SelectionCount() != 1)
        return;
    const auto* client = dynamic_cast<const DxClient*>(mMap->SelectedProducts().front());
    if (client == nullptr || client->Frame() == nullptr)
        return;
    const GxProjection* projection = client->Frame()->Projection();
    if (!projection->SupportsVectorProjection() || *projection == GxDegreeProjection() ||
        *projection == *mMap->Projection())
        return;
    mMap->SetProjection(*projection);
    // The focus point is in the old projection's kilometres; the next scroll starts from the same centre.
    mFocusPoint = mMap->Projection()->Project(mMap->GetMapCenter());
    Invalidate();
    ioCommand.Handled();
}

void VaneMapInstance::CommandPrint(FxCommand& ioCommand)
{
    GxContext* context = GetContext();
    if (context == nullptr)
        return;
    auto* settings = new FxPrintSettings();
    if (settings->PrintDialog(this, *context, nullptr))
    {
        FinishPendingPrint(false);
        mPendingPrint = settings;
        Invalidate();
    }
    else
    {
        delete settings;
    }
    ioCommand.Handled();
}

void VaneMapInstance::FinishPendingPrint(bool inPrint)
{
    if (mPendingPrint == nullptr)
        return;
    FxPrintSettings* settings = mPendingPrint;
    mPendingPrint = nullptr;
    settings->PrintDone(inPrint);
    delete settings;
}

void VaneMapInstance::CommandZoomToFitMap(FxCommand& ioCommand)
{
    if (mMap != nullptr)
        ZoomToFitBounds(mMap->Bounds());
    ioCommand.Handled();
}

void VaneMapInstance::CommandZoomToFitProduct(FxCommand& ioCommand)
{
    if (mMap != nullptr && mMap->SelectionCount() > 0)
        ZoomToFitBounds(mMap->SelectedProducts().front()->Bounds());
    ioCommand.Handled();
}

void VaneMapInstance::CommandShowLog(FxCommand& ioCommand)
{
    try
    {
        CxFile log = CxFolder(kCxLogsFolder).CreateFile(CxString("SkyvanePlugin.log"));
        log.Reveal();
    }
    catch (const CxError& inError)
    {
        _CxDebug(__FILE__, __LINE__, "inError", inError.AsString());
    }
    catch (...)
    {
        _CxDebugOut(__FILE__, __LINE__, "Unknown exception.", "Unknown exception.");
    }
    ioCommand.Handled();
}

void VaneMapInstance::CommandViewSource(FxCommand& ioCommand)
{
    CxData copy = mData.Copy();
    VaneWriteAndOpen(CxString("temp.txt"), copy);
    ioCommand.Handled();
}

void VaneMapInstance::CommandOpenInSkyvane(FxCommand& ioCommand)
{
    try
    {
        XmlBuilder builder;
        CxString version("version=\"%v\" encoding=\"UTF-8\"");
        version.ReplaceAll(CxString("%v"), CxString("1.4d1"), 0);
        builder.Instruction(CxString("vanedoc"), version);
        builder.Instruction(CxString("WxIsStationery"), CxString(""));
        builder.Instruction(CxString("MapView"), CxString("bounds=\"") + LocalBounds().AsString() + CxString("\""));
        builder.Begin(CxString("vanedoc"));
        ExternalizeCaption(builder);
        if (mMap != nullptr)
            mMap->Externalize(builder);
        builder.End(CxString("vanedoc"));

        CxData data(CxUint32(0));
        {
            CxTextStream stream(data);
            XmlTextStreamWriter writer(stream);
            builder.Write(writer);
        }
        VaneWriteAndOpen(CxString("temp.vanedoc"), data);
    }
    catch (const CxError& inError)
    {
        _CxDebug(__FILE__, __LINE__, "inError", inError.AsString());
    }
    catch (...)
    {
        _CxDebugOut(__FILE__, __LINE__, "Unknown exception.", "Unknown exception.");
    }
    ioCommand.Handled();
}

void VaneMapInstance::CommandHelp(FxCommand& ioCommand)
{
    ShowHelp(CxString("Skyvane"));
    ioCommand.Handled();
}

// ---- linked maps

void VaneMapInstance::SyncToBuddy()
{
    if (mMap == nullptr)
        return;
    const CxString buddy = GetArgument(CxString("buddy"));
    if (buddy.Length() > 0)
    {
        if (VaneMapInstance* other = gInstances.FindInstance(buddy))
            other->SyncFromBuddy(mViewDepth, mPerspective, mFocusPoint, mMap->TrackingPosition(), mTrackPoint);
    }
    // The map under the mouse draws no tracking cursor of its own.
    mShowTrackCursor = false;
}

void VaneMapInstance::SyncFromBuddy(double, double inPerspective, const GxPoint& inFocus,
                                    const GxPosition& inTrackingPosition, const CxPoint& inTrackPoint)
{
    if (mMap == nullptr)
        return;
    mShowTrackCursor = true;
    mTrackPoint = inTrackPoint;
    if (mProductInspector != nullptr)
        mProductInspector->SetTrackPosition(inTrackingPosition);
    mMap->SetTrackingPosition(inTrackingPosition);
    // A point outside this map's projection leaves the view where it is.
    const GxPoint saved = mFocusPoint;
    SetFocusPoint(inFocus);
    if (std::isnan(mFocusPoint.mX) || std::isnan(mFocusPoint.mY))
        mFocusPoint = saved;
    SetPerspective(inPerspective);
    Refresh();
}
