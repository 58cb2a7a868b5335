#include "WxShape.h"

#include "WxClientKit.h"
#include "WxDrawSupport.h"

#include "CxCoordinates.h"
#include "CxDebug.h"
#include "DxSet.h"
#include "DxShape.h"
#include "DxShapeManager.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "GxTesselator.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <vector>

namespace
{

// Far enough past the shape that the mask covers every view of it (kilometres in the earth projections).
constexpr double kMaskMargin = 10000.0;

DxShapeManager* ShapeManagerOf(const DxClient& inClient)
{
    return inClient.Set() != nullptr ? inClient.Set()->ShapeManager() : nullptr;
}

} // namespace

GxRect WxShapeBounds(const GxShape& inShape)
{
    GxRect bounds;
    bool first = true;
    for (const auto& polygon : inShape.Polygons())
    {
        bounds = first ? polygon->Bounds() : bounds.Union(polygon->Bounds());
        first = false;
    }
    return bounds;
}

WxShape::WxShape(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    mName = CxString("Shape");
    WxStartClient(*this, inMap);
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxShape::~WxShape()
{
    // The manager may deliver a frame while the product part is already gone.
    Detach();
}

WxProduct* WxShape::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxShape(inMap, inXml);
}

void WxShape::InvalidateLists()
{
    mMaskList.InvalidateDisplayList();
    mOutlineList.InvalidateDisplayList();
    mFillList.InvalidateDisplayList();
}

void WxShape::SetShapeInfo(const CxString& inRegion, const CxString& inFeature)
{
    if (inRegion == Region() && inFeature == Feature() && IsSubscriptionValid())
        return;
    SetRegion(inRegion);
    SetFeature(inFeature);
    if (ShapeManagerOf(*this) == nullptr)
        return;
    AcceptFrame(nullptr);
    RefreshClient();
    mMaskList.InvalidateDisplayList();
    mOutlineList.InvalidateDisplayList();
    ProductChanged();
}

void WxShape::SetMask(bool inMask)
{
    if (inMask == mMask)
        return;
    mMask = inMask;
    if (mMask)
        IsMaskable();
    ProductChanged();
}

void WxShape::SetLineWidth(double inWidth)
{
    if (inWidth == mLineWidth)
        return;
    mLineWidth = inWidth;
    ProductChanged();
}

void WxShape::SetFilled(bool inFilled)
{
    if (inFilled == mFilled)
        return;
    mFilled = inFilled;
    ProductChanged();
}

bool WxShape::IsMaskable()
{
    bool maskable = true;
    if (const DxShape* shape = Shape(); shape != nullptr && mMap != nullptr)
        maskable = shape->Copy(*mMap->Projection())->IsClosed();
    if (mMask && !maskable)
        SetMask(false);
    return maskable;
}

bool WxShape::DrawLists(GxContext& ioContext)
{
    const GxColor background = mMap != nullptr ? mMap->Color() : GxColor(1, 1, 1, 1);
    bool complete = true;
    if (mMask && mMaskable)
    {
        if (mMaskList.IsDisplayListValid())
        {
            glColor4d(background.mRed, background.mGreen, background.mBlue, 1.0);
            mMaskList.DrawList();
        }
        else
            complete = false;
    }
    GxDisplayList& list = mFilled ? mFillList : mOutlineList;
    if (!list.IsDisplayListValid())
        return false;
    if (mFilled)
    {
        glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * mAlpha);
        mFillList.DrawList();
    }
    else
    {
        ioContext.PushAttribs();
        if (mLineWidth <= 2.0)
            ioContext.AntiAlias();
        ioContext.LineWidth(float(mLineWidth));
        glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * mAlpha);
        mOutlineList.DrawList();
        ioContext.PopAttribs();
    }
    return complete;
}

void WxShape::BuildBounds(const DxShape& inShape)
{
    mBounds = WxShapeBounds(inShape);
}

