// Gradient controls: a grid of stored gradients kept in the user's preferences folder, and the gradient's
// pasteboard flavour.
#pragma once

#include "FxColorControls.h"
#include "FxWindow.h"
#include "GxColorGradient.h"

#include <cstdint>
#include <string>
#include <vector>

class XmlElement;

// The item and flavour a gradient travels in: a "colorGradient" element as UTF-8 XML text.
constexpr std::uint64_t kFxGradientPasteboardItem = 1;
std::string FxGradientPasteboardFlavor();
// A key's part number, 2 bytes in host order, on the same item.
std::string FxIndicatorPasteboardFlavor();
// Untrusted XML: keys outside 0 to 256 are dropped, and a gradient left without keys is the default one.
GxColorGradient FxReadGradient(const XmlElement* inElement);
void FxPutGradientOnPasteboard(pf::DragRef inDrag, const GxColorGradient& inGradient);

// Cells of 35 x 21 points in row-major order, read from "FxGradientPickerPrefs.xml" when built and written back
// after every drop. Points right of the last full column or below the last full row belong to the last ones.
class FxGradientGrid : public FxColorControl
{
public:
    static constexpr double kCellWidth = 35;
    static constexpr double kCellHeight = 21;
    static constexpr CxSint16 kGridPart = 10;

    explicit FxGradientGrid(pf::ViewRef inControl);

    int Columns() const { return mColumns; }
    int Rows() const { return mRows; }
    int Selected() const { return mSelected; }
    int Clicked() const { return mClicked; }
    const std::vector<GxColorGradient>& Gradients() const { return mGradients; }
    // White for a grid without cells.
    GxColorGradient GetClickedGradient() const;
    // -1 when the grid has no cells.
    int CellAt(const pf::Point& inPoint) const;

    // Both are silent on every failure: a failed read leaves the cells, a failed write the file.
    void ReadFromPrefs();
    void WriteToPrefs();

    void KeyLeftArrow();
    void KeyRightArrow();
    void KeyUpArrow();
    void KeyDownArrow();
    void KeySpace();

    void OnDraw(pf::Canvas& ioCanvas) override;
    CxSint16 OnHitTest(const pf::Point& inPoint) override;
    void OnPerformDrag(pf::Event& ioEvent, const pf::Point& inPoint) override;
    // A drop from another cell of this grid moves the gradient; any other drop copies it.
    void OnReceiveDrag(pf::DragRef inDrag, const pf::Point& inPoint) override;
    bool OnSetFocusPart(CxSint16& ioPart) override;
    CxSint16 OnGetFocusPart() override { return mFocus; }
    // Never handled: the keys go on to the window.
    bool OnTextInput(char16_t inChar) override;

private:
    std::vector<GxColorGradient> mGradients;
    int mColumns = 0;
    int mRows = 0;
    int mClicked = 0;
    int mSelected = 0;
    int mDragSource = -1;
    CxSint16 mFocus = 0;
};

// One key as the editor shows it: a 16 x 16 button whose x places the key on the strip.
struct FxColorIndicator
{
    CxSint16 mPart = 0;
    GxColor mColor;
    pf::Rect mRect;
    // The keys at 1 and 254 neither move nor go.
    bool mFixed = false;
};

// A strip with one key per gradient key. Keys other than the ends keep to indexes 2 to 253, so the ends stay
// the ends; part numbers never take the strip's own 666.
class FxGradientEditor : public FxColorControl
{
public:
    static constexpr CxSint16 kStripPart = 666;

    explicit FxGradientEditor(pf::ViewRef inControl);

    const GxColorGradient& Gradient() const { return mGradient; }
    void SetGradient(const GxColorGradient& inGradient);
    // The indicators stay as they are.
    void SetColor(const GxColor& inColor);
    // The first key's flag; true without keys.
    bool IsSmooth() const;
    void SetSmooth(bool inSmooth);
    void BuildIndicators();
    void BuildGradient();
    void SendEventToGradientTarget();

    const std::vector<FxColorIndicator>& Indicators() const { return mIndicators; }
    const pf::Rect& KeyRect() const { return mKeyRect; }
    FxColorIndicator* FindIndicator(CxSint16 inPart);
    CxSint16 FindFirstPart() const;
    CxSint16 FindLastPart() const;
    CxSint16 FindNextPart(CxSint16 inPart) const;
    CxSint16 FindPreviousPart(CxSint16 inPart) const;
    double PinIndicator(double inX) const;

