#include "CxDebug.h"
#include "FxBuildControls.h"
#include "FxDataBrowser.h"
#include "FxDataModel.h"
#include "FxInterfaceFile.h"
#include "PfCanvas.h"
#include "PfTheme.h"

#include <algorithm>
#include <vector>

namespace
{

using pf::FourCC;

constexpr pf::DataBrowserPropertyID kActiveProperty = 1;
constexpr pf::DataBrowserPropertyID kSelectableProperty = 2;
constexpr pf::DataBrowserPropertyID kEditableProperty = 3;
constexpr pf::DataBrowserPropertyID kContainerProperty = 4;
constexpr pf::DataBrowserPropertyID kOpenableProperty = 5;
constexpr pf::DataBrowserPropertyID kClosableProperty = 6;
constexpr pf::DataBrowserPropertyID kSortableProperty = 7;
constexpr pf::DataBrowserPropertyID kParentContainerProperty = 11;
// Ids from here up are the client's own columns.
constexpr pf::DataBrowserPropertyID kFirstClientProperty = 1024;

constexpr std::uint32_t kAlternatingRowColors = 1u << 2;
constexpr std::uint32_t kSelectOnlyOne = 2;
constexpr std::uint32_t kResetSelection = 4;

constexpr std::uint16_t kSmallControlSize = 1;

FxDataBrowser* BrowserOf(pf::ViewRef inControl)
{
    return AsFxDataBrowser(FxControl::FromRef(inControl));
}

pf::Canvas* CanvasOf(const pf::Event& inEvent)
{
    pf::Canvas* canvas = nullptr;
    inEvent.GetParam(pf::kParamCGContext, pf::kTypeCGContext, canvas);
    return canvas;
}

bool IsDraw(const pf::Event& inEvent)
{
    return inEvent.Class() == pf::kClassControl && inEvent.Kind() == pf::kControlDraw;
}

std::vector<pf::DataBrowserItemID> Items(CxUint32 inCount, const CxUint32* inItems)
{
    return inItems != nullptr ? std::vector<pf::DataBrowserItemID>(inItems, inItems + inCount)
                              : std::vector<pf::DataBrowserItemID>();
}

// The scroll view that replaces the placeholder in its superview.
pf::ViewRef MakeScroller(pf::ViewRef inPlaceholder)
{
    if (!pf::IsValidView(inPlaceholder))
        return nullptr;
    const pf::ViewRef scroller = pf::CreateView(pf::ViewKind::kScrollView, pf::GetViewFrame(inPlaceholder));
    if (const pf::ViewRef parent = pf::GetSuperview(inPlaceholder))
        pf::AddSubview(parent, scroller);
    return scroller;
}

} // namespace

// ---- Data browser --------------------------------------------------------------------------------------------

FxDataBrowser::FxDataBrowser(pf::ViewRef inControl) : FxControl(inControl)
{
    mFolderIcon = pf::GetIconRef(FourCC("macs"), FourCC("fldr"));
    if (mControl == nullptr)
        return;
    mCallbacks.itemData = ItemDataProc;
    mCallbacks.compare = CompareProc;
    mCallbacks.notification = NotificationProc;
    pf::SetDataBrowserCallbacks(mControl, mCallbacks);
    pf::DataBrowserChangeAttributes(mControl, kAlternatingRowColors, 0);
    if ((pf::GetDataBrowserSelectionFlags(mControl) & kResetSelection) != 0)
        pf::SetDataBrowserSelectionFlags(mControl, kSelectOnlyOne + kResetSelection);
}

FxDataBrowser::~FxDataBrowser()
{
    if (mControl != nullptr && pf::IsValidView(mControl))
        pf::SetDataBrowserCallbacks(mControl, pf::DataBrowserCallbacks());
    delete mModel;
    pf::ReleaseIconRef(mFolderIcon);
}

void FxDataBrowser::AttachModel(FxDataModel* inModel)
{
    DetachModel(mModel);
    mModel = inModel;
    if (mModel != nullptr)
        mModel->AttachBrowser(this);
}

void FxDataBrowser::DetachModel(FxDataModel* inModel)
{
    if (mModel != inModel)
    {
        CxAssertText(mModel == inModel, "mModel == inModel");
        mModel = nullptr;
        return;
    }
    if (mModel == nullptr)
        return;
    mModel->DetachBrowser(this);
    RemoveAllItems();
    mModel = nullptr;
}

