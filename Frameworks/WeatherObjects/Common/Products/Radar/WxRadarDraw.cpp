#include "WxRadar.h"

#include "DxImage.h"
#include "DxNidsManager.h"
#include "DxSet.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "GxTexture.h"
#include "WxDrape.h"
#include "WxMap.h"

#include <GL/gl.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string_view>

void WxRadar::DrawImage(GxContext& ioContext)
{
    // Hidden colours are transparent and the product's alpha fades the whole image.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4d(1.0, 1.0, 1.0, Alpha());
    if (mImageList.IsDisplayListValid())
        mImageList.DrawList();
    else if (DxImage* image = Image(); image != nullptr && mMap != nullptr && mMap->Projection() != nullptr)
    {
        mTexture = std::make_unique<GxTexture>(image->CountComponents());
        mTexture->SetWidth(image->Width());
        mTexture->SetHeight(image->Height());
        mTexture->CreateTiles(image->GetMesh());
        mTexture->SetTextureBuffer(image->GetTextureBuffer());
        mTexture->GenTextures(ioContext);
        mImageList.BeginDisplayList();
        const std::vector<GxPoint> points = WxDrapeTexture(*mTexture, *mMap->Projection());
        mImageList.EndDisplayList();
        WxBoundsOfPoints(points, mBounds);
    }
    glPopAttrib();
}

