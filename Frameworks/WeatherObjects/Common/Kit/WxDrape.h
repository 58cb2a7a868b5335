// Draping a georeferenced texture over the map: each tile's triangles with their corners, geographic positions,
// projected into the map. Radar and satellite frames share it.
#pragma once

#include "GxCoordinates.h"

#include <vector>

class GxProjection;
class GxTexture;
class GxTileInfo;

// The tile's triangles, three corners each in mesh order, projected through inProjection, with the matching
// texture coordinates when outTexture is given. A triangle with a corner that projects to no finite point is
// left out whole, so a far-side corner of an orthographic map never stretches a triangle across the window.
// A trailing incomplete triangle, or texture coordinates fewer than positions, end the list.
void WxProjectTriangles(const GxTileInfo& inTile, const GxProjection& inProjection, std::vector<GxPoint>& outPoints,
                        std::vector<GxPoint>* outTexture);

// Draws every tile of the made texture as textured triangles (texturing on for the call, off after), modulated
// by the current colour. Returns the projected corners drawn, for the caller's bounds. Needs the GL context.
std::vector<GxPoint> WxDrapeTexture(const GxTexture& inTexture, const GxProjection& inProjection);

// The smallest rectangle holding the points; false, and ioBounds unchanged, without points.
bool WxBoundsOfPoints(const std::vector<GxPoint>& inPoints, GxRect& ioBounds);
