#include "CxDebug.h"
#include "CxFile.h"
#include "CxSystem.h"
#include "FxControl.h"
#include "FxInterfaceFile.h"
#include "FxMenu.h"
#include "FxTextValidator.h"
#include "PfDrag.h"
#include "PfImage.h"
#include "PfTheme.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

constexpr pf::FourCharCode kControlTag = pf::FourCC("CTRL");
constexpr pf::FourCharCode kWindowTag = pf::FourCC("WIND");
constexpr pf::FourCharCode kFxEventClass = pf::FourCC("FACE");
constexpr std::uint32_t kFxTextValidated = 2;

std::u16string Utf16(const CxString& inText)
{
    const CxUint16* units = inText.GetChars();
    return std::u16string(units, units + inText.Length());
}

CxString FromUtf16(const std::u16string& inText)
{
    return CxString(inText.c_str());
}

pf::Rect ToRect(const CxRect& inRect)
{
    return pf::Rect{double(inRect.left), double(inRect.top), double(inRect.Width()), double(inRect.Height())};
}

CxRect FromRect(const pf::Rect& inRect)
{
    return CxRect(CxSint16(std::lround(inRect.x)), CxSint16(std::lround(inRect.y)),
                  CxSint16(std::lround(inRect.Right())), CxSint16(std::lround(inRect.Bottom())));
}

// The long-date record of the clocks' 'date' data: 16-bit fields, host order.
struct LongDate
{
    CxSint16 era = 0;
    CxSint16 year = 0;
    CxSint16 month = 0;
    CxSint16 day = 0;
    CxSint16 hour = 0;
    CxSint16 minute = 0;
    CxSint16 second = 0;
    CxSint16 dayOfWeek = 0;
    CxSint16 dayOfYear = 0;
    CxSint16 zeros[5] = {};
};
static_assert(sizeof(LongDate) == 28);

} // namespace

// ---- FxControl -----------------------------------------------------------------------------------------------

FxControl::FxControl(pf::ViewRef inControl) : mControl(pf::IsValidView(inControl) ? inControl : nullptr)
{
    if (mControl == nullptr)
        return;
    FxControl* self = this;
    pf::SetControlProperty(mControl, kFxFaceSignature, kControlTag, &self, sizeof(self));
}

FxControl::~FxControl()
{
    RemoveHandler();
    RemoveTimer();
    if (mControl == nullptr || !pf::IsValidView(mControl))
        return;
    DeleteWrappersBelow(mControl);
    pf::SetControlAction(mControl, nullptr);
    pf::RemoveControlProperty(mControl, kFxFaceSignature, kControlTag);
    pf::RemoveFromSuperview(mControl);
    pf::DisposeView(mControl);
}

void FxControl::DeleteWrappersBelow(pf::ViewRef inView)
{
    if (inView == nullptr || !pf::IsValidView(inView))
        return;
    const std::vector<pf::ViewRef> subviews = pf::GetSubviews(inView);
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
    {
        if (!pf::IsValidView(*it))
            continue;
        // A wrapper takes its own tree; a plain view may hold wrappers all the same.
        if (FxControl* wrapper = FromRef(*it))
            delete wrapper;
        else
            DeleteWrappersBelow(*it);
    }
}

pf::ViewRef FxControl::Make(FxWindow* inWindow, pf::ViewKind inKind, const CxRect& inBounds, bool inAdd)
{
    pf::WindowRef window = nullptr;
    for (const pf::WindowRef candidate : pf::WindowList())
    {
        FxWindow* owner = nullptr;
        if (inWindow != nullptr &&
            pf::GetWindowProperty(candidate, kFxFaceSignature, kWindowTag, &owner, sizeof(owner)) == pf::kNoErr &&
            owner == inWindow)
        {
            window = candidate;
            break;
        }
    }
    if (window == nullptr)
    {
        _CxDebugOut(__FILE__, __LINE__, "FxControl", "no window carries the FxWindow");
        return nullptr;
    }
    const pf::ViewRef view = pf::CreateView(inKind, ToRect(inBounds));
    if (inAdd)
        pf::AddSubview(pf::GetContentView(window), view);
    return view;
}

void FxControl::Install(std::initializer_list<pf::EventTypeSpec> inTypes)
{
    if (mControl != nullptr)
        InstallHandler(pf::GetViewEventTarget(mControl), inTypes.begin(), CxUint32(inTypes.size()));
}

bool FxControl::GetData(CxSint16 inPart, CxUint32 inTag, void* outData, std::size_t inSize) const
{
    return mControl != nullptr &&
           pf::GetControlProperty(mControl, FxControlDataCreator(inPart), inTag, outData, inSize) == pf::kNoErr;
}

void FxControl::SetData(CxSint16 inPart, CxUint32 inTag, const void* inData, std::size_t inSize)
{
    if (mControl != nullptr)
        pf::SetControlProperty(mControl, FxControlDataCreator(inPart), inTag, inData, inSize);
}

void FxControl::Show()
{
    if (mControl != nullptr)
        pf::SetViewVisible(mControl, true);
}

void FxControl::Hide()
{
    if (mControl != nullptr)
        pf::SetViewVisible(mControl, false);
}

void FxControl::SetVisible(bool inVisible)
{
    if (inVisible)
        Show();
    else
        Hide();
}

bool FxControl::IsVisible() const
{
    return mControl != nullptr && pf::IsViewVisible(mControl);
}

void FxControl::Enable()
{
    SetEnabled(true);
}

void FxControl::Disable()
{
    SetEnabled(false);
}

void FxControl::SetEnabled(bool inEnabled)
{
    if (mControl != nullptr)
        pf::SetViewEnabled(mControl, inEnabled);
}

bool FxControl::IsEnabled() const
{
    return mControl != nullptr && pf::IsViewEnabled(mControl);
}

void FxControl::SetId(CxSint32 inId)
{
    if (mControl != nullptr)
        pf::SetControlID(mControl, kFxFaceSignature, inId);
}

CxSint32 FxControl::Id() const
{
    std::int32_t id = 0;
    if (mControl != nullptr)
        pf::GetControlID(mControl, nullptr, &id);
    return id;
}

void FxControl::SetValue(CxSint32 inValue)
{
    if (mControl != nullptr)
        pf::SetControlValue(mControl, inValue);
}

CxSint32 FxControl::Value() const
{
    return mControl != nullptr ? pf::GetControlValue(mControl) : 0;
}

void FxControl::SetMinimum(CxSint32 inValue)
{
    if (mControl != nullptr)
        pf::SetControlMinimum(mControl, inValue);
}

void FxControl::SetMaximum(CxSint32 inValue)
{
    if (mControl != nullptr)
        pf::SetControlMaximum(mControl, inValue);
}

CxSint32 FxControl::Minimum() const
{
    return mControl != nullptr ? pf::GetControlMinimum(mControl) : 0;
}

CxSint32 FxControl::Maximum() const
{
    return mControl != nullptr ? pf::GetControlMaximum(mControl) : 0;
}

void FxControl::SetTitle(const CxString& inTitle)
{
    if (mControl != nullptr)
        pf::SetControlTitle(mControl, Utf16(inTitle));
}

