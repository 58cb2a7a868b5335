// 2-D drawing with Core Graphics' rules: the current transform maps user space to the device (y down, origin at
// the top-left, one unit a pixel or a point); paths are built in user space and fixed in device space as they are
// added; an image fills its rectangle upright only when user space is y up; shadings are sampled at each device
// pixel's centre. Two canvases draw: CairoCanvas into a bitmap or PDF pages, RecordingCanvas into a list of
// operations in device coordinates that tests and tools can read exactly.
#pragma once

#include "PfGeometry.h"
#include "PfImage.h"

#include <functional>

namespace pf
{

class TextLayout;

struct Color
{
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    double a = 1.0;
    bool operator==(const Color&) const = default;
};

// The colour at t, 0 at the axis' start and 1 at its end.
using ShadingFunction = std::function<Color(double inT)>;

// The tangent geometry of an arc to a point: from the current point p0 towards p1, then towards p2, rounded with
// radius r. When the three points lie on a line, or r is not above 0, there is no arc: a line to p1.
struct ArcToPoint
{
    bool mIsLine = true;
    Point mTangent1; // on p0-p1
    Point mTangent2; // on p1-p2
    Point mCentre;
    double mRadius = 0.0;
    double mStartAngle = 0.0; // radians, of the tangent points around the centre, y down
    double mSweep = 0.0;      // signed, |sweep| < pi
    static ArcToPoint Make(Point inP0, Point inP1, Point inP2, double inRadius);
};

class Canvas
{
public:
    virtual ~Canvas() = default;

    virtual void Save() = 0;
    virtual void Restore() = 0;
    virtual void ConcatTransform(const Affine& inTransform) = 0;
    virtual Affine Transform() const = 0;
    void Translate(double inX, double inY) { ConcatTransform(Affine::Translation(inX, inY)); }
    void Scale(double inX, double inY) { ConcatTransform(Affine::Scaling(inX, inY)); }

    virtual void SetFillColor(const Color& inColor) = 0;
    virtual void SetStrokeColor(const Color& inColor) = 0;
    virtual void SetLineWidth(double inWidth) = 0;

    virtual void BeginPath() = 0;
    virtual void MoveTo(Point inPoint) = 0;
    virtual void LineTo(Point inPoint) = 0;
    // Core Graphics' add-arc-to-point; without a current point it starts at inP1.
    virtual void AddArcToPoint(Point inP1, Point inP2, double inRadius) = 0;
    virtual void AddRect(const Rect& inRect) = 0;
    virtual void ClosePath() = 0;
    // Both end the path, as in Core Graphics. Fills use the non-zero rule.
    virtual void FillPath() = 0;
    virtual void StrokePath() = 0;
    void FillRect(const Rect& inRect)
    {
        BeginPath();
        AddRect(inRect);
        FillPath();
    }
    void StrokeRect(const Rect& inRect)
    {
        BeginPath();
        AddRect(inRect);
        StrokePath();
    }

    // Narrows the clip to the rectangle in user space.
    virtual void ClipToRect(const Rect& inRect) = 0;

    // The image's top row lies at the rectangle's maximum y: upright in a y-up user space.
    virtual void DrawImage(const Rect& inRect, const Image& inImage) = 0;
    // Fills the clip with the colours along the axis; beyond an end the end colour when extended, else nothing.
    virtual void DrawAxialShading(Point inStart, Point inEnd, const ShadingFunction& inFunction, bool inExtendStart,
                                  bool inExtendEnd) = 0;
    // The layout's pen starts at inOrigin and its glyphs go through its font matrix, in the fill colour.
    virtual void DrawText(const TextLayout& inLayout, Point inOrigin) = 0;
};

} // namespace pf