void FxDataBrowser::AddItems(CxUint32 inContainer, CxUint32 inCount, const CxUint32* inItems,
                             CxUint32 inPresortProperty)
{
    if (mControl != nullptr)
        pf::AddDataBrowserItems(mControl, inContainer, Items(inCount, inItems), inPresortProperty);
}

void FxDataBrowser::RemoveItems(CxUint32 inContainer, CxUint32 inCount, const CxUint32* inItems)
{
    // The platform reads an empty list as "every item".
    if (mControl != nullptr && inCount > 0 && inItems != nullptr)
        pf::RemoveDataBrowserItems(mControl, inContainer, Items(inCount, inItems));
}

void FxDataBrowser::RemoveAllItems()
{
    if (mControl != nullptr)
        pf::RemoveDataBrowserItems(mControl, 0, {});
}

void FxDataBrowser::SelectItem(CxUint32 inItem)
{
    if (mControl != nullptr)
        pf::SetDataBrowserSelectedItems(mControl, {inItem}, pf::SelectionOp::kAssign);
}

pf::OSStatus FxDataBrowser::ItemDataProc(pf::ViewRef inControl, pf::DataBrowserItemID inItem,
                                         pf::DataBrowserPropertyID inProperty, pf::DataBrowserItemData& ioData,
                                         bool inSet)
{
    FxDataBrowser* browser = BrowserOf(inControl);
    if (browser == nullptr)
        return pf::kNoErr;
    FxDataModel* model = browser->mModel;
    if (inSet)
    {
        if (inProperty >= kFirstClientProperty && model != nullptr)
        {
            const std::u16string& text = ioData.text;
            model->SetItemProperty(inItem, inProperty,
                                   CxString(reinterpret_cast<const CxUint16*>(text.data()), CxUint32(text.size())));
        }
        return pf::kNoErr;
    }
    switch (inProperty)
    {
    case kActiveProperty:
        ioData.boolean = model == nullptr || model->GetItemIsActive(inItem);
        break;
    case kSelectableProperty:
        ioData.boolean = model == nullptr || model->GetItemIsSelectable(inItem);
        break;
    case kEditableProperty:
        ioData.boolean = model != nullptr && model->GetItemIsEditable(inItem);
        break;
    case kContainerProperty:
        ioData.boolean = model != nullptr && model->GetItemIsContainer(inItem);
        break;
    case kOpenableProperty:
        ioData.boolean = model == nullptr || model->GetContainerIsOpenable(inItem);
        break;
    case kClosableProperty:
        ioData.boolean = model == nullptr || model->GetContainerIsClosable(inItem);
        break;
    case kSortableProperty:
        ioData.boolean = model == nullptr || model->GetContainerIsSortable(inItem);
        break;
    case kParentContainerProperty:
        ioData.number = model != nullptr ? model->GetItemParentContainer(inItem) : 0;
        break;
    default:
        if (inProperty >= kFirstClientProperty)
        {
            const CxString text = model != nullptr ? model->GetItemProperty(inItem, inProperty) : CxString();
            const CxUint16* units = text.GetChars();
            ioData.text.assign(units, units + text.Length());
            ioData.number = browser->mFolderIcon;
        }
        break;
    }
    return pf::kNoErr;
}

bool FxDataBrowser::CompareProc(pf::ViewRef inControl, pf::DataBrowserItemID inItem1, pf::DataBrowserItemID inItem2,
                                pf::DataBrowserPropertyID inProperty)
{
    FxDataBrowser* browser = BrowserOf(inControl);
    if (browser == nullptr)
        return false;
    return browser->mModel == nullptr || browser->mModel->CompareItems(inItem1, inItem2, inProperty);
}

void FxDataBrowser::NotificationProc(pf::ViewRef inControl, pf::DataBrowserItemID inItem,
                                     pf::DataBrowserNotification inMessage)
{
    FxDataBrowser* browser = BrowserOf(inControl);
    FxDataModel* model = browser != nullptr ? browser->mModel : nullptr;
    if (model == nullptr)
        return;
    switch (inMessage)
    {
    case pf::kDataBrowserItemSelected:
        model->ItemSelected(inItem);
        break;
    case pf::kDataBrowserItemDeselected:
        model->ItemDeselected(inItem);
        break;
    case pf::kDataBrowserItemDoubleClicked:
        model->ItemDoubleClicked(inItem);
        break;
    default:
        break;
    }
}

// ---- Table ---------------------------------------------------------------------------------------------------

