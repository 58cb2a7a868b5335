// Wrappers of the platform's controls: found again from the control ('FACE'/'CTRL'), keeping value, title and
// bindings, and passing the control's notifications on to the enclosing control or window.
#pragma once

#include "CxCoordinates.h"
#include "CxDate.h"
#include "CxString.h"
#include "CxTypes.h"
#include "FxCommander.h"
#include "PfWindowServer.h"

#include <map>
#include <memory>

class CxFile;
class FxHierarchy;
class FxMenu;
class FxTextValidator;
class FxWindow;

// Which edges of its parent a control keeps its distance to.
struct FxBinding
{
    bool mLeft = false;
    bool mTop = false;
    bool mRight = false;
    bool mBottom = false;
};

struct FxControlKind
{
    CxUint32 mSignature = 0;
    CxUint32 mKind = 0;
};

class FxControl : public FxCommander
{
public:
    explicit FxControl(pf::ViewRef inControl);
    // Deletes the wrappers below the control (DeleteWrappersBelow), then disposes the control.
    ~FxControl() override;

    virtual void Show();
    virtual void Hide();
    void SetVisible(bool inVisible);
    bool IsVisible() const;
    void Enable();
    void Disable();
    void SetEnabled(bool inEnabled);
    bool IsEnabled() const;

    // The ControlID ('FACE', id).
    void SetId(CxSint32 inId);
    CxSint32 Id() const;
    void SetValue(CxSint32 inValue);
    CxSint32 Value() const;
    void SetMinimum(CxSint32 inValue);
    void SetMaximum(CxSint32 inValue);
    CxSint32 Minimum() const;
    CxSint32 Maximum() const;
    void SetTitle(const CxString& inTitle);
    CxString Title() const;
    // In the parent's coordinates.
    void SetBounds(const CxRect& inBounds);
    CxRect Bounds() const;
    void SetBinding(FxBinding inBinding) { mBinding = inBinding; }
    FxBinding Binding() const { return mBinding; }
    FxControlKind Kind() const;

    // The owner window's 'FACE'/'WIND'.
    FxWindow* Window() const;
    FxControl* Parent() const;
    void SetParent(FxControl* inParent);
    int CountControls() const;
    // 1-based, direct subviews; null when unwrapped.
    FxControl* GetControlByIndex(int inIndex) const;
    // Anywhere inside this control; null when none or unwrapped.
    FxControl* GetControlById(CxSint32 inId) const;

    // The control's window takes the keys, the control the keyboard focus on that part.
    void Focus(CxSint16 inPart);
    void SetHelpText(const CxString& inText);
    pf::OSStatus SendEventToParentOrWindow(pf::Event& ioEvent);
    // Both rectangles at the origin: the parent's size before and after.
    void ParentResized(const CxRect& inOldParent, const CxRect& inNewParent);

    pf::ViewRef GetRef() const { return mControl; }
    static FxControl* FromRef(pf::ViewRef inControl);
    // Every wrapper below the view, however deep under unwrapped views, the last sibling first; a wrapper found
    // deletes its own tree the same way, and the view's own wrapper stays. A wrapper belongs to its view's tree:
    // whoever ends a tree ends them so, and one already gone is no longer found.
    static void DeleteWrappersBelow(pf::ViewRef inView);
    static FxControl* FromMenuRef(pf::MenuRef inMenu);
    void AttachToMenuRef(pf::MenuRef inMenu);
    void DetachFromMenuRef(pf::MenuRef inMenu);

protected:
    // A control of that kind inside the window that carries inWindow; null, with a debug line, when none does.
    static pf::ViewRef Make(FxWindow* inWindow, pf::ViewKind inKind, const CxRect& inBounds, bool inAdd = true);
    void Install(std::initializer_list<pf::EventTypeSpec> inTypes);
    // Control data (part, tag) kept as a control property.
    bool GetData(CxSint16 inPart, CxUint32 inTag, void* outData, std::size_t inSize) const;
    void SetData(CxSint16 inPart, CxUint32 inTag, const void* inData, std::size_t inSize);

