// The canvas that keeps what is drawn as a list of operations in device coordinates, so that tests and tools can
// check geometry exactly.
#pragma once

#include "PfCanvas.h"

#include <string>
#include <vector>

namespace pf
{

struct PathElement
{
    enum Kind
    {
        kMove,
        kLine,
        kArc, // a line to mPoint (the first tangent point), then the arc to mTangent2
        kClose
    };
    Kind mKind = kMove;
    Point mPoint;
    Point mTangent2;
    Point mCentre;
    double mRadius = 0.0;
    double mSweep = 0.0; // signed radians, y down
};

struct Operation
{
    enum Kind
    {
        kFill,
        kStroke,
        kImage,
        kShading,
        kText
    };
    Kind mKind = kFill;
    Rect mClip;                     // device bounds of the clip
    std::vector<PathElement> mPath; // fill and stroke
    Color mColor;                   // fill, stroke and text
    double mLineWidth = 0.0;        // stroke, in device units
    Rect mRect;                     // image: device bounds; text: device bounds of the measured rectangle
    bool mUpright = false;          // image: its top row is at the top of the device
    std::int32_t mImageWidth = 0;
    std::int32_t mImageHeight = 0;
    Point mStart; // shading axis; text origin
    Point mEnd;
    std::string mText; // UTF-8
};

class RecordingCanvas final : public Canvas
{
public:
    RecordingCanvas(double inWidth, double inHeight);

    const std::vector<Operation>& Operations() const { return mOperations; }

    void Save() override;
    void Restore() override;
    void ConcatTransform(const Affine& inTransform) override;
    Affine Transform() const override { return mState.mTransform; }
    void SetFillColor(const Color& inColor) override { mState.mFill = inColor; }
    void SetStrokeColor(const Color& inColor) override { mState.mStroke = inColor; }
    void SetLineWidth(double inWidth) override { mState.mLineWidth = inWidth; }
    void BeginPath() override;
    void MoveTo(Point inPoint) override;
    void LineTo(Point inPoint) override;
    void AddArcToPoint(Point inP1, Point inP2, double inRadius) override;
    void AddRect(const Rect& inRect) override;
    void ClosePath() override;
    void FillPath() override;
    void StrokePath() override;
    void ClipToRect(const Rect& inRect) override;
    void DrawImage(const Rect& inRect, const Image& inImage) override;
    void DrawAxialShading(Point inStart, Point inEnd, const ShadingFunction& inFunction, bool inExtendStart,
                          bool inExtendEnd) override;
    void DrawText(const TextLayout& inLayout, Point inOrigin) override;

private:
    struct State
    {
        Affine mTransform;
        Color mFill;
        Color mStroke;
        double mLineWidth = 1.0;
        Rect mClip;
    };
    Operation Begin(Operation::Kind inKind) const;
    Point Device(Point inUser) const { return mState.mTransform.Apply(inUser); }
    Rect DeviceBounds(const Rect& inUser) const;

    State mState;
    std::vector<State> mSaved;
    std::vector<PathElement> mPath;
    bool mHasPoint = false;
    Point mCurrent;      // device
    Point mSubpathStart; // device
    std::vector<Operation> mOperations;
};

} // namespace pf
