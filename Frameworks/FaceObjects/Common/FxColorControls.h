// Colour wells, swatches and bars: custom-drawn controls that show colours, edit one through the shared colour
// panel and exchange colours by dragging. Changes travel only as 'FACE' 3 (colour) and 4 (gradient) events.
// Also the bridge to the colour panel and the colour's pasteboard flavour.
#pragma once

#include "CxString.h"
#include "FxCommander.h"
#include "FxControl.h"
#include "GxColor.h"
#include "PfDrag.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pf
{
class Canvas;
}

class FxHelpWindow;
class GxColorGradient;

// The item and flavour a colour travels in on a drag's pasteboard: four doubles (red, green, blue, alpha) in host
// order. Drags stay in the process.
constexpr std::uint64_t kFxColorPasteboardItem = 0xC0C0A;
extern const std::string kFxPasteboardPrefix;
std::string FxColorPasteboardFlavor();

class FxColorControl : public FxControl
{
public:
    explicit FxColorControl(pf::ViewRef inControl);
    ~FxColorControl() override;
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

    // Points are the view's own, (0, 0) at its top-left.
    virtual void OnDraw(pf::Canvas&) {}
    // Part 10 inside the view, else 0.
    virtual CxSint16 OnHitTest(const pf::Point& inPoint);
    virtual void OnHit(pf::Event&) {}
    // True when tracking is over. The base drags once the mouse is more than 5 points from the start.
    virtual bool OnTrack(pf::Event& ioEvent, const pf::Point& inStart, const pf::Point& inCurrent, CxSint16& ioPart);
    virtual void OnPerformDrag(pf::Event&, const pf::Point&) {}
    virtual void OnReceiveDrag(pf::DragRef, const pf::Point&) {}
    virtual bool OnSetFocusPart(CxSint16&) { return false; }
    virtual CxSint16 OnGetFocusPart() { return 0; }
    virtual void OnBoundsChanged() {}
    virtual void OnTrackingAreaEntered(std::uint64_t, const pf::Point&) {}
    virtual void OnTrackingAreaExited(std::uint64_t, const pf::Point&) {}
    // A space clicks part 10.
    virtual bool OnTextInput(char16_t inChar);
    virtual void OnColorChanged(const GxColor&) {}
    virtual void OnGradientChanged(const GxColorGradient&) {}

    bool IsColorTarget() const;
    bool IsGradientTarget() const;
    void MakeColorTarget();
    static void ClearColorTarget();
    void MakeGradientTarget();
    static void ClearGradientTarget();
    static FxColorControl* ColorTarget();
    static FxColorControl* GradientTarget();
    void GradientChanged(const GxColorGradient& inGradient);
    // Opaque black unless the drag carries a colour.
    static GxColor ReceiveColor(pf::DragRef inDrag);
    // The gradient flavour's "colorGradient", else a two-key gradient of a dropped colour, else the default.
    static GxColorGradient ReceiveGradient(pf::DragRef inDrag);
    // Drags the gradient with its second table entry as the colour (opaque black for a gradient without keys).
    void DragGradient(pf::Event& ioEvent, const GxColorGradient& inGradient);
    // The 28 x 16 image that drag shows.
    static pf::Image GradientDragImage(const GxColorGradient& inGradient);

    // White field, black lower-left triangle, then the table as a ramp over the rectangle. An empty table leaves
    // the field and triangle.
    static void DrawGradient(pf::Canvas& ioCanvas, const pf::Rect& inRect, const GxColorTable& inTable);
    // The colour at t in [0, N]: index trunc(t), below 0 the first, past the end the last.
    static GxColor CalculateShadingValues(const GxColorTable& inTable, double inT);

    // How often the view asked to be redrawn.
    std::size_t RedisplayCount() const { return mRedisplays; }

protected:
    void Redisplay();
    // Focus for a control with one focusable part: the next and previous parts toggle it, 0 or the part itself set
    // it, anything else clears it and is refused. Redisplays on a change; answers whether the part was taken.
    bool FocusSinglePart(CxSint16& ioPart, CxSint16 inPart, CxSint16& ioFocus);
    // A global point in the view's coordinates.
    pf::Point GlobalToView(pf::Point inGlobal) const;
    pf::OSStatus EventControlDragReceive(pf::Event& ioEvent);
    void SendColor(const GxColor& inColor);

private:
    pf::OSStatus EventControl(pf::HandlerCallRef inCall, pf::Event& ioEvent);
    void Track(pf::Event& ioEvent);
    std::size_t mRedisplays = 0;
};

class FxColorWell : public FxColorControl
{
public:
    explicit FxColorWell(pf::ViewRef inControl);
    void SetColor(const GxColor& inColor);
    const GxColor& Color() const { return mColor; }

    void OnDraw(pf::Canvas& ioCanvas) override;
    void OnHit(pf::Event& ioEvent) override;
    void OnPerformDrag(pf::Event& ioEvent, const pf::Point& inPoint) override;
    void OnReceiveDrag(pf::DragRef inDrag, const pf::Point& inPoint) override;
    bool OnSetFocusPart(CxSint16& ioPart) override;
    CxSint16 OnGetFocusPart() override { return mFocus; }
    void OnColorChanged(const GxColor& inColor) override { SetColor(inColor); }

