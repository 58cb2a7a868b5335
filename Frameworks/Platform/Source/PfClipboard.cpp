// The clipboard: one scrap, its flavors and promised data.
#include "PfWindowServerState.h"

#include <algorithm>
#include <cstring>

namespace pf
{

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

} // namespace pf
