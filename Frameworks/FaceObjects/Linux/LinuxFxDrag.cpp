// Drags and the clipboard over the platform's drags, the one scrap and its promise keeper.
#include "FxColorControls.h"
#include "FxDrag.h"
#include "FxDragHandler.h"
#include "FxScrapHandler.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
CxRect ToCxRect(const pf::Rect& inRect)
{
    return CxRect(CxSint16(inRect.x), CxSint16(inRect.y), CxSint16(inRect.x + inRect.w), CxSint16(inRect.y + inRect.h));
}
} // namespace

// ---- FxDrag ----------------------------------------------------------------------------------------------------

FxDrag::FxDrag() : mDrag(pf::NewDrag()), mOwned(true) {}

FxDrag::FxDrag(const pf::Event& inEvent)
{
    pf::DragRef drag = nullptr;
    if (inEvent.GetParam(pf::kParamDragRef, pf::kTypeDragRef, drag) == pf::kNoErr)
    {
        mDrag = drag;
    }
}

FxDrag::~FxDrag()
{
    if (mOwned && mDrag != nullptr)
    {
        pf::DisposeDrag(mDrag);
    }
}

std::uint16_t FxDrag::CountItems() const
{
    return mDrag != nullptr ? pf::CountDragItems(mDrag) : 0;
}

CxPoint FxDrag::Location() const
{
    const pf::Point p = pf::GetDragMouse(mDrag);
    return CxPoint(CxSint16(p.x), CxSint16(p.y));
}

FxDragItem FxDrag::GetItemByIndex(std::uint16_t inIndex) const
{
    return FxDragItem(mDrag, pf::GetDragItemReferenceNumber(mDrag, inIndex));
}

FxDragItem FxDrag::GetItemById(pf::DragItemRef inItem) const
{
    return FxDragItem(mDrag, inItem);
}

FxDragItem FxDrag::AddItem(pf::DragItemRef inItem, pf::FourCharCode inType, const void* inData, std::size_t inSize)
{
    const std::uint32_t flags = inData == nullptr && inSize != 0 ? pf::kFlavorDataPromised : 0;
    pf::AddDragItemFlavor(mDrag, inItem, inType, inData, inSize, flags);
    return FxDragItem(mDrag, inItem);
}

pf::OSStatus FxDrag::Track(FxDragHandler* inHandler, const CxPoint& inStart)
{
    if (mDrag == nullptr || inHandler == nullptr)
    {
        return pf::kParamErr;
    }
    // The platform draws no outline; it is kept for those who ask.
    mOutline.clear();
    const std::uint16_t count = CountItems();
    for (std::uint16_t i = 1; i <= count; ++i)
    {
        mOutline.push_back(GetItemByIndex(i).Bounds());
    }
    inHandler->PrepareToTrack(*this);
    inHandler->TrackBegin(*this);
    const pf::OSStatus status = pf::TrackDrag(mDrag, pf::Point{double(inStart.h), double(inStart.v)});
    inHandler->TrackEnd(*this);
    return status;
}

// ---- FxDragItem ------------------------------------------------------------------------------------------------

std::uint16_t FxDragItem::CountFlavors() const
{
    return pf::CountDragItemFlavors(mDrag, mItem);
}

FxDragFlavor FxDragItem::GetFlavorByIndex(std::uint16_t inIndex) const
{
    return FxDragFlavor(mDrag, mItem, pf::GetFlavorType(mDrag, mItem, inIndex));
}

FxDragFlavor FxDragItem::GetFlavorById(pf::FourCharCode inType) const
{
    return FxDragFlavor(mDrag, mItem, inType);
}

FxDragFlavor FxDragItem::AddFlavor(pf::FourCharCode inType, const void* inData, std::size_t inSize)
{
    pf::AddDragItemFlavor(mDrag, mItem, inType, inData, inSize, inData == nullptr ? pf::kFlavorDataPromised : 0);
    return FxDragFlavor(mDrag, mItem, inType);
}

void FxDragItem::SetBounds(const CxRect& inBounds)
{
    pf::SetDragItemBounds(
        mDrag, mItem,
        pf::Rect{double(inBounds.left), double(inBounds.top), double(inBounds.Width()), double(inBounds.Height())});
}

