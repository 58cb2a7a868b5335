// Heads-up controls: image-skinned panels drawn over the maps. A caption bar, icon buttons, stretchable
// three-slice buttons and an image slider, all looking as the bundle's PNGs say, their titles white.
#pragma once

#include "CxCoordinates.h"
#include "CxString.h"
#include "FxControl.h"
#include "GxColor.h"
#include "PfCanvas.h"
#include "PfImage.h"
#include "PfText.h"

#include <memory>

// "<name>.png" from the bundle, the caller's to delete; null, with a debug line naming the file, when it is
// missing or does not decode.
pf::Image* FxLoadImage(const CxString& inName);

// The builder's class codes 'FXCC', 'FXIB', 'FXBT', 'FXBB', 'FXHB' and 'FXTS'.
void FxRegisterHudControls();

// One line of white title, laid out with the font matrix that draws upright in the view's y-down space.
class FxHudText
{
public:
    FxHudText(CxSint16 inFontSize, bool inTruncate) : mFontSize(inFontSize), mTruncate(inTruncate) {}
    // The measured rectangle in whole pixels: left and right the pen's offsets before and after the text, top the
    // ascent, bottom the descent. Empty for an empty title.
    CxRect Build(const CxRect& inBounds, const CxString& inTitle);
    // The text laid out last, its pen starting at (x, y).
    void Render(pf::Canvas* inCanvas, CxSint16 inX, CxSint16 inY) const;

private:
    CxSint16 mFontSize;
    bool mTruncate;
    pf::TextStyleRef mStyle;
    pf::TextLayout mLayout;
};

class FxHudControl : public FxControl
{
public:
    explicit FxHudControl(pf::ViewRef inControl);
    ~FxHudControl() override;
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

    virtual void OnDraw(pf::Canvas* inCanvas) = 0;
    virtual CxSint16 OnHitTest(const pf::Point& inPoint) = 0;
    virtual void OnHit(pf::Event&) {}
    // Sets the part under the mouse; true ends the tracking.
    virtual bool OnTrack(pf::Event& ioEvent, const pf::Point& inStart, const pf::Point& inCurrent, CxSint16& ioPart);

    bool MouseInside() const { return mMouseInside; }

protected:
    // The part the buttons and the slider light while the mouse is on it; 0 for none (the caption).
    virtual CxSint16 PressedPart() const { return 0; }
    virtual void OnLastPart(CxSint16) {}
    pf::Rect ViewBounds() const;
    // Draws the image into the rectangle upright (flipping the y-down space); a missing image draws nothing.
    static void DrawUpright(pf::Canvas* inCanvas, const pf::Rect& inBounds, const pf::Image* inImage,
                            const pf::Rect& inRect);
    // Left and right ends 3 points wide, the middle stretched between them.
    static void DrawThreeSlice(pf::Canvas* inCanvas, const pf::Rect& inBounds, const pf::Image* inLeft,
                               const pf::Image* inMiddle, const pf::Image* inRight);
    CxString PropertyText(CxUint32 inTag) const;
    CxString PropertyString(CxUint32 inTag) const;

    // The whole view, id 1, for the pressed look.
    void MakeTrackingArea();

    bool mMouseInside = false;

private:
    pf::OSStatus Track(pf::Event& ioEvent);
    pf::TrackingAreaRef mTrackingArea = 0;
};

class FxCaptionControl : public FxHudControl
{
public:
    explicit FxCaptionControl(pf::ViewRef inControl);

    void SetTitle(const CxString& inTitle) { mTitle = inTitle; }
    CxString Title() const { return mTitle; }
    void SetColor(const GxColor& inColor) { mColor = inColor; }
    GxColor Color() const { return mColor; }
    CxSint16 LastPartHit() const { return mLastPartHit; }
    CxRect BuildLayout(const CxRect& inBounds, const CxString& inTitle) { return mText.Build(inBounds, inTitle); }
    void QuartzRender(pf::Canvas* inCanvas, CxSint16 inX, CxSint16 inY) const { mText.Render(inCanvas, inX, inY); }

