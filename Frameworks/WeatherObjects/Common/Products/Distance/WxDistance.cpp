#include "WxDistance.h"

#include "CxDebug.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>

WxDistance::WxDistance(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    mName = CxString("Distance");
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxDistance::~WxDistance() = default;

WxProduct* WxDistance::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxDistance(inMap, inXml);
}

void WxDistance::SetStartLat(double inDegrees)
{
    mStartLat = inDegrees;
    Recalculate();
    ProductChanged();
}

void WxDistance::SetStartLon(double inDegrees)
{
    mStartLon = inDegrees;
    Recalculate();
    ProductChanged();
}

void WxDistance::SetEndLat(double inDegrees)
{
    mEndLat = inDegrees;
    Recalculate();
    ProductChanged();
}

void WxDistance::SetEndLon(double inDegrees)
{
    mEndLon = inDegrees;
    Recalculate();
    ProductChanged();
}

void WxDistance::SetStartPosition(const GxPosition& inPosition)
{
    const GxPosition degrees = inPosition.AsDegrees();
    mStartLat = degrees.mLatitude;
    mStartLon = degrees.mLongitude;
    Recalculate();
    ProductChanged();
}

void WxDistance::SetEndPosition(const GxPosition& inPosition)
{
    const GxPosition degrees = inPosition.AsDegrees();
    mEndLat = degrees.mLatitude;
    mEndLon = degrees.mLongitude;
    Recalculate();
    ProductChanged();
}

GxPosition WxDistance::GetStartPosition() const
{
    GxPosition position;
    return position.FromDegrees(mStartLon, mStartLat);
}

GxPosition WxDistance::GetEndPosition() const
{
    GxPosition position;
    return position.FromDegrees(mEndLon, mEndLat);
}

void WxDistance::SetDistanceUnit(const DxUnit& inUnit)
{
    mDisplayUnit = inUnit;
    mConverter = DxUnitConverter(mBaseUnit, mDisplayUnit);
    Recalculate();
    ProductChanged();
}

void WxDistance::SetLineWidth(double inWidth)
{
    mLineWidth = inWidth;
    ProductChanged();
}

void WxDistance::Recalculate()
{
    const GxPosition start = GetStartPosition();
    const GxPosition end = GetEndPosition();
    const double cosine =
        std::sin(start.mLatitude) * std::sin(end.mLatitude) +
        std::cos(start.mLatitude) * std::cos(end.mLatitude) * std::cos(end.mLongitude - start.mLongitude);
    // Equal and antipodal points round the cosine past 1 in size, where acos gives NaN.
    const double km = std::acos(std::clamp(cosine, -1.0, 1.0)) * kEarthRadiusKm;
    SetStatus(CxString(mConverter.Convert(km), 3) + mDisplayUnit.Symbol());

    mLine.reset();
    const GxDegreeProjection degrees;
    mLine = std::make_unique<DxShape>(degrees);
    mLine->BeginData();
    mLine->AcceptVertex(false);
    const double latStep = (mEndLat - mStartLat) / kLineSteps;
    const double lonStep = (mEndLon - mStartLon) / kLineSteps;
    double lat = mStartLat;
    double lon = mStartLon;
    GxPosition position;
    for (int i = 0; i <= kLineSteps; ++i, lat += latStep, lon += lonStep)
        mLine->AcceptPosition(position.FromDegrees(lon, lat));
    mLine->AcceptVertex(false);
    mLine->EndData();
}

void WxDistance::OnDrawProduct(GxContext& ioContext)
{
    if (mMap == nullptr)
        return;
    const GxProjection& projection = *mMap->Projection();
    const GxPosition ends[2] = {GetStartPosition(), GetEndPosition()};
    ioContext.PushAttribs();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * mAlpha);
    if (mLineWidth <= 2.0)
        ioContext.AntiAlias();
    ioContext.LineWidth(float(mLineWidth));
    if (mLine != nullptr)
        mLine->Copy(projection)->Draw(ioContext);

    double modelView[16], matrix[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, matrix);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GxPoint windows[2];
    for (int i = 0; i < 2; ++i)
    {
        const GxPoint point = projection.Project(ends[i]);
        double z = 0.0;
        gluProject(point.mX, point.mY, 0.0, modelView, matrix, viewport, &windows[i].mX, &windows[i].mY, &z);
    }
    ioContext.GetSymbolTexture();
    ioContext.Begin2D();
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const double size = mSelected ? 6.0 : 3.5;
    for (int i = 0; i < 2; ++i)
        if (projection.Contains(ends[i]))
            mMarker.Draw(ioContext, windows[i], size);
    glDisable(GL_TEXTURE_2D);
    ioContext.End2D();
    ioContext.PopAttribs();
}

void WxDistance::OnDrawIcon(GxContext& ioContext)
{
    ioContext.PushAttribs();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, (mVisible ? 1.0 : 0.2) * mAlpha * mColor.mAlpha);
    if (mLineWidth <= 2.0)
        ioContext.AntiAlias();
    ioContext.LineWidth(float(mLineWidth));
    glBegin(GL_LINES);
    glVertex2d(5.0, 5.0);
    glVertex2d(26.0, 26.0);
    glEnd();
    ioContext.GetSymbolTexture();
    glEnable(GL_TEXTURE_2D);
    mMarker.Draw(ioContext, GxPoint(5.0, 5.0), 4.0);
    mMarker.Draw(ioContext, GxPoint(26.0, 26.0), 4.0);
    glDisable(GL_TEXTURE_2D);
    ioContext.PopAttribs();
}

void WxDistance::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssertText(inXml->Name() == "distance", "inXml->Name() == \"distance\"");
    SetVisibility(inXml->GetAttribute("visible").AsBool());
    SetStartLat(inXml->GetAttribute("startLat").AsDouble());
    SetEndLat(inXml->GetAttribute("endLat").AsDouble());
    SetStartLon(inXml->GetAttribute("startLon").AsDouble());
    SetEndLon(inXml->GetAttribute("endLon").AsDouble());
    SetDistanceUnit(DxUnit(inXml->GetAttribute("unit")));
    WxProduct::SetColor(GxColor(inXml->GetAttribute("color")));
    mLineWidth = inXml->GetAttribute("width").AsDouble();
    ProductChanged();
    SetAlpha(inXml->GetAttribute("alpha").AsDouble());
    SetSelected(inXml->GetAttribute("selected").AsBool());
}

void WxDistance::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("distance"));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("startLat", CxString(mStartLat, 5));
    ioBuilder.Attribute("endLat", CxString(mEndLat, 5));
    ioBuilder.Attribute("startLon", CxString(mStartLon, 5));
    ioBuilder.Attribute("endLon", CxString(mEndLon, 5));
    ioBuilder.Attribute("unit", mDisplayUnit.Id());
    ioBuilder.Attribute("color", mColor.AsString());
    ioBuilder.Attribute("width", CxString(mLineWidth, 1));
    ioBuilder.End(CxString("distance"));
}

void WxDistance::OnProjectionChanged()
{
    // The line is projected afresh at every draw.
    ProductChanged();
}

void WxDistance::OnSetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    ProductChanged();
}

GxColor WxDistance::OnGetColor() const
{
    return mColor;
}
