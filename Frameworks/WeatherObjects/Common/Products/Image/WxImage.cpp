#include "WxImage.h"

#include "WxClientKit.h"
#include "WxDrawSupport.h"

#include "CxDebug.h"
#include "DxImage.h"
#include "DxImageManager.h"
#include "DxSet.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxProjection.h"
#include "GxString.h"
#include "GxTexture.h"
#include "WxDrape.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace
{

constexpr char kElement[] = "image";

} // namespace

WxImage::WxImage(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    mName = CxString("Image");
    WxStartClient(*this, inMap);
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxImage::~WxImage()
{
    Detach();
    mTexture.reset();
}

WxProduct* WxImage::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxImage(inMap, inXml);
}

void WxImage::SetClientInfo(const DxImageItem& inFirst, const DxImageItem& inSecond)
{
    if (inFirst.Id() == Category1().Id() && inSecond.Id() == Category2().Id() && IsSubscriptionValid())
        return;
    SetCategory1(inFirst);
    SetCategory2(inSecond);
    RefreshClient();
    ProductChanged();
}

GxColor WxImage::GetValueFromPosition(const GxPosition& inPosition) const
{
    const DxImage* image = Image();
    if (image == nullptr || image->Projection() == nullptr)
        return GxColor(0.0, 0.0, 0.0, 0.0);
    const GxPoint point = image->Projection()->Project(inPosition);
    if (!std::isfinite(point.mX) || !std::isfinite(point.mY))
        return GxColor(0.0, 0.0, 0.0, 0.0);
    return image->GetColorFromPoint(point);
}

void WxImage::OnDrawProduct(GxContext& ioContext)
{
    DxImage* image = Image();
    if (image == nullptr || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    mTexture.reset();
    ioContext.PushAttribs();
    // The texture exists before the list so that the list only binds it.
    mTexture = std::make_unique<GxTexture>(image->CountComponents());
    mTexture->SetWidth(image->Width());
    mTexture->SetHeight(image->Height());
    mTexture->CreateTiles(image->GetMesh());
    mTexture->SetTextureBuffer(image->GetTextureBuffer());
    mTexture->GenTextures(ioContext);
    BeginDisplayList();
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    WxGlColor(mColor, mColor.mAlpha * Alpha());
    const std::vector<GxPoint> points = WxDrapeTexture(*mTexture, *mMap->Projection());
    glPopAttrib();
    EndDisplayList();
    ioContext.PopAttribs();
    WxBoundsOfPoints(points, mBounds);
}

void WxImage::OnDrawIcon(GxContext&)
{
    const double alpha = Alpha() * (IsVisible() ? 1.0 : 0.2);
    if (!mLegendColors.empty())
    {
        const double height = 32.0 / double(mLegendColors.size());
        glBegin(GL_QUADS);
        for (std::size_t i = 0; i < mLegendColors.size(); ++i)
        {
            const GxColor& c = mLegendColors[i];
            WxGlColor(c, alpha * c.mAlpha);
            glVertex2d(0.0, double(i) * height);
            glVertex2d(32.0, double(i) * height);
            glVertex2d(32.0, double(i + 1) * height);
            glVertex2d(0.0, double(i + 1) * height);
        }
        glEnd();
        return;
    }
    // Without a legend: red, green and blue columns fading upwards.
    const double edges[] = {0.0, 10.666667, 21.333334, 32.0};
    for (int i = 0; i < 32; ++i)
    {
        const double level = 1.0 - double(i) / 32.0;
        const double rowAlpha = IsVisible() ? alpha - double(i) / 96.0 : alpha;
        glBegin(GL_QUADS);
        for (int part = 0; part < 3; ++part)
        {
            glColor4d(part == 0 ? level : 0.0, part == 1 ? level : 0.0, part == 2 ? level : 0.0, rowAlpha);
            glVertex2d(edges[part], double(i));
            glVertex2d(edges[part + 1], double(i));
            glVertex2d(edges[part + 1], double(i + 1));
            glVertex2d(edges[part], double(i + 1));
        }
        glEnd();
    }
}

void WxImage::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == kElement);
    const CxString color = inXml->GetAttribute("color");
    mColor = color.Length() == 0 ? GxColor(1.0, 1.0, 1.0, 1.0) : GxColor(color);
    ReadCommonAttributes(inXml, true);
    SetSet(DxSet::FindOrCreateSet(inXml->GetAttribute("dataset"), 4));
    DxImageItem first(inXml->GetAttribute("cat1"), CxString());
    DxImageItem second(inXml->GetAttribute("cat2"), CxString());
    // A set of another kind has no image manager: the ids stay, without names.
    if (DxImageManager* manager = Set() != nullptr ? Set()->ImageManager() : nullptr)
    {
        first = manager->GetItemForCategory(0, first);
        second = manager->GetItemForCategory(1, second);
    }
    SetCategory1(first);
    SetCategory2(second);
    SetClientInfo(first, second);
    RefreshClient();
    SetSelected(WxReadBool(inXml->GetAttribute("selected"), true));
}

void WxImage::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString(kElement));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : CxString());
    ioBuilder.Attribute("color", mColor.AsString());
    ioBuilder.Attribute("cat1", Category1().Id());
    ioBuilder.Attribute("cat2", Category2().Id());
    WriteDataFlags(ioBuilder);
    ioBuilder.End(CxString(kElement));
}

void WxImage::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardDates(*this, inStart, inEnd);
}

void WxImage::OnDateChanged(const CxDate& inDate)
{
    WxForwardDate(*this, inDate);
}

void WxImage::OnIntervalChanged(CxSint64 inSeconds)
{
    WxForwardInterval(*this, inSeconds);
}

void WxImage::OnProjectionChanged()
{
    InvalidateDisplayList();
}

void WxImage::OnSetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    ProductChanged();
}

GxColor WxImage::OnGetColor() const
{
    return mColor;
}

bool WxImage::OnIsReadyToDraw() const
{
    return !WaitingForData();
}

WxInspector* WxImage::OnCreateLegend()
{
    return new WxImageLegend(this);
}

void WxImage::OnTextureChanged()
{
    SetName(Category1().Name() + CxString(" ") + Category2().Name());
    SetStatus(CxString());
    mLegendColors.clear();
    if (const DxImage* image = Image())
    {
        WxShowFrameStatus(*this, *this);
        if (const DxStringField* keys = image->FindStringField(CxString("legendKey")))
            for (auto key = keys->rbegin(); key != keys->rend(); ++key)
                mLegendColors.push_back(GxColor(*key));
    }
    ProductDataChanged();
}

void WxImage::OnSetChanged()
{
    WxForwardSetChanged(mMap);
}

void WxImage::OnAuthenticationChanged()
{
    WxForwardAuthentication(*this, *this);
}