CxString FxControl::Title() const
{
    return mControl != nullptr ? FromUtf16(pf::GetControlTitle(mControl)) : CxString();
}

void FxControl::SetBounds(const CxRect& inBounds)
{
    if (mControl != nullptr)
        pf::SetViewFrame(mControl, ToRect(inBounds));
}

CxRect FxControl::Bounds() const
{
    return mControl != nullptr ? FromRect(pf::GetViewFrame(mControl)) : CxRect();
}

FxControlKind FxControl::Kind() const
{
    FxControlKind kind;
    if (mControl != nullptr)
    {
        kind.mSignature = pf::FourCC("appl");
        kind.mKind = pf::GetControlKindCode(mControl);
    }
    return kind;
}

FxWindow* FxControl::Window() const
{
    FxWindow* window = nullptr;
    const pf::WindowRef ref = mControl != nullptr ? pf::GetViewWindow(mControl) : nullptr;
    if (ref == nullptr ||
        pf::GetWindowProperty(ref, kFxFaceSignature, kWindowTag, &window, sizeof(window)) != pf::kNoErr)
        return nullptr;
    return window;
}

FxControl* FxControl::Parent() const
{
    return mControl != nullptr ? FromRef(pf::GetSuperview(mControl)) : nullptr;
}

void FxControl::SetParent(FxControl* inParent)
{
    const pf::OSStatus status =
        inParent != nullptr && mControl != nullptr ? pf::AddSubview(inParent->mControl, mControl) : pf::kParamErr;
    CxAssertText(status == pf::kNoErr, "status == noErr");
}

int FxControl::CountControls() const
{
    return mControl != nullptr ? int(pf::GetSubviews(mControl).size()) : 0;
}

FxControl* FxControl::GetControlByIndex(int inIndex) const
{
    if (mControl == nullptr)
        return nullptr;
    const std::vector<pf::ViewRef> subviews = pf::GetSubviews(mControl);
    return inIndex >= 1 && std::size_t(inIndex) <= subviews.size() ? FromRef(subviews[std::size_t(inIndex) - 1])
                                                                   : nullptr;
}

FxControl* FxControl::GetControlById(CxSint32 inId) const
{
    if (mControl == nullptr)
        return nullptr;
    std::vector<pf::ViewRef> pending = pf::GetSubviews(mControl);
    for (std::size_t i = 0; i < pending.size(); ++i)
    {
        pf::FourCharCode signature = 0;
        std::int32_t id = 0;
        pf::GetControlID(pending[i], &signature, &id);
        if (signature == kFxFaceSignature && id == inId)
            return FromRef(pending[i]);
        for (const pf::ViewRef child : pf::GetSubviews(pending[i]))
            pending.push_back(child);
    }
    return nullptr;
}

void FxControl::Focus(CxSint16 inPart)
{
    const pf::WindowRef window = mControl != nullptr ? pf::GetViewWindow(mControl) : nullptr;
    if (window == nullptr)
        return;
    pf::SetUserFocusWindow(window);
    pf::SetKeyboardFocus(window, mControl, inPart);
}

void FxControl::SetHelpText(const CxString& inText)
{
    if (mControl != nullptr)
        pf::SetViewHelpTag(mControl, Utf16(inText));
}

pf::OSStatus FxControl::SendEventToParentOrWindow(pf::Event& ioEvent)
{
    if (mControl == nullptr)
        return pf::kEventNotHandled;
    if (FxControl* parent = Parent())
        return pf::GetViewEventTarget(parent->mControl)->Send(ioEvent);
    const pf::WindowRef window = pf::GetViewWindow(mControl);
    return window != nullptr ? pf::GetWindowEventTarget(window)->Send(ioEvent) : pf::kEventNotHandled;
}

void FxControl::ParentResized(const CxRect& inOldParent, const CxRect& inNewParent)
{
    if (!mBinding.mRight && !mBinding.mBottom)
        return;
    CxRect bounds = Bounds();
    const CxSint16 width = bounds.Width();
    const CxSint16 height = bounds.Height();
    if (mBinding.mRight)
    {
        bounds.right = CxSint16(inNewParent.right - (inOldParent.right - bounds.right));
        if (!mBinding.mLeft)
            bounds.left = CxSint16(bounds.right - width);
    }
    if (mBinding.mBottom)
    {
        bounds.bottom = CxSint16(inNewParent.bottom - (inOldParent.bottom - bounds.bottom));
        if (!mBinding.mTop)
            bounds.top = CxSint16(bounds.bottom - height);
    }
    SetBounds(bounds);
}

FxControl* FxControl::FromRef(pf::ViewRef inControl)
{
    FxControl* control = nullptr;
    if (inControl == nullptr || !pf::IsValidView(inControl) ||
        pf::GetControlProperty(inControl, kFxFaceSignature, kControlTag, &control, sizeof(control)) != pf::kNoErr)
        return nullptr;
    return control;
}

FxControl* FxControl::FromMenuRef(pf::MenuRef inMenu)
{
    FxControl* control = nullptr;
    if (inMenu == nullptr || !pf::IsValidMenu(inMenu) ||
        pf::GetMenuProperty(inMenu, kFxFaceSignature, kControlTag, &control, sizeof(control)) != pf::kNoErr)
        return nullptr;
    return control;
}

void FxControl::AttachToMenuRef(pf::MenuRef inMenu)
{
    CxAssertText(inMenu != nullptr, "inMenuRef != nil");
    if (inMenu == nullptr || !pf::IsValidMenu(inMenu))
        return;
    FxControl* self = this;
    pf::SetMenuProperty(inMenu, kFxFaceSignature, kControlTag, &self, sizeof(self));
    if (FxMenu::FromRef(inMenu) == nullptr)
        new FxMenu(inMenu); // owned through the menu's property, deleted on detaching
}

void FxControl::DetachFromMenuRef(pf::MenuRef inMenu)
{
    if (inMenu == nullptr || !pf::IsValidMenu(inMenu))
        return;
    pf::RemoveMenuProperty(inMenu, kFxFaceSignature, kControlTag);
    delete FxMenu::FromRef(inMenu);
}

// ---- Text ----------------------------------------------------------------------------------------------------

FxStaticText::FxStaticText(pf::ViewRef inControl) : FxControl(inControl)
{
    if (mControl == nullptr)
        return;
    std::uint8_t multiLine = 1;
    pf::GetControlProperty(mControl, kFxFaceSignature, pf::FourCC("MULT"), &multiLine, 1);
    SetData(0, pf::FourCC("stim"), &multiLine, 1);
    const CxUint32 truncation = 16384; // in the middle
    SetData(0, pf::FourCC("trun"), &truncation, sizeof(truncation));
}

FxStaticText::FxStaticText(FxWindow* inWindow, const CxRect& inBounds)
    : FxControl(Make(inWindow, pf::ViewKind::kStaticText, inBounds))
{
    SetText("Static");
}

CxString FxStaticText::Text() const
{
    return mControl != nullptr ? FromUtf16(pf::GetControlText(mControl)) : CxString();
}

void FxStaticText::SetText(const CxString& inText)
{
    if (mControl != nullptr)
        pf::SetControlText(mControl, Utf16(inText));
}

