// Our projections against reference tables made by PROJ (tools/make_projection_tables.py, output in
// data/projections). The tables are read as they are checked in; PROJ is not needed here.
#include "GxProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{
const std::string kTableDir = GX_PROJECTION_TABLE_DIR;

double Radians(double inDegrees)
{
    return inDegrees * kGxPi / 180.0;
}

std::vector<std::string> Split(const std::string& inLine, char inSeparator)
{
    std::vector<std::string> fields;
    std::stringstream stream(inLine);
    std::string field;
    while (std::getline(stream, field, inSeparator))
        fields.push_back(field);
    return fields;
}

struct TableCase
{
    std::string mId;
    std::vector<double> mParams; // degrees, in the order of the XML properties
};

std::map<std::string, TableCase> ReadCases()
{
    std::map<std::string, TableCase> cases;
    std::ifstream file(kTableDir + "/cases.csv");
    std::string line;
    std::getline(file, line); // header
    while (std::getline(file, line))
    {
        const std::vector<std::string> fields = Split(line, ',');
        if (fields.size() != 4)
            continue;
        TableCase entry{fields[1], {}};
        for (const std::string& p : Split(fields[2], ' '))
            entry.mParams.push_back(std::stod(p));
        cases[fields[0]] = entry;
    }
    return cases;
}

struct TableRow
{
    bool mForward;
    double mIn1, mIn2, mOut1, mOut2;
};

std::vector<TableRow> ReadRows(const std::string& inCase)
{
    std::vector<TableRow> rows;
    std::ifstream file(kTableDir + "/" + inCase + ".csv");
    std::string line;
    std::getline(file, line); // header
    while (std::getline(file, line))
    {
        const std::vector<std::string> f = Split(line, ',');
        if (f.size() == 5)
            rows.push_back({f[0] == "fwd", std::stod(f[1]), std::stod(f[2]), std::stod(f[3]), std::stod(f[4])});
    }
    return rows;
}

std::unique_ptr<GxProjection> MakeProjection(const TableCase& inCase)
{
    const std::string& id = inCase.mId;
    const std::vector<double>& p = inCase.mParams;
    auto at = [&](size_t i) { return Radians(p.at(i)); };
    if (id == "flatEarth")
        return std::make_unique<GxFlatProjection>(GxPosition(0.0, at(0)));
    if (id == "mercator")
        return std::make_unique<GxMercatorProjection>(GxPosition(at(0), at(1)));
    if (id == "polarStereo")
        return std::make_unique<GxPolarStereoProjection>(GxPosition(at(0), at(1)));
    if (id == "orthographic")
        return std::make_unique<GxOrthographicProjection>(GxPosition(at(0), at(1)));
    if (id == "lambertAzimuthalEqualArea")
        return std::make_unique<GxLambertAzimuthalEqualAreaProjection>(GxPosition(at(0), at(1)));
    if (id == "lambertConformal")
        return std::make_unique<GxLambertConformalProjection>(at(0), at(1), at(2));
    if (id == "albersConicSphere")
        return std::make_unique<GxAlbersConicSphereProjection>(GxPosition(at(0), at(1)), at(2), at(3));
    if (id == "albersConicEllipse")
        return std::make_unique<GxAlbersConicEllipseProjection>(GxPosition(at(0), at(1)), at(2), at(3));
    if (id == "albersEqualArea")
        return std::make_unique<GxAlbersEqualAreaProjection>(GxPosition(at(0), at(1)), at(2), at(3));
    if (id == "utm")
        return std::make_unique<GxUtmProjection>(GxPosition(at(0), at(1)));
    return nullptr;
}

struct Tolerance
{
    double mKm;
    double mDegrees;
};

Tolerance ToleranceFor(const std::string& inId)
{
    if (inId == "utm")
        return {2e-5, 2e-6}; // Snyder's series against PROJ's exact algorithm
    if (inId == "albersConicEllipse")
        return {1e-9, 2e-6}; // the inverse stops once a step is below 1e-4 rad
    return {1e-9, 1e-10};
}

double LongitudeDifference(double inA, double inB)
{
    return std::remainder(inA - inB, 360.0);
}

const char* const kCaseNames[] = {
    "flatEarth_default",
    "flatEarth_40",
    "mercator_default",
    "polarStereo_default",
    "orthographic_default",
    "lambertAzimuthalEqualArea_default",
    "lambertAzimuthalEqualArea_northPole",
    "lambertConformal_default",
    "lambertConformal_tangent",
    "lambertConformal_southern",
    "albersConicSphere_default",
    "albersConicEllipse_default",
    "albersEqualArea_default",
    "utm_default",
    "utm_originLat30",
};

class GxProjectionTable : public testing::TestWithParam<const char*>
{
};

