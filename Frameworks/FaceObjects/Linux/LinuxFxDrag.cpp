// The clipboard over the platform's one scrap and its promise keeper.
#include "FxDrag.h"
#include "FxScrapHandler.h"

#include <vector>

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
