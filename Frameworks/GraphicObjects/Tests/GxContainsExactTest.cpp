// GxPolygon::Contains against the containment rule evaluated in exact rational arithmetic (tools/
// make_polygon_reference.py): the Natural Earth country outlines on a 0.09 degree lattice, and star polygons
// probed within 1e-7 of their vertices' x.
#include "GxPolygon.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::vector<std::vector<std::string>> ReadTable(const char* inName)
{
    std::ifstream in(std::string(GX_DATA5_DIR) + "/" + inName);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
        {
            rows.emplace_back();
            std::stringstream fields(line);
            for (std::string field; std::getline(fields, field, ',');)
                rows.back().push_back(field);
        }
    return rows;
}

double Number(const std::string& inText)
{
    return std::strtod(inText.c_str(), nullptr);
}

// The parts of every polygon record of a shapefile, in file order.
std::vector<GxPolygon> ReadRings(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto Int = [&](std::size_t inAt)
    {
        std::int32_t v;
        std::memcpy(&v, &data[inAt], 4);
        return v;
    };
    std::vector<GxPolygon> rings;
    for (std::size_t at = 100; at + 8 <= data.size();)
    {
        const std::size_t length = std::size_t(__builtin_bswap32(std::uint32_t(Int(at + 4)))) * 2;
        const std::size_t body = at + 8;
        at = body + length;
        if (Int(body) != 5)
            continue;
        const std::int32_t parts = Int(body + 36), points = Int(body + 40);
        const std::size_t xy = body + 44 + 4 * std::size_t(parts);
        for (std::int32_t p = 0; p < parts; ++p)
        {
            rings.emplace_back();
            for (std::int32_t k = Int(body + 44 + 4 * p); k < (p + 1 < parts ? Int(body + 48 + 4 * p) : points); ++k)
            {
                double v[2];
                std::memcpy(v, &data[xy + 16 * std::size_t(k)], 16);
                rings.back().Add(GxPoint(v[0], v[1]));
            }
        }
    }
    return rings;
}

std::uint64_t SplitMix64(std::uint64_t inX)
{
    inX += 0x9E3779B97F4A7C15ull;
    inX = (inX ^ (inX >> 30)) * 0xBF58476D1CE4E5B9ull;
    inX = (inX ^ (inX >> 27)) * 0x94D049BB133111EBull;
    return inX ^ (inX >> 31);
}
} // namespace

TEST(GxContainsExact, NaturalEarthLattice)
{
    SKY_NEED_TESTDATA_FILE(path, "shapefile/naturalearth_lowres.shp");
    const std::vector<GxPolygon> rings = ReadRings(path);
    const auto table = ReadTable("polygon_grid.csv");
    std::vector<double> lons, lats;
    for (int i = 0; i <= 4000; ++i)
        lons.push_back(-180.0 + 0.09 * i);
    for (int j = 0; j <= 2000; ++j)
        lats.push_back(-90.0 + 0.09 * j);

    std::size_t ring = 0, checked = 0, differing = 0;
    for (const auto& row : table)
        if (row[0] == "ring")
        {
            ASSERT_LT(ring, rings.size());
            const GxPolygon& polygon = rings[ring++];
            const GxRect b = polygon.Bounds();
            std::uint64_t count = 0, inside = 0, digest = 0;
            for (std::uint64_t j = 0; j < lats.size(); ++j)
                for (std::uint64_t i = 0; lats[j] >= b.mBottom && lats[j] <= b.mTop && i < lons.size(); ++i)
                    if (lons[i] >= b.mLeft && lons[i] <= b.mRight && ++count &&
                        polygon.Contains(GxPoint(lons[i], lats[j])))
                        ++inside, digest += SplitMix64(i << 32 | j);
            checked += count;
            EXPECT_EQ(count, std::stoull(row[3])) << "ring " << ring - 1;
            differing += inside != std::stoull(row[4]) || digest != std::stoull(row[5]);
        }
        else
        {
            const GxPoint p(lons[std::stoul(row[2])], lats[std::stoul(row[3])]);
            EXPECT_EQ(rings[std::stoul(row[1])].Contains(p), row[4] == "1")
                << "ring " << row[1] << " at " << p.mX << ", " << p.mY << (row[5] == "1" ? " (on the outline)" : "");
        }
    EXPECT_EQ(ring, rings.size());
    EXPECT_EQ(differing, 0u) << "rings whose inside lattice points differ, of " << checked << " points checked";
}

TEST(GxContainsExact, StarsNearTheirVertices)
{
    GxPolygon star;
    for (const auto& row : ReadTable("stars.csv"))
        if (row[0] == "star")
        {
            star.Clear();
            for (std::size_t k = 1; k + 1 < row.size(); k += 2)
                star.Add(GxPoint(Number(row[k]), Number(row[k + 1])));
        }
        else
            EXPECT_EQ(star.Contains(GxPoint(Number(row[1]), Number(row[2]))), row[3] == "1")
                << row[1] << ", " << row[2];
    // A vertex almost straight above the point once let a point 40 units away count as inside.
    GxPolygon triangle;
    for (const GxPoint& p : {GxPoint(100, 40), GxPoint(-100, 30), GxPoint(40, -50), GxPoint(100, 40)})
        triangle.Add(p);
    EXPECT_FALSE(triangle.Contains(GxPoint(99.9999, -20)));
}
