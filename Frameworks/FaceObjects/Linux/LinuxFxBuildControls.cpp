#include "CxDebug.h"
#include "FxBuildControls.h"
#include "FxCaptionControl.h"
#include "FxColorControls.h"
#include "FxControl.h"
#include "FxDataBrowser.h"
#include "FxGradientPicker.h"
#include "FxInterfaceFile.h"
#include "FxTextValidators.h"
#include "FxView.h"
#include "PfDrag.h"

#include <map>
#include <vector>

namespace
{

using pf::FourCC;

std::map<CxUint32, FxControlFactory>& Classes()
{
    static std::map<CxUint32, FxControlFactory> sClasses;
    return sClasses;
}

template <class T> FxControl* Make(pf::ViewRef inControl)
{
    return new T(inControl);
}

FxControl* MakeView(pf::ViewRef inControl)
{
    return new FxView(FxViewInfo{inControl});
}

struct KindEntry
{
    pf::FourCharCode kind;
    FxControlFactory factory;
};

// The platform kinds wrapped directly; clocks, browsers and user panes are chosen below.
const KindEntry kKinds[] = {
    {FourCC("bevl"), Make<FxButton>},       {FourCC("push"), Make<FxButton>},
    {FourCC("rndb"), Make<FxButton>},       {FourCC("carr"), Make<FxChasingArrows>},
    {FourCC("cbbx"), Make<FxComboBox>},     {FourCC("cbox"), Make<FxCheckBox>},
    {FourCC("etxt"), Make<FxEditText>},     {FourCC("eutx"), Make<FxEditText>},
    {FourCC("icon"), Make<FxIcon>},         {FourCC("imag"), Make<FxImage>},
    {FourCC("larr"), Make<FxLittleArrows>}, {FourCC("popb"), Make<FxPopupButton>},
    {FourCC("prgb"), Make<FxProgressBar>},  {FourCC("rdio"), Make<FxRadioButton>},
    {FourCC("sbar"), Make<FxScrollBar>},    {FourCC("sgmt"), Make<FxSegmentView>},
    {FourCC("sldr"), Make<FxSlider>},       {FourCC("srfd"), Make<FxSearchField>},
    {FourCC("stxt"), Make<FxStaticText>},   {FourCC("tabs"), Make<FxTabs>},
};

void Wrap(pf::ViewRef inControl)
{
    const pf::FourCharCode kind = pf::GetControlKindCode(inControl);
    if (kind == FourCC("clck"))
    {
        CxAssertText(inControl != nullptr, "inCtrlRef != nil");
        const std::uint32_t command = pf::GetControlCommandID(inControl);
        if (command == FourCC("FXDT"))
            new FxEditDate(inControl);
        else if (command == FourCC("FXTM"))
            new FxEditTime(inControl);
        pf::SetControlCommandID(inControl, 0);
        return;
    }
    if (kind == FourCC("datb"))
    {
        const pf::FourCharCode style = pf::GetDataBrowserViewStyle(inControl);
        if (style == FourCC("clmv"))
            new FxHierarchy(inControl);
        else if (style == FourCC("lstv"))
        {
            if (const FxControlFactory factory = FxControlClassFactory(style))
                factory(inControl);
        }
        return;
    }
    if (kind == FourCC("upan"))
    {
        CxUint32 code = 0;
        pf::GetControlProperty(inControl, kFxFaceSignature, FourCC("CLAS"), &code, sizeof code);
        const FxControlFactory factory = code != 0 ? FxControlClassFactory(code) : nullptr;
        (factory != nullptr ? factory : MakeView)(inControl);
        return;
    }
    for (const KindEntry& entry : kKinds)
        if (entry.kind == kind)
        {
            entry.factory(inControl);
            return;
        }
}

} // namespace

void FxRegisterControlClass(CxUint32 inCode, FxControlFactory inFactory)
{
    if (inFactory != nullptr)
        Classes()[inCode] = inFactory;
    else
        Classes().erase(inCode);
}

FxControlFactory FxControlClassFactory(CxUint32 inCode)
{
    const auto found = Classes().find(inCode);
    return found != Classes().end() ? found->second : nullptr;
}

void FxRegisterAllControls()
{
    static bool sDone = false;
    if (sDone)
        return;
    sDone = true;
    FxRegisterControlClass(FourCC("FXIN"), Make<FxInvisible>);
    FxRegisterValidators();
    FxRegisterControlClass(FourCC("lstv"), Make<FxDataBrowser>);
    FxRegisterControlClass(FourCC("FXTB"), Make<FxTable>);
    FxRegisterControlClass(FourCC("FXTC"), Make<FxTableCell>);
    FxRegisterControlClass(FourCC("FXBR"), Make<FxBorder>);
    FxRegisterHudControls();
    FxRegisterColorControls();
    FxRegisterGradientControls();
}

void FxBuildControls(pf::ViewRef inRoot)
{
    FxRegisterAllControls();
    if (!pf::IsValidView(inRoot))
        return;
    // A snapshot of this level: a wrapper may add views or move its own elsewhere.
    const std::vector<pf::ViewRef> subviews = pf::GetSubviews(inRoot);
    for (const pf::ViewRef view : subviews)
    {
        if (!pf::IsValidView(view))
            continue;
        pf::FourCharCode signature = 0;
        pf::GetControlID(view, &signature, nullptr);
        if (signature == kFxFaceSignature && FxControl::FromRef(view) == nullptr)
            Wrap(view);
        FxBuildControls(view);
    }
}
