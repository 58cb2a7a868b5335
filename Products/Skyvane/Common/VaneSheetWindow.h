// The bases of the plug-in's own windows. A sheet fixes which commands stay enabled while it is in front and
// carries the popup fillers and unit preferences its kind of sheet shares; a floating window hears when another
// window comes to the front.
#pragma once

#include "CxString.h"
#include "CxTypes.h"
#include "DxField.h"
#include "FxWindow.h"

#include <vector>

class DxParm;
class DxSet;
class DxStationManager;
class DxUnit;
class FxPopupButton;

class VaneSheetWindow : public FxSheetWindow
{
public:
    VaneSheetWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow* inParent);
    // Hides the sheet first.
    ~VaneSheetWindow() override;

    // 'ONLN' names the way to the other network state; the application's commands stay enabled, all else not.
    void OnCommandStatus(FxCommand& ioCommand) override;

    // Every registered set of that kind, names shown and ids as titles; the given set selected.
    void BuildDataSetPopup(FxPopupButton* inPopup, CxSint32 inKind, DxSet* inSet);
    // The manager's parameters of that type (all for type 0) whose name holds the filter in any case, capitalised,
    // ids as titles. ioParmId is selected when listed, else the first, and answers the selection; the sheet's
    // control 1 is enabled only while the popup holds anything. The series form filters with the sheet's own text.
    void BuildParameterPopup(FxPopupButton* inPopup, DxStationManager* inManager, CxString& ioParmId,
                             const CxString& inFilter, DxType inType);
    void BuildParameterPopup(FxPopupButton* inPopup, DxStationManager* inManager, CxString& ioParmId, DxType inType);
    // The units compatible with the unit, that unit selected.
    void BuildUnitPopup(FxPopupButton* inPopup, const DxUnit& inUnit);
    // The units of the manager's parameter, as BuildUnitPopupWithPrefs lists them.
    void BuildUnitPopup(FxPopupButton* inPopup, DxStationManager* inManager, const CxString& inParmId,
                        CxString& ioUnitId);
    // The units compatible with the parameter's; ioUnitId when listed, else the preferred unit, else the first.
    void BuildUnitPopupWithPrefs(FxPopupButton* inPopup, const DxParm& inParm, CxString& ioUnitId);

    // Kept only while "unitPreference" is 2.
    static void SetPreferredUnit(const DxUnit& inUnit);
    static DxUnit GetPreferredUnit(const DxUnit& inUnit);

    void AddSymbolToPopup(FxPopupButton* inPopup, const CxString& inSymbol);
    // Interface items 20 to 33 stand for the symbols; others assert and give "none" or 24.
    static CxString ButtonToSymbol(CxSint32 inItem);
    static CxSint32 SymbolToButton(const CxString& inSymbol);
    // Items 40 to 45 stand for 0.5, 1, 2, 3, 4 and 5 pixels; another item asserts and gives 1. A width takes the
    // first item it does not exceed; above 4, or not a number, 45.
    static float ButtonToLineWidth(CxSint32 inItem);
    static CxSint32 LineWidthToButton(float inWidth);

protected:
    CxString mText;
    // The series parameter popup's filter.
    CxString mFilter;
};

class VaneFloatingWindow : public FxFloatingWindow
{
public:
    // Listed in gFloatingWindows for its lifetime.
    VaneFloatingWindow(const CxString& inNibFile, const CxString& inWindowName);
    ~VaneFloatingWindow() override;

    void Update(FxWindow* inWindow) { OnUpdate(inWindow); }
    // Every listed window, in list order, hears that inWindow came to the front.
    static void UpdateAll(FxWindow* inWindow);

    virtual void OnUpdate(FxWindow*) {}
};

// Not owned; main thread only.
extern std::vector<VaneFloatingWindow*> gFloatingWindows;
