#include "CxDebug.h"
#include "CxFile.h"
#include "CxPreferences.h"
#include "CxStream.h"
#include "CxSystem.h"
#include "FxBuildControls.h"
#include "FxGradientPicker.h"
#include "PfCairoCanvas.h"
#include "PfTheme.h"
#include "XmlBuilder.h"
#include "XmlElement.h"
#include "XmlParser.h"
#include "XmlWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using pf::FourCC;

namespace
{

const CxString kPrefsFile("FxGradientPickerPrefs.xml");
constexpr CxSint32 kLowestIndex = 0;
constexpr CxSint32 kHighestIndex = 256;
constexpr pf::Color kWhite{1, 1, 1, 1};
constexpr pf::Color kBlack{0, 0, 0, 1};
constexpr pf::Color kGridGrey{2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1};

pf::Rect Inset(const pf::Rect& inRect, double inBy)
{
    return pf::Rect{inRect.x + inBy, inRect.y + inBy, inRect.w - 2 * inBy, inRect.h - 2 * inBy};
}

GxColorGradient WhiteGradient()
{
    return GxColorGradient(GxColor(1, 1, 1, 1));
}

// Depth-first, without recursion: dropped documents may nest deeply.
const XmlElement* FindGradientElement(const XmlElement* inRoot)
{
    std::vector<const XmlElement*> pending{inRoot};
    while (!pending.empty())
    {
        const XmlElement* element = pending.back();
        pending.pop_back();
        if (element != inRoot && element->Name() == CxString("colorGradient"))
            return element;
        const std::vector<XmlElement*> children = element->GetElements();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.push_back(*it);
    }
    return nullptr;
}

} // namespace

std::string FxGradientPasteboardFlavor()
{
    return kFxPasteboardPrefix + "gradient";
}

std::string FxIndicatorPasteboardFlavor()
{
    return kFxPasteboardPrefix + "FxColorIndicatorPart";
}

GxColorGradient FxReadGradient(const XmlElement* inElement)
{
    if (inElement == nullptr)
        return GxColorGradient();
    GxColorGradient gradient(inElement);
    auto& keys = gradient.Keys();
    for (auto it = keys.begin(); it != keys.end();)
        it = it->first < kLowestIndex || it->first > kHighestIndex ? keys.erase(it) : std::next(it);
    return keys.empty() ? GxColorGradient() : gradient;
}

void FxPutGradientOnPasteboard(pf::DragRef inDrag, const GxColorGradient& inGradient)
{
    const pf::PasteboardRef board = inDrag != nullptr ? pf::GetDragPasteboard(inDrag) : nullptr;
    if (board == nullptr)
        return;
    XmlBuilder builder;
    inGradient.Externalize(builder);
    CxData text(CxUint32(0));
    {
        CxTextStream stream(text);
        XmlTextStreamWriter writer(stream);
        builder.Write(writer);
    }
    text.Lock();
    pf::PasteboardPutItemFlavor(board, kFxGradientPasteboardItem, FxGradientPasteboardFlavor(), text.Pointer(),
                                text.Size());
    text.Unlock();
}

GxColorGradient FxColorControl::ReceiveGradient(pf::DragRef inDrag)
{
    const pf::PasteboardRef board = inDrag != nullptr ? pf::GetDragPasteboard(inDrag) : nullptr;
    if (board == nullptr)
        return GxColorGradient();
    std::vector<std::uint8_t> data;
    if (pf::PasteboardCopyItemFlavorData(board, kFxGradientPasteboardItem, FxGradientPasteboardFlavor(), data) ==
        pf::kNoErr)
    {
        XmlParser parser;
        if (parser.Parse(data.data(), data.size(), true) && parser.Root() != nullptr)
        {
            // The document element may itself be the gradient.
            for (const XmlElement* top : parser.Root()->GetElements())
            {
                if (top->Name() == CxString("colorGradient"))
                    return FxReadGradient(top);
                if (const XmlElement* found = FindGradientElement(top))
                    return FxReadGradient(found);
            }
        }
        return GxColorGradient();
    }
    GxColor color;
    if (FxGetColorFromPasteboard(inDrag, color))
        return GxColorGradient(color);
    return GxColorGradient();
}

pf::Image FxColorControl::GradientDragImage(const GxColorGradient& inGradient)
{
    auto canvas = pf::CairoCanvas::MakeBitmap(28, 16);
    const pf::Rect image{0, 0, 28, 16};
    DrawGradient(*canvas, image, inGradient.GenerateColors());
    canvas->SetStrokeColor(kBlack);
    canvas->SetLineWidth(1);
    canvas->StrokeRect(Inset(image, 0.5));
    return canvas->Snapshot();
}