    pf::ViewRef mControl = nullptr;
    FxBinding mBinding;
};

class FxStaticText : public FxControl
{
public:
    explicit FxStaticText(pf::ViewRef inControl);
    FxStaticText(FxWindow* inWindow, const CxRect& inBounds);
    CxString Text() const;
    void SetText(const CxString& inText);
};

class FxEditText : public FxControl
{
public:
    explicit FxEditText(pf::ViewRef inControl);
    FxEditText(FxWindow* inWindow, const CxRect& inBounds, bool inPassword = false);
    ~FxEditText() override;
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

    CxString Text() const;
    // Through the validator (its verdict ignored); the result becomes the last validated text.
    void SetText(const CxString& inText);
    // True without a validator. A pass rewrites and selects the text and sends 'FACE' 2; a failure beeps.
    bool Validate();
    // Owned; replaces (and deletes) the one attached before.
    void AttachValidator(FxTextValidator* inValidator);
    // Forgets it, undeleted, when it is the attached one.
    void DetachValidator(FxTextValidator* inValidator);

private:
    void SetUp();
    CxUint32 mTextTag = 0;
    FxTextValidator* mValidator = nullptr;
    CxString mLastValidated;
};

class FxEditDate : public FxControl
{
public:
    explicit FxEditDate(pf::ViewRef inControl);
    FxEditDate(FxWindow* inWindow, const CxRect& inBounds);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
    void SetFields(const CxDateFields& inFields);
    // Seconds are always 0.
    CxDateFields Fields() const;

protected:
    FxEditDate(pf::ViewRef inControl, bool inTime);
};

class FxEditTime : public FxEditDate
{
public:
    explicit FxEditTime(pf::ViewRef inControl);
    FxEditTime(FxWindow* inWindow, const CxRect& inBounds);
};

// A date from the date control's day and the time control's time, read in the local zone (CxTimeZone()).
CxDate FxGetDateFromControls(FxEditDate* inDateControl, FxEditTime* inTimeControl);
void FxSetDateControls(FxEditDate* inDateControl, FxEditTime* inTimeControl, const CxDate& inDate);

class FxSearchField : public FxControl
{
public:
    explicit FxSearchField(pf::ViewRef inControl);
    FxSearchField(FxWindow* inWindow, const CxRect& inBounds);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
    CxString Text() const;
    void SetText(const CxString& inText);
};

class FxComboBox : public FxControl
{
public:
    explicit FxComboBox(pf::ViewRef inControl);
    FxComboBox(FxWindow* inWindow, const CxRect& inBounds);
    ~FxComboBox() override;
    // Every event goes on to the platform.
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

    void SetText(const CxString& inText);
    CxString GetText() const;
    void AppendItem(const CxString& inText);
    void InsertItem(int inAfter, const CxString& inText);
    void RemoveItem(int inIndex);
    CxString GetItemText(int inIndex) const;
    int CountItems() const;
    void RemoveAll();
    // Titles are hidden values keyed by item text.
    void SetItemTitle(const CxString& inText, const CxString& inTitle);
    CxString GetItemTitle(const CxString& inText) const;
    // A text already held becomes "text (2)", "text (3)", ...
    void AppendItemWithTitle(const CxString& inText, const CxString& inTitle);

private:
    pf::MenuRef ItemMenu();
    std::map<CxString, CxString> mTitles;
    // The list's menu when this wrapper made it.
    pf::MenuRef mOwnMenu = nullptr;
};

class FxPopupButton : public FxControl
{
public:
    explicit FxPopupButton(pf::ViewRef inControl);
    FxPopupButton(FxWindow* inWindow, const CxRect& inBounds);
    ~FxPopupButton() override;

