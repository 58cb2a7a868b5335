// The data browser and the scroll view: the list-like views whose content the client supplies.
#include "PfWindowServerState.h"

#include <algorithm>

namespace pf
{

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

OSStatus GetDataBrowserItemData(ViewRef inBrowser, DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                                DataBrowserItemData& outData)
{
    BrowserState* b = CheckBrowser(inBrowser, "GetDataBrowserItemData");
    if (b == nullptr)
    {
        return kParamErr;
    }
    if (!b->callbacks.itemData)
    {
        return kEventNotHandled;
    }
    DispatchGuard guard;
    const auto itemData = b->callbacks.itemData;
    return itemData(inBrowser, inItem, inProperty, outData, false);
}

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