void FxColorControl::DragGradient(pf::Event&, const GxColorGradient& inGradient)
{
    const GxColorTable table = inGradient.GenerateColors();
    pf::DragRef drag = pf::NewDrag();
    FxPutColorOnPasteboard(drag, table.size() > 1 ? table[1] : GxColor(0, 0, 0, 1));
    FxPutGradientOnPasteboard(drag, inGradient);
    pf::SetDragImage(drag, GradientDragImage(inGradient), pf::Point{-14, -8});
    pf::TrackDrag(drag, pf::GetGlobalMouse());
    pf::DisposeDrag(drag);
}

// ---- FxGradientGrid ---------------------------------------------------------------------------------------------

FxGradientGrid::FxGradientGrid(pf::ViewRef inControl) : FxColorControl(inControl)
{
    if (mControl != nullptr)
    {
        const pf::Rect bounds = pf::GetViewBounds(mControl);
        mColumns = std::max(0, int(bounds.w / kCellWidth));
        mRows = std::max(0, int(bounds.h / kCellHeight));
    }
    mGradients.assign(std::size_t(mColumns) * std::size_t(mRows), WhiteGradient());
    ReadFromPrefs();
}

GxColorGradient FxGradientGrid::GetClickedGradient() const
{
    return mClicked >= 0 && std::size_t(mClicked) < mGradients.size() ? mGradients[std::size_t(mClicked)]
                                                                      : WhiteGradient();
}

int FxGradientGrid::CellAt(const pf::Point& inPoint) const
{
    if (mGradients.empty())
        return -1;
    const int column = std::clamp(int(std::max(0.0, inPoint.x) / kCellWidth), 0, mColumns - 1);
    const int row = std::clamp(int(std::max(0.0, inPoint.y) / kCellHeight), 0, mRows - 1);
    return row * mColumns + column;
}

void FxGradientGrid::ReadFromPrefs()
{
    try
    {
        const CxData data = CxFolder(kCxPreferencesFolder).ExistingFile(kPrefsFile).ReadContents();
        CxData bytes(data);
        XmlParser parser;
        bytes.Lock();
        const bool parsed = parser.Parse(bytes.Pointer(), bytes.Size(), true);
        bytes.Unlock();
        if (!parsed || parser.Root() == nullptr)
            return;
        const std::vector<XmlElement*> tops = parser.Root()->GetElements();
        if (tops.empty() || tops.front()->Name() != CxString("FxGradientPickerPrefs"))
            return;
        std::size_t cell = 0;
        for (const XmlElement* child : tops.front()->GetElements())
        {
            if (cell >= mGradients.size())
                break;
            if (child->Name() == CxString("colorGradient"))
                mGradients[cell] = FxReadGradient(child);
            ++cell;
        }
        Redisplay();
    }
    catch (...)
    {
    }
}

void FxGradientGrid::WriteToPrefs()
{
    try
    {
        XmlBuilder builder;
        builder.Begin(CxString("FxGradientPickerPrefs"));
        for (const GxColorGradient& gradient : mGradients)
            gradient.Externalize(builder);
        builder.End(CxString("FxGradientPickerPrefs"));
        CxData text(CxUint32(0));
        {
            CxTextStream stream(text);
            XmlTextStreamWriter writer(stream);
            builder.Write(writer);
        }
        CxFolder(kCxPreferencesFolder).CreateFile(kPrefsFile).WriteContents(text);
    }
    catch (...)
    {
    }
}

void FxGradientGrid::KeyLeftArrow()
{
    if (mGradients.empty())
        return;
    mSelected = mSelected % mColumns == 0 ? mSelected + mColumns - 1 : mSelected - 1;
    Redisplay();
}

void FxGradientGrid::KeyRightArrow()
{
    if (mGradients.empty())
        return;
    mSelected = mSelected % mColumns == mColumns - 1 ? mSelected - (mColumns - 1) : mSelected + 1;
    Redisplay();
}

void FxGradientGrid::KeyUpArrow()
{
    if (mGradients.empty())
        return;
    mSelected -= mColumns;
    if (mSelected < 0)
        mSelected += mColumns * mRows;
    Redisplay();
}

void FxGradientGrid::KeyDownArrow()
{
    if (mGradients.empty())
        return;
    mSelected += mColumns;
    if (mSelected >= mColumns * mRows)
        mSelected -= mColumns * mRows;
    Redisplay();
}

void FxGradientGrid::KeySpace()
{
    if (mGradients.empty() || mControl == nullptr)
        return;
    mClicked = mSelected;
    pf::SimulateClick(mControl, kGridPart, 0);
}