CxRect FxDragItem::Bounds() const
{
    return ToCxRect(pf::GetDragItemBounds(mDrag, mItem));
}

// ---- FxDragFlavor ----------------------------------------------------------------------------------------------

std::size_t FxDragFlavor::GetSize() const
{
    if (mType == kFxColorDragFlavor)
    {
        GxColor color;
        return FxGetColorFromPasteboard(mDrag, color) ? sizeof(GxColor) : 0;
    }
    std::size_t size = 0;
    return pf::GetFlavorDataSize(mDrag, mItem, mType, &size) == pf::kNoErr ? size : 0;
}

std::size_t FxDragFlavor::GetData(void* outBuffer, std::size_t inSize, std::size_t inOffset, std::size_t* outSize) const
{
    std::size_t size = 0;
    if (mType == kFxColorDragFlavor && inSize == sizeof(GxColor))
    {
        // Without a colour nothing was read: the buffer stays as it was and 0 is reported.
        GxColor color;
        if (outBuffer != nullptr && FxGetColorFromPasteboard(mDrag, color))
        {
            std::memcpy(outBuffer, &color, sizeof color);
            size = sizeof color;
        }
    }
    else
    {
        size = inSize;
        if (pf::GetFlavorData(mDrag, mItem, mType, outBuffer, &size, inOffset) != pf::kNoErr)
        {
            size = 0;
        }
    }
    if (outSize != nullptr)
    {
        *outSize = size;
    }
    return size;
}

pf::OSStatus FxDragFlavor::SetData(const void* inData, std::size_t inSize, std::size_t inOffset)
{
    return pf::SetDragItemFlavorData(mDrag, mItem, mType, inData, inSize, inOffset);
}

pf::WindowRef FxGetWindowRefFromDragEvent(const pf::Event& inEvent)
{
    pf::ViewRef control = nullptr;
    if (inEvent.GetParam(pf::kParamDirectObject, pf::kTypeControlRef, control) != pf::kNoErr || control == nullptr)
    {
        return nullptr;
    }
    return pf::GetViewWindow(control);
}

// ---- FxDragHandler ---------------------------------------------------------------------------------------------

FxDragHandler::~FxDragHandler()
{
    RemoveDragHandlers();
}

void FxDragHandler::AddDragFlavor(pf::FourCharCode inType)
{
    if (!AcceptsDragFlavor(inType))
    {
        mFlavors.push_back(inType);
    }
}

void FxDragHandler::RemoveDragFlavor(pf::FourCharCode inType)
{
    mFlavors.erase(std::remove(mFlavors.begin(), mFlavors.end(), inType), mFlavors.end());
}

bool FxDragHandler::AcceptsDragFlavor(pf::FourCharCode inType) const
{
    return std::find(mFlavors.begin(), mFlavors.end(), inType) != mFlavors.end();
}

bool FxDragHandler::AcceptsDrag(FxDrag& inDrag) const
{
    const std::uint16_t items = inDrag.CountItems();
    for (std::uint16_t i = 1; i <= items; ++i)
    {
        const FxDragItem item = inDrag.GetItemByIndex(i);
        const std::uint16_t flavors = item.CountFlavors();
        for (std::uint16_t f = 1; f <= flavors; ++f)
        {
            if (AcceptsDragFlavor(item.GetFlavorByIndex(f).Id()))
            {
                return true;
            }
        }
    }
    return false;
}

void FxDragHandler::InstallDragHandlers(pf::WindowRef inWindow)
{
    RemoveDragHandlers();
    mDragWindow = inWindow;
    mTrackingHandler =
        pf::InstallTrackingHandler(inWindow, [this](std::int16_t inMessage, pf::WindowRef inTarget, pf::DragRef inDrag)
                                   { return DragTrack(inMessage, inTarget, inDrag); });
    // A refused drop is not reported to the source as received.
    mReceiveHandler =
        pf::InstallReceiveHandler(inWindow,
                                  [this](pf::WindowRef, pf::DragRef inDrag)
                                  {
                                      FxDrag drag(inDrag);
                                      return AcceptsDrag(drag) ? DragReceive(drag) : pf::kDragNotAcceptedErr;
                                  });
}

