// Translucent panels drawn by the toolkit: popovers with an arrow, help bubbles, heads-up panels, and the windows
// that carry them. Coordinates are the view's own, y down, (0, 0) at the top-left.
#pragma once

#include "CxCoordinates.h"
#include "FxControl.h"
#include "FxWindow.h"

namespace pf
{
class Canvas;
}

// The popover's outline; one set of arrow x values serves the top and the bottom arrow, and an arrow whose tip
// lies on its edge is flat.
struct FxPopoverShape
{
    double mRadius = 0.0;
    double mLeft = 0.0;
    double mLeftInner = 0.0; // left + r
    double mArrowLeft = 0.0;
    double mArrowTip = 0.0;
    double mArrowRight = 0.0;
    double mRightInner = 0.0; // right - r
    double mRight = 0.0;
    double mTopTip = 0.0;
    double mTop = 0.0;
    double mTopInner = 0.0;    // top + r
    double mBottomInner = 0.0; // bottom - r
    double mBottom = 0.0;
    double mBottomTip = 0.0;

    // For nested outlines; the corner tangents and the tip's x stay put.
    void Inset(double inDelta);
};

class FxPopoverView : public FxControl
{
public:
    explicit FxPopoverView(pf::ViewRef inControl);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

    void SetPointyPoint(CxPoint inPoint);
    CxPoint PointyPoint() const { return mPointyPoint; }
    bool IsDark() const { return mDark; }
    bool PointsDown() const { return mPointsDown; }

    // The outline for a view of that size: radius 10, an arrow 20 wide and 10 high.
    FxPopoverShape Shape(double inWidth, double inHeight) const;
    static void BuildPath(pf::Canvas* inCanvas, const FxPopoverShape& inShape);

private:
    void Draw(pf::Canvas& ioCanvas);
    CxPoint mPointyPoint;
    bool mDark = true;
    bool mPointsDown = true;
};

// A dark rounded bubble with a small pointer at the bottom centre.
class FxHelpBubble : public FxControl
{
public:
    explicit FxHelpBubble(pf::ViewRef inControl);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
};

// A dark rounded panel over the whole view.
class FxHudView : public FxControl
{
public:
    explicit FxHudView(pf::ViewRef inControl);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
};

// Opens under inPoint (in the parent's content coordinates), kept on the screen, its arrow aimed at the point.
class FxPopoverWindow : public FxWindow
{
public:
    FxPopoverWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow* inParent,
                    const CxPoint& inPoint);
    ~FxPopoverWindow() override;
    // Control id 0 of the window; null when it is no popover view.
    FxPopoverView* PopoverView() const { return mPopoverView; }

private:
    FxPopoverView* mPopoverView = nullptr;
};

class FxHelpWindow : public FxWindow
{
public:
    FxHelpWindow(const CxString& inNibFile, const CxString& inWindowName);
    ~FxHelpWindow() override;
};

FxPopoverView* AsFxPopoverView(FxControl* inControl);
FxHelpBubble* AsFxHelpBubble(FxControl* inControl);
FxHudView* AsFxHudView(FxControl* inControl);