FxEditText::FxEditText(pf::ViewRef inControl) : FxControl(inControl)
{
    std::size_t size = 0;
    const bool password = mControl != nullptr && pf::GetControlPropertySize(mControl, pf::FourCC("appl"),
                                                                            pf::FourCC("pass"), size) == pf::kNoErr;
    mTextTag = password ? pf::FourCC("pwcf") : pf::FourCC("cfst");
    mLastValidated = Text();
    SetUp();
}

FxEditText::FxEditText(FxWindow* inWindow, const CxRect& inBounds, bool inPassword)
    : FxControl(Make(inWindow, pf::ViewKind::kEditText, inBounds)),
      mTextTag(inPassword ? pf::FourCC("pwcf") : pf::FourCC("cfst"))
{
    if (mControl != nullptr && inPassword)
    {
        const std::uint8_t secret = 1;
        pf::SetControlProperty(mControl, pf::FourCC("appl"), pf::FourCC("pass"), &secret, 1);
    }
    if (mControl != nullptr)
        pf::SetControlText(mControl, u"Editable");
    mLastValidated = Text();
    SetUp();
}

FxEditText::~FxEditText()
{
    RemoveHandler();
    delete mValidator;
}

void FxEditText::SetUp()
{
    Install({{pf::kClassKeyboard, pf::kRawKeyDown},
             {pf::kClassControl, pf::kControlSetFocusPart},
             {pf::kClassTextField, pf::kTextFieldTextDidChange}});
    pf::FourCharCode code = 0;
    if (mControl != nullptr &&
        pf::GetControlProperty(mControl, kFxFaceSignature, pf::FourCC("TXVL"), &code, sizeof(code)) == pf::kNoErr)
    {
        if (FxTextValidator* validator = FxMakeTextValidator(code))
            AttachValidator(validator);
    }
}

CxString FxEditText::Text() const
{
    return mControl != nullptr ? FromUtf16(pf::GetControlText(mControl)) : CxString();
}

void FxEditText::SetText(const CxString& inText)
{
    CxString text = inText;
    if (mValidator != nullptr)
    {
        bool ok = true;
        mValidator->Validate(text, ok);
    }
    if (mControl != nullptr)
        pf::SetControlText(mControl, Utf16(text));
    mLastValidated = text;
}

bool FxEditText::Validate()
{
    if (mValidator == nullptr)
        return true;
    CxString text = Text();
    bool ok = true;
    mValidator->Validate(text, ok);
    if (!ok)
    {
        CxBeep();
        return false;
    }
    SetText(text);
    const CxSint16 selection[2] = {0, 32767};
    SetData(pf::kControlEditTextPart, pf::FourCC("sele"), selection, sizeof(selection));
    pf::Event validated(kFxEventClass, kFxTextValidated);
    validated.SetParam(pf::kParamDirectObject, pf::kTypeControlRef, mControl);
    SendEventToParentOrWindow(validated);
    return true;
}

void FxEditText::AttachValidator(FxTextValidator* inValidator)
{
    if (inValidator == mValidator)
        return;
    delete mValidator;
    mValidator = inValidator;
}

void FxEditText::DetachValidator(FxTextValidator* inValidator)
{
    if (inValidator != nullptr && inValidator == mValidator)
        mValidator = nullptr;
}

pf::OSStatus FxEditText::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (ioEvent.Class() == pf::kClassKeyboard && ioEvent.Kind() == pf::kRawKeyDown)
    {
        if (mValidator == nullptr)
            return pf::kEventNotHandled;
        std::uint32_t key = 0;
        ioEvent.GetParam(pf::kParamKeyCode, pf::kTypeUInt32, key);
        if (key == pf::kKeyReturn || key == pf::kKeyEnter)
        {
            Validate();
            return pf::kNoErr;
        }
        if (key == pf::kKeyTab)
            return Validate() ? pf::kEventNotHandled : pf::kNoErr;
        return pf::kEventNotHandled;
    }
    if (ioEvent.Class() == pf::kClassControl && ioEvent.Kind() == pf::kControlSetFocusPart)
    {
        const pf::OSStatus status = pf::CallNext(inCall, ioEvent);
        std::int16_t part = 0;
        ioEvent.GetParam(pf::kParamControlPart, pf::kTypeControlPartCode, part);
        if (mValidator != nullptr &&
            (part == pf::kControlNoPart || part == pf::kControlFocusNextPart || part == pf::kControlFocusPrevPart))
        {
            if (!Validate() && mControl != nullptr)
                pf::SetControlText(mControl, Utf16(mLastValidated));
        }
        return status;
    }
    if (ioEvent.Class() == pf::kClassTextField && ioEvent.Kind() == pf::kTextFieldTextDidChange)
    {
        SendEventToParentOrWindow(ioEvent);
        return pf::kNoErr;
    }
    return FxControl::Event(inCall, ioEvent);
}

void FxTextValidator::OnValidate(CxString&, bool&) {}

namespace
{
std::map<CxUint32, FxTextValidatorFactory>& Validators()
{
    static std::map<CxUint32, FxTextValidatorFactory> sValidators = {
        {pf::FourCC("TXVL"), []() -> FxTextValidator* { return new FxTextValidator; }}};
    return sValidators;
}
} // namespace

void FxRegisterTextValidator(CxUint32 inCode, FxTextValidatorFactory inFactory)
{
    if (inFactory == nullptr)
        Validators().erase(inCode);
    else
        Validators()[inCode] = inFactory;
}

FxTextValidator* FxMakeTextValidator(CxUint32 inCode)
{
    const auto found = Validators().find(inCode);
    return found != Validators().end() ? found->second() : nullptr;
}

// ---- Clocks --------------------------------------------------------------------------------------------------

FxEditDate::FxEditDate(pf::ViewRef inControl) : FxEditDate(inControl, false) {}

FxEditDate::FxEditDate(pf::ViewRef inControl, bool) : FxControl(inControl)
{
    Install({{pf::kClassKeyboard, pf::kRawKeyDown}, {pf::kClassClockView, pf::kClockDateOrTimeChanged}});
}

FxEditDate::FxEditDate(FxWindow* inWindow, const CxRect& inBounds)
    : FxEditDate(Make(inWindow, pf::ViewKind::kClock, inBounds), false)
{
    const CxUint32 type = 2; // month, day, year
    if (mControl != nullptr)
        pf::SetControlProperty(mControl, kFxFaceSignature, pf::FourCC("clkt"), &type, sizeof(type));
}

FxEditTime::FxEditTime(pf::ViewRef inControl) : FxEditDate(inControl, true) {}

FxEditTime::FxEditTime(FxWindow* inWindow, const CxRect& inBounds)
    : FxEditDate(Make(inWindow, pf::ViewKind::kClock, inBounds), true)
{
    const CxUint32 type = 0; // hour, minute
    if (mControl != nullptr)
        pf::SetControlProperty(mControl, kFxFaceSignature, pf::FourCC("clkt"), &type, sizeof(type));
}

pf::OSStatus FxEditDate::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (ioEvent.Class() == pf::kClassClockView && ioEvent.Kind() == pf::kClockDateOrTimeChanged)
    {
        SendEventToParentOrWindow(ioEvent);
        return pf::kNoErr;
    }
    return FxControl::Event(inCall, ioEvent);
}

