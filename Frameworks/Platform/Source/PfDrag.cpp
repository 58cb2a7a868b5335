#include "PfDrag.h"

#include "PfWindowServerState.h"

#include <algorithm>
#include <cstring>

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

class Drag
{
public:
    std::vector<DragItem> mItems;
    DragSendProc mSend;
    Point mMouse;
    bool mOnTrash = false;
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

// ---- Clipboard ------------------------------------------------------------------------------------------------

class Scrap
{
public:
    struct Flavor
    {
        FourCharCode type;
        std::vector<unsigned char> data;
        bool promised;
    };
    std::vector<Flavor> mFlavors;
    ScrapPromiseKeeper mKeeper;
};

namespace
{
Scrap& TheScrap()
{
    static Scrap* sScrap = new Scrap;
    return *sScrap;
}

Scrap::Flavor* FindScrapFlavor(FourCharCode inType)
{
    for (Scrap::Flavor& f : TheScrap().mFlavors)
    {
        if (f.type == inType)
        {
            return &f;
        }
    }
    return nullptr;
}

Scrap* CheckScrap(ScrapRef inScrap, const char* inCall)
{
    if (inScrap == &TheScrap())
    {
        return inScrap;
    }
    Log(std::string(inCall) + ": bad scrap reference");
    return nullptr;
}

// The promise keeper supplies a promised flavour on first read, once.
Scrap::Flavor* FulfilScrap(FourCharCode inType)
{
    Scrap::Flavor* flavor = FindScrapFlavor(inType);
    if (flavor != nullptr && flavor->promised)
    {
        flavor->promised = false;
        if (TheScrap().mKeeper)
        {
            const ScrapPromiseKeeper keeper = TheScrap().mKeeper;
            keeper(&TheScrap(), inType);
        }
        flavor = FindScrapFlavor(inType);
    }
    return flavor;
}
} // namespace

ScrapRef GetCurrentScrap()
{
    return &TheScrap();
}

OSStatus ClearCurrentScrap()
{
    TheScrap().mFlavors.clear();
    TheScrap().mKeeper = nullptr;
    return kNoErr;
}

OSStatus PutScrapFlavor(ScrapRef inScrap, FourCharCode inFlavor, std::uint32_t, std::size_t inSize, const void* inData)
{
    if (!CheckScrap(inScrap, "PutScrapFlavor"))
    {
        return kParamErr;
    }
    Scrap::Flavor* flavor = FindScrapFlavor(inFlavor);
    if (flavor == nullptr)
    {
        TheScrap().mFlavors.push_back(Scrap::Flavor{inFlavor, {}, false});
        flavor = &TheScrap().mFlavors.back();
    }
    flavor->promised = inData == nullptr && inSize != 0;
    flavor->data.clear();
    if (inData != nullptr)
    {
        const auto* bytes = static_cast<const unsigned char*>(inData);
        flavor->data.assign(bytes, bytes + inSize);
    }
    return kNoErr;
}

OSStatus SetScrapPromiseKeeper(ScrapRef inScrap, ScrapPromiseKeeper inKeeper)
{
    if (!CheckScrap(inScrap, "SetScrapPromiseKeeper"))
    {
        return kParamErr;
    }
    TheScrap().mKeeper = std::move(inKeeper);
    return kNoErr;
}

std::uint32_t GetScrapFlavorCount(ScrapRef inScrap)
{
    return CheckScrap(inScrap, "GetScrapFlavorCount") ? std::uint32_t(TheScrap().mFlavors.size()) : 0;
}

std::vector<FourCharCode> GetScrapFlavorInfoList(ScrapRef inScrap)
{
    std::vector<FourCharCode> types;
    if (CheckScrap(inScrap, "GetScrapFlavorInfoList"))
    {
        for (const Scrap::Flavor& f : TheScrap().mFlavors)
        {
            types.push_back(f.type);
        }
    }
    return types;
}

OSStatus GetScrapFlavorSize(ScrapRef inScrap, FourCharCode inFlavor, std::size_t* outSize)
{
    if (!CheckScrap(inScrap, "GetScrapFlavorSize") || outSize == nullptr)
    {
        return kParamErr;
    }
    Scrap::Flavor* flavor = FulfilScrap(inFlavor);
    if (flavor == nullptr)
    {
        return kNoScrapFlavorErr;
    }
    *outSize = flavor->data.size();
    return kNoErr;
}

OSStatus GetScrapFlavorData(ScrapRef inScrap, FourCharCode inFlavor, std::size_t* ioSize, void* outData)
{
    if (!CheckScrap(inScrap, "GetScrapFlavorData") || ioSize == nullptr || (outData == nullptr && *ioSize != 0))
    {
        return kParamErr;
    }
    Scrap::Flavor* flavor = FulfilScrap(inFlavor);
    if (flavor == nullptr)
    {
        return kNoScrapFlavorErr;
    }
    *ioSize = std::min(*ioSize, flavor->data.size());
    if (*ioSize != 0)
    {
        std::memcpy(outData, flavor->data.data(), *ioSize);
    }
    return kNoErr;
}

// ---- Data browser ---------------------------------------------------------------------------------------------

namespace
{

BrowserState* CheckBrowser(ViewRef inView, const char* inCall)
{
    View* v = CheckView(inView, inCall);
    if (v != nullptr && v->mBrowser == nullptr)
    {
        Log(std::string(inCall) + ": not a data browser");
    }
    return v ? v->mBrowser.get() : nullptr;
}

void Notify(View* inView, DataBrowserItemID inItem, DataBrowserNotification inMessage)
{
    if (CheckView(inView, nullptr) && inView->mBrowser && inView->mBrowser->callbacks.notification)
    {
        const auto notify = inView->mBrowser->callbacks.notification;
        notify(inView, inItem, inMessage);
    }
}

// Ends with the browser possibly gone; callers check the view again.
void ChangeSelection(View* inView, const std::vector<DataBrowserItemID>& inNew)
{
    const std::vector<DataBrowserItemID> old = inView->mBrowser->selection;
    inView->mBrowser->selection = inNew;
    for (DataBrowserItemID item : old)
    {
        if (std::find(inNew.begin(), inNew.end(), item) == inNew.end())
        {
            Notify(inView, item, kDataBrowserItemDeselected);
        }
    }
    for (DataBrowserItemID item : inNew)
    {
        if (std::find(old.begin(), old.end(), item) == old.end())
        {
            Notify(inView, item, kDataBrowserItemSelected);
        }
    }
}

bool Contains(const std::vector<DataBrowserItemID>& inList, DataBrowserItemID inItem)
{
    return std::find(inList.begin(), inList.end(), inItem) != inList.end();
}

} // namespace

OSStatus SetDataBrowserCallbacks(ViewRef inBrowser, DataBrowserCallbacks inCallbacks)
{
    BrowserState* b = CheckBrowser(inBrowser, "SetDataBrowserCallbacks");
    if (b == nullptr)
    {
        return kParamErr;
    }
    b->callbacks = std::move(inCallbacks);
    return kNoErr;
}

OSStatus AddDataBrowserItems(ViewRef inBrowser, DataBrowserItemID inContainer,
                             const std::vector<DataBrowserItemID>& inItems, DataBrowserPropertyID)
{
    BrowserState* b = CheckBrowser(inBrowser, "AddDataBrowserItems");
    if (b == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    std::vector<DataBrowserItemID>& items = b->containers[inContainer];
    for (DataBrowserItemID item : inItems)
    {
        if (item != 0 && !Contains(items, item))
        {
            items.push_back(item);
            Notify(inBrowser, item, kDataBrowserItemAdded);
            if (!CheckView(inBrowser, nullptr))
            {
                return kNoErr;
            }
        }
    }
    return kNoErr;
}

OSStatus RemoveDataBrowserItems(ViewRef inBrowser, DataBrowserItemID inContainer,
                                const std::vector<DataBrowserItemID>& inItems)
{
    BrowserState* b = CheckBrowser(inBrowser, "RemoveDataBrowserItems");
    if (b == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    const std::vector<DataBrowserItemID> gone = inItems.empty() ? b->containers[inContainer] : inItems;
    std::vector<DataBrowserItemID>& items = b->containers[inContainer];
    for (DataBrowserItemID item : gone)
    {
        if (Contains(items, item))
        {
            items.erase(std::find(items.begin(), items.end(), item));
            b->selection.erase(std::remove(b->selection.begin(), b->selection.end(), item), b->selection.end());
            b->open.erase(item);
            b->containers.erase(item);
            Notify(inBrowser, item, kDataBrowserItemRemoved);
            if (!CheckView(inBrowser, nullptr))
            {
                return kNoErr;
            }
        }
    }
    return kNoErr;
}

std::uint32_t CountDataBrowserItems(ViewRef inBrowser, DataBrowserItemID inContainer)
{
    BrowserState* b = CheckBrowser(inBrowser, "CountDataBrowserItems");
    if (b == nullptr)
    {
        return 0;
    }
    auto it = b->containers.find(inContainer);
    return it == b->containers.end() ? 0 : std::uint32_t(it->second.size());
}

OSStatus SetDataBrowserSelectedItems(ViewRef inBrowser, const std::vector<DataBrowserItemID>& inItems, SelectionOp inOp)
{
    BrowserState* b = CheckBrowser(inBrowser, "SetDataBrowserSelectedItems");
    if (b == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    std::vector<DataBrowserItemID> next =
        inOp == SelectionOp::kAssign ? std::vector<DataBrowserItemID>() : b->selection;
    for (DataBrowserItemID item : inItems)
    {
        const bool present = Contains(next, item);
        if ((inOp == SelectionOp::kRemove || (inOp == SelectionOp::kToggle && present)))
        {
            next.erase(std::remove(next.begin(), next.end(), item), next.end());
        }
        else if (!present)
        {
            next.push_back(item);
        }
    }
    ChangeSelection(inBrowser, next);
    return kNoErr;
}

std::vector<DataBrowserItemID> GetDataBrowserSelectedItems(ViewRef inBrowser)
{
    BrowserState* b = CheckBrowser(inBrowser, "GetDataBrowserSelectedItems");
    return b ? b->selection : std::vector<DataBrowserItemID>();
}

OSStatus SetDataBrowserSortProperty(ViewRef inBrowser, DataBrowserPropertyID inProperty, bool inAscending)
{
    BrowserState* b = CheckBrowser(inBrowser, "SetDataBrowserSortProperty");
    if (b == nullptr)
    {
        return kParamErr;
    }
    b->sortProperty = inProperty;
    b->ascending = inAscending;
    return kNoErr;
}

OSStatus DataBrowserChangeAttributes(ViewRef inBrowser, std::uint32_t inSet, std::uint32_t inClear)
{
    BrowserState* b = CheckBrowser(inBrowser, "DataBrowserChangeAttributes");
    if (b == nullptr)
    {
        return kParamErr;
    }
    b->attributes = (b->attributes | inSet) & ~inClear;
    return kNoErr;
}

std::uint32_t GetDataBrowserAttributes(ViewRef inBrowser)
{
    BrowserState* b = CheckBrowser(inBrowser, "GetDataBrowserAttributes");
    return b ? b->attributes : 0;
}

OSStatus SetDataBrowserViewStyle(ViewRef inBrowser, FourCharCode inStyle)
{
    BrowserState* b = CheckBrowser(inBrowser, "SetDataBrowserViewStyle");
    if (b == nullptr || (inStyle != FourCC("lstv") && inStyle != FourCC("clmv")))
    {
        return kParamErr;
    }
    b->viewStyle = inStyle;
    return kNoErr;
}

FourCharCode GetDataBrowserViewStyle(ViewRef inBrowser)
{
    BrowserState* b = CheckBrowser(inBrowser, "GetDataBrowserViewStyle");
    return b ? b->viewStyle : 0;
}

OSStatus SetDataBrowserSelectionFlags(ViewRef inBrowser, std::uint32_t inFlags)
{
    BrowserState* b = CheckBrowser(inBrowser, "SetDataBrowserSelectionFlags");
    if (b == nullptr)
    {
        return kParamErr;
    }
    b->selectionFlags = inFlags;
    return kNoErr;
}

std::uint32_t GetDataBrowserSelectionFlags(ViewRef inBrowser)
{
    BrowserState* b = CheckBrowser(inBrowser, "GetDataBrowserSelectionFlags");
    return b ? b->selectionFlags : 0;
}

OSStatus NotifyDataBrowser(ViewRef inBrowser, DataBrowserItemID inItem, DataBrowserNotification inMessage)
{
    BrowserState* b = CheckBrowser(inBrowser, "NotifyDataBrowser");
    if (b == nullptr || inMessage < kDataBrowserItemSelected || inMessage > kDataBrowserContainerClosed)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    switch (inMessage)
    {
    case kDataBrowserItemSelected:
        return SetDataBrowserSelectedItems(inBrowser, {inItem}, SelectionOp::kAdd);
    case kDataBrowserItemDeselected:
        return SetDataBrowserSelectedItems(inBrowser, {inItem}, SelectionOp::kRemove);
    case kDataBrowserContainerOpened:
        b->open.insert(inItem);
        Notify(inBrowser, inItem, inMessage);
        return kNoErr;
    case kDataBrowserContainerClosing:
        Notify(inBrowser, inItem, kDataBrowserContainerClosing);
        if (CheckView(inBrowser, nullptr))
        {
            inBrowser->mBrowser->open.erase(inItem);
            Notify(inBrowser, inItem, kDataBrowserContainerClosed);
        }
        return kNoErr;
    default:
        Notify(inBrowser, inItem, inMessage);
        return kNoErr;
    }
}

namespace
{
void AppendRows(View* inView, DataBrowserItemID inContainer, std::vector<DataBrowserItemID>& outRows, int inDepth)
{
    BrowserState& b = *inView->mBrowser;
    auto it = b.containers.find(inContainer);
    if (it == b.containers.end() || inDepth > 64)
    {
        return;
    }
    std::vector<DataBrowserItemID> items = it->second;
    if (b.sortProperty != 0 && b.callbacks.compare)
    {
        const auto compare = b.callbacks.compare;
        std::stable_sort(items.begin(), items.end(),
                         [&](DataBrowserItemID inA, DataBrowserItemID inB) {
                             return b.ascending ? compare(inView, inA, inB, b.sortProperty)
                                                : compare(inView, inB, inA, b.sortProperty);
                         });
    }
    for (DataBrowserItemID item : items)
    {
        outRows.push_back(item);
        if (b.open.count(item) != 0)
        {
            AppendRows(inView, item, outRows, inDepth + 1);
        }
    }
}
} // namespace

std::vector<DataBrowserItemID> DisplayedRows(ViewRef inBrowser)
{
    std::vector<DataBrowserItemID> rows;
    if (CheckBrowser(inBrowser, "DisplayedRows") != nullptr)
    {
        AppendRows(inBrowser, 0, rows, 0);
    }
    return rows;
}

// ---- Scroll view ----------------------------------------------------------------------------------------------

namespace
{
void AskContent(View* inScrollView)
{
    if (inScrollView->mChildren.empty())
    {
        return;
    }
    Event event(kClassScrollable, kScrollableGetInfo);
    const OSStatus status = inScrollView->mChildren.front()->mTarget.Send(event);
    if (status != kNoErr || !CheckView(inScrollView, nullptr))
    {
        return;
    }
    ScrollInfo& info = inScrollView->mScroll;
    event.GetParam(kParamImageSize, kTypeHIPoint, info.imageSize);
    event.GetParam(kParamViewSize, kTypeHIPoint, info.viewSize);
    event.GetParam(kParamLineSize, kTypeHIPoint, info.lineSize);
    event.GetParam(kParamOrigin, kTypeHIPoint, info.origin);
}
} // namespace

OSStatus StandardScrollViewHandler(View* inView, Event& ioEvent)
{
    if (ioEvent.Kind() != kScrollableInfoChanged)
    {
        return kEventNotHandled;
    }
    AskContent(inView);
    return kNoErr;
}

ScrollInfo GetScrollViewInfo(ViewRef inScrollView)
{
    View* v = CheckView(inScrollView, "GetScrollViewInfo");
    if (v == nullptr || v->mKind != ViewKind::kScrollView)
    {
        return ScrollInfo{};
    }
    DispatchGuard guard;
    AskContent(v);
    return CheckView(v, nullptr) ? v->mScroll : ScrollInfo{};
}

OSStatus ScrollViewScrollTo(ViewRef inScrollView, Point inOrigin)
{
    View* v = CheckView(inScrollView, "ScrollViewScrollTo");
    if (v == nullptr || v->mKind != ViewKind::kScrollView)
    {
        return kParamErr;
    }
    if (v->mChildren.empty())
    {
        return kNoErr;
    }
    DispatchGuard guard;
    Event event(kClassScrollable, kScrollableScrollTo);
    event.SetParam(kParamOrigin, kTypeHIPoint, inOrigin);
    v->mChildren.front()->mTarget.Send(event);
    if (CheckView(v, nullptr))
    {
        AskContent(v);
    }
    return kNoErr;
}

} // namespace pf
