#include "WxShapeFill.h"

#include "CxDebug.h"
#include "CxLocalize.h"
#include "DxSet.h"
#include "DxShapeManager.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>

namespace
{

DxShapeManager* ShapeManagerOf(const DxClient& inClient)
{
    return inClient.Set() != nullptr ? inClient.Set()->ShapeManager() : nullptr;
}

} // namespace

WxShapeFill::WxShapeFill(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    mName = CxString("Shape");
    if (inMap != nullptr)
        SetArchiving(inMap->IsArchiving());
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxShapeFill::~WxShapeFill()
{
    // The manager may deliver a frame while the product part is already gone.
    Detach();
}

WxProduct* WxShapeFill::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxShapeFill(inMap, inXml);
}

void WxShapeFill::SetShapeInfo(const CxString& inRegion, const CxString& inFeature)
{
    if (inRegion == Region() && inFeature == Feature())
        return;
    SetRegion(inRegion);
    SetFeature(inFeature);
    if (ShapeManagerOf(*this) == nullptr)
        return;
    AcceptFrame(nullptr);
    RefreshClient();
    mPickList.InvalidateDisplayList();
    mRegionList.InvalidateDisplayList();
    ProductChanged();
}

void WxShapeFill::SetMask(bool inMask)
{
    if (inMask == mMask)
        return;
    mMask = inMask;
    if (mMask)
        CheckForMaskability();
    ProductChanged();
}

void WxShapeFill::SetLineWidth(double inWidth)
{
    if (inWidth == mLineWidth)
        return;
    mLineWidth = inWidth;
    ProductChanged();
}

void WxShapeFill::SetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    ProductChanged();
}

void WxShapeFill::SetFillPosition(const GxPosition& inPosition)
{
    if (inPosition == mFillPosition)
        return;
    mFillPosition = inPosition;
    mRegionList.InvalidateDisplayList();
    ProductChanged();
}

const GxPolygon* WxShapeFill::PolygonAt(const GxPosition& inPosition) const
{
    if (mProjected == nullptr || mMap == nullptr)
        return nullptr;
    const GxPoint point = mMap->Projection()->Project(inPosition);
    for (const auto& polygon : mProjected->Polygons())
        if (polygon->Contains(point))
            return polygon.get();
    return nullptr;
}

void WxShapeFill::AddFillPositionWithColor(const GxPosition& inPosition, const GxColor& inColor)
{
    if (mProjected == nullptr)
        return;
    if (const GxPolygon* polygon = PolygonAt(inPosition))
    {
        mPicks.emplace_back(inPosition, inColor);
        mPicked.emplace_back(polygon, inColor);
        mPickList.InvalidateDisplayList();
        mRegionList.InvalidateDisplayList();
    }
    ProductChanged();
}

void WxShapeFill::Reset()
{
    mPicks.clear();
    mPicked.clear();
    mPickList.InvalidateDisplayList();
}

void WxShapeFill::Reproject()
{
    // The picked polygons live in the projected shape: resolve the kept positions against the new one before
    // the old one goes.
    const DxShape* shape = Shape();
    if (shape == nullptr || mMap == nullptr)
        return;
    mPicked.clear();
    mProjected = shape->Copy(*mMap->Projection());
    for (const auto& [position, colour] : mPicks)
        if (const GxPolygon* polygon = PolygonAt(position))
            mPicked.emplace_back(polygon, colour);
    mPickList.InvalidateDisplayList();
    mRegionList.InvalidateDisplayList();
}

void WxShapeFill::CheckForMaskability()
{
    mMaskable = true;
    if (const DxShape* shape = Shape(); shape != nullptr && mMap != nullptr)
        mMaskable = shape->Copy(*mMap->Projection())->IsClosed();
    if (mMask && !mMaskable)
        SetStatus(CxLocalize(CxString("cantMaskShape")));
}