bool FxGradientGrid::OnTextInput(char16_t inChar)
{
    switch (inChar)
    {
    case 28:
        KeyLeftArrow();
        break;
    case 29:
        KeyRightArrow();
        break;
    case 30:
        KeyUpArrow();
        break;
    case 31:
        KeyDownArrow();
        break;
    case 32:
        KeySpace();
        break;
    default:
        break;
    }
    return false;
}

CxSint16 FxGradientGrid::OnHitTest(const pf::Point& inPoint)
{
    const int cell = CellAt(inPoint);
    if (cell < 0)
        return 0;
    mClicked = cell;
    return kGridPart;
}

void FxGradientGrid::OnReceiveDrag(pf::DragRef inDrag, const pf::Point& inPoint)
{
    const int cell = CellAt(inPoint);
    if (cell < 0)
        return;
    mGradients[std::size_t(cell)] = ReceiveGradient(inDrag);
    // The source is whitened before writing, so that the file never holds a moved gradient twice.
    if (mDragSource >= 0 && mDragSource != cell && std::size_t(mDragSource) < mGradients.size())
        mGradients[std::size_t(mDragSource)] = WhiteGradient();
    Redisplay();
    WriteToPrefs();
}

void FxGradientGrid::OnPerformDrag(pf::Event& ioEvent, const pf::Point& inPoint)
{
    const int cell = CellAt(inPoint);
    if (cell < 0)
        return;
    mDragSource = cell;
    // A copy: the drop may whiten the source cell while the drag runs.
    const GxColorGradient gradient = mGradients[std::size_t(cell)];
    DragGradient(ioEvent, gradient);
    mDragSource = -1;
}

bool FxGradientGrid::OnSetFocusPart(CxSint16& ioPart)
{
    return FocusSinglePart(ioPart, kGridPart, mFocus);
}

void FxGradientGrid::OnDraw(pf::Canvas& ioCanvas)
{
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    ioCanvas.SetFillColor(kWhite);
    ioCanvas.FillRect(bounds);
    ioCanvas.SetLineWidth(1);
    ioCanvas.SetStrokeColor(kGridGrey);
    const double left = bounds.x + 0.5;
    const double top = bounds.y + 0.5;
    for (int row = 0; row < mRows; ++row)
    {
        for (int column = 0; column < mColumns; ++column)
        {
            const pf::Rect cell{left + column * kCellWidth, top + row * kCellHeight, kCellWidth, kCellHeight};
            ioCanvas.StrokeRect(cell);
            DrawGradient(ioCanvas, Inset(cell, 2.5), mGradients[std::size_t(row * mColumns + column)].GenerateColors());
        }
    }
    if (mFocus == kGridPart && !mGradients.empty() && mSelected >= 0 && mSelected < int(mGradients.size()))
    {
        const pf::Rect cell{left + (mSelected % mColumns) * kCellWidth, top + (mSelected / mColumns) * kCellHeight,
                            kCellWidth, kCellHeight};
        pf::DrawThemeFocusRing(ioCanvas, Inset(cell, 2.5));
    }
}

// ---- FxGradientEditor -------------------------------------------------------------------------------------------

namespace
{
constexpr double kKeySize = 16;
constexpr double kHalfKey = 8;
constexpr CxSint32 kFirstIndex = 1;
constexpr CxSint32 kLastIndex = 254;
} // namespace

FxGradientEditor::FxGradientEditor(pf::ViewRef inControl) : FxColorControl(inControl)
{
    BuildIndicators();
}

// Parts stay from 1 to the largest short and skip the strip's and any live key's: 0, -1 and -2 mean no focus,
// the next and the previous part, so a counter that wrapped into them would lose the keys it named.
CxSint16 FxGradientEditor::NextPart()
{
    CxSint16 part = mNextPart;
    for (int tries = 0; tries < std::numeric_limits<CxSint16>::max(); ++tries)
    {
        part = mNextPart;
        mNextPart = mNextPart >= std::numeric_limits<CxSint16>::max() || mNextPart < 1 ? 1 : CxSint16(mNextPart + 1);
        if (part >= 1 && part != kStripPart && FindIndicator(part) == nullptr)
            break;
    }
    return part;
}

void FxGradientEditor::BuildIndicators()
{
    mKeyRect = Inset(mControl != nullptr ? pf::GetViewBounds(mControl) : pf::Rect{}, 3.5);
    mIndicators.clear();
    // Every key gets a new part, counted afresh: a focus kept on an old one would name no key.
    mFocus = 0;
    mNextPart = 1;
    for (const auto& [index, key] : mGradient.Keys())
    {
        FxColorIndicator indicator;
        indicator.mPart = NextPart();
        indicator.mColor = key.Color();
        indicator.mRect = pf::Rect{index * mKeyRect.w / 255 + mKeyRect.x - kHalfKey,
                                   mKeyRect.y + mKeyRect.h * 0.5 - kHalfKey, kKeySize, kKeySize};
        indicator.mFixed = index == kFirstIndex || index == kLastIndex;
        mIndicators.push_back(indicator);
    }
}

