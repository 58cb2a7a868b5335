#include "DxRadialMesh.h"

#include "GxMath.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace
{
// Near the radar a corner's longitude and latitude differ little from the site's: each difference is the
// arctangent of a small ratio, which a short series gives several times faster than the library's atan2 and asin.
// Up to t^19 the first term left out stays below 1e-18 for |t| <= 1/8. For a double or, lane by lane, a GxDouble2.
template <typename V> inline V SmallAtan(V inT)
{
    constexpr double c1 = -1.0 / 3.0, c2 = 1.0 / 5.0, c3 = -1.0 / 7.0, c4 = 1.0 / 9.0, c5 = -1.0 / 11.0;
    constexpr double c6 = 1.0 / 13.0, c7 = -1.0 / 15.0, c8 = 1.0 / 17.0, c9 = -1.0 / 19.0;
    // Terms paired up (Estrin's scheme), so that the multiplications overlap instead of waiting on each other.
    const V u = inT * inT, u2 = u * u, u4 = u2 * u2;
    const V p01 = 1.0 + c1 * u, p23 = c2 + c3 * u, p45 = c4 + c5 * u, p67 = c6 + c7 * u, p89 = c8 + c9 * u;
    return inT * ((p01 + u2 * p23) + u4 * ((p45 + u2 * p67) + u4 * p89));
}

// atan(k / 4) for k = 0 to 4.
constexpr double kQuarterAngles[] = {0.0, 0.24497866312686414, 0.4636476090008061, 0.6435011087932844,
                                     0.7853981633974483};

// Lane by lane the angle of (x, y), x positive and |y| at most 9/8 of x (within 48 degrees of the x axis), from
// the quarter c nearest the ratio t = y / x: atan t = atan c + atan r with r = (t - c) / (1 + t c)
// = (|y| - c x) / (x + c |y|), |r| <= 1/8. Other lanes give rubbish, for the caller to leave.
GxDouble2 ModerateAngles(GxDouble2 inY, GxDouble2 inX)
{
    const GxDouble2 size = inY < 0.0 ? -inY : inY;
    const GxInt2 quarters =
        -((size > 0.125 * inX) + (size > 0.375 * inX) + (size > 0.625 * inX) + (size > 0.875 * inX));
    const GxDouble2 c = __builtin_convertvector(quarters, GxDouble2) * 0.25;
    const GxDouble2 angles = GxDouble2{kQuarterAngles[quarters[0] & 7 & -(quarters[0] <= 4)],
                                       kQuarterAngles[quarters[1] & 7 & -(quarters[1] <= 4)]} +
                             SmallAtan((size - c * inX) / (inX + c * size));
    return inY < 0.0 ? -angles : angles;
}

// The site and its latitude's sine and cosine.
struct PolarFrame
{
    GxPosition mSite;
    double mSinLat0;
    double mCosLat0;
};

// The lanes the series does not reach, from the library's atan2 and asin.
[[gnu::noinline]] void LibraryCorners(const GxPosition& inSite, GxInt2 inReached, GxDouble2 inX, GxDouble2 inY,
                                      GxDouble2 inZ, GxPosition& ioFirst, GxPosition& ioSecond)
{
    GxPosition* out[] = {&ioFirst, &ioSecond};
    for (int lane = 0; lane < 2; ++lane)
        if (!inReached[lane])
            *out[lane] = GxPosition(inSite.mLongitude + std::atan2(inY[lane], inX[lane]),
                                    std::asin(std::clamp(inZ[lane], -1.0, 1.0)));
}

// The corners of two edges (azimuth sines and cosines, one a lane) at one range (sine and cosine of its angle at
// the earth's centre) on a map centred at the radar. Each corner is a unit vector, x towards the site's meridian
// at the equator, z to the pole. Its angles from the site come from the series, directly within 1/8 and from the
// nearest quarter within 9/8; a lane past that, or not a number, takes the library's atan2 and asin instead.
void PolarCorners(const PolarFrame& inFrame, double inSinRange, double inCosRange, GxDouble2 inSine, GxDouble2 inCosine,
                  GxPosition& outFirst, GxPosition& outSecond)
{
    const double sinLat0 = inFrame.mSinLat0, cosLat0 = inFrame.mCosLat0;
    const GxDouble2 x = inCosRange * cosLat0 - inCosine * sinLat0 * inSinRange;
    const GxDouble2 y = inSine * inSinRange;
    const GxDouble2 z = sinLat0 * inCosRange + inCosine * inSinRange * cosLat0;
    const GxDouble2 squares = x * x + y * y;
#ifdef __SSE2__
    const GxDouble2 across = GxDouble2(_mm_sqrt_pd(__m128d(squares)));
#else
    const GxDouble2 across = {std::sqrt(squares[0]), std::sqrt(squares[1])};
#endif
    const GxDouble2 northX = across * cosLat0 + z * sinLat0;
    const GxDouble2 northY = z * cosLat0 - across * sinLat0;
    GxDouble2 east = y / x;
    GxDouble2 north = northY / northX;
    // |ratio| <= 1/8 as its square, which needs no absolute value; a NaN fails every comparison.
    const GxInt2 near = (x > 0.0) & (northX > 0.0) & (east * east <= 0.015625) & (north * north <= 0.015625);
    GxInt2 reached = near;
    if (near[0] && near[1])
    {
        east = SmallAtan(east);
        north = SmallAtan(north);
    }
    else
    {
        reached = (x > 0.0) & (northX > 0.0) & (east * east <= 1.265625) & (north * north <= 1.265625);
        east = ModerateAngles(y, x);
        north = ModerateAngles(northY, northX);
    }
    const GxDouble2 longitudes = inFrame.mSite.mLongitude + east;
    const GxDouble2 latitudes = inFrame.mSite.mLatitude + north;
    outFirst = GxPosition(longitudes[0], latitudes[0]);
    outSecond = GxPosition(longitudes[1], latitudes[1]);
    if (!reached[0] || !reached[1])
        LibraryCorners(inFrame.mSite, reached, x, y, z, outFirst, outSecond);
}

// The sine and cosine of every tenth of a degree below 360, computed as for any other angle: Level III angles
// come in tenths, and a sweep's edges would otherwise each pay for one.
struct TenthsTable
{
    double mSine[3600];
    double mCosine[3600];
};

const TenthsTable& Tenths()
{
    static const std::unique_ptr<const TenthsTable> sTable = []
    {
        auto table = std::make_unique<TenthsTable>();
        for (CxSint32 tenths = 0; tenths < 3600; ++tenths)
        {
            const double azimuth = tenths * 0.1 * M_PI / 180.0;
            table->mSine[tenths] = std::sin(azimuth);
            table->mCosine[tenths] = std::cos(azimuth);
        }
        return std::unique_ptr<const TenthsTable>(std::move(table));
    }();
    return *sTable;
}

// The sine and cosine of an azimuth in degrees, from the table when it is a whole number of tenths.
void SineAndCosine(double inDegrees, double& outSine, double& outCosine)
{
    const double scaled = inDegrees * 10.0 + 0.5;
    if (scaled >= 0.0 && scaled < 3600.0)
    {
        const CxSint32 tenths = CxSint32(scaled);
        if (tenths * 0.1 == inDegrees)
        {
            outSine = Tenths().mSine[tenths];
            outCosine = Tenths().mCosine[tenths];
            return;
        }
    }
    const double azimuth = inDegrees * M_PI / 180.0;
    outSine = std::sin(azimuth);
    outCosine = std::cos(azimuth);
}
} // namespace

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
    const auto degrees = [&](std::size_t inEdge)
    { return (inEdge % 2 == 0 ? inSweep.mStart : inSweep.mEnd)[inEdge / 2]; };
    // An edge at the previous one's angle (a radial's end at the next one's start) shares its corners: each edge
    // names its row of corners.
    std::vector<std::size_t> edgeRows(2 * radials);
    std::size_t rows = 0;
    for (std::size_t edge = 0; edge < 2 * radials; ++edge)
        edgeRows[edge] = edge > 0 && degrees(edge) == degrees(edge - 1) ? edgeRows[edge - 1] : rows++;
    std::vector<GxPosition> corners(rows * count);
    std::vector<double> ranges(count);
    for (std::size_t b = 0; b < count; ++b)
        ranges[b] = boundaries[b] * inSweep.mGateKm + inSweep.mFirstGateKm;
    // On an orthographic map centred at the radar a ray keeps its direction: each boundary's distance terms are
    // worked out once and a corner costs only its latitude and longitude.
    const auto* orthographic = dynamic_cast<const GxOrthographicProjection*>(&inProjection);
    // The radar projects to the map's origin up to rounding (a micrometre here is far below any pixel).
    const bool polar = orthographic != nullptr && std::fabs(center.mX) < 1e-9 && std::fabs(center.mY) < 1e-9;
    const double sinLat0 = std::sin(site.mLatitude), cosLat0 = std::cos(site.mLatitude);
    std::vector<double> sines(count), cosines(count);
    for (std::size_t b = 0; polar && b < count; ++b)
    {
        sines[b] = ranges[b] / GxProjection::kStdRadius;
        cosines[b] = std::sqrt(1.0 - sines[b] * sines[b]);
    }
    // The azimuth terms of each row of corners.
    std::vector<double> rowSines(rows), rowCosines(rows);
    for (std::size_t edge = 0; edge < 2 * radials; ++edge)
        if (edge == 0 || edgeRows[edge] != edgeRows[edge - 1])
            SineAndCosine(degrees(edge), rowSines[edgeRows[edge]], rowCosines[edgeRows[edge]]);
    const PolarFrame frame{site, sinLat0, cosLat0};
    for (std::size_t b = 0; b < count; ++b)
    {
        const double range = ranges[b];
        if (polar && range == 0.0)
        {
            for (std::size_t row = 0; row < rows; ++row)
                corners[row * count + b] = site; // what the general path gives: the centre unprojected
            continue;
        }
        if (!polar || !(std::fabs(sines[b]) <= 1.0))
        {
            for (std::size_t row = 0; row < rows; ++row)
                corners[row * count + b] = inProjection.Unproject(
                    GxPoint(center.mX + range * rowSines[row], center.mY + range * rowCosines[row]));
            continue;
        }
        // Two rows at a time; an odd last row is paired with itself.
        for (std::size_t row = 0; row < rows; row += 2)
        {
            const std::size_t next = std::min(row + 1, rows - 1);
            PolarCorners(frame, sines[b], cosines[b], GxDouble2{rowSines[row], rowSines[next]},
                         GxDouble2{rowCosines[row], rowCosines[next]}, corners[row * count + b],
                         corners[next * count + b]);
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
        // Appended to reserved room: the vertex count is known before the rows are walked.
        const std::size_t perRow = fan ? 3 : 6;
        auto& positions = tile->PositionCoords();
        auto& textures = tile->ImageCoords();
        positions.reserve(perRow * std::size_t(rowsHigh));
        textures.reserve(perRow * std::size_t(rowsHigh));
        // Buffer rows run bottom first: buffer row y holds radial height - 1 - y. A row's end is the next row's
        // start down the texture.
        // Over a power-of-two height the reciprocal is exact, and multiplying by it gives the quotient's bits.
        const CxSint32 high = texels.bottom - texels.top;
        const double reciprocal = (high & (high - 1)) == 0 ? 1.0 / rowsHigh : 0.0;
        const auto down = [&](CxSint32 inRow)
        {
            const double span = (uv.mTop - uv.mBottom) * inRow;
            return uv.mBottom + (reciprocal != 0.0 ? span * reciprocal : span / rowsHigh);
        };
        double vEnd = down(0);
        for (CxSint32 y = texels.top; y < texels.bottom; ++y)
        {
            const double vStart = down(y + 1 - texels.top);
            const double vLast = std::exchange(vEnd, vStart);
            const CxSint64 radial = height - 1 - y;
            if (radial < 0 || std::size_t(radial) >= radials)
                continue;
            const GxPosition* start = &corners[edgeRows[2 * std::size_t(radial)] * count];
            const GxPosition* end = &corners[edgeRows[2 * std::size_t(radial) + 1] * count];
            // A row's vertices are appended together: one room check each instead of one a vertex.
            if (fan)
            {
                const GxPosition corners3[] = {site, start[outer], end[outer]};
                const GxPoint texels3[] = {{uv.mLeft, vStart}, {uOuter, vStart}, {uOuter, vLast}};
                positions.insert(positions.end(), std::begin(corners3), std::end(corners3));
                textures.insert(textures.end(), std::begin(texels3), std::end(texels3));
                continue;
            }
            const GxPosition corners6[] = {start[inner], start[outer], end[outer],
                                           end[inner],   start[inner], end[outer]};
            const GxPoint texels6[] = {{uv.mLeft, vStart}, {uOuter, vStart},   {uOuter, vLast},
                                       {uv.mLeft, vLast},  {uv.mLeft, vStart}, {uOuter, vLast}};
            positions.insert(positions.end(), std::begin(corners6), std::end(corners6));
            textures.insert(textures.end(), std::begin(texels6), std::end(texels6));
        }
    }
    ioImage.SetMesh(std::move(mesh));
}