    void KeyDelete();
    void KeyLeftArrow();
    void KeyRightArrow();
    void KeySpace();

    // Whether the drag carries one of this editor's keys.
    bool ReceiveIndicator(pf::DragRef inDrag);
    // Only a drop on the trash counts, and it only beeps: the key stays.
    void DragIndicator(pf::Event& ioEvent, const FxColorIndicator& inKey);
    static void DrawButtonForColorKey(pf::Canvas& ioCanvas, unsigned long, const FxColorIndicator& inKey,
                                      bool inFocused = false);

    // The strip, a mini track across its middle, then the keys in list order, clipped to the strip.
    void OnDraw(pf::Canvas& ioCanvas) override;
    CxSint16 OnHitTest(const pf::Point& inPoint) override;
    void OnHit(pf::Event& ioEvent) override;
    // A key follows the mouse along the strip, or is dragged away once 20 points below where it started.
    bool OnTrack(pf::Event& ioEvent, const pf::Point& inStart, const pf::Point& inCurrent, CxSint16& ioPart) override;
    void OnPerformDrag(pf::Event& ioEvent, const pf::Point& inPoint) override;
    // On a key its colour; near the middle line a new key; elsewhere on the strip a whole gradient.
    void OnReceiveDrag(pf::DragRef inDrag, const pf::Point& inPoint) override;
    bool OnSetFocusPart(CxSint16& ioPart) override;
    CxSint16 OnGetFocusPart() override { return mFocus; }
    // Never handled: the keys go on to the window.
    bool OnTextInput(char16_t inChar) override;
    void OnColorChanged(const GxColor& inColor) override;

private:
    CxSint16 NextPart();
    void MoveToEnd(CxSint16 inPart);
    void MoveFocused(double inBy);

    GxColorGradient mGradient{kGxGradientColors256};
    std::vector<FxColorIndicator> mIndicators;
    pf::Rect mKeyRect;
    pf::Point mHitOffset;
    CxSint16 mFocus = 0;
    CxSint16 mNextPart = 1;
};

// A ramp in a bevel button; a click opens the picker on it, a second click lets it go.
class FxGradientWell : public FxColorControl
{
public:
    static constexpr CxSint16 kWellPart = 10;

    explicit FxGradientWell(pf::ViewRef inControl);
    const GxColorGradient& Gradient() const { return mGradient; }
    void SetGradient(const GxColorGradient& inGradient);
    void SetColor(const GxColor& inColor);

    void OnDraw(pf::Canvas& ioCanvas) override;
    void OnHit(pf::Event& ioEvent) override;
    void OnPerformDrag(pf::Event& ioEvent, const pf::Point& inPoint) override;
    void OnReceiveDrag(pf::DragRef inDrag, const pf::Point& inPoint) override;
    bool OnSetFocusPart(CxSint16& ioPart) override;
    CxSint16 OnGetFocusPart() override { return mFocus; }
    void OnGradientChanged(const GxColorGradient& inGradient) override { SetGradient(inGradient); }
    void OnColorChanged(const GxColor& inColor) override { SetColor(inColor); }

private:
    GxColorGradient mGradient{kGxGradientColors256};
    CxSint16 mFocus = 0;
};

// The one floating picker: the editor (id 2), the grid (3) and the smooth (4) and discrete (5) radio buttons.
class FxGradientPicker : public FxFloatingWindow
{
public:
    FxGradientPicker();
    ~FxGradientPicker() override;
    static void Display(const GxColorGradient& inGradient);
    static FxGradientPicker* sGradientPicker;

    FxGradientEditor* Editor() const { return mEditor; }
    FxGradientGrid* Grid() const { return mGrid; }
    void OnMoved() override;
    void OnControlHit(FxControl* inControl) override;
    void HitEditor();
    void HitGrid();
    void HitSmooth();
    void HitDiscrete();

private:
    FxGradientEditor* mEditor = nullptr;
    FxGradientGrid* mGrid = nullptr;
    FxControl* mSmooth = nullptr;
    FxControl* mDiscrete = nullptr;
};

void FxShowGradientPicker(const GxColorGradient& inGradient);

FxGradientWell* AsFxGradientWell(FxControl* inControl);
FxGradientGrid* AsFxGradientGrid(FxControl* inControl);
FxGradientEditor* AsFxGradientEditor(FxControl* inControl);
// Registers 'FXGW', 'FXGG' and 'FXGE'.
void FxRegisterGradientControls();