void WxShapeFill::OnDrawProduct(GxContext& ioContext)
{
    if (mPickList.IsDisplayListValid())
        mPickList.DrawList();
    else
    {
        mPickList.BeginDisplayList();
        for (const auto& [polygon, colour] : mPicked)
        {
            glColor4d(colour.mRed, colour.mGreen, colour.mBlue, mAlpha);
            polygon->DrawFilled();
            glColor4d(colour.mRed, colour.mGreen, colour.mBlue, colour.mAlpha);
            polygon->Outline();
        }
        mPickList.EndDisplayList();
    }
    if (mRegionList.IsDisplayListValid())
    {
        mRegionList.DrawList();
        return;
    }
    if (mProjected == nullptr)
        return;
    GxRect bounds;
    bool first = true;
    for (const auto& polygon : mProjected->Polygons())
    {
        bounds = first ? polygon->Bounds() : bounds.Union(polygon->Bounds());
        first = false;
    }
    mBounds = bounds;
    mRegionList.BeginDisplayList();
    ioContext.PushAttribs();
    glPushMatrix();
    if (const GxPolygon* polygon = PolygonAt(mFillPosition))
    {
        glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * mAlpha);
        polygon->DrawFilled();
        glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, 1.0);
        polygon->Outline();
    }
    glPopMatrix();
    ioContext.PopAttribs();
    mRegionList.EndDisplayList();
}

void WxShapeFill::OnDrawIcon(GxContext& ioContext)
{
    const double iconAlpha = mVisible ? 1.0 : 0.2;
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
        glColor4d(1.0 - background.mRed, 1.0 - background.mGreen, 1.0 - background.mBlue, iconAlpha);
        for (const auto& strip : {std::vector<GxPoint>{{32, 0}, {32, 32}, {0, 32}, {0, 0}, {32, 0}},
                                  std::vector<GxPoint>{{16, 4}, {28, 16}, {16, 28}, {4, 16}, {16, 4}}})
        {
            glBegin(GL_LINE_STRIP);
            for (const GxPoint& p : strip)
                glVertex2d(p.mX, p.mY);
            glEnd();
        }
    }
    else
    {
        glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, iconAlpha);
        ioContext.LineWidth(float(mLineWidth));
        glBegin(GL_LINES);
        glVertex2d(0, 16);
        glVertex2d(32, 16);
        glEnd();
    }
    ioContext.PopAttribs();
}

void WxShapeFill::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == "shapefill");
    SetVisibility(WxReadBool(inXml->GetAttribute("visible"), true));
    SetSelected(WxReadBool(inXml->GetAttribute("selected"), true));
    SetColor(GxColor(inXml->GetAttribute("color")));
    SetLineWidth(inXml->GetAttribute("width").AsDouble());
    SetAlpha(inXml->GetAttribute("alpha").AsDouble());
    DxSet* set = DxSet::FindOrCreateSet(inXml->GetAttribute("dataset"), 2);
    CxAssertText(set != nullptr, "set != nil");
    SetSet(set);
    const CxString feature = inXml->GetAttribute("feature");
    const CxString region = inXml->GetAttribute("region");
    mMask = WxReadBool(inXml->GetAttribute("mask"), true);
    SetShapeInfo(region, feature);
}

void WxShapeFill::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("shapefill"));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : CxString());
    ioBuilder.Attribute("color", mColor.AsString());
    ioBuilder.Attribute("width", CxString(mLineWidth, 1));
    ioBuilder.Attribute("feature", Feature());
    ioBuilder.Attribute("region", Region());
    ioBuilder.Attribute("mask", CxString(mMask ? "true" : "false"));
    ioBuilder.End(CxString("shapefill"));
}

void WxShapeFill::OnProjectionChanged()
{
    // Positions are tested against the shape in the projection they were projected with.
    Reproject();
    if (mMask)
        CheckForMaskability();
    mPickList.InvalidateDisplayList();
    mRegionList.InvalidateDisplayList();
}

bool WxShapeFill::OnIsReadyToDraw() const
{
    return !WaitingForData();
}

GxColor WxShapeFill::OnGetColor() const
{
    return mColor;
}

void WxShapeFill::OnShapeChanged()
{
    DxShapeManager* manager = ShapeManagerOf(*this);
    if (manager == nullptr)
        return;
    SetName(manager->FindRegion(Region()).Name());
    SetStatus(manager->FindFeature(Feature()).Name());
    if (mMask)
        CheckForMaskability();
    Reproject();
    ProductChanged();
}