    FxMenu* Menu() const;
    int CountItems() const;
    CxString GetItemText(int inIndex) const;
    void SetItemText(int inIndex, const CxString& inText);
    void AppendItem(const CxString& inText);
    void InsertItem(int inAfter, const CxString& inText);
    void AppendSeparator();
    // Later items' titles move down with their items.
    void RemoveItem(int inIndex);
    void RemoveAll();
    // A hidden value per item index; the menu's texts stay as they are.
    void SetItemTitle(int inIndex, const CxString& inTitle);
    CxString GetItemTitle(int inIndex) const;

private:
    std::map<int, CxString> mTitles;
};

class FxProgressBar : public FxControl
{
public:
    explicit FxProgressBar(pf::ViewRef inControl);
    FxProgressBar(FxWindow* inWindow, const CxRect& inBounds);
    void SetIndeterminate(bool inIndeterminate);
    bool IsIndeterminate() const;
    void SetAnimating(bool inAnimating);
    bool IsAnimating() const;
};

// Slider and scroll bar: their notifications go on to the parent or window.
class FxActionControl : public FxControl
{
public:
    explicit FxActionControl(pf::ViewRef inControl);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
};

class FxSlider : public FxActionControl
{
public:
    explicit FxSlider(pf::ViewRef inControl);
    FxSlider(FxWindow* inWindow, const CxRect& inBounds);
    void SetInterval(CxSint32) {}
};

class FxScrollBar : public FxActionControl
{
public:
    explicit FxScrollBar(pf::ViewRef inControl);
    FxScrollBar(FxWindow* inWindow, const CxRect& inBounds);
};

// An invisible button over its bounds.
class FxInvisible : public FxControl
{
public:
    explicit FxInvisible(pf::ViewRef inControl);
    FxInvisible(FxWindow* inWindow, const CxRect& inBounds);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
};

class FxButton : public FxControl
{
public:
    explicit FxButton(pf::ViewRef inControl);
    FxButton(FxWindow* inWindow, const CxRect& inBounds);
};

class FxCheckBox : public FxControl
{
public:
    explicit FxCheckBox(pf::ViewRef inControl);
    FxCheckBox(FxWindow* inWindow, const CxRect& inBounds);
};

class FxRadioButton : public FxControl
{
public:
    explicit FxRadioButton(pf::ViewRef inControl);
    FxRadioButton(FxWindow* inWindow, const CxRect& inBounds);
};

class FxPlatformControl : public FxControl
{
public:
    explicit FxPlatformControl(pf::ViewRef inControl);
};

class FxIcon : public FxPlatformControl
{
public:
    explicit FxIcon(pf::ViewRef inControl);
    FxIcon(FxWindow* inWindow, const CxRect& inBounds);
};

class FxChasingArrows : public FxPlatformControl
{
public:
    explicit FxChasingArrows(pf::ViewRef inControl);
    FxChasingArrows(FxWindow* inWindow, const CxRect& inBounds);
};

// Steps its value by its increment ('incr', 1 when absent).
class FxLittleArrows : public FxPlatformControl
{
public:
    explicit FxLittleArrows(pf::ViewRef inControl);
    FxLittleArrows(FxWindow* inWindow, const CxRect& inBounds);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

private:
    void SetUp();
};

// Tab n shows the direct subview with id n x 1000 and hides the others.
class FxTabs : public FxPlatformControl
{
public:
    explicit FxTabs(pf::ViewRef inControl);
    FxTabs(FxWindow* inWindow, const CxRect& inBounds);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
    void EnableTab(int inTab);
    void DisableTab(int inTab);
    void SetTabTitle(int inTab, const CxString& inTitle);
    // The tab's line of the titles.
    CxString TabTitle(int inTab) const;

private:
    void SetUp();
    void ShowCurrentPane();
    CxUint32 mShown = 0;
};

