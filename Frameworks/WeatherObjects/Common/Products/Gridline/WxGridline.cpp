#include "WxGridline.h"

#include "CxDebug.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "WxGridlinePopup.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <cmath>

namespace
{

// How many values run from inStart by repeated addition of inStep while they stay at or below inEnd; the
// building loops step the same way, so the counts agree with them.
std::uint64_t CountSteps(double inStart, double inEnd, double inStep)
{
    std::uint64_t count = 0;
    for (double v = inStart; v <= inEnd; v += inStep)
        ++count;
    return count;
}

} // namespace

WxGridline::WxGridline(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    mName = CxString("Latitude/Longitude");
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxGridline::~WxGridline() = default;

WxProduct* WxGridline::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxGridline(inMap, inXml);
}

void WxGridline::SetChecked(double& ioValue, double inValue, double inLow, double inHigh)
{
    // Written so that NaN fails the test.
    if (!(inValue >= inLow && inValue <= inHigh))
        return;
    ioValue = inValue;
    ProductChanged();
}

void WxGridline::SetStartLat(double inDegrees)
{
    SetChecked(mStartLat, inDegrees, -90.0, 90.0);
}

void WxGridline::SetEndLat(double inDegrees)
{
    SetChecked(mEndLat, inDegrees, -90.0, 90.0);
}

void WxGridline::SetStartLon(double inDegrees)
{
    SetChecked(mStartLon, inDegrees, -180.0, 180.0);
}

void WxGridline::SetEndLon(double inDegrees)
{
    SetChecked(mEndLon, inDegrees, -180.0, 180.0);
}

void WxGridline::SetLatInterval(double inDegrees)
{
    SetChecked(mLatInterval, inDegrees, 0.1, HUGE_VAL);
}

void WxGridline::SetLonInterval(double inDegrees)
{
    SetChecked(mLonInterval, inDegrees, 0.1, HUGE_VAL);
}

void WxGridline::SetLineWidth(double inWidth)
{
    mLineWidth = inWidth;
    ProductChanged();
}

void WxGridline::Build()
{
    double latStep = mLatInterval / 5.0;
    double lonStep = mLonInterval / 5.0;
    const std::uint64_t meridians = CountSteps(mStartLon, mEndLon, mLonInterval);
    const std::uint64_t parallels = CountSteps(mStartLat, mEndLat, mLatInterval);
    auto samples = [&]
    {
        return meridians * CountSteps(mStartLat, mEndLat + 0.001, latStep) +
               parallels * CountSteps(mStartLon, mEndLon + 0.001, lonStep);
    };
    // A fine grid over the globe would fill memory: the lines keep their places, their samples thin out.
    if (samples() > kMaxSamples)
    {
        while (samples() > kMaxSamples)
        {
            latStep *= 2.0;
            lonStep *= 2.0;
        }
        _CxDebugOut(__FILE__, __LINE__, "WxGridline::Build", "samples along the lines thinned to fit 4000000");
    }

    const GxDegreeProjection degrees;
    DxShape shape(degrees);
    shape.BeginData();
    shape.AcceptVertex(false);
    GxPosition position;
    for (double lon = mStartLon; lon <= mEndLon; lon += mLonInterval)
    {
        for (double lat = mStartLat; lat <= mEndLat + 0.001; lat += latStep)
            shape.AcceptPosition(position.FromDegrees(lon, lat));
        shape.AcceptVertex(false);
    }
    for (double lat = mStartLat; lat <= mEndLat; lat += mLatInterval)
    {
        for (double lon = mStartLon; lon <= mEndLon + 0.001; lon += lonStep)
            shape.AcceptPosition(position.FromDegrees(lon, lat));
        shape.AcceptVertex(false);
    }
    shape.EndData();
    mLines.reset();
    mLines = mMap != nullptr ? shape.Copy(*mMap->Projection()) : std::make_unique<DxShape>(shape);
    mBounds = GxRect();
    bool first = true;
    for (const auto& line : mLines->Polygons())
    {
        mBounds = first ? line->Bounds() : mBounds.Union(line->Bounds());
        first = false;
    }
}