void FxEditDate::SetFields(const CxDateFields& inFields)
{
    LongDate date;
    date.year = inFields.mYear;
    date.month = inFields.mMonth;
    date.day = inFields.mDay;
    date.hour = inFields.mHour;
    date.minute = inFields.mMinute;
    date.second = inFields.mSecond;
    SetData(0, pf::FourCC("date"), &date, sizeof(date));
}

CxDateFields FxEditDate::Fields() const
{
    LongDate date;
    GetData(0, pf::FourCC("date"), &date, sizeof(date));
    CxDateFields fields;
    fields.mYear = date.year;
    fields.mMonth = date.month;
    fields.mDay = date.day;
    fields.mHour = date.hour;
    fields.mMinute = date.minute;
    fields.mSecond = 0;
    fields.mDayOfWeek = date.dayOfWeek;
    fields.mDayOfYear = date.dayOfYear;
    return fields;
}

CxDate FxGetDateFromControls(FxEditDate* inDateControl, FxEditTime* inTimeControl)
{
    CxAssertText(inDateControl != nullptr, "inDateControl != nil");
    CxAssertText(inTimeControl != nullptr, "inTimeControl != nil");
    CxDateFields fields;
    if (inDateControl != nullptr)
    {
        const CxDateFields day = inDateControl->Fields();
        fields.mYear = day.mYear;
        fields.mMonth = day.mMonth;
        fields.mDay = day.mDay;
    }
    if (inTimeControl != nullptr)
    {
        const CxDateFields time = inTimeControl->Fields();
        fields.mHour = time.mHour;
        fields.mMinute = time.mMinute;
        fields.mSecond = time.mSecond;
    }
    // The zone's offsets a day either side; of the instants that show these fields, the earliest (a repeated hour
    // reads as its first occurrence); a time skipped by a change reads with the offset before it.
    const CxTimeZone zone;
    const CxDate wall(fields, 0);
    const CxSint32 before = zone.UtcOffset(wall - 86400.0);
    const CxSint32 after = zone.UtcOffset(wall + 86400.0);
    std::vector<CxDate> shown;
    for (const CxSint32 offset : {before, after})
    {
        const CxDate candidate(fields, offset);
        if (zone.UtcOffset(candidate) == offset)
            shown.push_back(candidate);
    }
    if (shown.empty())
        return CxDate(fields, before);
    return *std::min_element(shown.begin(), shown.end(),
                             [](const CxDate& inA, const CxDate& inB)
                             { return inA.AbsoluteTime() < inB.AbsoluteTime(); });
}

void FxSetDateControls(FxEditDate* inDateControl, FxEditTime* inTimeControl, const CxDate& inDate)
{
    CxAssertText(inDateControl != nullptr, "inDateControl != nil");
    CxAssertText(inTimeControl != nullptr, "inTimeControl != nil");
    const CxDateFields fields = inDate.AsFields(CxTimeZone());
    if (inDateControl != nullptr)
        inDateControl->SetFields(fields);
    if (inTimeControl != nullptr)
        inTimeControl->SetFields(fields);
}

// ---- Search field and combo box ------------------------------------------------------------------------------

FxSearchField::FxSearchField(pf::ViewRef inControl) : FxControl(inControl)
{
    Install(
        {{pf::kClassTextField, pf::kTextFieldTextDidChange}, {pf::kClassSearchField, pf::kSearchFieldCancelClicked}});
}

FxSearchField::FxSearchField(FxWindow* inWindow, const CxRect& inBounds)
    : FxSearchField(Make(inWindow, pf::ViewKind::kSearchField, inBounds))
{
}

pf::OSStatus FxSearchField::Event(pf::HandlerCallRef, pf::Event& ioEvent)
{
    if (ioEvent.Class() == pf::kClassSearchField && ioEvent.Kind() == pf::kSearchFieldCancelClicked)
    {
        SetText("");
        return pf::kNoErr;
    }
    if (ioEvent.Class() == pf::kClassTextField && ioEvent.Kind() == pf::kTextFieldTextDidChange)
    {
        SendEventToParentOrWindow(ioEvent);
        return pf::kNoErr;
    }
    return pf::kEventNotHandled;
}

CxString FxSearchField::Text() const
{
    return mControl != nullptr ? FromUtf16(pf::GetControlText(mControl)) : CxString();
}

void FxSearchField::SetText(const CxString& inText)
{
    if (mControl != nullptr)
        pf::SetControlText(mControl, Utf16(inText));
}

FxComboBox::FxComboBox(pf::ViewRef inControl) : FxControl(inControl)
{
    Install({{pf::kClassComboBox, pf::kComboBoxListItemSelected},
             {pf::kClassTextField, pf::kTextFieldTextDidChange},
             {pf::kClassTextField, pf::kTextFieldTextAccepted}});
}

FxComboBox::FxComboBox(FxWindow* inWindow, const CxRect& inBounds)
    : FxComboBox(Make(inWindow, pf::ViewKind::kComboBox, inBounds))
{
}

FxComboBox::~FxComboBox()
{
    if (mOwnMenu != nullptr && mControl != nullptr && pf::IsValidView(mControl))
        pf::SetControlPopupMenu(mControl, nullptr);
    if (mOwnMenu != nullptr)
        pf::ReleaseMenu(mOwnMenu);
}

pf::OSStatus FxComboBox::Event(pf::HandlerCallRef, pf::Event&)
{
    return pf::kEventNotHandled;
}

pf::MenuRef FxComboBox::ItemMenu()
{
    if (mControl == nullptr)
        return nullptr;
    pf::MenuRef menu = pf::GetControlPopupMenu(mControl);
    if (menu == nullptr)
    {
        menu = mOwnMenu = pf::CreateMenu(0, 0);
        pf::SetControlPopupMenu(mControl, menu);
    }
    return menu;
}

void FxComboBox::SetText(const CxString& inText)
{
    if (mControl != nullptr)
        pf::SetControlText(mControl, Utf16(inText));
}

CxString FxComboBox::GetText() const
{
    return mControl != nullptr ? FromUtf16(pf::GetControlText(mControl)) : CxString();
}

void FxComboBox::AppendItem(const CxString& inText)
{
    InsertItem(CountItems(), inText);
}

void FxComboBox::InsertItem(int inAfter, const CxString& inText)
{
    const pf::MenuRef menu = ItemMenu();
    if (menu != nullptr && inAfter >= 0 && inAfter <= CountItems())
        pf::InsertMenuItem(menu, std::uint16_t(inAfter), Utf16(inText), 0, 0);
}

void FxComboBox::RemoveItem(int inIndex)
{
    if (inIndex >= 1 && inIndex <= CountItems())
        pf::DeleteMenuItem(ItemMenu(), std::uint16_t(inIndex));
}

CxString FxComboBox::GetItemText(int inIndex) const
{
    const pf::MenuRef menu = mControl != nullptr ? pf::GetControlPopupMenu(mControl) : nullptr;
    return menu != nullptr && inIndex >= 1 && inIndex <= CountItems()
               ? FromUtf16(pf::GetMenuItemText(menu, std::uint16_t(inIndex)))
               : CxString();
}