void FxDragHandler::RemoveDragHandlers()
{
    if (mTrackingHandler != 0)
    {
        pf::RemoveDragHandler(mTrackingHandler);
    }
    if (mReceiveHandler != 0)
    {
        pf::RemoveDragHandler(mReceiveHandler);
    }
    mTrackingHandler = 0;
    mReceiveHandler = 0;
    mDragWindow = nullptr;
}

void FxDragHandler::PrepareToTrack(FxDrag& inDrag)
{
    pf::SetDragSendProc(inDrag.GetDragRef(),
                        [this](pf::FourCharCode inType, pf::DragItemRef inItem, pf::DragRef inRef)
                        {
                            FxDrag drag(inRef);
                            FxDragItem item(inRef, inItem);
                            FxDragFlavor flavor(inRef, inItem, inType);
                            OnDragSend(drag, item, flavor);
                            return pf::kNoErr;
                        });
}

void FxDragHandler::TrackBegin(FxDrag& inDrag)
{
    mSource = true;
    OnTrackBegin(inDrag);
}

void FxDragHandler::TrackEnd(FxDrag& inDrag)
{
    OnTrackEnd(inDrag);
    mSource = false;
}

pf::OSStatus FxDragHandler::DragEnterWindow(FxDrag& inDrag)
{
    mInside = true;
    OnDragEnter(inDrag);
    return pf::kNoErr;
}

pf::OSStatus FxDragHandler::DragInWindow(FxDrag& inDrag)
{
    OnDragWithin(inDrag);
    return pf::kNoErr;
}

pf::OSStatus FxDragHandler::DragLeaveWindow(FxDrag& inDrag)
{
    mInside = false;
    OnDragLeave(inDrag);
    return pf::kNoErr;
}

pf::OSStatus FxDragHandler::DragReceive(FxDrag& inDrag)
{
    if (AcceptsDrag(inDrag))
    {
        OnDragReceive(inDrag);
    }
    return pf::kNoErr;
}

pf::OSStatus FxDragHandler::DragTrack(std::int16_t inMessage, pf::WindowRef, pf::DragRef inDrag)
{
    FxDrag drag(inDrag);
    if (!AcceptsDrag(drag))
    {
        return pf::kNoErr;
    }
    switch (inMessage)
    {
    case pf::kDragTrackingEnterHandler:
    case pf::kDragTrackingLeaveHandler:
        return pf::kNoErr;
    case pf::kDragTrackingEnterWindow:
        return DragEnterWindow(drag);
    case pf::kDragTrackingInWindow:
        return DragInWindow(drag);
    case pf::kDragTrackingLeaveWindow:
        return DragLeaveWindow(drag);
    default:
        return pf::kParamErr;
    }
}

namespace
{
// The handler's window is the control's owner for exactly one control drag event.
class DragWindowScope
{
public:
    DragWindowScope(pf::WindowRef& ioWindow, pf::WindowRef inOwner) : mWindow(ioWindow) { mWindow = inOwner; }
    ~DragWindowScope() { mWindow = nullptr; }
    DragWindowScope(const DragWindowScope&) = delete;
    DragWindowScope& operator=(const DragWindowScope&) = delete;

private:
    pf::WindowRef& mWindow;
};
} // namespace

pf::OSStatus FxDragHandler::EventControlDragEnter(pf::HandlerCallRef, pf::Event& ioEvent)
{
    FxDrag drag(ioEvent);
    if (AcceptsDrag(drag))
    {
        {
            DragWindowScope scope(mDragWindow, FxGetWindowRefFromDragEvent(ioEvent));
            mInside = true;
            OnDragEnter(drag);
        }
        ioEvent.SetParam(pf::kParamControlWouldAcceptDrop, pf::kTypeBoolean, true);
    }
    return pf::kNoErr;
}

pf::OSStatus FxDragHandler::EventControlDragWithin(pf::HandlerCallRef, pf::Event& ioEvent)
{
    FxDrag drag(ioEvent);
    DragWindowScope scope(mDragWindow, FxGetWindowRefFromDragEvent(ioEvent));
    OnDragWithin(drag);
    return pf::kNoErr;
}