void WxShape::BuildMask(const DxShape& inShape)
{
    mMaskList.InvalidateDisplayList();
    mMaskList.BeginDisplayList();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    // The tessellator keeps pointers to the coordinates until the polygon ends.
    std::vector<double> vertices;
    vertices.reserve(3 * (std::size_t(inShape.CountPoints()) + 4));
    auto accept = [&](GxTesselator& ioTesselator, double inX, double inY)
    {
        vertices.insert(vertices.end(), {inX, inY, 0.0});
        double* vertex = &vertices[vertices.size() - 3];
        ioTesselator.AcceptVertex(vertex, vertex);
    };
    GxTesselator tesselator;
    tesselator.BeginPolygon();
    tesselator.BeginContour();
    accept(tesselator, mBounds.mLeft - kMaskMargin, mBounds.mTop + kMaskMargin);
    accept(tesselator, mBounds.mRight + kMaskMargin, mBounds.mTop + kMaskMargin);
    accept(tesselator, mBounds.mRight + kMaskMargin, mBounds.mBottom - kMaskMargin);
    accept(tesselator, mBounds.mLeft - kMaskMargin, mBounds.mBottom - kMaskMargin);
    tesselator.EndContour();
    for (const auto& polygon : inShape.Polygons())
    {
        tesselator.BeginContour();
        for (const GxPoint& point : polygon->Points())
            accept(tesselator, point.mX, point.mY);
        tesselator.EndContour();
    }
    tesselator.EndPolygon();
    glPopAttrib();
    mMaskList.EndDisplayList();
}

void WxShape::OnDrawProduct(GxContext& ioContext)
{
    if (DrawLists(ioContext))
        return;
    const DxShape* shape = Shape();
    if (shape == nullptr || mMap == nullptr)
        return;
    const std::unique_ptr<DxShape> copy = shape->Copy(*mMap->Projection());
    BuildBounds(*copy);
    const double alpha = mColor.mAlpha * mAlpha;
    if (mMask)
    {
        const GxColor background = mMap->Color();
        glColor4d(background.mRed, background.mGreen, background.mBlue, 1.0);
        mMaskable = copy->IsClosed();
        if (mMaskable)
            BuildMask(*copy);
        else
            mMask = false;
    }
    if (!mFilled)
    {
        ioContext.PushAttribs();
        if (mLineWidth <= 2.0)
            ioContext.AntiAlias();
        ioContext.LineWidth(float(mLineWidth));
        glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, alpha);
        mOutlineList.InvalidateDisplayList();
        mOutlineList.BeginDisplayList();
        copy->Draw(ioContext);
        mOutlineList.EndDisplayList();
        ioContext.PopAttribs();
        return;
    }
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, alpha);
    ioContext.PushAttribs();
    mFillList.InvalidateDisplayList();
    mFillList.BeginDisplayList();
    DxShapeManager* manager = ShapeManagerOf(*this);
    if (manager != nullptr && manager->FillAsSinglePolygon())
    {
        // One polygon under the odd winding rule: rings inside rings come out as holes and islands.
        GxTesselator tesselator;
        tesselator.BeginPolygon();
        for (const auto& polygon : copy->Polygons())
            if (polygon->IsClosed())
                polygon->DrawFilled(tesselator);
        tesselator.EndPolygon();
    }
    else
    {
        for (const auto& polygon : copy->Polygons())
            if (polygon->IsClosed())
                polygon->DrawFilled();
    }
    mFillList.EndDisplayList();
    ioContext.PopAttribs();
}

void WxShape::OnDrawIcon(GxContext& ioContext)
{
    const double iconAlpha = (mVisible ? 1.0 : 0.2) * mAlpha;
    ioContext.PushAttribs();
    if (mMask)
    {
        const GxColor background = mMap != nullptr ? mMap->Color() : GxColor(1, 1, 1, 1);
        static const double kCorners[4][5][2] = {{{0, 0}, {0, 16}, {4, 16}, {16, 4}, {16, 0}},
                                                 {{32, 0}, {32, 16}, {28, 16}, {16, 4}, {16, 0}},
                                                 {{32, 32}, {32, 16}, {28, 16}, {16, 28}, {16, 32}},
                                                 {{0, 32}, {0, 16}, {4, 16}, {16, 28}, {16, 32}}};
        glColor4d(background.mRed, background.mGreen, background.mBlue, iconAlpha);
        for (const auto& corner : kCorners)
        {
            glBegin(GL_POLYGON);
            for (const auto& p : corner)
                glVertex2d(p[0], p[1]);
            glEnd();
        }
        const double r = 1.0 - background.mRed, g = 1.0 - background.mGreen, b = 1.0 - background.mBlue;
        glColor4d(r, g, b, 0.4 * iconAlpha);
        glBegin(GL_LINE_STRIP);
        for (const auto& p : {GxPoint(32, 0), GxPoint(32, 32), GxPoint(0, 32), GxPoint(0, 0), GxPoint(32, 0)})
            glVertex2d(p.mX, p.mY);
        glEnd();
        ioContext.LineWidth(float(mLineWidth));
        glColor4d(r, g, b, iconAlpha);
        glBegin(GL_LINE_STRIP);
        for (const auto& p : {GxPoint(16, 4), GxPoint(28, 16), GxPoint(16, 28), GxPoint(4, 16), GxPoint(16, 4)})
            glVertex2d(p.mX, p.mY);
        glEnd();
    }
    else if (mFilled)
    {
        glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, iconAlpha * mColor.mAlpha);
        glBegin(GL_QUADS);
        glVertex2d(0, 0);
        glVertex2d(32, 0);
        glVertex2d(32, 32);
        glVertex2d(0, 32);
        glEnd();
    }
    else
    {
        glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, iconAlpha * mColor.mAlpha);
        ioContext.LineWidth(float(mLineWidth));
        glBegin(GL_LINES);
        glVertex2d(0, 16);
        glVertex2d(32, 16);
        glEnd();
    }
    ioContext.PopAttribs();
}

