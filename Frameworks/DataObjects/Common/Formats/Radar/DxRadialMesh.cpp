#include "DxRadialMesh.h"

#include <algorithm>
#include <cmath>

void DxBuildRadialMesh(DxIndexedImage& ioImage, const GxProjection& inProjection, const DxRadialSweep& inSweep,
                       bool inFan, CxUint32 inTextureSide)
{
    const std::size_t radials = std::min(inSweep.mStart.size(), inSweep.mEnd.size());
    if (!(inSweep.mGateKm > 0.0) || !std::isfinite(inSweep.mGateKm) || !std::isfinite(inSweep.mFirstGateKm) ||
        inSweep.mGates == 0 || radials == 0)
        return;
    GxMesh mesh;
    mesh.SetMaxTextureDim(CxSint32(inTextureSide));
    mesh.SetNumComponents(ioImage.CountComponents());
    mesh.SetWidth(ioImage.Width());
    mesh.SetHeight(ioImage.Height());
    mesh.Tile();
    const GxPoint center = ioImage.Origin();
    const GxPosition site = inProjection.Unproject(center);
    const CxSint32 height = ioImage.Height();
    const CxUint32 gates = inSweep.mGates;

    // Unprojecting is the cost: each corner is computed once per column boundary and radial edge, and an edge at
    // the previous radial's end is shared.
    std::vector<CxUint32> boundaries;
    for (auto tile = mesh.BeginTiles(); tile != mesh.EndTiles(); ++tile)
        for (CxSint32 gate : {tile->TexelBounds().left, tile->TexelBounds().right})
            boundaries.push_back(std::min<CxUint32>(CxUint32(std::max(gate, 0)), gates));
    std::sort(boundaries.begin(), boundaries.end());
    boundaries.erase(std::unique(boundaries.begin(), boundaries.end()), boundaries.end());
    const std::size_t count = boundaries.size();
    std::vector<GxPosition> corners(2 * radials * count);
    const auto degrees = [&](std::size_t inEdge)
    { return (inEdge % 2 == 0 ? inSweep.mStart : inSweep.mEnd)[inEdge / 2]; };
    for (std::size_t edge = 0; edge < 2 * radials; ++edge)
    {
        if (edge > 0 && degrees(edge) == degrees(edge - 1))
        {
            std::copy_n(corners.begin() + std::ptrdiff_t((edge - 1) * count), count,
                        corners.begin() + std::ptrdiff_t(edge * count));
            continue;
        }
        const double azimuth = degrees(edge) * M_PI / 180.0;
        const double sine = std::sin(azimuth), cosine = std::cos(azimuth);
        for (std::size_t b = 0; b < count; ++b)
        {
            const double range = boundaries[b] * inSweep.mGateKm + inSweep.mFirstGateKm;
            corners[edge * count + b] =
                inProjection.Unproject(GxPoint(center.mX + range * sine, center.mY + range * cosine));
        }
    }
    const auto boundaryIndex = [&](CxUint32 inGate)
    { return std::size_t(std::lower_bound(boundaries.begin(), boundaries.end(), inGate) - boundaries.begin()); };

    for (auto tile = mesh.ReverseBeginTiles(); tile != mesh.ReverseEndTiles(); ++tile)
    {
        const CxRect& texels = tile->TexelBounds();
        if (texels.left < 0 || CxUint32(texels.left) >= gates || texels.right <= texels.left ||
            texels.bottom <= texels.top)
            continue;
        const bool fan = inFan && texels.left == 0;
        const CxUint32 outerGate = std::min<CxUint32>(CxUint32(texels.right), gates);
        const std::size_t inner = boundaryIndex(CxUint32(texels.left));
        const std::size_t outer = boundaryIndex(outerGate);
        const GxRect& uv = tile->TextureBounds();
        const double uOuter = uv.mLeft + (uv.mRight - uv.mLeft) * double(outerGate - CxUint32(texels.left)) /
                                             double(texels.right - texels.left);
        const double rowsHigh = double(texels.bottom - texels.top);
        tile->PositionCoords().reserve((fan ? 3 : 6) * std::size_t(rowsHigh));
        tile->ImageCoords().reserve((fan ? 3 : 6) * std::size_t(rowsHigh));
        // Buffer rows run bottom first: buffer row y holds radial height - 1 - y.
        for (CxSint32 y = texels.top; y < texels.bottom; ++y)
        {
            const CxSint64 radial = height - 1 - y;
            if (radial < 0 || std::size_t(radial) >= radials)
                continue;
            const GxPosition* start = &corners[2 * std::size_t(radial) * count];
            const GxPosition* end = start + count;
            const double vStart = uv.mBottom + (uv.mTop - uv.mBottom) * (y + 1 - texels.top) / rowsHigh;
            const double vEnd = uv.mBottom + (uv.mTop - uv.mBottom) * (y - texels.top) / rowsHigh;
            if (fan)
            {
                const std::pair<const GxPosition*, GxPoint> vertices[] = {{&site, GxPoint(uv.mLeft, vStart)},
                                                                          {start + outer, GxPoint(uOuter, vStart)},
                                                                          {end + outer, GxPoint(uOuter, vEnd)}};
                for (const auto& [position, texture] : vertices)
                {
                    tile->AddPositionCoord(*position);
                    tile->AddImageCoord(texture);
                }
                continue;
            }
            const std::pair<const GxPosition*, GxPoint> vertices[] = {
                {start + inner, GxPoint(uv.mLeft, vStart)}, {start + outer, GxPoint(uOuter, vStart)},
                {end + outer, GxPoint(uOuter, vEnd)},       {end + inner, GxPoint(uv.mLeft, vEnd)},
                {start + inner, GxPoint(uv.mLeft, vStart)}, {end + outer, GxPoint(uOuter, vEnd)}};
            for (const auto& [position, texture] : vertices)
            {
                tile->AddPositionCoord(*position);
                tile->AddImageCoord(texture);
            }
        }
    }
    ioImage.SetMesh(mesh);
}