int FxComboBox::CountItems() const
{
    const pf::MenuRef menu = mControl != nullptr ? pf::GetControlPopupMenu(mControl) : nullptr;
    return menu != nullptr ? pf::CountMenuItems(menu) : 0;
}

void FxComboBox::RemoveAll()
{
    mTitles.clear();
    while (CountItems() > 0)
        RemoveItem(1);
}

void FxComboBox::SetItemTitle(const CxString& inText, const CxString& inTitle)
{
    mTitles[inText] = inTitle;
}

CxString FxComboBox::GetItemTitle(const CxString& inText) const
{
    const auto found = mTitles.find(inText);
    return found != mTitles.end() ? found->second : CxString();
}

void FxComboBox::AppendItemWithTitle(const CxString& inText, const CxString& inTitle)
{
    CxString text = inText;
    for (CxUint32 n = 2; mTitles.count(text) != 0; ++n)
    {
        text = inText;
        text += " (";
        text += CxString(n);
        text += ")";
    }
    mTitles[text] = inTitle;
    AppendItem(text);
}

// ---- Popup button --------------------------------------------------------------------------------------------

FxPopupButton::FxPopupButton(pf::ViewRef inControl) : FxControl(inControl)
{
    if (const pf::MenuRef menu = mControl != nullptr ? pf::GetControlPopupMenu(mControl) : nullptr)
        AttachToMenuRef(menu);
}

FxPopupButton::FxPopupButton(FxWindow* inWindow, const CxRect& inBounds)
    : FxControl(Make(inWindow, pf::ViewKind::kPopupButton, inBounds))
{
    if (mControl == nullptr)
        return;
    SetTitle("State:");
    const pf::MenuRef menu = pf::CreateMenu(-12345, 0);
    pf::SetMenuTitle(menu, u"");
    pf::SetControlPopupMenu(mControl, menu);
    AttachToMenuRef(menu);
    pf::ReleaseMenu(menu); // the menu's wrapper holds it
}

FxPopupButton::~FxPopupButton()
{
    if (mControl != nullptr && pf::IsValidView(mControl))
        DetachFromMenuRef(pf::GetControlPopupMenu(mControl));
}

FxMenu* FxPopupButton::Menu() const
{
    return mControl != nullptr ? FxMenu::FromRef(pf::GetControlPopupMenu(mControl)) : nullptr;
}

int FxPopupButton::CountItems() const
{
    const FxMenu* menu = Menu();
    return menu != nullptr ? menu->CountItems() : 0;
}

CxString FxPopupButton::GetItemText(int inIndex) const
{
    const FxMenu* menu = Menu();
    return menu != nullptr ? menu->GetItemText(inIndex) : CxString();
}

void FxPopupButton::SetItemText(int inIndex, const CxString& inText)
{
    if (FxMenu* menu = Menu())
        menu->SetItemText(inIndex, inText);
}

void FxPopupButton::AppendItem(const CxString& inText)
{
    if (FxMenu* menu = Menu())
        menu->AppendItem(inText, 0);
}

void FxPopupButton::InsertItem(int inAfter, const CxString& inText)
{
    if (FxMenu* menu = Menu())
        menu->InsertItem(inAfter, inText, 0);
}

void FxPopupButton::AppendSeparator()
{
    if (FxMenu* menu = Menu())
        menu->AppendSeparator();
}

void FxPopupButton::RemoveItem(int inIndex)
{
    FxMenu* menu = Menu();
    if (menu == nullptr || inIndex < 1 || inIndex > menu->CountItems())
        return;
    menu->RemoveItem(inIndex);
    // Titles are hidden values of their items: later ones move down with them.
    std::map<int, CxString> titles;
    for (const auto& [index, title] : mTitles)
    {
        if (index < inIndex)
            titles[index] = title;
        else if (index > inIndex)
            titles[index - 1] = title;
    }
    mTitles.swap(titles);
}

void FxPopupButton::RemoveAll()
{
    if (FxMenu* menu = Menu())
        menu->RemoveAll();
    mTitles.clear();
}

void FxPopupButton::SetItemTitle(int inIndex, const CxString& inTitle)
{
    CxAssertText(inIndex <= CountItems(), "inIndex <= CountItems()");
    mTitles[inIndex] = inTitle;
}

CxString FxPopupButton::GetItemTitle(int inIndex) const
{
    const auto found = mTitles.find(inIndex);
    return found != mTitles.end() ? found->second : CxString();
}

// ---- Progress, sliders, scroll bars --------------------------------------------------------------------------

FxProgressBar::FxProgressBar(pf::ViewRef inControl) : FxControl(inControl) {}

FxProgressBar::FxProgressBar(FxWindow* inWindow, const CxRect& inBounds)
    : FxControl(Make(inWindow, pf::ViewKind::kProgressBar, inBounds))
{
    SetMinimum(0);
    SetMaximum(100);
    SetValue(30);
    SetIndeterminate(false);
}

void FxProgressBar::SetIndeterminate(bool inIndeterminate)
{
    const std::uint8_t flag = inIndeterminate ? 1 : 0;
    SetData(0, pf::FourCC("inde"), &flag, 1);
}

bool FxProgressBar::IsIndeterminate() const
{
    std::uint8_t flag = 0;
    return GetData(0, pf::FourCC("inde"), &flag, 1) && flag != 0;
}

void FxProgressBar::SetAnimating(bool inAnimating)
{
    const std::uint8_t flag = inAnimating ? 1 : 0;
    SetData(0, pf::FourCC("anim"), &flag, 1);
}

bool FxProgressBar::IsAnimating() const
{
    std::uint8_t flag = 0;
    return GetData(0, pf::FourCC("anim"), &flag, 1) && flag != 0;
}

FxActionControl::FxActionControl(pf::ViewRef inControl) : FxControl(inControl)
{
    if (mControl != nullptr)
        pf::SetControlAction(mControl, [](pf::ViewRef, std::int16_t) {});
    Install({{pf::kClassControl, pf::kControlIndicatorMoved}, {pf::kClassControl, pf::kControlValueFieldChanged}});
}

pf::OSStatus FxActionControl::Event(pf::HandlerCallRef, pf::Event& ioEvent)
{
    if (ioEvent.Class() == pf::kClassControl &&
        (ioEvent.Kind() == pf::kControlIndicatorMoved || ioEvent.Kind() == pf::kControlValueFieldChanged))
        SendEventToParentOrWindow(ioEvent);
    return pf::kEventNotHandled;
}

FxSlider::FxSlider(pf::ViewRef inControl) : FxActionControl(inControl) {}

FxSlider::FxSlider(FxWindow* inWindow, const CxRect& inBounds)
    : FxActionControl(Make(inWindow, pf::ViewKind::kSlider, inBounds))
{
    SetMinimum(0);
    SetMaximum(100);
    SetValue(0);
}

FxScrollBar::FxScrollBar(pf::ViewRef inControl) : FxActionControl(inControl) {}

