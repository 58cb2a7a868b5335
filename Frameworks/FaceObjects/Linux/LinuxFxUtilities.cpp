#include "FxUtilities.h"

#include "CxDebug.h"
#include "CxSystem.h"
#include "FxView.h"
#include "FxWindow.h"
#include "PfImage.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

std::uint16_t Channel16(double inValue)
{
    if (!(inValue > 0))
        return 0;
    if (inValue >= 1)
        return 65535;
    return std::uint16_t(inValue * 65535);
}

void SetTarget(pf::EventTarget* inTarget, const GxFont* inFont)
{
    pf::SetFontPanelTarget(inTarget);
    if (inFont == nullptr)
    {
        pf::SetFontPanelStyle(nullptr);
        return;
    }
    // Font id 0 is the default sans, which is also the system font's id.
    pf::FontPanelStyle style;
    style.fontId = std::int32_t(inFont->Id());
    style.size = std::int32_t(inFont->Size()) * 65536;
    pf::SetFontPanelStyle(&style);
}

} // namespace

bool FxPickColor(FxWindow*, const GxColor& inColor, GxColor& outColor)
{
    const pf::RGBColor start{Channel16(inColor.mRed), Channel16(inColor.mGreen), Channel16(inColor.mBlue)};
    pf::RGBColor chosen;
    if (pf::PickColor(u"Choose a color:", start, &chosen))
    {
        outColor = GxColor(16, chosen.red, chosen.green, chosen.blue, 65535);
        return true;
    }
    outColor = inColor;
    return false;
}

void FxRegisterIcon(const CxString& inName, unsigned long inCreator, unsigned long inType)
{
    // pf never reads the bundle: the image is read here and handed over.
    const std::string bundle = CxGetBundle().AsUtf8();
    std::vector<std::uint8_t> bytes;
    if (!bundle.empty())
    {
        std::ifstream in(bundle + "/" + inName.AsUtf8() + ".png", std::ios::binary);
        if (in)
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    pf::Image image;
    std::string error;
    if (bytes.empty() || !pf::ReadPngImage(bytes.data(), bytes.size(), image, error))
    {
        _CxDebugOut(__FILE__, __LINE__, "FxRegisterIcon", error.empty() ? "no icon resource" : error.c_str());
        return;
    }
    pf::RegisterIconImage(pf::FourCharCode(inCreator), pf::FourCharCode(inType), std::move(image));
}

void FxUnregisterIcon(unsigned long inCreator, unsigned long inType)
{
    pf::UnregisterIconImage(pf::FourCharCode(inCreator), pf::FourCharCode(inType));
}

void FxToggleFontPanel()
{
    pf::ShowFontPanel(!pf::IsFontPanelVisible());
}

bool FxIsFontPanelVisible()
{
    return pf::IsFontPanelVisible();
}

void FxSetFontPanelTarget(FxWindow* inWindow, GxFont* inFont)
{
    if (inWindow != nullptr)
        SetTarget(pf::GetWindowEventTarget(inWindow->GetRef()), inFont);
}

void FxSetFontPanelTarget(FxView* inView, GxFont* inFont)
{
    if (inView != nullptr)
        SetTarget(pf::GetViewEventTarget(inView->GetViewRef()), inFont);
}

void FxClearFontPanelTarget(FxWindow*, FxView*) {}

RgnHandle FxNewRegion()
{
    return pf::NewRegion();
}

void FxDisposeRegion(RgnHandle inRegion)
{
    pf::DisposeRegion(inRegion);
}
