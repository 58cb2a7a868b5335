// Drags: items and their flavors, window handlers, and the tracking of a drag across windows.
#include "PfDrag.h"

#include "PfWindowServerState.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace pf
{

// ---- Drags ----------------------------------------------------------------------------------------------------

struct DragFlavor
{
    FourCharCode type = 0;
    std::uint32_t flags = 0;
    std::vector<unsigned char> data;
    bool promised = false; // not yet fetched
};

struct DragItem
{
    DragItemRef id = 0;
    std::vector<DragFlavor> flavors;
    Rect bounds;
};

struct Pasteboard
{
    std::map<std::uint64_t, std::map<std::string, std::vector<std::uint8_t>>> mItems;
};

class Drag
{
public:
    std::vector<DragItem> mItems;
    DragSendProc mSend;
    Point mMouse;
    bool mOnTrash = false;
    Pasteboard mPasteboard;
    Image mImage;
    Point mImageOffset;
};

namespace
{

struct WindowDragHandler
{
    std::uint64_t id;
    Window* window;
    DragTrackingHandler tracking;
    DragReceiveHandler receive;
};

struct DragState
{
    std::vector<std::unique_ptr<Drag>> drags;
    std::vector<WindowDragHandler> handlers;
    std::uint64_t nextId = 1;
};

DragState& Drags()
{
    static DragState* sState = new DragState;
    return *sState;
}

Drag* CheckDrag(DragRef inDrag, const char* inCall)
{
    for (auto& d : Drags().drags)
    {
        if (d.get() == inDrag && inDrag != nullptr)
        {
            return inDrag;
        }
    }
    Log(std::string(inCall) + ": bad drag reference");
    return nullptr;
}

DragItem* FindItem(Drag* inDrag, DragItemRef inItem)
{
    for (DragItem& item : inDrag->mItems)
    {
        if (item.id == inItem)
        {
            return &item;
        }
    }
    return nullptr;
}

DragFlavor* FindFlavor(Drag* inDrag, DragItemRef inItem, FourCharCode inType)
{
    DragItem* item = FindItem(inDrag, inItem);
    if (item == nullptr)
    {
        return nullptr;
    }
    for (DragFlavor& flavor : item->flavors)
    {
        if (flavor.type == inType)
        {
            return &flavor;
        }
    }
    return nullptr;
}

// Fetches a promise through the send procedure, once.
DragFlavor* Fulfil(Drag* inDrag, DragItemRef inItem, FourCharCode inType)
{
    DragFlavor* flavor = FindFlavor(inDrag, inItem, inType);
    if (flavor != nullptr && flavor->promised)
    {
        flavor->promised = false;
        if (inDrag->mSend)
        {
            const DragSendProc send = inDrag->mSend;
            send(inType, inItem, inDrag);
        }
        flavor = FindFlavor(inDrag, inItem, inType);
    }
    return flavor;
}

} // namespace

DragRef NewDrag()
{
    Drags().drags.push_back(std::make_unique<Drag>());
    return Drags().drags.back().get();
}

OSStatus DisposeDrag(DragRef inDrag)
{
    Drag* d = CheckDrag(inDrag, "DisposeDrag");
    if (d == nullptr)
    {
        return kParamErr;
    }
    auto& list = Drags().drags;
    list.erase(std::remove_if(list.begin(), list.end(), [&](auto& p) { return p.get() == d; }), list.end());
    return kNoErr;
}

OSStatus AddDragItemFlavor(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor, const void* inData,
                           std::size_t inSize, std::uint32_t inFlags)
{
    Drag* d = CheckDrag(inDrag, "AddDragItemFlavor");
    if (d == nullptr)
    {
        return kParamErr;
    }
    DragItem* item = FindItem(d, inItem);
    if (item == nullptr)
    {
        d->mItems.push_back(DragItem{inItem, {}, Rect{}});
        item = &d->mItems.back();
    }
    DragFlavor flavor;
    flavor.type = inFlavor;
    flavor.flags = inFlags;
    flavor.promised = inData == nullptr && (inFlags & kFlavorDataPromised) != 0;
    if (inData != nullptr)
    {
        const auto* bytes = static_cast<const unsigned char*>(inData);
        flavor.data.assign(bytes, bytes + inSize);
    }
    item->flavors.push_back(std::move(flavor));
    return kNoErr;
}

OSStatus SetDragItemFlavorData(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor, const void* inData,
                               std::size_t inSize, std::size_t inOffset)
{
    Drag* d = CheckDrag(inDrag, "SetDragItemFlavorData");
    if (d == nullptr || (inData == nullptr && inSize != 0))
    {
        return kParamErr;
    }
    DragFlavor* flavor = FindFlavor(d, inItem, inFlavor);
    if (flavor == nullptr)
    {
        return kCantGetFlavorErr;
    }
    flavor->promised = false;
    if (flavor->data.size() < inOffset + inSize)
    {
        flavor->data.resize(inOffset + inSize);
    }
    if (inSize != 0)
    {
        std::memcpy(flavor->data.data() + inOffset, inData, inSize);
    }
    return kNoErr;
}

std::uint16_t CountDragItems(DragRef inDrag)
{
    Drag* d = CheckDrag(inDrag, "CountDragItems");
    return d ? std::uint16_t(d->mItems.size()) : 0;
}

DragItemRef GetDragItemReferenceNumber(DragRef inDrag, std::uint16_t inIndex)
{
    Drag* d = CheckDrag(inDrag, "GetDragItemReferenceNumber");
    return (d && inIndex >= 1 && inIndex <= d->mItems.size()) ? d->mItems[inIndex - 1u].id : 0;
}

std::uint16_t CountDragItemFlavors(DragRef inDrag, DragItemRef inItem)
{
    Drag* d = CheckDrag(inDrag, "CountDragItemFlavors");
    DragItem* item = d ? FindItem(d, inItem) : nullptr;
    return item ? std::uint16_t(item->flavors.size()) : 0;
}

FourCharCode GetFlavorType(DragRef inDrag, DragItemRef inItem, std::uint16_t inIndex)
{
    Drag* d = CheckDrag(inDrag, "GetFlavorType");
    DragItem* item = d ? FindItem(d, inItem) : nullptr;
    return (item && inIndex >= 1 && inIndex <= item->flavors.size()) ? item->flavors[inIndex - 1u].type : 0;
}

std::uint32_t GetFlavorFlags(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor)
{
    Drag* d = CheckDrag(inDrag, "GetFlavorFlags");
    DragFlavor* flavor = d ? FindFlavor(d, inItem, inFlavor) : nullptr;
    return flavor ? flavor->flags : 0;
}

OSStatus GetFlavorDataSize(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor, std::size_t* outSize)
{
    Drag* d = CheckDrag(inDrag, "GetFlavorDataSize");
    if (d == nullptr || outSize == nullptr)
    {
        return kParamErr;
    }
    DragFlavor* flavor = Fulfil(d, inItem, inFlavor);
    if (flavor == nullptr)
    {
        return kCantGetFlavorErr;
    }
    *outSize = flavor->data.size();
    return kNoErr;
}

OSStatus GetFlavorData(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor, void* outData, std::size_t* ioSize,
                       std::size_t inOffset)
{
    Drag* d = CheckDrag(inDrag, "GetFlavorData");
    if (d == nullptr || ioSize == nullptr || (outData == nullptr && *ioSize != 0))
    {
        return kParamErr;
    }
    DragFlavor* flavor = Fulfil(d, inItem, inFlavor);
    if (flavor == nullptr)
    {
        return kCantGetFlavorErr;
    }
    const std::size_t available = inOffset < flavor->data.size() ? flavor->data.size() - inOffset : 0;
    *ioSize = std::min(*ioSize, available);
    if (*ioSize != 0)
    {
        std::memcpy(outData, flavor->data.data() + inOffset, *ioSize);
    }
    return kNoErr;
}

OSStatus SetDragItemBounds(DragRef inDrag, DragItemRef inItem, const Rect& inBounds)
{
    Drag* d = CheckDrag(inDrag, "SetDragItemBounds");
    DragItem* item = d ? FindItem(d, inItem) : nullptr;
    if (item == nullptr)
    {
        return d ? kBadDragItemErr : kParamErr;
    }
    item->bounds = inBounds;
    return kNoErr;
}

Rect GetDragItemBounds(DragRef inDrag, DragItemRef inItem)
{
    Drag* d = CheckDrag(inDrag, "GetDragItemBounds");
    DragItem* item = d ? FindItem(d, inItem) : nullptr;
    return item ? item->bounds : Rect{};
}

Point GetDragMouse(DragRef inDrag)
{
    Drag* d = CheckDrag(inDrag, "GetDragMouse");
    return d ? d->mMouse : Point{};
}

OSStatus SetDragSendProc(DragRef inDrag, DragSendProc inProc)
{
    Drag* d = CheckDrag(inDrag, "SetDragSendProc");
    if (d == nullptr)
    {
        return kParamErr;
    }
    d->mSend = std::move(inProc);
    return kNoErr;
}

bool DragDroppedOnTrash(DragRef inDrag)
{
    Drag* d = CheckDrag(inDrag, "DragDroppedOnTrash");
    return d && d->mOnTrash;
}

std::uint64_t InstallTrackingHandler(WindowRef inWindow, DragTrackingHandler inHandler)
{
    if (!CheckWindow(inWindow, "InstallTrackingHandler") || !inHandler)
    {
        return 0;
    }
    Drags().handlers.push_back(WindowDragHandler{Drags().nextId, inWindow, std::move(inHandler), nullptr});
    return Drags().nextId++;
}

std::uint64_t InstallReceiveHandler(WindowRef inWindow, DragReceiveHandler inHandler)
{
    if (!CheckWindow(inWindow, "InstallReceiveHandler") || !inHandler)
    {
        return 0;
    }
    Drags().handlers.push_back(WindowDragHandler{Drags().nextId, inWindow, nullptr, std::move(inHandler)});
    return Drags().nextId++;
}

OSStatus RemoveDragHandler(std::uint64_t inId)
{
    auto& list = Drags().handlers;
    auto it = std::find_if(list.begin(), list.end(), [&](const WindowDragHandler& h) { return h.id == inId; });
    if (it == list.end())
    {
        return kParamErr;
    }
    list.erase(it);
    return kNoErr;
}

void ForgetDragHandlers(const Window* inWindow)
{
    auto& list = Drags().handlers;
    list.erase(
        std::remove_if(list.begin(), list.end(), [&](const WindowDragHandler& h) { return h.window == inWindow; }),
        list.end());
}

OSStatus SetAutomaticControlDragTrackingEnabledForWindow(WindowRef inWindow, bool inEnabled)
{
    Window* w = CheckWindow(inWindow, "SetAutomaticControlDragTrackingEnabledForWindow");
    if (w == nullptr)
    {
        return kParamErr;
    }
    w->mAutoDragTracking = inEnabled;
    return kNoErr;
}

OSStatus SetControlDragTrackingEnabled(ViewRef inView, bool inEnabled)
{
    View* v = CheckView(inView, "SetControlDragTrackingEnabled");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mDragTracking = inEnabled;
    return kNoErr;
}

namespace
{

// Handlers are copied before the calls: a handler may remove itself.
void SendTracking(Window* inWindow, std::int16_t inMessage, Drag* inDrag)
{
    std::vector<WindowDragHandler> handlers;
    for (const WindowDragHandler& h : Drags().handlers)
    {
        if (h.window == inWindow && h.tracking)
        {
            handlers.push_back(h);
        }
    }
    for (const WindowDragHandler& h : handlers)
    {
        if (CheckWindow(inWindow, nullptr))
        {
            h.tracking(inMessage, inWindow, inDrag);
        }
    }
}

bool Receive(Window* inWindow, Drag* inDrag)
{
    std::vector<WindowDragHandler> handlers;
    for (const WindowDragHandler& h : Drags().handlers)
    {
        if (h.window == inWindow && h.receive)
        {
            handlers.push_back(h);
        }
    }
    for (const WindowDragHandler& h : handlers)
    {
        if (CheckWindow(inWindow, nullptr) && h.receive(inWindow, inDrag) == kNoErr)
        {
            return true;
        }
    }
    return false;
}

// The deepest view under the point that tracks drags, in a window that tracks them.
View* DragView(Window* inWindow, Point inGlobal)
{
    if (inWindow == nullptr || !inWindow->mAutoDragTracking)
    {
        return nullptr;
    }
    View* v = Deepest(inWindow->mRoot, Point{inGlobal.x - inWindow->mContent.x, inGlobal.y - inWindow->mContent.y});
    while (v != nullptr && !v->mDragTracking)
    {
        v = v->mParent;
    }
    return v;
}

bool SendViewDrag(View* inView, std::uint32_t inKind, Drag* inDrag)
{
    Event event(kClassControl, inKind);
    event.SetParam(kParamDirectObject, kTypeControlRef, inView);
    event.SetParam(kParamDragRef, kTypeDragRef, inDrag);
    inView->mTarget.Send(event);
    bool accept = false;
    event.GetParam(kParamControlWouldAcceptDrop, kTypeBoolean, accept);
    return accept;
}

} // namespace

OSStatus TrackDrag(DragRef inDrag, Point inStart)
{
    Drag* drag = CheckDrag(inDrag, "TrackDrag");
    if (drag == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    ServerState& state = State();
    state.mouse = inStart;
    state.buttonDown = true;
    drag->mOnTrash = false;
    Window* window = nullptr;
    View* view = nullptr;
    bool viewAccepts = false;
    Point where = inStart;
    for (bool released = false; !released;)
    {
        drag->mMouse = where;
        WindowRef under = nullptr;
        FindWindow(where, &under);
        if (under != window)
        {
            if (view != nullptr && CheckView(view, nullptr))
            {
                SendViewDrag(view, kControlDragLeave, drag);
            }
            view = nullptr;
            if (window != nullptr && CheckWindow(window, nullptr))
            {
                SendTracking(window, kDragTrackingLeaveWindow, drag);
                SendTracking(window, kDragTrackingLeaveHandler, drag);
            }
            window = under;
            if (window != nullptr)
            {
                SendTracking(window, kDragTrackingEnterHandler, drag);
                SendTracking(window, kDragTrackingEnterWindow, drag);
            }
        }
        if (window != nullptr && !CheckWindow(window, nullptr))
        {
            window = nullptr;
            view = nullptr;
        }
        if (window != nullptr)
        {
            SendTracking(window, kDragTrackingInWindow, drag);
        }
        View* overView = CheckWindow(window, nullptr) ? DragView(window, where) : nullptr;
        if (overView != view)
        {
            if (view != nullptr && CheckView(view, nullptr))
            {
                SendViewDrag(view, kControlDragLeave, drag);
            }
            view = overView;
            viewAccepts = view != nullptr && SendViewDrag(view, kControlDragEnter, drag);
        }
        if (view != nullptr && CheckView(view, nullptr))
        {
            SendViewDrag(view, kControlDragWithin, drag);
        }
        released = TrackMouseLocation(&where) == MouseTrackingResult::kMouseReleased;
        if (released)
        {
            drag->mMouse = where;
        }
    }
    // The drop: the accepting view, else the window's receivers; a drop on the trash deletes.
    WindowRef dropWindow = nullptr;
    FindWindow(where, &dropWindow);
    bool received = false;
    if (dropWindow == nullptr && kTrashBounds.Contains(where))
    {
        drag->mOnTrash = true;
        received = true;
    }
    else if (view != nullptr && CheckView(view, nullptr) && viewAccepts && dropWindow == window)
    {
        SendViewDrag(view, kControlDragReceive, drag);
        received = true;
    }
    else if (window != nullptr && dropWindow == window && CheckWindow(window, nullptr))
    {
        received = Receive(window, drag);
    }
    if (view != nullptr && CheckView(view, nullptr))
    {
        SendViewDrag(view, kControlDragLeave, drag);
    }
    if (window != nullptr && CheckWindow(window, nullptr))
    {
        SendTracking(window, kDragTrackingLeaveWindow, drag);
        SendTracking(window, kDragTrackingLeaveHandler, drag);
    }
    return received ? kNoErr : kDragNotAcceptedErr;
}

// ---- Drag pasteboards and images -------------------------------------------------------------------------------

namespace
{
Pasteboard* CheckPasteboard(PasteboardRef inPasteboard, const char* inCall)
{
    for (auto& d : Drags().drags)
    {
        if (inPasteboard != nullptr && &d->mPasteboard == inPasteboard)
            return inPasteboard;
    }
    Log(std::string(inCall) + ": bad pasteboard reference");
    return nullptr;
}
} // namespace

PasteboardRef GetDragPasteboard(DragRef inDrag)
{
    Drag* d = CheckDrag(inDrag, "GetDragPasteboard");
    return d != nullptr ? &d->mPasteboard : nullptr;
}

OSStatus PasteboardClear(PasteboardRef inPasteboard)
{
    Pasteboard* p = CheckPasteboard(inPasteboard, "PasteboardClear");
    if (p == nullptr)
        return kParamErr;
    p->mItems.clear();
    return kNoErr;
}

OSStatus PasteboardPutItemFlavor(PasteboardRef inPasteboard, std::uint64_t inItem, const std::string& inFlavor,
                                 const void* inData, std::size_t inSize)
{
    Pasteboard* p = CheckPasteboard(inPasteboard, "PasteboardPutItemFlavor");
    if (p == nullptr || (inData == nullptr && inSize > 0))
        return kParamErr;
    const auto* bytes = static_cast<const std::uint8_t*>(inData);
    p->mItems[inItem][inFlavor].assign(bytes, bytes + inSize);
    return kNoErr;
}

OSStatus PasteboardCopyItemFlavorData(PasteboardRef inPasteboard, std::uint64_t inItem, const std::string& inFlavor,
                                      std::vector<std::uint8_t>& outData)
{
    Pasteboard* p = CheckPasteboard(inPasteboard, "PasteboardCopyItemFlavorData");
    if (p == nullptr)
        return kParamErr;
    const auto item = p->mItems.find(inItem);
    if (item == p->mItems.end())
        return kBadDragItemErr;
    const auto flavor = item->second.find(inFlavor);
    if (flavor == item->second.end())
        return kCantGetFlavorErr;
    outData = flavor->second;
    return kNoErr;
}

OSStatus SetDragImage(DragRef inDrag, const Image& inImage, Point inOffset)
{
    Drag* d = CheckDrag(inDrag, "SetDragImage");
    if (d == nullptr)
        return kParamErr;
    d->mImage = inImage;
    d->mImageOffset = inOffset;
    return kNoErr;
}

const Image* GetDragImage(DragRef inDrag, Point* outOffset)
{
    Drag* d = CheckDrag(inDrag, "GetDragImage");
    if (d == nullptr || d->mImage.Empty())
        return nullptr;
    if (outOffset != nullptr)
        *outOffset = d->mImageOffset;
    return &d->mImage;
}

} // namespace pf