// Draws its image over its bounds, upright.
class FxImage : public FxControl
{
public:
    explicit FxImage(pf::ViewRef inControl);
    ~FxImage() override;
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
    void ClearImage();
    // A JPEG file; a file that does not decode shows no image.
    void SetImageFromFile(const CxFile& inFile);
    // The bundle's "<name>.<type>", read as PNG.
    void SetImageFromResource(const CxString& inName, const CxString& inType);

private:
    std::unique_ptr<struct FxImageData> mImage;
};

// Segments share the width; each shows the theme icon of its type ('FACE'/'ICON').
class FxSegmentView : public FxControl
{
public:
    explicit FxSegmentView(pf::ViewRef inControl);
    // Not added to the window.
    FxSegmentView(FxWindow* inWindow, const CxRect& inBounds);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
};

// The items of a hierarchy; item 0 is the root.
class FxHierarchyAdapter
{
public:
    virtual ~FxHierarchyAdapter() = default;
    // Adds the container's children through FxHierarchy::AddItem.
    virtual void ListChildren(CxUint32 inContainer, FxHierarchy* inHierarchy) = 0;
    virtual bool IsParent(CxUint32 inItem) = 0;
    virtual CxString GetLabel(CxUint32 inItem) = 0;
};

// A column view of an adapter's tree, its labels sorted in CxString order.
class FxHierarchy : public FxPlatformControl
{
public:
    explicit FxHierarchy(pf::ViewRef inControl);
    FxHierarchy(FxWindow* inWindow, const CxRect& inBounds);
    ~FxHierarchy() override;

    // Not owned; replacing one clears the view, then the root is listed.
    void SetAdapter(FxHierarchyAdapter* inAdapter);
    FxHierarchyAdapter* Adapter() const { return mAdapter; }
    void AddItem(CxUint32 inContainer, CxUint32 inItem);
    // With everything below it.
    void DeleteItem(CxUint32 inItem);
    // The last selected child of the current container, else the container itself.
    CxUint32 SelectedItem() const;
    void ClearControl();

private:
    void SetUp();
    std::map<CxUint32, CxUint32> mParents;
    FxHierarchyAdapter* mAdapter = nullptr;
    CxUint32 mCurrent = 0;
    CxUint32 mFirst = 0;
    std::uint32_t mFolderIcon = 0;
    std::uint32_t mDocumentIcon = 0;
};

FxStaticText* AsFxStaticText(FxControl* inControl);
FxEditText* AsFxEditText(FxControl* inControl);
// Null for a time field.
FxEditDate* AsFxEditDate(FxControl* inControl);
FxEditTime* AsFxEditTime(FxControl* inControl);
FxSearchField* AsFxSearchField(FxControl* inControl);
FxComboBox* AsFxComboBox(FxControl* inControl);
FxPopupButton* AsFxPopupButton(FxControl* inControl);
FxProgressBar* AsFxProgressBar(FxControl* inControl);
FxActionControl* AsFxActionControl(FxControl* inControl);
FxSlider* AsFxSlider(FxControl* inControl);
FxScrollBar* AsFxScrollBar(FxControl* inControl);
FxInvisible* AsFxInvisible(FxControl* inControl);
FxButton* AsFxButton(FxControl* inControl);
FxCheckBox* AsFxCheckBox(FxControl* inControl);
FxRadioButton* AsFxRadioButton(FxControl* inControl);
FxPlatformControl* AsFxPlatformControl(FxControl* inControl);
FxIcon* AsFxIcon(FxControl* inControl);
FxChasingArrows* AsFxChasingArrows(FxControl* inControl);
FxLittleArrows* AsFxLittleArrows(FxControl* inControl);
FxTabs* AsFxTabs(FxControl* inControl);
FxImage* AsFxImage(FxControl* inControl);
FxSegmentView* AsFxSegmentView(FxControl* inControl);
FxHierarchy* AsFxHierarchy(FxControl* inControl);
