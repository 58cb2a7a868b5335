#include "VaneSheetWindow.h"

#include "CxDebug.h"
#include "CxLocalize.h"
#include "CxPreferences.h"
#include "DxManager.h"
#include "DxParm.h"
#include "DxSet.h"
#include "DxStationManager.h"
#include "DxUnit.h"
#include "FxCommander.h"
#include "FxControl.h"
#include "PfTypes.h"

#include <algorithm>
#include <iterator>

std::vector<VaneFloatingWindow*> gFloatingWindows;

namespace
{

const char* const kSymbols[] = {
    "solidCircle",     "circle",     "solidSquare",       "square",       "solidDiamond", "diamond",
    "solidTriangleUp", "triangleUp", "solidTriangleDown", "triangleDown", "cross",        "x",
    "bolt1",           "bolt2"};
constexpr CxSint32 kFirstSymbolItem = 20;

const float kLineWidths[] = {0.5f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
constexpr CxSint32 kFirstLineWidthItem = 40;

bool PrefersOwnUnits()
{
    return CxGetGlobalPreferences().GetIntegerValue("unitPreference") == 2;
}

CxString UnitPreferenceKey(const DxUnit& inUnit)
{
    return "unitPreference_" + inUnit.BaseId();
}

// The 1-based item whose title is the id, or 0.
int FindTitle(const FxPopupButton* inPopup, const CxString& inId)
{
    for (int item = 1; item <= inPopup->CountItems(); ++item)
        if (inPopup->GetItemTitle(item) == inId)
            return item;
    return 0;
}

} // namespace

// ---- VaneSheetWindow -----------------------------------------------------------------------------------------

VaneSheetWindow::VaneSheetWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow* inParent)
    : FxSheetWindow(inNibFile, inWindowName, inParent)
{
}

VaneSheetWindow::~VaneSheetWindow()
{
    Hide();
}

void VaneSheetWindow::OnCommandStatus(FxCommand& ioCommand)
{
    switch (ioCommand.Id())
    {
    case pf::FourCC("ONLN"):
        ioCommand.Enable();
        ioCommand.SetText(CxLocalize(DxManager::Online() ? "workOffline" : "workOnline"));
        break;
    case pf::FourCC("DMGR"):
    case pf::FourCC("COLR"):
    case pf::FourCC("GRDS"):
    case pf::FourCC("NEWG"):
    case pf::FourCC("abou"):
    case pf::FourCC("RFSH"):
    case pf::FourCC("SLOG"):
    case pf::FourCC("new "):
    case pf::FourCC("open"):
        ioCommand.Enable();
        break;
    default:
        ioCommand.Disable();
        break;
    }
}

void VaneSheetWindow::BuildDataSetPopup(FxPopupButton* inPopup, CxSint32 inKind, DxSet* inSet)
{
    CxAssertText(inPopup != nullptr, "inPopup != nil");
    CxAssertText(inSet != nullptr, "inSet != nil");
    if (inPopup == nullptr)
        return;
    inPopup->RemoveAll();
    for (auto it = DxSet::BeginSets(); it != DxSet::EndSets(); ++it)
    {
        if (it->second->Kind() != inKind)
            continue;
        inPopup->AppendItem(it->second->Name());
        inPopup->SetItemTitle(inPopup->CountItems(), it->second->Id());
    }
    if (inSet != nullptr)
        if (const int item = FindTitle(inPopup, inSet->Id()))
            inPopup->SetValue(item);
}

void VaneSheetWindow::BuildParameterPopup(FxPopupButton* inPopup, DxStationManager* inManager, CxString& ioParmId,
                                          const CxString& inFilter, DxType inType)
{
    if (inPopup == nullptr)
        return;
    inPopup->RemoveAll();
    CxString filter = inFilter;
    filter.Lowercase();
    if (inManager != nullptr)
    {
        for (const DxParm& parm : inManager->Parms())
        {
            if (inType != 0 && parm.Type() != inType)
                continue;
            CxString name = parm.Name();
            name.Lowercase();
            if (filter.Length() != 0 && !name.Contains(filter))
                continue;
            CxString shown = parm.Name();
            shown.Capitalize();
            inPopup->AppendItem(shown);
            inPopup->SetItemTitle(inPopup->CountItems(), parm.Id());
        }
    }
    const int listed = FindTitle(inPopup, ioParmId);
    inPopup->SetValue(listed != 0 ? listed : 1);
    ioParmId = inPopup->CountItems() > 0 ? inPopup->GetItemTitle(inPopup->Value()) : CxString();
    if (FxControl* ok = GetControlById(1))
        ok->SetEnabled(inPopup->CountItems() > 0);
}

void VaneSheetWindow::BuildParameterPopup(FxPopupButton* inPopup, DxStationManager* inManager, CxString& ioParmId,
                                          DxType inType)
{
    BuildParameterPopup(inPopup, inManager, ioParmId, mFilter, inType);
}