void FxGradientEditor::BuildGradient()
{
    const bool smooth = IsSmooth();
    const double width = std::max(mKeyRect.w, 1.0);
    GxColorGradient gradient;
    gradient.Keys().clear();
    // In list order: of two keys meeting on one index the later wins.
    for (const FxColorIndicator& indicator : mIndicators)
    {
        const double at = (indicator.mRect.x + indicator.mRect.w * 0.5 - mKeyRect.x) * 256 / width;
        CxSint32 index = CxSint32(std::clamp(at, 0.0, 256.0));
        if (!indicator.mFixed)
            index = std::clamp(index, kFirstIndex + 1, kLastIndex - 1);
        GxColorPoint key(index);
        key.SetColor(indicator.mColor);
        key.SetSmoothed(smooth);
        gradient.Keys().insert_or_assign(index, key);
    }
    mGradient = gradient;
    Redisplay();
    SendEventToGradientTarget();
}

void FxGradientEditor::SendEventToGradientTarget()
{
    FxColorControl* target = GradientTarget();
    if (target == nullptr || target->GetRef() == nullptr)
        return;
    pf::Event event(FourCC("FACE"), 4);
    event.SetParam(pf::kParamDirectObject, pf::kTypeControlRef, target->GetRef());
    const GxColorGradient* gradient = &mGradient;
    event.SetParam(FourCC("GRAD"), FourCC("GRAD"), gradient);
    if (pf::EventTarget* to = pf::GetViewEventTarget(target->GetRef()))
        to->Send(event);
}

void FxGradientEditor::SetGradient(const GxColorGradient& inGradient)
{
    mGradient = inGradient;
    BuildIndicators();
    SendEventToGradientTarget();
    if (mControl != nullptr)
        pf::SimulateClick(mControl, kStripPart, 0);
    Redisplay();
}

void FxGradientEditor::SetColor(const GxColor& inColor)
{
    mGradient = GxColorGradient(inColor);
    Redisplay();
}

bool FxGradientEditor::IsSmooth() const
{
    return mGradient.Keys().empty() || mGradient.Keys().begin()->second.IsSmoothed();
}

void FxGradientEditor::SetSmooth(bool inSmooth)
{
    for (auto& [index, key] : mGradient.Keys())
        key.SetSmoothed(inSmooth);
    SendEventToGradientTarget();
    Redisplay();
}

FxColorIndicator* FxGradientEditor::FindIndicator(CxSint16 inPart)
{
    for (FxColorIndicator& indicator : mIndicators)
        if (indicator.mPart == inPart)
            return &indicator;
    return nullptr;
}

CxSint16 FxGradientEditor::FindFirstPart() const
{
    const FxColorIndicator* found = nullptr;
    for (const FxColorIndicator& indicator : mIndicators)
        if (found == nullptr || indicator.mRect.x < found->mRect.x)
            found = &indicator;
    return found != nullptr ? found->mPart : 0;
}

CxSint16 FxGradientEditor::FindLastPart() const
{
    const FxColorIndicator* found = nullptr;
    for (const FxColorIndicator& indicator : mIndicators)
        if (found == nullptr || indicator.mRect.x > found->mRect.x)
            found = &indicator;
    return found != nullptr ? found->mPart : 0;
}

CxSint16 FxGradientEditor::FindNextPart(CxSint16 inPart) const
{
    if (inPart == 0)
        return FindFirstPart();
    const auto from = std::find_if(mIndicators.begin(), mIndicators.end(),
                                   [&](const FxColorIndicator& inKey) { return inKey.mPart == inPart; });
    if (from == mIndicators.end())
        return 0;
    const FxColorIndicator* found = nullptr;
    for (const FxColorIndicator& indicator : mIndicators)
        if (indicator.mRect.x > from->mRect.x && (found == nullptr || indicator.mRect.x < found->mRect.x))
            found = &indicator;
    return found != nullptr ? found->mPart : 0;
}

CxSint16 FxGradientEditor::FindPreviousPart(CxSint16 inPart) const
{
    if (inPart == 0)
        return FindLastPart();
    const auto from = std::find_if(mIndicators.begin(), mIndicators.end(),
                                   [&](const FxColorIndicator& inKey) { return inKey.mPart == inPart; });
    if (from == mIndicators.end())
        return 0;
    const FxColorIndicator* found = nullptr;
    for (const FxColorIndicator& indicator : mIndicators)
        if (indicator.mRect.x < from->mRect.x && (found == nullptr || indicator.mRect.x > found->mRect.x))
            found = &indicator;
    return found != nullptr ? found->mPart : 0;
}

