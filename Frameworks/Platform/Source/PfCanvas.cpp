#include "PfCanvas.h"
#include "PfRecordingCanvas.h"
#include "PfText.h"

#include <algorithm>
#include <cmath>

namespace pf
{

ArcToPoint ArcToPoint::Make(Point inP0, Point inP1, Point inP2, double inRadius)
{
    ArcToPoint arc;
    arc.mTangent1 = inP1;
    arc.mTangent2 = inP1;
    arc.mCentre = inP1;
    const double x1 = inP0.x - inP1.x;
    const double y1 = inP0.y - inP1.y;
    const double x2 = inP2.x - inP1.x;
    const double y2 = inP2.y - inP1.y;
    const double l1 = std::hypot(x1, y1);
    const double l2 = std::hypot(x2, y2);
    if (!(inRadius > 0.0) || l1 == 0.0 || l2 == 0.0)
        return arc;
    const double u1x = x1 / l1;
    const double u1y = y1 / l1;
    const double u2x = x2 / l2;
    const double u2y = y2 / l2;
    const double cross = u1x * u2y - u1y * u2x;
    if (std::fabs(cross) < 1e-12)
        return arc;
    // The corner's angle; the circle touches both legs at the same distance from the corner.
    const double angle = std::acos(std::clamp(u1x * u2x + u1y * u2y, -1.0, 1.0));
    const double tangent = inRadius / std::tan(angle / 2.0);
    const double toCentre = inRadius / std::sin(angle / 2.0);
    const double bx = u1x + u2x;
    const double by = u1y + u2y;
    const double bl = std::hypot(bx, by);
    arc.mIsLine = false;
    arc.mRadius = inRadius;
    arc.mTangent1 = Point{inP1.x + u1x * tangent, inP1.y + u1y * tangent};
    arc.mTangent2 = Point{inP1.x + u2x * tangent, inP1.y + u2y * tangent};
    arc.mCentre = Point{inP1.x + bx / bl * toCentre, inP1.y + by / bl * toCentre};
    arc.mStartAngle = std::atan2(arc.mTangent1.y - arc.mCentre.y, arc.mTangent1.x - arc.mCentre.x);
    const double end = std::atan2(arc.mTangent2.y - arc.mCentre.y, arc.mTangent2.x - arc.mCentre.x);
    double sweep = end - arc.mStartAngle;
    while (sweep > M_PI)
        sweep -= 2.0 * M_PI;
    while (sweep <= -M_PI)
        sweep += 2.0 * M_PI;
    arc.mSweep = sweep;
    return arc;
}

// ---------------------------------------------------------------------------------------------------------------
// RecordingCanvas

RecordingCanvas::RecordingCanvas(double inWidth, double inHeight)
{
    mState.mClip = Rect{0, 0, inWidth, inHeight};
}

void RecordingCanvas::Save()
{
    mSaved.push_back(mState);
}

void RecordingCanvas::Restore()
{
    if (mSaved.empty())
        return;
    mState = mSaved.back();
    mSaved.pop_back();
}

void RecordingCanvas::ConcatTransform(const Affine& inTransform)
{
    mState.mTransform = inTransform.Then(mState.mTransform);
}

Rect RecordingCanvas::DeviceBounds(const Rect& inUser) const
{
    const Point corners[4] = {Device({inUser.x, inUser.y}), Device({inUser.Right(), inUser.y}),
                              Device({inUser.x, inUser.Bottom()}), Device({inUser.Right(), inUser.Bottom()})};
    double left = corners[0].x, right = corners[0].x, top = corners[0].y, bottom = corners[0].y;
    for (const Point& p : corners)
    {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    return Rect{left, top, right - left, bottom - top};
}

Operation RecordingCanvas::Begin(Operation::Kind inKind) const
{
    Operation op;
    op.mKind = inKind;
    op.mClip = mState.mClip;
    return op;
}

void RecordingCanvas::BeginPath()
{
    mPath.clear();
    mHasPoint = false;
}

void RecordingCanvas::MoveTo(Point inPoint)
{
    mCurrent = mSubpathStart = Device(inPoint);
    mHasPoint = true;
    mPath.push_back(PathElement{PathElement::kMove, mCurrent, {}, {}, 0.0, 0.0});
}

void RecordingCanvas::LineTo(Point inPoint)
{
    if (!mHasPoint)
        return MoveTo(inPoint);
    mCurrent = Device(inPoint);
    mPath.push_back(PathElement{PathElement::kLine, mCurrent, {}, {}, 0.0, 0.0});
}

void RecordingCanvas::AddArcToPoint(Point inP1, Point inP2, double inRadius)
{
    if (!mHasPoint)
        return MoveTo(inP1);
    const Affine& t = mState.mTransform;
    const ArcToPoint arc = ArcToPoint::Make(t.Inverted().Apply(mCurrent), inP1, inP2, inRadius);
    if (arc.mIsLine)
        return LineTo(inP1);
    PathElement element;
    element.mKind = PathElement::kArc;
    element.mPoint = Device(arc.mTangent1);
    element.mTangent2 = Device(arc.mTangent2);
    element.mCentre = Device(arc.mCentre);
    element.mRadius = arc.mRadius * std::sqrt(std::fabs(t.Determinant()));
    element.mSweep = t.Determinant() < 0 ? -arc.mSweep : arc.mSweep;
    mPath.push_back(element);
    mCurrent = element.mTangent2;
}

void RecordingCanvas::AddRect(const Rect& inRect)
{
    MoveTo({inRect.x, inRect.y});
    LineTo({inRect.Right(), inRect.y});
    LineTo({inRect.Right(), inRect.Bottom()});
    LineTo({inRect.x, inRect.Bottom()});
    ClosePath();
}

void RecordingCanvas::ClosePath()
{
    if (!mHasPoint)
        return;
    mPath.push_back(PathElement{PathElement::kClose, mSubpathStart, {}, {}, 0.0, 0.0});
    mCurrent = mSubpathStart;
}

void RecordingCanvas::FillPath()
{
    Operation op = Begin(Operation::kFill);
    op.mPath = std::move(mPath);
    op.mColor = mState.mFill;
    mOperations.push_back(std::move(op));
    BeginPath();
}

void RecordingCanvas::StrokePath()
{
    Operation op = Begin(Operation::kStroke);
    op.mPath = std::move(mPath);
    op.mColor = mState.mStroke;
    op.mLineWidth = mState.mLineWidth * std::sqrt(std::fabs(mState.mTransform.Determinant()));
    mOperations.push_back(std::move(op));
    BeginPath();
}

void RecordingCanvas::ClipToRect(const Rect& inRect)
{
    mState.mClip = mState.mClip.Intersect(DeviceBounds(inRect));
}

void RecordingCanvas::DrawImage(const Rect& inRect, const Image& inImage)
{
    Operation op = Begin(Operation::kImage);
    op.mRect = DeviceBounds(inRect);
    op.mUpright = Device({inRect.x, inRect.Bottom()}).y < Device({inRect.x, inRect.y}).y;
    op.mImageWidth = inImage.mWidth;
    op.mImageHeight = inImage.mHeight;
    mOperations.push_back(std::move(op));
}

void RecordingCanvas::DrawAxialShading(Point inStart, Point inEnd, const ShadingFunction&, bool, bool)
{
    Operation op = Begin(Operation::kShading);
    op.mStart = Device(inStart);
    op.mEnd = Device(inEnd);
    mOperations.push_back(std::move(op));
}

void RecordingCanvas::DrawText(const TextLayout& inLayout, Point inOrigin)
{
    if (!inLayout.Style())
        return;
    Operation op = Begin(Operation::kText);
    op.mColor = mState.mFill;
    op.mStart = Device(inOrigin);
    // The measured rectangle, from the pen's start to its end and from the descent to the ascent, in glyph space.
    const Affine toUser = inLayout.FontMatrix().Then(Affine::Translation(inOrigin.x, inOrigin.y));
    const Point a = toUser.Apply({0, -static_cast<double>(inLayout.Descent())});
    const Point b = toUser.Apply({static_cast<double>(inLayout.EndOffset()), static_cast<double>(inLayout.Ascent())});
    op.mRect = DeviceBounds(Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)});
    for (const std::uint32_t c : inLayout.CodePoints())
    {
        if (c < 0x80)
            op.mText += static_cast<char>(c);
        else if (c < 0x800)
            op.mText += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
        else if (c < 0x10000)
            op.mText += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                         static_cast<char>(0x80 | (c & 0x3F))};
        else
            op.mText += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
                         static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    mOperations.push_back(std::move(op));
}

} // namespace pf