void WxGridline::OnDrawProduct(GxContext& ioContext)
{
    Build();
    if (mLines == nullptr || mLines->CountPolygons() == 0)
        return;
    BeginDisplayList();
    ioContext.PushAttribs();
    if (mLineWidth <= 2.0)
        ioContext.AntiAlias();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * mAlpha);
    ioContext.LineWidth(float(mLineWidth));
    for (const auto& line : mLines->Polygons())
    {
        // Pairs (p0, p0), (p0, p1), (p1, p2) ...: the first pair is a point-long line.
        glBegin(GL_LINES);
        const GxPoint* previous = nullptr;
        for (const GxPoint& point : line->Points())
        {
            const GxPoint& from = previous != nullptr ? *previous : point;
            glVertex3d(from.mX, from.mY, 0.0);
            glVertex3d(point.mX, point.mY, 0.0);
            previous = &point;
        }
        glEnd();
    }
    ioContext.PopAttribs();
    EndDisplayList();
}

void WxGridline::OnDrawIcon(GxContext& ioContext)
{
    constexpr double s = 0.3826834;
    constexpr double c = 0.9063078; // as the icon has always been drawn, not cos 22.5 degrees
    constexpr double h = 0.7071068;
    static const double kOutline[17][2] = {{0, 1},  {s, c},  {h, h},  {c, s},   {1, 0},   {c, -s},
                                           {h, -h}, {s, -c}, {0, -1}, {-s, -c}, {-h, -h}, {-c, -s},
                                           {-1, 0}, {-c, s}, {-h, h}, {-s, c},  {0, 1}};
    ioContext.PushAttribs();
    glPushMatrix();
    ioContext.AntiAlias();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * (mVisible ? 1.0 : 0.2));
    glTranslated(16.0, 16.0, 0.0);
    glScaled(15.0, 15.0, 1.0);
    glBegin(GL_LINE_STRIP);
    for (const auto& p : kOutline)
        glVertex2d(p[0], p[1]);
    glEnd();
    glBegin(GL_LINES);
    const double lines[4][4] = {{0, 1, 0, -1}, {-1, 0, 1, 0}, {-h, h, h, h}, {-h, -h, h, -h}};
    for (const auto& l : lines)
    {
        glVertex2d(l[0], l[1]);
        glVertex2d(l[2], l[3]);
    }
    glEnd();
    for (double side : {0.5, -0.5})
    {
        glBegin(GL_LINE_STRIP);
        for (int i = 0; i <= 8; ++i)
            glVertex2d(kOutline[i][0] * side, kOutline[i][1]);
        glEnd();
    }
    glPopMatrix();
    ioContext.PopAttribs();
}

void WxGridline::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == "gridlines");
    SetVisibility(WxReadBool(inXml->GetAttribute("visible"), true));
    WxProduct::SetColor(GxColor(inXml->GetAttribute("color")));
    // Read unchecked: a missing width reads 0 and draws at the thinnest line.
    mLineWidth = WxReadDouble(inXml->GetAttribute("width"));
    ProductChanged();
    SetStartLat(WxReadDouble(inXml->GetAttribute("startLat")));
    SetEndLat(WxReadDouble(inXml->GetAttribute("endLat")));
    SetStartLon(WxReadDouble(inXml->GetAttribute("startLon")));
    SetEndLon(WxReadDouble(inXml->GetAttribute("endLon")));
    SetLonInterval(WxReadDouble(inXml->GetAttribute("lonInterval")));
    SetLatInterval(WxReadDouble(inXml->GetAttribute("latInterval")));
    SetAlpha(WxReadDouble(inXml->GetAttribute("alpha")));
    SetSelected(WxReadBool(inXml->GetAttribute("selected"), true));
}

void WxGridline::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("gridlines"));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("color", mColor.AsString());
    ioBuilder.Attribute("width", CxString(mLineWidth, 1));
    const struct
    {
        const char* mName;
        double mValue;
    } degrees[] = {{"startLat", mStartLat}, {"endLat", mEndLat},           {"startLon", mStartLon},
                   {"endLon", mEndLon},     {"lonInterval", mLonInterval}, {"latInterval", mLatInterval}};
    for (const auto& d : degrees)
        ioBuilder.Attribute(d.mName, CxString(d.mValue, 3));
    ioBuilder.End(CxString("gridlines"));
}

void WxGridline::OnProjectionChanged()
{
    ProductChanged();
}

void WxGridline::OnSetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    ProductChanged();
}

GxColor WxGridline::OnGetColor() const
{
    return mColor;
}

WxPopup* WxGridline::OnCreatePopup()
{
    return new WxGridlinePopup(this);
}