pf::OSStatus FxDragHandler::EventControlDragLeave(pf::HandlerCallRef, pf::Event& ioEvent)
{
    FxDrag drag(ioEvent);
    DragWindowScope scope(mDragWindow, FxGetWindowRefFromDragEvent(ioEvent));
    mInside = false;
    OnDragLeave(drag);
    return pf::kNoErr;
}

pf::OSStatus FxDragHandler::EventControlDragReceive(pf::HandlerCallRef, pf::Event& ioEvent)
{
    FxDrag drag(ioEvent);
    DragWindowScope scope(mDragWindow, FxGetWindowRefFromDragEvent(ioEvent));
    return DragReceive(drag);
}

// ---- FxScrap ---------------------------------------------------------------------------------------------------

std::uint32_t FxScrap::CountFlavors() const
{
    return pf::GetScrapFlavorCount(mScrap);
}

FxScrapFlavor FxScrap::GetFlavorByIndex(std::uint32_t inIndex) const
{
    const std::vector<pf::FourCharCode> types = pf::GetScrapFlavorInfoList(mScrap);
    // Out of range names no flavour rather than reading past the list.
    const pf::FourCharCode type = inIndex >= 1 && inIndex <= types.size() ? types[inIndex - 1] : 0;
    return FxScrapFlavor(mScrap, type);
}

FxScrapFlavor FxScrap::GetFlavorById(pf::FourCharCode inType) const
{
    return FxScrapFlavor(mScrap, inType);
}

bool FxScrap::HasFlavor(pf::FourCharCode inType) const
{
    const std::uint32_t count = CountFlavors();
    for (std::uint32_t i = 1; i <= count; ++i)
    {
        if (GetFlavorByIndex(i).Id() == inType)
        {
            return true;
        }
    }
    return false;
}

FxScrapFlavor FxScrap::AddFlavor(pf::FourCharCode inType, std::size_t inSize, const void* inData)
{
    FxScrapFlavor flavor(mScrap, inType);
    flavor.SetData(inData, inSize);
    return flavor;
}

// ---- FxScrapFlavor ---------------------------------------------------------------------------------------------

std::size_t FxScrapFlavor::Size() const
{
    std::size_t size = 0;
    return pf::GetScrapFlavorSize(mScrap, mType, &size) == pf::kNoErr ? size : 0;
}

pf::OSStatus FxScrapFlavor::GetData(void* outBuffer, std::size_t inSize, std::size_t* outSize) const
{
    std::size_t size = inSize;
    const pf::OSStatus status = pf::GetScrapFlavorData(mScrap, mType, &size, outBuffer);
    if (status != pf::kNoErr)
    {
        // Nothing was read.
        size = 0;
    }
    if (outSize != nullptr)
    {
        *outSize = size;
        return pf::OSStatus(size);
    }
    return status;
}

pf::OSStatus FxScrapFlavor::SetData(const void* inData, std::size_t inSize)
{
    return pf::PutScrapFlavor(mScrap, mType, 0, inSize, inData);
}

// ---- FxScrapHandler --------------------------------------------------------------------------------------------

FxScrap FxScrapHandler::GetScrap()
{
    return FxScrap(pf::GetCurrentScrap());
}

pf::OSStatus FxScrapHandler::ClearScrap()
{
    return pf::ClearCurrentScrap();
}

pf::OSStatus FxScrapHandler::ScrapSend(pf::ScrapRef inScrap, pf::FourCharCode inType)
{
    FxScrap scrap(inScrap);
    FxScrapFlavor flavor(inScrap, inType);
    OnScrapSend(scrap, flavor);
    return pf::kNoErr;
}

pf::OSStatus FxScrapHandler::ScrapPromiseKeeperProc(pf::ScrapRef inScrap, pf::FourCharCode inType, void* inUserData)
{
    if (inUserData == nullptr)
    {
        return pf::kParamErr;
    }
    return static_cast<FxScrapHandler*>(inUserData)->ScrapSend(inScrap, inType);
}
