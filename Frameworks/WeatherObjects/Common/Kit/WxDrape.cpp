#include "WxDrape.h"

#include "GxMesh.h"
#include "GxProjection.h"
#include "GxTexture.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

void WxProjectTriangles(const GxTileInfo& inTile, const GxProjection& inProjection, std::vector<GxPoint>& outPoints,
                        std::vector<GxPoint>* outTexture)
{
    const auto& positions = inTile.PositionCoords();
    const auto& texture = inTile.ImageCoords();
    std::size_t count = positions.size() - positions.size() % 3;
    if (outTexture)
        count = std::min(count, texture.size() - texture.size() % 3);
    for (std::size_t i = 0; i < count; i += 3)
    {
        GxPoint corners[3];
        bool finite = true;
        for (std::size_t k = 0; k < 3 && finite; ++k)
        {
            corners[k] = inProjection.Project(positions[i + k]);
            finite = std::isfinite(corners[k].mX) && std::isfinite(corners[k].mY);
        }
        if (!finite)
            continue;
        outPoints.insert(outPoints.end(), corners, corners + 3);
        if (outTexture)
            outTexture->insert(outTexture->end(), texture.begin() + std::ptrdiff_t(i),
                               texture.begin() + std::ptrdiff_t(i + 3));
    }
}

std::vector<GxPoint> WxDrapeTexture(const GxTexture& inTexture, const GxProjection& inProjection)
{
    std::vector<GxPoint> drawn;
    std::vector<GxPoint> points;
    std::vector<GxPoint> texture;
    glEnable(GL_TEXTURE_2D);
    for (auto tile = inTexture.BeginTextures(); tile != inTexture.EndTextures(); ++tile)
    {
        points.clear();
        texture.clear();
        WxProjectTriangles((*tile)->Info(), inProjection, points, &texture);
        if (points.empty())
            continue;
        (*tile)->Bind();
        glBegin(GL_TRIANGLES);
        for (std::size_t i = 0; i < points.size(); ++i)
        {
            glTexCoord2d(texture[i].mX, texture[i].mY);
            glVertex2d(points[i].mX, points[i].mY);
        }
        glEnd();
        drawn.insert(drawn.end(), points.begin(), points.end());
    }
    glDisable(GL_TEXTURE_2D);
    return drawn;
}

bool WxBoundsOfPoints(const std::vector<GxPoint>& inPoints, GxRect& ioBounds)
{
    if (inPoints.empty())
        return false;
    GxRect bounds(inPoints.front().mX, inPoints.front().mY, inPoints.front().mX, inPoints.front().mY);
    for (const GxPoint& p : inPoints)
    {
        bounds.mLeft = std::min(bounds.mLeft, p.mX);
        bounds.mRight = std::max(bounds.mRight, p.mX);
        bounds.mBottom = std::min(bounds.mBottom, p.mY);
        bounds.mTop = std::max(bounds.mTop, p.mY);
    }
    ioBounds = bounds;
    return true;
}