void VaneSheetWindow::BuildUnitPopup(FxPopupButton* inPopup, const DxUnit& inUnit)
{
    if (inPopup == nullptr)
        return;
    inPopup->RemoveAll();
    for (const DxUnit& unit : inUnit.CompatibleUnits())
    {
        inPopup->AppendItem(unit.Name());
        inPopup->SetItemTitle(inPopup->CountItems(), unit.Id());
    }
    if (const int item = FindTitle(inPopup, inUnit.Id()))
        inPopup->SetValue(item);
}

void VaneSheetWindow::BuildUnitPopup(FxPopupButton* inPopup, DxStationManager* inManager, const CxString& inParmId,
                                     CxString& ioUnitId)
{
    if (inManager != nullptr)
        BuildUnitPopupWithPrefs(inPopup, inManager->FindParm(inParmId), ioUnitId);
}

void VaneSheetWindow::BuildUnitPopupWithPrefs(FxPopupButton* inPopup, const DxParm& inParm, CxString& ioUnitId)
{
    if (inPopup == nullptr)
        return;
    inPopup->RemoveAll();
    const DxUnit& unit = inParm.Unit();
    const CxString preferred =
        PrefersOwnUnits() ? CxGetGlobalPreferences().GetStringValue(UnitPreferenceKey(unit)) : unit.Id();
    for (const DxUnit& compatible : unit.Base().CompatibleUnits())
    {
        inPopup->AppendItem(compatible.Name());
        inPopup->SetItemTitle(inPopup->CountItems(), compatible.Id());
    }
    int item = FindTitle(inPopup, ioUnitId);
    if (item == 0)
        item = FindTitle(inPopup, preferred);
    inPopup->SetValue(item != 0 ? item : 1);
    ioUnitId = inPopup->CountItems() > 0 ? inPopup->GetItemTitle(inPopup->Value()) : CxString();
}

void VaneSheetWindow::SetPreferredUnit(const DxUnit& inUnit)
{
    if (PrefersOwnUnits())
        CxGetGlobalPreferences().SetStringValue(UnitPreferenceKey(inUnit), inUnit.Id(), 0);
}

DxUnit VaneSheetWindow::GetPreferredUnit(const DxUnit& inUnit)
{
    if (!PrefersOwnUnits())
        return inUnit;
    const CxString stored = CxGetGlobalPreferences().GetStringValue(UnitPreferenceKey(inUnit));
    const DxUnit preferred(stored);
    // Nothing stored, or an id the table has lost, would read as "nada": keep the unit asked about.
    return preferred.Id() == stored && stored.Length() != 0 ? preferred : inUnit;
}

void VaneSheetWindow::AddSymbolToPopup(FxPopupButton* inPopup, const CxString& inSymbol)
{
    if (inPopup == nullptr)
        return;
    inPopup->AppendItem(CxLocalize(inSymbol));
    inPopup->SetItemTitle(inPopup->CountItems(), inSymbol);
}

CxString VaneSheetWindow::ButtonToSymbol(CxSint32 inItem)
{
    const CxSint32 index = inItem - kFirstSymbolItem;
    if (index >= 0 && index < CxSint32(std::size(kSymbols)))
        return kSymbols[index];
    CxAssert(false);
    return "none";
}

CxSint32 VaneSheetWindow::SymbolToButton(const CxString& inSymbol)
{
    for (CxSint32 index = 0; index < CxSint32(std::size(kSymbols)); ++index)
        if (inSymbol == kSymbols[index])
            return kFirstSymbolItem + index;
    CxAssert(false);
    return 24;
}

float VaneSheetWindow::ButtonToLineWidth(CxSint32 inItem)
{
    const CxSint32 index = inItem - kFirstLineWidthItem;
    if (index >= 0 && index < CxSint32(std::size(kLineWidths)))
        return kLineWidths[index];
    CxAssert(false);
    return 1.0f;
}

CxSint32 VaneSheetWindow::LineWidthToButton(float inWidth)
{
    for (CxSint32 index = 0; index + 1 < CxSint32(std::size(kLineWidths)); ++index)
        if (inWidth <= kLineWidths[index])
            return kFirstLineWidthItem + index;
    return kFirstLineWidthItem + CxSint32(std::size(kLineWidths)) - 1;
}

// ---- VaneFloatingWindow --------------------------------------------------------------------------------------

VaneFloatingWindow::VaneFloatingWindow(const CxString& inNibFile, const CxString& inWindowName)
    : FxFloatingWindow(inNibFile, inWindowName)
{
    gFloatingWindows.push_back(this);
}

VaneFloatingWindow::~VaneFloatingWindow()
{
    gFloatingWindows.erase(std::remove(gFloatingWindows.begin(), gFloatingWindows.end(), this), gFloatingWindows.end());
}

void VaneFloatingWindow::UpdateAll(FxWindow* inWindow)
{
    // A copy: a window told may close itself or another.
    const std::vector<VaneFloatingWindow*> windows = gFloatingWindows;
    for (VaneFloatingWindow* window : windows)
        if (std::find(gFloatingWindows.begin(), gFloatingWindows.end(), window) != gFloatingWindows.end())
            window->Update(inWindow);
}
