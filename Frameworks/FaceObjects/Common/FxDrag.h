// Value objects over the platform's clipboard.
#pragma once

#include "PfDrag.h"

#include <cstddef>

class FxScrapFlavor;

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