FxTable::FxTable(pf::ViewRef inPlaceholder) : FxControl(MakeScroller(inPlaceholder))
{
    if (mControl == nullptr)
        return;
    SetData(0, FourCC("size"), &kSmallControlSize, sizeof kSmallControlSize);
    pf::SetViewVisible(mControl, true);
    mContent = new FxTableScrollable(inPlaceholder);
    pf::RemoveControlProperty(inPlaceholder, kFxFaceSignature, FourCC("CLAS"));
    const pf::Rect frame = pf::GetViewFrame(inPlaceholder);
    pf::RemoveFromSuperview(inPlaceholder);
    pf::SetViewFrame(inPlaceholder, pf::Rect{0, 0, frame.w, frame.h});
    pf::AddSubview(mControl, inPlaceholder);
    pf::FourCharCode signature = 0;
    std::int32_t id = 0;
    pf::GetControlID(inPlaceholder, &signature, &id);
    pf::SetControlID(mControl, signature, id);
}

int FxTable::GetRowCount() const
{
    return mContent != nullptr && mContent->GetRef() != nullptr ? int(pf::GetSubviews(mContent->GetRef()).size()) : 0;
}

FxControl* FxTable::GetRow(int inRow) const
{
    if (mContent == nullptr || mContent->GetRef() == nullptr)
        return nullptr;
    for (const pf::ViewRef view : pf::GetSubviews(mContent->GetRef()))
    {
        pf::FourCharCode signature = 0;
        std::int32_t id = 0;
        pf::GetControlID(view, &signature, &id);
        if (signature == kFxFaceSignature && id == -inRow)
            return FromRef(view);
    }
    return nullptr;
}

void FxTable::SetRowCount(int inCount)
{
    if (mContent == nullptr)
        return;
    const int count = GetRowCount();
    if (inCount > count)
        mContent->AddRows(inCount - count);
    else
        mContent->RemoveRows(count - inCount);
}

FxTableScrollable::FxTableScrollable(pf::ViewRef inControl) : FxControl(inControl)
{
    Install({{pf::kClassScrollable, pf::kScrollableGetInfo},
             {pf::kClassScrollable, pf::kScrollableScrollTo},
             {pf::kClassControl, pf::kControlDraw}});
}

pf::OSStatus FxTableScrollable::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (mControl == nullptr)
        return FxControl::Event(inCall, ioEvent);
    if (IsDraw(ioEvent))
    {
        if (pf::Canvas* canvas = CanvasOf(ioEvent))
        {
            canvas->SetFillColor(pf::Color{1, 1, 1, 1});
            canvas->FillRect(pf::GetViewBounds(mControl));
        }
        return pf::kNoErr;
    }
    if (ioEvent.Class() != pf::kClassScrollable)
        return FxControl::Event(inCall, ioEvent);
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    if (ioEvent.Kind() == pf::kScrollableGetInfo)
    {
        const std::vector<pf::ViewRef> rows = pf::GetSubviews(mControl);
        const double rowHeight = rows.empty() ? 0 : pf::GetViewBounds(rows.back()).h;
        ioEvent.SetParam(pf::kParamImageSize, pf::kTypeHIPoint, pf::Point{bounds.w, mRowCount * rowHeight});
        ioEvent.SetParam(pf::kParamViewSize, pf::kTypeHIPoint, pf::Point{bounds.w, bounds.h});
        ioEvent.SetParam(pf::kParamLineSize, pf::kTypeHIPoint, pf::Point{rowHeight, rowHeight});
        ioEvent.SetParam(pf::kParamOrigin, pf::kTypeHIPoint, pf::Point{0, 0});
        return pf::kNoErr;
    }
    if (ioEvent.Kind() == pf::kScrollableScrollTo)
    {
        pf::Point origin;
        if (ioEvent.GetParam(pf::kParamOrigin, pf::kTypeHIPoint, origin) != pf::kNoErr)
            return pf::kParamErr;
        mOrigin = origin;
        pf::SetViewFrame(mControl, pf::Rect{-origin.x, -origin.y, bounds.w, bounds.h});
        return pf::kNoErr;
    }
    return FxControl::Event(inCall, ioEvent);
}