double FxGradientEditor::PinIndicator(double inX) const
{
    return std::min(std::max(inX, mKeyRect.x - kHalfKey), mKeyRect.x + mKeyRect.w - kHalfKey);
}

void FxGradientEditor::MoveToEnd(CxSint16 inPart)
{
    const auto it = std::find_if(mIndicators.begin(), mIndicators.end(),
                                 [&](const FxColorIndicator& inKey) { return inKey.mPart == inPart; });
    if (it != mIndicators.end())
        std::rotate(it, std::next(it), mIndicators.end());
}

void FxGradientEditor::KeyDelete()
{
    FxColorIndicator* key = FindIndicator(mFocus);
    if (key == nullptr)
        return;
    if (key->mFixed)
    {
        CxBeep();
        return;
    }
    mIndicators.erase(mIndicators.begin() + (key - mIndicators.data()));
    BuildGradient();
    Redisplay();
}

void FxGradientEditor::MoveFocused(double inBy)
{
    FxColorIndicator* key = FindIndicator(mFocus);
    if (key == nullptr)
        return;
    if (key->mFixed)
    {
        CxBeep();
        return;
    }
    key->mRect.x = PinIndicator(key->mRect.x + inBy);
    BuildGradient();
    Redisplay();
}

void FxGradientEditor::KeyLeftArrow()
{
    MoveFocused(-1);
}

void FxGradientEditor::KeyRightArrow()
{
    MoveFocused(1);
}

void FxGradientEditor::KeySpace()
{
    if (mControl != nullptr)
        pf::SimulateClick(mControl, mFocus, 0);
}

bool FxGradientEditor::OnTextInput(char16_t inChar)
{
    switch (inChar)
    {
    case 8:
        KeyDelete();
        break;
    case 28:
        KeyLeftArrow();
        break;
    case 29:
        KeyRightArrow();
        break;
    case 32:
        KeySpace();
        break;
    default:
        break;
    }
    return false;
}

CxSint16 FxGradientEditor::OnHitTest(const pf::Point& inPoint)
{
    for (auto it = mIndicators.rbegin(); it != mIndicators.rend(); ++it)
    {
        if (it->mRect.Contains(inPoint))
        {
            mHitOffset = pf::Point{inPoint.x - it->mRect.x, inPoint.y - it->mRect.y};
            return it->mPart;
        }
    }
    return kStripPart;
}

void FxGradientEditor::OnHit(pf::Event& ioEvent)
{
    CxSint16 part = 0;
    pf::Point where;
    std::uint32_t clicks = 0;
    ioEvent.GetParam(pf::kParamControlPart, pf::kTypeControlPartCode, part);
    ioEvent.GetParam(pf::kParamWindowMouseLocation, pf::kTypeHIPoint, where);
    ioEvent.GetParam(pf::kParamClickCount, pf::kTypeUInt32, clicks);
    if (mControl == nullptr)
        return;
    where = pf::ConvertPoint(where, nullptr, mControl);
    if (FindIndicator(part) == nullptr && clicks == 2)
    {
        const pf::Rect strip = Inset(pf::GetViewBounds(mControl), 4);
        const GxColorTable table = mGradient.GenerateColors();
        FxColorIndicator key;
        key.mColor = GxColor(0, 0, 0, 1);
        if (!table.empty())
        {
            // The margins and anything past the table take the nearest entry.
            const double at = strip.w > 0 ? (where.x - strip.x) * 256 / strip.w : 0.0;
            const double last = double(table.size() - 1);
            key.mColor = table[std::size_t(std::clamp(at, 0.0, last))];
        }
        key.mPart = NextPart();
        key.mRect = pf::Rect{where.x - kHalfKey, mKeyRect.y + mKeyRect.h * 0.5 - kHalfKey, kKeySize, kKeySize};
        mIndicators.push_back(key);
        BuildGradient();
        return;
    }
    // Floating windows get no keys unless they hold the user focus.
    const pf::WindowRef window = pf::GetViewWindow(mControl);
    pf::SetUserFocusWindow(window);
    pf::SetKeyboardFocus(window, mControl, part);
}