void WxRadar::DrawTiles(GxContext&)
{
    if (mTexture == nullptr || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    WxDrapeTexture(*mTexture, *mMap->Projection());
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void WxRadar::DrawRings(GxContext&)
{
    if (mRingList.IsDisplayListValid())
    {
        mRingList.DrawList();
        return;
    }
    DxNidsManager* manager = Set() != nullptr ? Set()->NidsManager() : nullptr;
    if (manager == nullptr || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    double lat = std::nan(""), lon = std::nan("");
    const CxString site = Site().Id();
    manager->LockRegion();
    if (const DxTable* table = manager->Sites())
    {
        const DxStringField* ids = table->FindStringField(CxString("stid"));
        const DxFloatField* lats = table->FindFloatField(CxString("lat"));
        const DxFloatField* lons = table->FindFloatField(CxString("lon"));
        if (ids != nullptr && lats != nullptr && lons != nullptr)
            for (std::size_t i = 0; i < ids->size() && i < lats->size() && i < lons->size(); ++i)
                if ((*ids)[i] == site)
                {
                    lat = (*lats)[i];
                    lon = (*lons)[i];
                    break;
                }
    }
    manager->UnlockRegion();
    if (!std::isfinite(lat) || !std::isfinite(lon))
        return;
    const GxPosition centre = GxPosition().FromDegrees(lon, lat);
    const GxOrthographicProjection local(centre);
    const GxProjection& map = *mMap->Projection();
    mRingList.BeginDisplayList();
    const double grey = mMap->Color().Brightness() <= 0.6 ? 1.0 : 0.0;
    glColor4d(grey, grey, grey, Alpha() / 2.0);
    glEnable(GL_LINE_SMOOTH);
    const GxPoint mark = map.Project(centre);
    glBegin(GL_LINES);
    glVertex2d(mark.mX - 1.0, mark.mY - 1.0);
    glVertex2d(mark.mX + 1.0, mark.mY + 1.0);
    glVertex2d(mark.mX - 1.0, mark.mY + 1.0);
    glVertex2d(mark.mX + 1.0, mark.mY - 1.0);
    glEnd();
    for (int ring = 1; ring <= 22; ++ring)
    {
        const double radius = 10.0 * ring;
        glBegin(GL_LINE_STRIP);
        for (int degree = 0; degree <= 360; ++degree)
        {
            const double theta = degree * std::numbers::pi / 180.0;
            const GxPoint p =
                map.Project(local.Unproject(GxPoint(-radius * std::cos(theta), -radius * std::sin(theta))));
            if (std::isfinite(p.mX) && std::isfinite(p.mY))
                glVertex2d(p.mX, p.mY);
        }
        glEnd();
    }
    glDisable(GL_LINE_SMOOTH);
    mRingList.EndDisplayList();
}

void WxRadar::DrawStormTexture(int inTexture, const GxPoint& inCentre, double inScale)
{
    glPushMatrix();
    glTranslated(inCentre.mX, inCentre.mY, 0.0);
    glScaled(inScale, inScale, inScale);
    if (inTexture > 0)
    {
        glBindTexture(GL_TEXTURE_2D, GLuint(inTexture));
        glBegin(GL_QUADS);
        for (const auto& [s, t, x, y] : {std::array{0, 1, -1, 1}, {1, 1, 1, 1}, {1, 0, 1, -1}, {0, 0, -1, -1}})
        {
            glTexCoord2d(s, t);
            glVertex2d(x, y);
        }
        glEnd();
    }
    glPopMatrix();
}

void WxRadar::DrawStormIcons(GxContext& ioContext)
{
    const DxImage* image = Image();
    const DxFloatField* lat = image != nullptr ? image->FindFloatField(CxString("stormLat")) : nullptr;
    const DxFloatField* lon = image != nullptr ? image->FindFloatField(CxString("stormLon")) : nullptr;
    if (lat == nullptr || lon == nullptr || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    // Other fields missing or short read "NONE" and NaN.
    const auto text = [&](const char* inField, std::size_t inCell)
    {
        const DxStringField* field = image->FindStringField(CxString(inField));
        return field != nullptr && inCell < field->size() ? (*field)[inCell] : CxString("NONE");
    };
    const DxFloatField* hail = image->FindFloatField(CxString("stormHailSize"));
    GxColor colour = mMap->TextColor();
    colour.mAlpha *= Alpha();
    glEnable(GL_TEXTURE_2D);
    for (std::size_t i = 0, n = std::min(lat->size(), lon->size()); i < n; ++i)
    {
        const GxPoint point = mMap->Projection()->Project(GxPosition((*lon)[i], (*lat)[i]));
        if (!std::isfinite(point.mX) || !std::isfinite(point.mY))
            continue;
        glColor4d(colour.mRed, colour.mGreen, colour.mBlue, colour.mAlpha);
        const double size = hail != nullptr && i < hail->size() ? (*hail)[i] : std::nan("");
        for (const char* icon : WxStormIcons(text("stormMeso", i), text("stormTVS", i), size))
        {
            if (std::string_view(icon) == "x")
            {
                glDisable(GL_TEXTURE_2D);
                GxSymbol("x").Draw(ioContext, point, 1.5);
                glEnable(GL_TEXTURE_2D);
            }
            else
                DrawStormTexture(int(ioContext.GetTexture(CxString(icon), false)), point, 3.0);
        }
    }
    glDisable(GL_TEXTURE_2D);
}

void WxRadar::OnDrawProduct(GxContext& ioContext)
{
    if (Image() == nullptr)
        return;
    DrawImage(ioContext);
    if (mDrawStorms)
        DrawStormIcons(ioContext);
}

void WxRadar::OnDrawIcon(GxContext& ioContext)
{
    const GxColorTable colors = GetColorTable();
    const double alpha = Alpha() * (IsVisible() ? 1.0 : 0.2);
    const std::size_t count = colors.size();
    if (count <= 16)
    {
        glLineWidth(2.0f);
        glBegin(GL_LINES);
        for (std::size_t i = 0; i < count; ++i)
        {
            const GxColor& c = colors[i];
            glColor4d(c.mRed, c.mGreen, c.mBlue, alpha * c.mAlpha);
            glVertex2d(0.0, 2.0 * double(i));
            glVertex2d(32.0, 2.0 * double(i));
        }
        glEnd();
        if (mDrawStorms && mMap != nullptr)
        {
            const GxColor text = mMap->TextColor();
            glColor4d(text.mRed, text.mGreen, text.mBlue, text.mAlpha * alpha);
            glEnable(GL_TEXTURE_2D);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            for (const char* icon : {"WxStormMesocyclone", "WxStormEnhancedRotation"})
                DrawStormTexture(int(ioContext.GetTexture(CxString(icon), false)), GxPoint(16, 16), 14.0);
            glDisable(GL_TEXTURE_2D);
        }
        return;
    }
    auto stripe = [&](const GxColor& inColor, double inBottom, double inHeight)
    {
        glColor4d(inColor.mRed, inColor.mGreen, inColor.mBlue, alpha * inColor.mAlpha);
        glRectd(0.0, inBottom, 32.0, inBottom + inHeight);
    };
    if (count < 32)
    {
        const double height = 32.0 / double(count);
        for (std::size_t i = 1; i < count; ++i)
            stripe(colors[i], height * double(i - 1), height);
        return;
    }
    const std::size_t step = count / 32;
    for (std::size_t k = 1; k <= 31; ++k)
        stripe(colors[k * step], double(k - 1), 1.0);
}