TEST_P(GxProjectionTable, MatchesProj)
{
    const std::map<std::string, TableCase> cases = ReadCases();
    const auto found = cases.find(GetParam());
    ASSERT_NE(found, cases.end()) << "no case " << GetParam() << " in " << kTableDir << "/cases.csv";
    const std::unique_ptr<GxProjection> projection = MakeProjection(found->second);
    ASSERT_NE(projection, nullptr) << found->second.mId;
    const Tolerance tolerance = ToleranceFor(found->second.mId);

    const std::vector<TableRow> rows = ReadRows(GetParam());
    int forward = 0;
    int inverse = 0;
    for (const TableRow& row : rows)
    {
        if (row.mForward)
        {
            ++forward;
            const GxPoint point = projection->Project(GxPosition(Radians(row.mIn1), Radians(row.mIn2)));
            EXPECT_NEAR(point.mX, row.mOut1, tolerance.mKm) << "lon " << row.mIn1 << " lat " << row.mIn2;
            EXPECT_NEAR(point.mY, row.mOut2, tolerance.mKm) << "lon " << row.mIn1 << " lat " << row.mIn2;
        }
        else
        {
            ++inverse;
            const GxPosition position = projection->Unproject(GxPoint(row.mIn1, row.mIn2));
            const double lon = position.mLongitude * 180.0 / kGxPi;
            const double lat = position.mLatitude * 180.0 / kGxPi;
            EXPECT_NEAR(LongitudeDifference(lon, row.mOut1), 0.0, tolerance.mDegrees)
                << "x " << row.mIn1 << " y " << row.mIn2;
            EXPECT_NEAR(lat, row.mOut2, tolerance.mDegrees) << "x " << row.mIn1 << " y " << row.mIn2;
        }
    }
    // PROJ rejects few points inside the bounds; a table that lost most of them is broken.
    EXPECT_GE(forward, 90);
    EXPECT_GE(inverse, 90);
}

INSTANTIATE_TEST_SUITE_P(Cases, GxProjectionTable, testing::ValuesIn(kCaseNames),
                         [](const testing::TestParamInfo<const char*>& inInfo) { return std::string(inInfo.param); });

TEST(GxProjectionTables, CoverEveryCase)
{
    const std::map<std::string, TableCase> cases = ReadCases();
    EXPECT_EQ(cases.size(), std::size(kCaseNames));
}

// The "_default" tables are made for the parameters the default constructors give.
TEST(GxProjectionTables, DefaultsAreTheDefaultConstructors)
{
    const std::map<std::string, TableCase> cases = ReadCases();
    const std::pair<const char*, std::unique_ptr<GxProjection>> defaults[] = {
        {"flatEarth_default", std::make_unique<GxFlatProjection>()},
        {"mercator_default", std::make_unique<GxMercatorProjection>()},
        {"polarStereo_default", std::make_unique<GxPolarStereoProjection>()},
        {"orthographic_default", std::make_unique<GxOrthographicProjection>()},
        {"lambertAzimuthalEqualArea_default", std::make_unique<GxLambertAzimuthalEqualAreaProjection>()},
        {"lambertConformal_default", std::make_unique<GxLambertConformalProjection>()},
        {"albersConicSphere_default", std::make_unique<GxAlbersConicSphereProjection>()},
        {"albersConicEllipse_default", std::make_unique<GxAlbersConicEllipseProjection>()},
        {"albersEqualArea_default", std::make_unique<GxAlbersEqualAreaProjection>()},
        {"utm_default", std::make_unique<GxUtmProjection>()},
    };
    for (const auto& [name, projection] : defaults)
        EXPECT_TRUE(projection->IsEqualTo(*MakeProjection(cases.at(name)))) << name;
}

// The Albers inverses must hold beyond 90 / n degrees from the centre meridian, where the point lies past the
// apex of the cone and a plain arctangent of x / (rho0 - y) folds it back.
TEST(GxProjectionTables, AlbersInversePastTheApex)
{
    const std::map<std::string, TableCase> cases = ReadCases();
    for (const char* name : {"albersConicSphere_default", "albersConicEllipse_default", "albersEqualArea_default"})
    {
        SCOPED_TRACE(name);
        const TableCase& entry = cases.at(name);
        const std::unique_ptr<GxProjection> projection = MakeProjection(entry);
        const double lat1 = Radians(entry.mParams[2]);
        const double lat2 = Radians(entry.mParams[3]);
        const double n = (std::sin(lat1) + std::sin(lat2)) / 2.0; // near enough to pick the points
        const double tolerance = ToleranceFor(entry.mId).mDegrees;
        int pastApex = 0;
        for (const TableRow& row : ReadRows(name))
        {
            if (row.mForward || std::abs(LongitudeDifference(row.mOut1, entry.mParams[0])) <= 90.0 / n + 1.0)
                continue;
            ++pastApex;
            const GxPosition position = projection->Unproject(GxPoint(row.mIn1, row.mIn2));
            EXPECT_NEAR(LongitudeDifference(position.mLongitude * 180.0 / kGxPi, row.mOut1), 0.0, tolerance);
            EXPECT_NEAR(position.mLatitude * 180.0 / kGxPi, row.mOut2, tolerance);
        }
        EXPECT_GE(pastApex, 5);
    }
}
} // namespace