bool FxGradientEditor::OnSetFocusPart(CxSint16& ioPart)
{
    CxSint16 focus = 0;
    if (ioPart == pf::kControlFocusNextPart)
        focus = FindNextPart(mFocus);
    else if (ioPart == pf::kControlFocusPrevPart)
        focus = FindPreviousPart(mFocus);
    else if (ioPart == 0)
        focus = 0;
    else if (FindIndicator(ioPart) != nullptr)
        focus = ioPart;
    else
        return false;
    const bool changed = focus != mFocus;
    mFocus = focus;
    ioPart = focus;
    if (changed && focus != 0)
    {
        MoveToEnd(focus);
        MakeColorTarget();
        FxShowColorPicker(FindIndicator(focus)->mColor);
        if (mControl != nullptr)
            pf::SetUserFocusWindow(pf::GetViewWindow(mControl));
    }
    else if (changed && IsColorTarget())
    {
        ClearColorTarget();
    }
    Redisplay();
    return true;
}

void FxGradientEditor::OnColorChanged(const GxColor& inColor)
{
    if (FxColorIndicator* key = FindIndicator(mFocus))
    {
        key->mColor = inColor;
        BuildGradient();
    }
    Redisplay();
}

bool FxGradientEditor::ReceiveIndicator(pf::DragRef inDrag)
{
    const pf::PasteboardRef board = inDrag != nullptr ? pf::GetDragPasteboard(inDrag) : nullptr;
    std::vector<std::uint8_t> data;
    if (board == nullptr ||
        pf::PasteboardCopyItemFlavorData(board, kFxGradientPasteboardItem, FxIndicatorPasteboardFlavor(), data) !=
            pf::kNoErr ||
        data.size() != sizeof(CxSint16))
        return false;
    CxSint16 part = 0;
    std::memcpy(&part, data.data(), sizeof(part));
    return FindIndicator(part) != nullptr;
}

void FxGradientEditor::DrawButtonForColorKey(pf::Canvas& ioCanvas, unsigned long, const FxColorIndicator& inKey,
                                             bool inFocused)
{
    const pf::Rect& r = inKey.mRect;
    ioCanvas.SetFillColor(kWhite);
    ioCanvas.FillRect(r);
    ioCanvas.SetFillColor(kBlack);
    ioCanvas.BeginPath();
    ioCanvas.MoveTo({r.x, r.y});
    ioCanvas.LineTo({r.x, r.Bottom()});
    ioCanvas.LineTo({r.Right(), r.y});
    ioCanvas.ClosePath();
    ioCanvas.FillPath();
    const GxColor& c = inKey.mColor;
    ioCanvas.SetFillColor(pf::Color{c.mRed, c.mGreen, c.mBlue, c.mAlpha});
    ioCanvas.FillRect(r);
    ioCanvas.SetLineWidth(1);
    ioCanvas.SetStrokeColor(kWhite);
    ioCanvas.StrokeRect(r);
    ioCanvas.SetStrokeColor(kBlack);
    ioCanvas.StrokeRect(Inset(r, 1));
    if (inFocused)
        pf::DrawThemeFocusRing(ioCanvas, r);
}

void FxGradientEditor::DragIndicator(pf::Event&, const FxColorIndicator& inKey)
{
    pf::DragRef drag = pf::NewDrag();
    const pf::PasteboardRef board = pf::GetDragPasteboard(drag);
    if (board != nullptr)
    {
        pf::PasteboardClear(board);
        const CxSint16 part = inKey.mPart;
        pf::PasteboardPutItemFlavor(board, kFxGradientPasteboardItem, FxIndicatorPasteboardFlavor(), &part,
                                    sizeof(part));
    }
    auto canvas = pf::CairoCanvas::MakeBitmap(16, 16);
    FxColorIndicator image = inKey;
    image.mRect = pf::Rect{0, 0, kKeySize, kKeySize};
    DrawButtonForColorKey(*canvas, 0, image);
    pf::SetDragImage(drag, canvas->Snapshot(), pf::Point{-kHalfKey, -kHalfKey});
    pf::TrackDrag(drag, pf::GetGlobalMouse());
    const bool trashed = pf::DragDroppedOnTrash(drag);
    pf::DisposeDrag(drag);
    if (trashed)
        CxBeep();
}

void FxGradientEditor::OnDraw(pf::Canvas& ioCanvas)
{
    const pf::Rect frame = Inset(pf::GetViewBounds(mControl), 0.5);
    ioCanvas.SetFillColor(kWhite);
    ioCanvas.FillRect(frame);
    ioCanvas.SetLineWidth(1);
    ioCanvas.SetStrokeColor(kGridGrey);
    ioCanvas.StrokeRect(frame);
    const pf::Rect strip = Inset(frame, 3.5);
    DrawGradient(ioCanvas, strip, mGradient.GenerateColors());
    pf::DrawThemeTrack(ioCanvas, pf::Rect{strip.x, strip.y + strip.h / 2 - 5, strip.w, 10}, 0, 100, 200, true);
    ioCanvas.Save();
    ioCanvas.ClipToRect(strip);
    for (const FxColorIndicator& key : mIndicators)
        DrawButtonForColorKey(ioCanvas, 0, key, key.mPart == mFocus);
    ioCanvas.Restore();
}