FxScrollBar::FxScrollBar(FxWindow* inWindow, const CxRect& inBounds)
    : FxActionControl(Make(inWindow, pf::ViewKind::kScrollBar, inBounds))
{
    SetMinimum(0);
    SetMaximum(100);
    SetValue(0);
}

// ---- Invisible pane and buttons ------------------------------------------------------------------------------

FxInvisible::FxInvisible(pf::ViewRef inControl) : FxControl(inControl)
{
    Install({{pf::kClassControl, pf::kControlHitTest}});
}

FxInvisible::FxInvisible(FxWindow* inWindow, const CxRect& inBounds)
    : FxInvisible(Make(inWindow, pf::ViewKind::kUserPane, inBounds))
{
}

pf::OSStatus FxInvisible::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (ioEvent.Class() != pf::kClassControl)
        return FxControl::Event(inCall, ioEvent);
    if (ioEvent.Kind() != pf::kControlHitTest || mControl == nullptr)
        return pf::kEventNotHandled;
    // 'mloc' is in the pane's own coordinates.
    pf::Point where;
    ioEvent.GetParam(pf::kParamMouseLocation, pf::kTypeHIPoint, where);
    const std::int16_t part = pf::GetViewBounds(mControl).Contains(where) ? pf::kControlButtonPart : pf::kControlNoPart;
    ioEvent.SetParam(pf::kParamControlPart, pf::kTypeControlPartCode, part);
    return pf::kNoErr;
}

FxButton::FxButton(pf::ViewRef inControl) : FxControl(inControl) {}

FxButton::FxButton(FxWindow* inWindow, const CxRect& inBounds)
    : FxControl(Make(inWindow, pf::ViewKind::kPushButton, inBounds))
{
    SetTitle("Button");
}

FxCheckBox::FxCheckBox(pf::ViewRef inControl) : FxControl(inControl) {}

FxCheckBox::FxCheckBox(FxWindow* inWindow, const CxRect& inBounds)
    : FxControl(Make(inWindow, pf::ViewKind::kCheckBox, inBounds))
{
    SetTitle("Checkbox");
    SetValue(0);
}

FxRadioButton::FxRadioButton(pf::ViewRef inControl) : FxControl(inControl) {}

FxRadioButton::FxRadioButton(FxWindow* inWindow, const CxRect& inBounds)
    : FxControl(Make(inWindow, pf::ViewKind::kRadioButton, inBounds))
{
    SetTitle("Radio");
    SetValue(0);
}

// ---- Platform controls ---------------------------------------------------------------------------------------

FxPlatformControl::FxPlatformControl(pf::ViewRef inControl) : FxControl(inControl) {}

FxIcon::FxIcon(pf::ViewRef inControl) : FxPlatformControl(inControl) {}

FxIcon::FxIcon(FxWindow* inWindow, const CxRect& inBounds)
    : FxPlatformControl(Make(inWindow, pf::ViewKind::kIcon, inBounds))
{
    const pf::FourCharCode type = pf::FourCC("capl");
    if (mControl != nullptr)
        pf::SetControlProperty(mControl, pf::FourCC("appl"), pf::FourCC("icon"), &type, sizeof(type));
}

FxChasingArrows::FxChasingArrows(pf::ViewRef inControl) : FxPlatformControl(inControl) {}

FxChasingArrows::FxChasingArrows(FxWindow* inWindow, const CxRect& inBounds)
    : FxPlatformControl(Make(inWindow, pf::ViewKind::kChasingArrows, inBounds))
{
}

FxLittleArrows::FxLittleArrows(pf::ViewRef inControl) : FxPlatformControl(inControl)
{
    if (mControl != nullptr && pf::GetViewFrame(mControl).w == 16)
    {
        const pf::Rect frame = pf::GetViewFrame(mControl);
        pf::SetViewFrame(mControl, pf::Rect{frame.x + 3, frame.y + 2, 12, 18});
    }
    SetUp();
}

FxLittleArrows::FxLittleArrows(FxWindow* inWindow, const CxRect& inBounds)
    : FxPlatformControl(Make(inWindow, pf::ViewKind::kLittleArrows, inBounds))
{
    SetUp();
}

void FxLittleArrows::SetUp()
{
    if (mControl == nullptr)
        return;
    pf::SetControlAction(mControl,
                         [this](pf::ViewRef, std::int16_t inPart)
                         {
                             CxSint32 increment = 1;
                             GetData(0, pf::FourCC("incr"), &increment, sizeof(increment));
                             if (inPart == pf::kControlUpButtonPart)
                                 SetValue(Value() + increment);
                             else if (inPart == pf::kControlDownButtonPart)
                                 SetValue(Value() - increment);
                         });
    Install({{pf::kClassControl, pf::kControlValueFieldChanged}});
}

pf::OSStatus FxLittleArrows::Event(pf::HandlerCallRef, pf::Event& ioEvent)
{
    if (ioEvent.Class() == pf::kClassControl && ioEvent.Kind() == pf::kControlValueFieldChanged)
        SendEventToParentOrWindow(ioEvent);
    return pf::kEventNotHandled;
}

FxTabs::FxTabs(pf::ViewRef inControl) : FxPlatformControl(inControl)
{
    SetUp();
}

FxTabs::FxTabs(FxWindow* inWindow, const CxRect& inBounds)
    : FxPlatformControl(Make(inWindow, pf::ViewKind::kTabs, inBounds))
{
    if (mControl != nullptr)
    {
        const std::u16string titles = u"\n\n\n";
        pf::SetControlProperty(mControl, pf::kTabTitlesPropertyCreator, pf::kTabTitlesPropertyTag, titles.data(),
                               titles.size() * sizeof(char16_t));
        SetMaximum(4);
        SetValue(1);
    }
    SetUp();
}

void FxTabs::SetUp()
{
    Install({{pf::kClassControl, pf::kControlValueFieldChanged}});
    ShowCurrentPane();
}

void FxTabs::ShowCurrentPane()
{
    const CxSint32 value = Value();
    if (mControl == nullptr || value < 0 || CxUint32(value) == mShown)
        return;
    for (const pf::ViewRef pane : pf::GetSubviews(mControl))
    {
        pf::FourCharCode signature = 0;
        std::int32_t id = 0;
        pf::GetControlID(pane, &signature, &id);
        pf::SetViewVisible(pane, signature == kFxFaceSignature && id == value * 1000);
    }
    mShown = CxUint32(value);
}

pf::OSStatus FxTabs::Event(pf::HandlerCallRef, pf::Event& ioEvent)
{
    if (ioEvent.Class() == pf::kClassControl && ioEvent.Kind() == pf::kControlValueFieldChanged)
        ShowCurrentPane();
    return pf::kEventNotHandled;
}

void FxTabs::EnableTab(int inTab)
{
    const std::uint8_t enabled = 1;
    SetData(CxSint16(inTab), pf::FourCC("tabe"), &enabled, 1);
}

void FxTabs::DisableTab(int inTab)
{
    const std::uint8_t enabled = 0;
    SetData(CxSint16(inTab), pf::FourCC("tabe"), &enabled, 1);
}

