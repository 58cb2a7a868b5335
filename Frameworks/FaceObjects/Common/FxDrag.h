// Value objects over the platform's drags and clipboard.
#pragma once

#include "CxCoordinates.h"
#include "PfDrag.h"

#include <cstddef>
#include <vector>

class FxDragHandler;
class FxDragItem;
class FxDragFlavor;
class FxScrapFlavor;

// A colour's flavour: one GxColor, read from the drag's pasteboard rather than from the item.
constexpr pf::FourCharCode kFxColorDragFlavor = pf::FourCC("FXCL");

class FxDrag
{
public:
    // A new drag, owned.
    FxDrag();
    explicit FxDrag(pf::DragRef inDrag) : mDrag(inDrag) {}
    // The event's 'drag'; null when absent.
    explicit FxDrag(const pf::Event& inEvent);
    ~FxDrag();
    FxDrag(const FxDrag&) = delete;
    FxDrag& operator=(const FxDrag&) = delete;

    pf::DragRef GetDragRef() const { return mDrag; }
    std::uint16_t CountItems() const;
    CxPoint Location() const;
    // 1-based.
    FxDragItem GetItemByIndex(std::uint16_t inIndex) const;
    FxDragItem GetItemById(pf::DragItemRef inItem) const;
    // Promised when inData is null and inSize is not 0.
    FxDragItem AddItem(pf::DragItemRef inItem, pf::FourCharCode inType, const void* inData, std::size_t inSize);
    // Runs the drag from inHandler under the mouse, from inStart.
    pf::OSStatus Track(FxDragHandler* inHandler, const CxPoint& inStart);
    // The last Track's outline: the outer edges of the items' 1-pixel frames, in index order.
    const std::vector<CxRect>& Outline() const { return mOutline; }

private:
    pf::DragRef mDrag = nullptr;
    bool mOwned = false;
    std::vector<CxRect> mOutline;
};

class FxDragItem
{
public:
    FxDragItem(pf::DragRef inDrag, pf::DragItemRef inItem) : mDrag(inDrag), mItem(inItem) {}

    pf::DragItemRef Id() const { return mItem; }
    std::uint16_t CountFlavors() const;
    // 1-based.
    FxDragFlavor GetFlavorByIndex(std::uint16_t inIndex) const;
    FxDragFlavor GetFlavorById(pf::FourCharCode inType) const;
    // Null data always promises the flavour.
    FxDragFlavor AddFlavor(pf::FourCharCode inType, const void* inData, std::size_t inSize);
    void SetBounds(const CxRect& inBounds);
    CxRect Bounds() const;

private:
    pf::DragRef mDrag;
    pf::DragItemRef mItem;
};

class FxDragFlavor
{
public:
    FxDragFlavor(pf::DragRef inDrag, pf::DragItemRef inItem, pf::FourCharCode inType)
        : mDrag(inDrag), mItem(inItem), mType(inType)
    {
    }

    pf::FourCharCode Id() const { return mType; }
    std::size_t GetSize() const;
    // Stores the bytes read in outSize when given and answers them; 0 when nothing could be read.
    std::size_t GetData(void* outBuffer, std::size_t inSize, std::size_t inOffset = 0,
                        std::size_t* outSize = nullptr) const;
    pf::OSStatus SetData(const void* inData, std::size_t inSize, std::size_t inOffset = 0);

private:
    pf::DragRef mDrag;
    pf::DragItemRef mItem;
    pf::FourCharCode mType;
};

// The owner window of the control named by the event's direct object.
pf::WindowRef FxGetWindowRefFromDragEvent(const pf::Event& inEvent);

// The clipboard; a copyable reference.
class FxScrap
{
public:
    explicit FxScrap(pf::ScrapRef inScrap) : mScrap(inScrap) {}

    pf::ScrapRef GetScrapRef() const { return mScrap; }
    std::uint32_t CountFlavors() const;
    // 1-based, in the order the flavours were put.
    FxScrapFlavor GetFlavorByIndex(std::uint32_t inIndex) const;
    FxScrapFlavor GetFlavorById(pf::FourCharCode inType) const;
    bool HasFlavor(pf::FourCharCode inType) const;
    // Null data with a size promises the flavour to the promise keeper.
    FxScrapFlavor AddFlavor(pf::FourCharCode inType, std::size_t inSize, const void* inData);

private:
    pf::ScrapRef mScrap;
};

class FxScrapFlavor
{
public:
    FxScrapFlavor(pf::ScrapRef inScrap, pf::FourCharCode inType) : mScrap(inScrap), mType(inType) {}

    pf::FourCharCode Id() const { return mType; }
    // 0 when the clipboard lacks the flavour.
    std::size_t Size() const;
    // Reads at most inSize bytes. With outSize, stores and answers the bytes read; else answers the status.
    pf::OSStatus GetData(void* outBuffer, std::size_t inSize, std::size_t* outSize = nullptr) const;
    pf::OSStatus SetData(const void* inData, std::size_t inSize);

private:
    pf::ScrapRef mScrap;
    pf::FourCharCode mType;
};