bool FxGradientEditor::OnTrack(pf::Event& ioEvent, const pf::Point& inStart, const pf::Point& inCurrent,
                               CxSint16& ioPart)
{
    if (FxColorIndicator* key = FindIndicator(ioPart))
    {
        if (inCurrent.y - inStart.y > 20)
        {
            // The drag ran to its drop: a whole-gradient drag after it would drop a second time.
            const FxColorIndicator copy = *key;
            DragIndicator(ioEvent, copy);
            ioPart = 0;
            return true;
        }
        if (!key->mFixed)
        {
            key->mRect.x = PinIndicator(inCurrent.x - mHitOffset.x);
            const CxSint16 part = key->mPart;
            BuildGradient();
            MoveToEnd(part);
            Redisplay();
        }
        return false;
    }
    return FxColorControl::OnTrack(ioEvent, inStart, inCurrent, ioPart);
}

void FxGradientEditor::OnPerformDrag(pf::Event& ioEvent, const pf::Point&)
{
    const GxColorGradient gradient = mGradient;
    DragGradient(ioEvent, gradient);
}

void FxGradientEditor::OnReceiveDrag(pf::DragRef inDrag, const pf::Point& inPoint)
{
    const CxSint16 part = OnHitTest(inPoint);
    const double dy = std::abs(inPoint.y - (mKeyRect.y + mKeyRect.h * 0.5));
    if (part != kStripPart)
    {
        FxColorIndicator* key = FindIndicator(part);
        if (key == nullptr)
            return;
        key->mColor = ReceiveColor(inDrag);
        BuildGradient();
    }
    else if (ReceiveIndicator(inDrag))
    {
        CxBeep();
    }
    else if (dy > 8)
    {
        SetGradient(ReceiveGradient(inDrag));
    }
    else
    {
        FxColorIndicator key;
        key.mColor = ReceiveColor(inDrag);
        key.mPart = NextPart();
        key.mRect = pf::Rect{inPoint.x - kHalfKey, mKeyRect.y + mKeyRect.h * 0.5 - kHalfKey, kKeySize, kKeySize};
        mIndicators.push_back(key);
        BuildGradient();
    }
    Redisplay();
}

// ---- FxGradientWell ---------------------------------------------------------------------------------------------

FxGradientWell::FxGradientWell(pf::ViewRef inControl) : FxColorControl(inControl) {}

void FxGradientWell::SetGradient(const GxColorGradient& inGradient)
{
    mGradient = inGradient;
    Redisplay();
}

void FxGradientWell::SetColor(const GxColor& inColor)
{
    SetGradient(GxColorGradient(inColor));
}

void FxGradientWell::OnDraw(pf::Canvas& ioCanvas)
{
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    pf::ThemeButtonState state =
        pf::IsViewEnabled(mControl) ? pf::ThemeButtonState::kActive : pf::ThemeButtonState::kInactive;
    if (pf::GetControlHilite(mControl) == kWellPart || IsGradientTarget() || IsColorTarget())
        state = pf::ThemeButtonState::kPressed;
    const pf::Rect content =
        Inset(pf::DrawThemeBevelButton(ioCanvas, bounds, pf::ThemeButtonSize::kSmall, state, mFocus == kWellPart), 2);
    if (!content.Empty())
        DrawGradient(ioCanvas, content, mGradient.GenerateColors());
}

void FxGradientWell::OnHit(pf::Event&)
{
    if (!IsGradientTarget())
    {
        MakeGradientTarget();
        FxShowGradientPicker(mGradient);
    }
    else
    {
        ClearGradientTarget();
    }
}

void FxGradientWell::OnPerformDrag(pf::Event& ioEvent, const pf::Point&)
{
    const GxColorGradient gradient = mGradient;
    DragGradient(ioEvent, gradient);
}

void FxGradientWell::OnReceiveDrag(pf::DragRef inDrag, const pf::Point&)
{
    SetGradient(ReceiveGradient(inDrag));
    pf::Event event(FourCC("FACE"), 4);
    event.SetParam(pf::kParamDirectObject, pf::kTypeControlRef, mControl);
    const GxColorGradient* gradient = &mGradient;
    event.SetParam(FourCC("GRAD"), FourCC("GRAD"), gradient);
    SendEventToParentOrWindow(event);
}

bool FxGradientWell::OnSetFocusPart(CxSint16& ioPart)
{
    return FocusSinglePart(ioPart, kWellPart, mFocus);
}