void FxTableScrollable::AddRows(int inCount)
{
    if (mControl == nullptr)
        return;
    const std::unique_ptr<FxInterfaceFile> file = FxInterfaceFile::Open("VaneCells");
    for (int n = 0; file && n < inCount; ++n)
    {
        const pf::WindowRef window = file->CreateWindow("ShapeCell");
        if (window == nullptr)
        {
            _CxDebugOut(__FILE__, __LINE__, "FxTable", "no window \"ShapeCell\" in \"VaneCells\"");
            break;
        }
        const std::vector<pf::ViewRef> views = pf::GetSubviews(pf::GetContentView(window));
        const pf::ViewRef row = views.empty() ? nullptr : views.front();
        if (row != nullptr)
            pf::RemoveFromSuperview(row);
        pf::DisposeWindow(window);
        if (row == nullptr)
        {
            _CxDebugOut(__FILE__, __LINE__, "FxTable", "the cell window \"ShapeCell\" is empty");
            break;
        }
        const pf::Rect frame = pf::GetViewFrame(row);
        pf::SetViewFrame(row, pf::Rect{0, mRowCount * frame.h, frame.w, frame.h});
        pf::AddSubview(mControl, row);
        ++mRowCount;
        pf::SetControlID(row, kFxFaceSignature, -mRowCount);
        FxTableCell* cell = new FxTableCell(row);
        FxBuildControls(row);
        cell->Show();
    }
    NotifyScroller();
}

pf::ViewRef FxTableScrollable::FindRow(int inRow) const
{
    for (const pf::ViewRef view : pf::GetSubviews(mControl))
    {
        pf::FourCharCode signature = 0;
        std::int32_t id = 0;
        pf::GetControlID(view, &signature, &id);
        if (signature == kFxFaceSignature && id == -inRow)
            return view;
    }
    return nullptr;
}

void FxTableScrollable::RemoveRows(int inCount)
{
    if (mControl == nullptr)
        return;
    const int count = std::min(inCount, int(pf::GetSubviews(mControl).size()));
    for (int n = 0; n < count; ++n)
    {
        if (const pf::ViewRef row = FindRow(mRowCount))
        {
            if (FxControl* control = FromRef(row))
                delete control;
            else
            {
                pf::RemoveFromSuperview(row);
                pf::DisposeView(row);
            }
        }
        --mRowCount;
    }
    NotifyScroller();
}

void FxTableScrollable::NotifyScroller()
{
    const pf::ViewRef scroller = pf::GetSuperview(mControl);
    if (scroller == nullptr || pf::GetViewKind(scroller) != pf::ViewKind::kScrollView)
        return;
    pf::Event changed(pf::kClassScrollable, pf::kScrollableInfoChanged);
    pf::GetViewEventTarget(scroller)->Send(changed);
    if (pf::IsValidView(scroller))
        pf::ScrollViewScrollTo(scroller, pf::Point{0, 0});
}

FxTableCell::FxTableCell(pf::ViewRef inControl) : FxControl(inControl)
{
    Install({{pf::kClassControl, pf::kControlDraw}});
}

pf::OSStatus FxTableCell::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (mControl == nullptr || !IsDraw(ioEvent))
        return FxControl::Event(inCall, ioEvent);
    if (pf::Canvas* canvas = CanvasOf(ioEvent))
    {
        // Ids of rows are negative: -1 % 2 is -1 in C++.
        const bool odd = Id() % 2 != 0;
        canvas->SetFillColor(odd ? pf::Color{1, 1, 1, 1} : pf::Color{236 / 255.0, 243 / 255.0, 254 / 255.0, 1});
        canvas->FillRect(pf::GetViewBounds(mControl));
    }
    return pf::kNoErr;
}

FxBorder::FxBorder(pf::ViewRef inControl) : FxControl(inControl)
{
    Install({{pf::kClassControl, pf::kControlDraw}});
}

pf::OSStatus FxBorder::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (mControl == nullptr || !IsDraw(ioEvent))
        return FxControl::Event(inCall, ioEvent);
    if (pf::Canvas* canvas = CanvasOf(ioEvent))
    {
        const pf::Rect bounds = pf::GetViewBounds(mControl);
        canvas->SetStrokeColor(pf::Color{190 / 255.0, 190 / 255.0, 190 / 255.0, 1});
        canvas->SetLineWidth(1);
        canvas->StrokeRect(pf::Rect{bounds.x + 0.5, bounds.y + 0.5, bounds.w - 1, bounds.h - 1});
    }
    return pf::kNoErr;
}

#define FX_AS(Class)                                                                                                   \
    Class* As##Class(FxControl* inControl)                                                                             \
    {                                                                                                                  \
        return dynamic_cast<Class*>(inControl);                                                                        \
    }
FX_AS(FxDataBrowser)
FX_AS(FxTable)
FX_AS(FxTableScrollable)
FX_AS(FxTableCell)
FX_AS(FxBorder)
#undef FX_AS