    // The 12 x 12 image a drag of the colour shows.
    static pf::Image DragImage(const GxColor& inColor);

private:
    GxColor mColor{0, 0, 0, 1};
    CxSint16 mFocus = 0;
};

class FxColorSwatch : public FxColorControl
{
public:
    explicit FxColorSwatch(pf::ViewRef inControl);
    void SetColor(const GxColor& inColor);
    void SetVisible(bool inVisible);
    const GxColor& Color() const { return mColor; }
    bool IsSwatchVisible() const { return mVisible; }
    void OnDraw(pf::Canvas& ioCanvas) override;

private:
    GxColor mColor{1, 0, 0, 1};
    bool mVisible = true;
};

// Fifteen labelled boxes (colours 1 to 15 of a 16-colour table) that can be hidden one by one, or a ramp for any
// other table size; a bubble names the colour under the mouse.
class FxColorBar : public FxColorControl
{
public:
    explicit FxColorBar(pf::ViewRef inControl);
    ~FxColorBar() override;

    void SetColors(const GxColorTable& inColors);
    void SetColors(GxColorTableId inId);
    const GxColorTable& Colors() const { return mColors; }
    void SetBackgroundColor(const GxColor& inColor);
    // 0 to 255; others are logged and ignored.
    void SetColorLabel(int inIndex, const CxString& inLabel);
    CxString ColorLabel(int inIndex) const;
    // 0 to 15; others are logged and ignored (false).
    void SetColorVisibility(int inIndex, bool inVisible);
    bool IsColorVisible(int inIndex) const;
    int GetLastClicked() const { return mLastClicked; }
    int Highlighted() const { return mHighlighted; }
    void SetHilitedColor(int inIndex);
    void ShowBubble(pf::Point inPoint);
    void MoveBubble(pf::Point inPoint);
    void HideBubble();
    FxHelpWindow* Bubble() const { return mBubble.get(); }
    bool IsRamp() const { return mColors.size() != 16; }
    // Boxes 1 to 15; box 0 is never laid out, and other indexes answer it too.
    const pf::Rect& Box(int inIndex) const { return mBoxes[inIndex >= 1 && inIndex <= 15 ? std::size_t(inIndex) : 0]; }
    // The ramp index under x: x kept within the bar; -1 for a bar without width.
    int RampIndex(double inX) const;

    void CalcColorBoxes();
    void OnDraw(pf::Canvas& ioCanvas) override;
    void OnHit(pf::Event& ioEvent) override;
    void OnBoundsChanged() override { CalcColorBoxes(); }
    void OnTrackingAreaEntered(std::uint64_t inId, const pf::Point& inPoint) override;
    void OnTrackingAreaExited(std::uint64_t inId, const pf::Point& inPoint) override;

private:
    void DrawOneColorBox(pf::Canvas& ioCanvas, const pf::Rect& inBox, const GxColor& inColor, bool inVisible,
                         bool inHilited);
    void DrawColorBoxes(pf::Canvas& ioCanvas);
    void DrawColorGradient(pf::Canvas& ioCanvas);
    void DeleteBubble();

    GxColor mBackground{0, 0, 0, 1};
    GxColorTable mColors;
    pf::TrackingAreaRef mViewArea = 0;
    std::array<pf::TrackingAreaRef, 2> mRampAreas{};
    std::array<pf::TrackingAreaRef, 16> mBoxAreas{};
    std::vector<CxString> mLabels;
    std::array<pf::Rect, 16> mBoxes{};
    std::array<bool, 16> mVisible{};
    int mLastClicked = 0;
    int mHighlighted = 0;
    std::unique_ptr<FxHelpWindow> mBubble;
};

FxColorControl* AsFxColorControl(FxControl* inControl);
FxColorWell* AsFxColorWell(FxControl* inControl);
FxColorSwatch* AsFxColorSwatch(FxControl* inControl);
FxColorBar* AsFxColorBar(FxControl* inControl);

// ---- The colour panel bridge ------------------------------------------------------------------------------------

// The panel's target and delegate: every pick becomes 'FACE' 3 for the target control.
class FxCocoaPicker
{
public:
    void initPicker();
    void changeColor();
    void setColor(const GxColor& inColor);
    void windowWillClose();
};

// Sends the commands given while the panel is in front to the frontmost document window.
class FxPickerCommander : public FxCommander
{
public:
    explicit FxPickerCommander(pf::WindowRef inWindow);
    ~FxPickerCommander() override;
    void OnCommand(FxCommand& ioCommand) override;
    void OnCommandStatus(FxCommand& ioCommand) override;
};

// Shows the panel on the colour; replaces the picker and commander of an earlier call.
void FxShowColorPicker(const GxColor& inColor);
// Null clears it.
void FxSetColorPickerTarget(pf::ViewRef inControl);
pf::ViewRef FxColorPickerTarget();
void FxPutColorOnPasteboard(pf::DragRef inDrag, const GxColor& inColor);
// False, outColor unchanged, when the drag carries no colour.
bool FxGetColorFromPasteboard(pf::DragRef inDrag, GxColor& outColor);
// Registers 'FXCW', 'FXCS', 'FXCB', 'FXPV', 'FXTT', 'FXHV' and the views' well downcast.
void FxRegisterColorControls();