FxGradientWell* AsFxGradientWell(FxControl* inControl)
{
    return dynamic_cast<FxGradientWell*>(inControl);
}

// ---- FxGradientPicker -------------------------------------------------------------------------------------------

FxGradientPicker* FxGradientPicker::sGradientPicker = nullptr;

namespace
{
const CxString kBoundsPreference("gradientPickerDefaultBounds");
}

FxGradientPicker::FxGradientPicker() : FxFloatingWindow(CxString("VanePalettes"), CxString("GradientPicker"))
{
    const CxString stored = CxGetGlobalPreferences().GetStringValue(kBoundsPreference);
    if (stored.Length() > 0)
    {
        const CxRect place(stored);
        CxRect frame = FrameBounds();
        frame.Offset(CxSint16(place.left - frame.left), CxSint16(place.top - frame.top));
        SetFrameBounds(frame, false);
    }
    mEditor = AsFxGradientEditor(GetControlById(2));
    mGrid = AsFxGradientGrid(GetControlById(3));
    mSmooth = GetControlById(4);
    mDiscrete = GetControlById(5);
    CxAssertText(sGradientPicker == nullptr, "sGradientPicker == nil");
    // Without its window it is no picker: the next Display makes one again.
    if (GetRef() != nullptr)
        sGradientPicker = this;
}

FxGradientPicker::~FxGradientPicker()
{
    if (sGradientPicker == this)
        sGradientPicker = nullptr;
}

void FxGradientPicker::Display(const GxColorGradient& inGradient)
{
    if (sGradientPicker == nullptr)
    {
        auto* picker = new FxGradientPicker();
        if (sGradientPicker != picker)
            delete picker;
    }
    if (sGradientPicker == nullptr || sGradientPicker->GetRef() == nullptr)
    {
        CxAssertText(false, "sGradientPicker");
        return;
    }
    sGradientPicker->Show();
    sGradientPicker->BringToFront();
    if (FxGradientEditor* editor = sGradientPicker->mEditor)
    {
        editor->SetGradient(inGradient);
        editor->Focus(pf::kControlFocusNextPart);
    }
}

void FxGradientPicker::OnMoved()
{
    CxGetGlobalPreferences().SetStringValue(kBoundsPreference, FrameBounds().AsString(), 0);
}

void FxGradientPicker::OnControlHit(FxControl* inControl)
{
    if (inControl == nullptr)
        return;
    switch (inControl->Id())
    {
    case 2:
        HitEditor();
        break;
    case 3:
        HitGrid();
        break;
    case 4:
        HitSmooth();
        break;
    case 5:
        HitDiscrete();
        break;
    default:
        break;
    }
}

void FxGradientPicker::HitEditor()
{
    if (mEditor == nullptr || mSmooth == nullptr || mDiscrete == nullptr)
        return;
    mSmooth->SetValue(mEditor->IsSmooth() ? 1 : 0);
    mDiscrete->SetValue(mEditor->IsSmooth() ? 0 : 1);
}

void FxGradientPicker::HitGrid()
{
    if (mEditor != nullptr && mGrid != nullptr)
        mEditor->SetGradient(mGrid->GetClickedGradient());
}

void FxGradientPicker::HitSmooth()
{
    if (mDiscrete != nullptr)
        mDiscrete->SetValue(0);
    if (mSmooth != nullptr)
        mSmooth->SetValue(1);
    if (mEditor != nullptr)
        mEditor->SetSmooth(true);
}

void FxGradientPicker::HitDiscrete()
{
    if (mSmooth != nullptr)
        mSmooth->SetValue(0);
    if (mDiscrete != nullptr)
        mDiscrete->SetValue(1);
    if (mEditor != nullptr)
        mEditor->SetSmooth(false);
}

void FxShowGradientPicker(const GxColorGradient& inGradient)
{
    FxGradientPicker::Display(inGradient);
}

FxGradientEditor* AsFxGradientEditor(FxControl* inControl)
{
    return dynamic_cast<FxGradientEditor*>(inControl);
}

FxGradientGrid* AsFxGradientGrid(FxControl* inControl)
{
    return dynamic_cast<FxGradientGrid*>(inControl);
}

void FxRegisterGradientControls()
{
    FxRegisterControlClass(FourCC("FXGW"), [](pf::ViewRef inView) -> FxControl* { return new FxGradientWell(inView); });
    FxRegisterControlClass(FourCC("FXGG"), [](pf::ViewRef inView) -> FxControl* { return new FxGradientGrid(inView); });
    FxRegisterControlClass(FourCC("FXGE"),
                           [](pf::ViewRef inView) -> FxControl* { return new FxGradientEditor(inView); });
}