namespace
{
std::vector<std::u16string> TabTitles(pf::ViewRef inTabs)
{
    std::size_t size = 0;
    std::u16string text;
    if (pf::GetControlPropertySize(inTabs, pf::kTabTitlesPropertyCreator, pf::kTabTitlesPropertyTag, size) ==
        pf::kNoErr)
    {
        text.resize(size / sizeof(char16_t));
        pf::GetControlProperty(inTabs, pf::kTabTitlesPropertyCreator, pf::kTabTitlesPropertyTag, text.data(),
                               text.size() * sizeof(char16_t));
    }
    std::vector<std::u16string> lines(1);
    for (const char16_t c : text)
    {
        if (c == u'\n')
            lines.emplace_back();
        else
            lines.back().push_back(c);
    }
    return lines;
}
} // namespace

void FxTabs::SetTabTitle(int inTab, const CxString& inTitle)
{
    if (mControl == nullptr || inTab < 1)
        return;
    std::vector<std::u16string> lines = TabTitles(mControl);
    if (lines.size() < std::size_t(inTab))
        lines.resize(std::size_t(inTab));
    // The tab information holds at most 255 characters.
    lines[std::size_t(inTab) - 1] = Utf16(inTitle).substr(0, 255);
    std::u16string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? u"" : u"\n") + lines[i];
    pf::SetControlProperty(mControl, pf::kTabTitlesPropertyCreator, pf::kTabTitlesPropertyTag, text.data(),
                           text.size() * sizeof(char16_t));
}

CxString FxTabs::TabTitle(int inTab) const
{
    if (mControl == nullptr || inTab < 1)
        return CxString();
    const std::vector<std::u16string> lines = TabTitles(mControl);
    return std::size_t(inTab) <= lines.size() ? FromUtf16(lines[std::size_t(inTab) - 1]) : CxString();
}

// ---- Image and segmented view -------------------------------------------------------------------------------

struct FxImageData
{
    pf::Image mImage;
};

namespace
{
std::vector<std::uint8_t> ReadBytes(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return in ? std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())
              : std::vector<std::uint8_t>();
}

pf::Canvas* CanvasOf(const pf::Event& inEvent)
{
    pf::Canvas* canvas = nullptr;
    inEvent.GetParam(pf::kParamCGContext, pf::kTypeCGContext, canvas);
    return canvas;
}
} // namespace

FxImage::FxImage(pf::ViewRef inControl) : FxControl(inControl), mImage(std::make_unique<FxImageData>())
{
    Install({{pf::kClassControl, pf::kControlDraw}});
}

FxImage::~FxImage()
{
    RemoveHandler();
}

void FxImage::ClearImage()
{
    mImage->mImage = pf::Image();
}

void FxImage::SetImageFromFile(const CxFile& inFile)
{
    ClearImage();
    const std::vector<std::uint8_t> bytes = ReadBytes(inFile.Path().AsUtf8());
    std::string error;
    if (bytes.empty() || !pf::ReadJpegImage(bytes.data(), bytes.size(), mImage->mImage, error))
    {
        mImage->mImage = pf::Image();
        _CxDebugOut(__FILE__, __LINE__, "FxImage", error.empty() ? "no image file" : error.c_str());
    }
}

void FxImage::SetImageFromResource(const CxString& inName, const CxString& inType)
{
    ClearImage();
    const std::string bundle = CxGetBundle().AsUtf8();
    const std::vector<std::uint8_t> bytes = bundle.empty()
                                                ? std::vector<std::uint8_t>()
                                                : ReadBytes(bundle + "/" + inName.AsUtf8() + "." + inType.AsUtf8());
    std::string error;
    if (bytes.empty() || !pf::ReadPngImage(bytes.data(), bytes.size(), mImage->mImage, error))
    {
        mImage->mImage = pf::Image();
        _CxDebugOut(__FILE__, __LINE__, "FxImage", error.empty() ? "no image resource" : error.c_str());
    }
}

pf::OSStatus FxImage::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (ioEvent.Class() != pf::kClassControl || ioEvent.Kind() != pf::kControlDraw)
        return FxControl::Event(inCall, ioEvent);
    pf::CallNext(inCall, ioEvent);
    pf::Canvas* canvas = CanvasOf(ioEvent);
    if (canvas != nullptr && !mImage->mImage.Empty() && mControl != nullptr)
    {
        // Images come out upright only in a y-up space.
        const pf::Rect bounds = pf::GetViewBounds(mControl);
        canvas->Save();
        canvas->ConcatTransform(pf::Affine{1, 0, 0, -1, 0, bounds.h});
        canvas->DrawImage(bounds, mImage->mImage);
        canvas->Restore();
    }
    return pf::kNoErr;
}

FxSegmentView::FxSegmentView(pf::ViewRef inControl) : FxControl(inControl)
{
    if (mControl != nullptr)
    {
        std::size_t size = 0;
        pf::GetControlPropertySize(mControl, kFxFaceSignature, pf::FourCC("ICON"), size);
        std::vector<std::uint8_t> bytes(size);
        if (size > 0)
            pf::GetControlProperty(mControl, kFxFaceSignature, pf::FourCC("ICON"), bytes.data(), size);
        const std::int32_t segments = pf::GetControlMaximum(mControl);
        for (std::int32_t n = 1; n <= segments; ++n)
        {
            const std::size_t at = std::size_t(n - 1) * 4;
            if (at + 4 <= bytes.size())
            {
                // Stored big-endian.
                const pf::FourCharCode type = (pf::FourCharCode(bytes[at]) << 24) |
                                              (pf::FourCharCode(bytes[at + 1]) << 16) |
                                              (pf::FourCharCode(bytes[at + 2]) << 8) | pf::FourCharCode(bytes[at + 3]);
                SetData(CxSint16(n), pf::FourCC("icon"), &type, sizeof(type));
            }
            const CxUint32 radio = 2;
            SetData(CxSint16(n), pf::FourCC("bhvr"), &radio, sizeof(radio));
        }
    }
    Install({{pf::kClassControl, pf::kControlDraw}});
}

FxSegmentView::FxSegmentView(FxWindow* inWindow, const CxRect& inBounds)
    : FxControl(Make(inWindow, pf::ViewKind::kSegmented, inBounds, false))
{
    Install({{pf::kClassControl, pf::kControlDraw}});
}

pf::OSStatus FxSegmentView::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (ioEvent.Class() != pf::kClassControl || ioEvent.Kind() != pf::kControlDraw)
        return FxControl::Event(inCall, ioEvent);
    pf::CallNext(inCall, ioEvent);
    pf::Canvas* canvas = CanvasOf(ioEvent);
    const std::int32_t segments = mControl != nullptr ? pf::GetControlMaximum(mControl) : 0;
    if (canvas == nullptr || segments <= 0)
        return pf::kNoErr;
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    const double width = bounds.w / segments;
    const double side = std::max(0.0, std::min(width, bounds.h) - 4);
    for (std::int32_t n = 1; n <= segments; ++n)
    {
        pf::FourCharCode type = 0;
        if (GetData(CxSint16(n), pf::FourCC("icon"), &type, sizeof(type)))
            pf::DrawThemeIcon(*canvas,
                              pf::Rect{(n - 1) * width + (width - side) / 2, (bounds.h - side) / 2, side, side}, type);
    }
    return pf::kNoErr;
}

