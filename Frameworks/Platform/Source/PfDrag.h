// Drags, the clipboard and the list views (data browser, scroll view) of the window server.
#pragma once

#include "PfImage.h"
#include "PfWindowServer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pf
{

constexpr FourCharCode kParamDragRef = FourCC("drag");
constexpr FourCharCode kTypeDragRef = FourCC("drag");
constexpr FourCharCode kParamControlWouldAcceptDrop = FourCC("cldg");
constexpr FourCharCode kTypeBoolean = FourCC("bool");
constexpr std::uint32_t kControlDragEnter = 18;
constexpr std::uint32_t kControlDragWithin = 19;
constexpr std::uint32_t kControlDragLeave = 20;
constexpr std::uint32_t kControlDragReceive = 21;

constexpr OSStatus kDragNotAcceptedErr = -1857;
constexpr OSStatus kCantGetFlavorErr = -1854;
constexpr OSStatus kBadDragItemErr = -1852;
constexpr std::uint32_t kFlavorDataPromised = 0x200;

// Tracking messages to a window's tracking handlers.
enum DragTrackingMessage : std::int16_t
{
    kDragTrackingEnterHandler = 1,
    kDragTrackingEnterWindow = 2,
    kDragTrackingInWindow = 3,
    kDragTrackingLeaveWindow = 4,
    kDragTrackingLeaveHandler = 5,
};

// A drop here, on the desktop's bottom-right corner, deletes what is dragged.
constexpr Rect kTrashBounds{1380, 840, 48, 48};

class Drag;
using DragRef = Drag*;
using DragItemRef = std::uint32_t;

using DragTrackingHandler = std::function<OSStatus(std::int16_t inMessage, WindowRef inWindow, DragRef inDrag)>;
using DragReceiveHandler = std::function<OSStatus(WindowRef inWindow, DragRef inDrag)>;
using DragSendProc = std::function<OSStatus(FourCharCode inFlavor, DragItemRef inItem, DragRef inDrag)>;

DragRef NewDrag();
OSStatus DisposeDrag(DragRef inDrag);
OSStatus AddDragItemFlavor(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor, const void* inData,
                           std::size_t inSize, std::uint32_t inFlags);
OSStatus SetDragItemFlavorData(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor, const void* inData,
                               std::size_t inSize, std::size_t inOffset);
std::uint16_t CountDragItems(DragRef inDrag);
DragItemRef GetDragItemReferenceNumber(DragRef inDrag, std::uint16_t inIndex); // 1-based; 0 when none
std::uint16_t CountDragItemFlavors(DragRef inDrag, DragItemRef inItem);
FourCharCode GetFlavorType(DragRef inDrag, DragItemRef inItem, std::uint16_t inIndex); // 1-based
std::uint32_t GetFlavorFlags(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor);
// A promised flavour is fetched once, through the send procedure, on the first read of its size or data.
OSStatus GetFlavorDataSize(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor, std::size_t* outSize);
OSStatus GetFlavorData(DragRef inDrag, DragItemRef inItem, FourCharCode inFlavor, void* outData, std::size_t* ioSize,
                       std::size_t inOffset);
OSStatus SetDragItemBounds(DragRef inDrag, DragItemRef inItem, const Rect& inBounds);
Rect GetDragItemBounds(DragRef inDrag, DragItemRef inItem);
Point GetDragMouse(DragRef inDrag);
OSStatus SetDragSendProc(DragRef inDrag, DragSendProc inProc);
// Whether the last TrackDrag of the drag dropped on the trash.
bool DragDroppedOnTrash(DragRef inDrag);

// Window-level handlers; answers an id for removal (0 on a bad window).
std::uint64_t InstallTrackingHandler(WindowRef inWindow, DragTrackingHandler inHandler);
std::uint64_t InstallReceiveHandler(WindowRef inWindow, DragReceiveHandler inHandler);
OSStatus RemoveDragHandler(std::uint64_t inId);
// View-level tracking: the view gets 'cntl' 18-21 with 'drag' when its window has automatic tracking on.
OSStatus SetAutomaticControlDragTrackingEnabledForWindow(WindowRef inWindow, bool inEnabled);
OSStatus SetControlDragTrackingEnabled(ViewRef inView, bool inEnabled);

// Follows the script from inStart: the windows and views under the mouse get their messages and events, and a
// release (or the end of the script) drops at the last point: the view that accepted on entry receives it, else
// the window's receive handlers. kNoErr when received or dropped on the trash, kDragNotAcceptedErr otherwise.
OSStatus TrackDrag(DragRef inDrag, Point inStart);

// ---- Drag pasteboards and images -------------------------------------------------------------------------------

// Each drag has one pasteboard beside its flavours: items by 64-bit id, flavours named by strings (uniform type
// identifiers), data copied in and out. It lives and dies with its drag.
struct Pasteboard;
using PasteboardRef = Pasteboard*;
PasteboardRef GetDragPasteboard(DragRef inDrag); // null for a bad drag
OSStatus PasteboardClear(PasteboardRef inPasteboard);
// Replaces the flavour's data when the item already has it.
OSStatus PasteboardPutItemFlavor(PasteboardRef inPasteboard, std::uint64_t inItem, const std::string& inFlavor,
                                 const void* inData, std::size_t inSize);
// kBadDragItemErr without the item, kCantGetFlavorErr without the flavour; outData is left alone then.
OSStatus PasteboardCopyItemFlavorData(PasteboardRef inPasteboard, std::uint64_t inItem, const std::string& inFlavor,
                                      std::vector<std::uint8_t>& outData);
// The image shown under the mouse, its top-left at the mouse plus inOffset; kept through TrackDrag.
OSStatus SetDragImage(DragRef inDrag, const Image& inImage, Point inOffset);
// Null when the drag has no image (or is bad); valid until the drag changes.
const Image* GetDragImage(DragRef inDrag, Point* outOffset);

// ---- Clipboard ------------------------------------------------------------------------------------------------

class Scrap;
using ScrapRef = Scrap*;
using ScrapPromiseKeeper = std::function<OSStatus(ScrapRef inScrap, FourCharCode inFlavor)>;
constexpr OSStatus kNoScrapFlavorErr = -102;

// The one in-process clipboard.
ScrapRef GetCurrentScrap();
OSStatus ClearCurrentScrap();
// Null data with a size promises the flavour; the promise keeper supplies it on first read.
OSStatus PutScrapFlavor(ScrapRef inScrap, FourCharCode inFlavor, std::uint32_t inFlags, std::size_t inSize,
                        const void* inData);
OSStatus SetScrapPromiseKeeper(ScrapRef inScrap, ScrapPromiseKeeper inKeeper);
std::uint32_t GetScrapFlavorCount(ScrapRef inScrap);
std::vector<FourCharCode> GetScrapFlavorInfoList(ScrapRef inScrap);
OSStatus GetScrapFlavorSize(ScrapRef inScrap, FourCharCode inFlavor, std::size_t* outSize);
OSStatus GetScrapFlavorData(ScrapRef inScrap, FourCharCode inFlavor, std::size_t* ioSize, void* outData);

// ---- Data browser ---------------------------------------------------------------------------------------------

using DataBrowserItemID = std::uint32_t;
using DataBrowserPropertyID = std::uint32_t;

enum DataBrowserNotification : std::uint32_t
{
    kDataBrowserItemAdded = 1,
    kDataBrowserItemRemoved = 2,
    kDataBrowserItemSelected = 5,
    kDataBrowserItemDeselected = 6,
    kDataBrowserItemDoubleClicked = 7,
    kDataBrowserContainerOpened = 8,
    kDataBrowserContainerClosing = 9,
    kDataBrowserContainerClosed = 10,
};

// Item properties the browser asks for itself.
constexpr DataBrowserPropertyID kDataBrowserItemIsContainerProperty = 4;

struct DataBrowserItemData
{
    std::u16string text;
    bool boolean = false;
    std::uint32_t number = 0; // item ids, icons
};

struct DataBrowserCallbacks
{
    std::function<OSStatus(ViewRef, DataBrowserItemID, DataBrowserPropertyID, DataBrowserItemData&, bool inSet)>
        itemData;
    // Whether the first item sorts before the second.
    std::function<bool(ViewRef, DataBrowserItemID, DataBrowserItemID, DataBrowserPropertyID)> compare;
    std::function<void(ViewRef, DataBrowserItemID, DataBrowserNotification)> notification;
};

enum class SelectionOp
{
    kAssign,
    kAdd,
    kRemove,
    kToggle,
};

OSStatus SetDataBrowserCallbacks(ViewRef inBrowser, DataBrowserCallbacks inCallbacks);
// Container 0 is the root. inPresort is a property the items are already sorted by (0: none).
OSStatus AddDataBrowserItems(ViewRef inBrowser, DataBrowserItemID inContainer,
                             const std::vector<DataBrowserItemID>& inItems, DataBrowserPropertyID inPresort);
// An empty list removes every item of the container.
OSStatus RemoveDataBrowserItems(ViewRef inBrowser, DataBrowserItemID inContainer,
                                const std::vector<DataBrowserItemID>& inItems);
std::uint32_t CountDataBrowserItems(ViewRef inBrowser, DataBrowserItemID inContainer);
// Changes send 6 for items leaving the selection, then 5 for items joining it.
OSStatus SetDataBrowserSelectedItems(ViewRef inBrowser, const std::vector<DataBrowserItemID>& inItems,
                                     SelectionOp inOp);
std::vector<DataBrowserItemID> GetDataBrowserSelectedItems(ViewRef inBrowser);
OSStatus SetDataBrowserSortProperty(ViewRef inBrowser, DataBrowserPropertyID inProperty, bool inAscending);
OSStatus DataBrowserChangeAttributes(ViewRef inBrowser, std::uint32_t inSet, std::uint32_t inClear);
std::uint32_t GetDataBrowserAttributes(ViewRef inBrowser);
// 'lstv' (list view, the default) or 'clmv' (column view).
OSStatus SetDataBrowserViewStyle(ViewRef inBrowser, FourCharCode inStyle);
FourCharCode GetDataBrowserViewStyle(ViewRef inBrowser);
OSStatus SetDataBrowserSelectionFlags(ViewRef inBrowser, std::uint32_t inFlags);
std::uint32_t GetDataBrowserSelectionFlags(ViewRef inBrowser);
// The user's doing, as a script would make it: 5 and 6 change the selection, 8 opens a container (its items come
// through the item-data callback's container property), 9 and 10 close it, 7 only notifies.
OSStatus NotifyDataBrowser(ViewRef inBrowser, DataBrowserItemID inItem, DataBrowserNotification inMessage);
// What the browser shows of an item's property: the item-data callback asked to read it (kEventNotHandled without
// a callback).
OSStatus GetDataBrowserItemData(ViewRef inBrowser, DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                                DataBrowserItemData& outData);
// The rows as shown: each container's items sorted by the sort property (through the compare callback), open
// containers followed by their items.
std::vector<DataBrowserItemID> DisplayedRows(ViewRef inBrowser);

// ---- Scroll view ----------------------------------------------------------------------------------------------

constexpr FourCharCode kClassScrollable = FourCC("scrl");
constexpr std::uint32_t kScrollableGetInfo = 1;
constexpr std::uint32_t kScrollableInfoChanged = 2;
constexpr std::uint32_t kScrollableScrollTo = 10;
constexpr FourCharCode kParamImageSize = FourCC("imsz");
constexpr FourCharCode kParamViewSize = FourCC("vwsz");
constexpr FourCharCode kParamLineSize = FourCC("lnsz");
constexpr FourCharCode kParamOrigin = FourCC("orgn");

struct ScrollInfo
{
    Point imageSize;
    Point viewSize;
    Point lineSize;
    Point origin;
};

// The scroll view's content is its first subview. Asks it 'scrl' 1 and keeps the answer.
ScrollInfo GetScrollViewInfo(ViewRef inScrollView);
// Sends 'scrl' 10 with the origin to the content, then asks again.
OSStatus ScrollViewScrollTo(ViewRef inScrollView, Point inOrigin);

} // namespace pf