    void OnDraw(pf::Canvas* inCanvas) override;
    CxSint16 OnHitTest(const pf::Point&) override { return 0; }

protected:
    void OnLastPart(CxSint16 inPart) override { mLastPartHit = inPart; }

private:
    CxString mTitle;
    GxColor mColor;
    CxSint16 mLastPartHit = 0;
    std::unique_ptr<pf::Image> mLeft, mMiddle, mRight;
    FxHudText mText{12, false};
};

class FxHudButton;

class FxIconButton : public FxHudControl
{
public:
    explicit FxIconButton(pf::ViewRef inControl);

    void SetTitle(const CxString& inTitle) { mTitle = inTitle; }
    CxString Title() const { return mTitle; }
    CxRect BuildLayout(const CxRect& inBounds) { return mText.Build(inBounds, mTitle); }
    void QuartzRender(pf::Canvas* inCanvas, CxSint16 inX, CxSint16 inY) const { mText.Render(inCanvas, inX, inY); }

    void OnDraw(pf::Canvas* inCanvas) override;
    CxSint16 OnHitTest(const pf::Point& inPoint) override;

protected:
    CxSint16 PressedPart() const override { return pf::kControlButtonPart; }

private:
    CxString mTitle;
    std::unique_ptr<pf::Image> mNormal, mPressed;
    FxHudText mText{12, true};
};

class FxTextureButton : public FxHudControl
{
public:
    // From an interface file: 'IMAG' names base + "1" (normal) and base + "2" (pressed), each stretched over the
    // bounds, and 'TEXT' the title.
    explicit FxTextureButton(pf::ViewRef inControl);
    // Three slices per look: base + "Left1", "Middle1", "Right1" and the pressed "...2".
    FxTextureButton(pf::ViewRef inControl, const CxString& inBase, CxSint16 inFontSize);

    void SetTitle(const CxString& inTitle) { mTitle = inTitle; }
    CxString Title() const { return mTitle; }
    CxRect BuildLayout(const CxRect& inBounds) { return mText.Build(inBounds, mTitle); }
    void QuartzRender(pf::Canvas* inCanvas, CxSint16 inX, CxSint16 inY) const { mText.Render(inCanvas, inX, inY); }

    void OnDraw(pf::Canvas* inCanvas) override;
    CxSint16 OnHitTest(const pf::Point& inPoint) override;
    // How many of the images it asked for the bundle held.
    int CountLoadedImages() const;

protected:
    CxSint16 PressedPart() const override { return pf::kControlButtonPart; }

private:
    CxString mTitle;
    bool mSliced = true;
    // Left, middle, right; normal then pressed. The interface-file form uses the middle slots only.
    std::unique_ptr<pf::Image> mImages[2][3];
    FxHudText mText;
};

class FxBarButton : public FxTextureButton
{
public:
    explicit FxBarButton(pf::ViewRef inControl);
};

class FxHudButton : public FxTextureButton
{
public:
    explicit FxHudButton(pf::ViewRef inControl);
};

class FxTextureSlider : public FxHudControl
{
public:
    explicit FxTextureSlider(pf::ViewRef inControl);

    void OnDraw(pf::Canvas* inCanvas) override;
    CxSint16 OnHitTest(const pf::Point& inPoint) override;
    bool OnTrack(pf::Event& ioEvent, const pf::Point& inStart, const pf::Point& inCurrent, CxSint16& ioPart) override;
    const CxRect& ThumbRect() const { return mThumbRect; }

protected:
    CxSint16 PressedPart() const override { return kThumbPart; }

private:
    static constexpr CxSint16 kThumbPart = 4;
    // The thumb's left edge for the current value; 10 when the range or the travel is empty.
    CxSint16 ThumbLeft() const;
    std::unique_ptr<pf::Image> mThumb, mTrack, mPressedThumb;
    CxRect mThumbRect;
};

FxCaptionControl* AsFxCaptionControl(FxControl* inControl);
FxIconButton* AsFxIconButton(FxControl* inControl);
FxTextureButton* AsFxTextureButton(FxControl* inControl);
FxTextureSlider* AsFxTextureSlider(FxControl* inControl);