// ---- Hierarchy -----------------------------------------------------------------------------------------------

namespace
{
constexpr pf::DataBrowserPropertyID kActiveProperty = 1;
constexpr pf::DataBrowserPropertyID kSelectableProperty = 2;
constexpr pf::DataBrowserPropertyID kContainerProperty = 4;
constexpr pf::DataBrowserPropertyID kOpenableProperty = 5;
constexpr pf::DataBrowserPropertyID kClosableProperty = 6;
constexpr pf::DataBrowserPropertyID kItemSelfProperty = 8;
constexpr pf::DataBrowserPropertyID kParentContainerProperty = 11;
} // namespace

FxHierarchy::FxHierarchy(pf::ViewRef inControl) : FxPlatformControl(inControl)
{
    SetUp();
}

FxHierarchy::FxHierarchy(FxWindow* inWindow, const CxRect& inBounds)
    : FxPlatformControl(Make(inWindow, pf::ViewKind::kDataBrowser, inBounds))
{
    if (mControl != nullptr)
        pf::SetDataBrowserViewStyle(mControl, pf::FourCC("clmv"));
    SetUp();
}

FxHierarchy::~FxHierarchy()
{
    if (mControl != nullptr && pf::IsValidView(mControl))
    {
        pf::SetDataBrowserCallbacks(mControl, pf::DataBrowserCallbacks());
        ClearControl();
    }
    pf::ReleaseIconRef(mFolderIcon);
    pf::ReleaseIconRef(mDocumentIcon);
}

void FxHierarchy::SetUp()
{
    mFolderIcon = pf::GetIconRef(pf::FourCC("macs"), pf::FourCC("fldr"));
    mDocumentIcon = pf::GetIconRef(pf::FourCC("macs"), pf::FourCC("docu"));
    if (mControl == nullptr)
        return;
    pf::DataBrowserCallbacks callbacks;
    callbacks.itemData = [this](pf::ViewRef, pf::DataBrowserItemID inItem, pf::DataBrowserPropertyID inProperty,
                                pf::DataBrowserItemData& ioData, bool inSet) -> pf::OSStatus
    {
        if (inSet || mAdapter == nullptr)
            return pf::kNoErr;
        switch (inProperty)
        {
        case kActiveProperty:
        case kSelectableProperty:
            ioData.boolean = true;
            break;
        case kContainerProperty:
        case kOpenableProperty:
        case kClosableProperty:
            ioData.boolean = mAdapter->IsParent(inItem);
            break;
        case kItemSelfProperty:
            ioData.number = mAdapter->IsParent(inItem) ? mFolderIcon : mDocumentIcon;
            // The label's own UTF-16: names beyond ASCII show as they are.
            ioData.text = Utf16(mAdapter->GetLabel(inItem));
            break;
        case kParentContainerProperty:
        {
            const auto found = mParents.find(inItem);
            ioData.number = found != mParents.end() ? found->second : 0;
            break;
        }
        default:
            break;
        }
        return pf::kNoErr;
    };
    callbacks.compare =
        [this](pf::ViewRef, pf::DataBrowserItemID inOne, pf::DataBrowserItemID inTwo, pf::DataBrowserPropertyID)
    { return mAdapter != nullptr && mAdapter->GetLabel(inOne) < mAdapter->GetLabel(inTwo); };
    callbacks.notification = [this](pf::ViewRef, pf::DataBrowserItemID inItem, pf::DataBrowserNotification inMessage)
    {
        if (inMessage == pf::kDataBrowserContainerOpened)
        {
            mCurrent = inItem;
            if (mAdapter != nullptr)
                mAdapter->ListChildren(inItem, this);
        }
        else if (inMessage == pf::kDataBrowserContainerClosed)
        {
            const auto found = mParents.find(inItem);
            mCurrent = found != mParents.end() ? found->second : 0;
        }
    };
    pf::SetDataBrowserCallbacks(mControl, std::move(callbacks));
    pf::SetDataBrowserSortProperty(mControl, kItemSelfProperty, true);
}

void FxHierarchy::SetAdapter(FxHierarchyAdapter* inAdapter)
{
    if (mAdapter != nullptr)
        ClearControl();
    mAdapter = inAdapter;
    mFirst = 0;
    mCurrent = 0;
    if (mAdapter != nullptr)
        mAdapter->ListChildren(0, this);
}

void FxHierarchy::AddItem(CxUint32 inContainer, CxUint32 inItem)
{
    if (mControl == nullptr)
        return;
    pf::AddDataBrowserItems(mControl, inContainer, {inItem}, 0);
    mParents[inItem] = inContainer;
    if (mFirst == 0)
        mFirst = inItem;
}

void FxHierarchy::DeleteItem(CxUint32 inItem)
{
    std::vector<CxUint32> children;
    for (const auto& [item, container] : mParents)
        if (container == inItem && item != inItem)
            children.push_back(item);
    for (const CxUint32 child : children)
        DeleteItem(child);
    const auto found = mParents.find(inItem);
    if (found == mParents.end())
        return;
    if (mControl != nullptr)
        pf::RemoveDataBrowserItems(mControl, found->second, {inItem});
    mParents.erase(found);
}

CxUint32 FxHierarchy::SelectedItem() const
{
    if (mControl == nullptr)
        return mCurrent;
    const std::vector<pf::DataBrowserItemID> selected = pf::GetDataBrowserSelectedItems(mControl);
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
    {
        const auto found = mParents.find(*it);
        if (found != mParents.end() && found->second == mCurrent)
            return *it;
    }
    return mCurrent;
}

void FxHierarchy::ClearControl()
{
    if (mControl != nullptr)
    {
        pf::SetDataBrowserSelectedItems(mControl, {}, pf::SelectionOp::kAssign);
        pf::RemoveDataBrowserItems(mControl, 0, {});
    }
    mParents.clear();
}

// ---- Downcasts -----------------------------------------------------------------------------------------------

#define FX_AS(Class)                                                                                                   \
    Class* As##Class(FxControl* inControl)                                                                             \
    {                                                                                                                  \
        return dynamic_cast<Class*>(inControl);                                                                        \
    }
FX_AS(FxStaticText)
FX_AS(FxEditText)
FX_AS(FxEditTime)
FX_AS(FxSearchField)
FX_AS(FxComboBox)
FX_AS(FxPopupButton)
FX_AS(FxProgressBar)
FX_AS(FxActionControl)
FX_AS(FxSlider)
FX_AS(FxScrollBar)
FX_AS(FxInvisible)
FX_AS(FxButton)
FX_AS(FxCheckBox)
FX_AS(FxRadioButton)
FX_AS(FxPlatformControl)
FX_AS(FxIcon)
FX_AS(FxChasingArrows)
FX_AS(FxLittleArrows)
FX_AS(FxTabs)
FX_AS(FxImage)
FX_AS(FxSegmentView)
FX_AS(FxHierarchy)
#undef FX_AS

// A time field is made as a date field's subclass but is no date field.
FxEditDate* AsFxEditDate(FxControl* inControl)
{
    return AsFxEditTime(inControl) == nullptr ? dynamic_cast<FxEditDate*>(inControl) : nullptr;
}