void WxShape::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == "shape");
    SetVisibility(WxReadBool(inXml->GetAttribute("visible"), true));
    WxProduct::SetColor(GxColor(inXml->GetAttribute("color")));
    SetLineWidth(inXml->GetAttribute("width").AsDouble());
    if (inXml->GetAttribute("caption") == "true")
        SetCaptionSource(true);
    SetAlpha(inXml->GetAttribute("alpha").AsDouble());
    SetSet(DxSet::FindOrCreateSet(inXml->GetAttribute("dataset"), 2));
    if (inXml->GetAttribute("sync") == "true")
        SetSync(IsTemporal());
    const CxString feature = inXml->GetAttribute("feature");
    const CxString region = inXml->GetAttribute("region");
    mMask = WxReadBool(inXml->GetAttribute("mask"), true);
    mFilled = WxReadBool(inXml->GetAttribute("filled"), true);
    SetShapeInfo(region, feature);
    SetSelected(WxReadBool(inXml->GetAttribute("selected"), true));
}

void WxShape::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("shape"));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : CxString());
    ioBuilder.Attribute("color", mColor.AsString());
    ioBuilder.Attribute("width", CxString(mLineWidth, 1));
    ioBuilder.Attribute("feature", Feature());
    ioBuilder.Attribute("region", Region());
    ioBuilder.Attribute("mask", CxString(mMask ? "true" : "false"));
    ioBuilder.Attribute("filled", CxString(mFilled ? "true" : "false"));
    WriteDataFlags(ioBuilder);
    ioBuilder.End(CxString("shape"));
}

void WxShape::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardDates(*this, inStart, inEnd);
}

void WxShape::OnIntervalChanged(CxSint64 inSeconds)
{
    WxForwardInterval(*this, inSeconds);
}

void WxShape::OnDateChanged(const CxDate& inDate)
{
    WxForwardDate(*this, inDate);
}

void WxShape::OnProjectionChanged()
{
    InvalidateLists();
}

void WxShape::OnSetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    ProductChanged();
}

bool WxShape::OnIsReadyToDraw() const
{
    return !WaitingForData();
}

GxColor WxShape::OnGetColor() const
{
    return mColor;
}

WxInspector* WxShape::OnCreateLegend()
{
    return new WxShapeLegend(this);
}

void WxShape::OnShapeChanged()
{
    DxShapeManager* manager = ShapeManagerOf(*this);
    if (manager == nullptr)
        return;
    const DxRegion region = manager->FindRegion(Region());
    const DxFeature feature = manager->FindFeature(Feature());
    const CxDate date = Shape() != nullptr ? Shape()->Date() : DxFrame::NoDate();
    if (date == DxFrame::NoDate())
    {
        SetStatus(feature.Name());
        SetName(region.Name());
    }
    else
    {
        SetStatusDate(date, ShowsSeconds());
        SetName(feature.Name());
    }
    InvalidateLists();
    ProductDataChanged();
}

void WxShape::OnSetChanged()
{
    WxForwardSetChanged(mMap);
}

void WxShape::OnAuthenticationChanged()
{
    WxForwardAuthentication(*this, *this);
}
