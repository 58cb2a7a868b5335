// The main job as a user runs it: the bundled documents drawn from the bundled data, looked at where a user would
// look, placed with PROJ's own tools and the tool's framing; then the runs that fail, and how they say so.
#include "VaneRender.h"

#include "CxData.h"
#include "DxAnalysis.h"
#include "DxConfigParsers.h"
#include "DxImage.h"
#include "DxNidsLevelThree.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "GxColorGradient.h"
#include "GxPNGReader.h"
#include "GxProjection.h"
#include "LoopbackServer.h"
#include "WeatherTestKit.h"
#include "WxDrawSupport.h"
#include "WxMap.h"
#include "WxParser.h"
#include "WxProductTable.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace
{

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";
const std::string kRadarLcc = "+proj=lcc +lat_1=33.172 +lat_2=33.172 +lat_0=90 +lon_0=-86.77 +R=6367470";
const std::array<double, 2> kKbmx = {33.172, -86.770};
// The gradient's colours against the analysis: the test interpolates the grid in its own flat projection, the
// drawing interpolates the same cells' corners in the map's; where the field is steep the two part by a few of the
// 254 colour steps (0.126 hPa each here).
constexpr double kGradientSteps = 3.0;

struct RunResult
{
    int mStatus = -1;
    std::string mOut;
    std::string mErr;
};

std::string Slurp(const fs::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The tool with these arguments (shell words) and environment assignments, from the folder.
RunResult Render(const std::string& inArguments, const fs::path& inFolder, const std::string& inEnvironment = "")
{
    const fs::path out = inFolder / "stdout.txt", err = inFolder / "stderr.txt";
    const std::string command = "cd '" + inFolder.string() + "' && " + inEnvironment + " '" VANERENDER "' " +
                                inArguments + " > '" + out.string() + "' 2> '" + err.string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
}

struct Picture
{
    CxUint32 mWidth = 0, mHeight = 0;
    std::unique_ptr<CxUint8[]> mRgba; // bottom row first

    std::array<int, 3> At(int inX, int inY) const
    {
        const CxUint8* p = mRgba.get() + (std::size_t(inY) * mWidth + std::size_t(inX)) * 4;
        return {p[0], p[1], p[2]};
    }
    // Whether a pixel within inRadius (a square) passes the test.
    template <class Test> bool Near(const GxPoint& inAt, int inRadius, Test inTest) const
    {
        const int x0 = int(std::lround(inAt.mX)), y0 = int(std::lround(inAt.mY));
        for (int y = y0 - inRadius; y <= y0 + inRadius; ++y)
            for (int x = x0 - inRadius; x <= x0 + inRadius; ++x)
                if (x >= 0 && y >= 0 && x < int(mWidth) && y < int(mHeight) && inTest(At(x, y)))
                    return true;
        return false;
    }
};

Picture ReadPicture(const fs::path& inPath)
{
    const std::string bytes = Slurp(inPath);
    CxData data(bytes.data(), CxUint32(bytes.size()));
    GxPNGReader reader;
    Picture picture;
    picture.mRgba = reader.ReadImage(data);
    picture.mWidth = reader.Width();
    picture.mHeight = reader.Height();
    return picture;
}

// PROJ's geod on the sphere of the projections: the points at the ranges (km) and azimuths (degrees) from KBMX, as
// longitudes and latitudes.
std::pair<std::vector<double>, std::vector<double>> FromKbmx(const std::vector<double>& inRanges,
                                                             const std::vector<double>& inAzimuths)
{
    const std::string input = testing::TempDir() + "vane_geod_" + std::to_string(getpid()) + ".txt";
    std::ofstream out(input);
    out.precision(12);
    for (std::size_t i = 0; i < inRanges.size(); ++i)
        out << kKbmx[0] << " " << kKbmx[1] << " " << inAzimuths[i] << " " << inRanges[i] * 1000.0 << "\n";
    out.close();
    std::vector<double> lons, lats;
    FILE* pipe = popen(("geod +R=6367470 -f %.9f < " + input).c_str(), "r");
    for (double lat, lon, back; pipe != nullptr && std::fscanf(pipe, "%lf %lf %lf", &lat, &lon, &back) == 3;)
    {
        lats.push_back(lat);
        lons.push_back(lon);
    }
    if (pipe != nullptr)
        pclose(pipe);
    std::remove(input.c_str());
    EXPECT_EQ(lats.size(), inRanges.size()) << "geod (proj-bin) missing";
    return {lons, lats};
}

// The bundled stations (positions from the site list, values from the Kdf file) and their analysis as the station
// manager makes it: in its flat projection, one pass above 4,000 cells, bounded by the values.
struct Stations
{
    std::vector<double> mLat, mLon, mValue;
    std::unique_ptr<DxAnalysis> mAnalysis;
    GxFlatProjection mFlat{GxPosition().FromDegrees(-100.0, 35.48)};

    Stations()
    {
        std::istringstream kdf(Slurp(kDemo / "europe-qff" / "data" / "202007271200.kdf"));
        std::istringstream sites(Slurp(kDemo / "europe-qff" / "info" / "siteinfo.xml"));
        std::string line;
        for (int skip = 0; skip < 3 && std::getline(kdf, line); ++skip)
        {
        }
        for (char id[16]; std::getline(kdf, line);)
        {
            int number = 0, time = 0;
            double value = 0.0;
            if (std::sscanf(line.c_str(), "%15s %d %d %lf", id, &number, &time, &value) == 4)
                mValue.push_back(value);
        }
        std::vector<double> xs, ys;
        for (char id[16]; std::getline(sites, line);)
        {
            double lat = 0.0, lon = 0.0;
            if (std::sscanf(line.c_str(), " <record>\"%15[^\"]\", %lf, %lf", id, &lat, &lon) == 3)
            {
                mLat.push_back(lat);
                mLon.push_back(lon);
                const GxPoint point = mFlat.Project(GxPosition().FromDegrees(lon, lat));
                xs.push_back(point.mX);
                ys.push_back(point.mY);
            }
        }
        mAnalysis = std::make_unique<DxAnalysis>(xs, ys, 4);
        mAnalysis->SetNumPass(mAnalysis->Width() * mAnalysis->Height() > 4000 ? 1 : 4);
        mAnalysis->mLowerBound = *std::min_element(mValue.begin(), mValue.end());
        mAnalysis->mUpperBound = *std::max_element(mValue.begin(), mValue.end());
        mAnalysis->mUseLowerBound = mAnalysis->mUseUpperBound = true;
        mAnalysis->Analyze(mValue);
    }
    // The analysis at a place, bilinear between its grid points; NaN outside the grid.
    double At(double inLon, double inLat) const
    {
        const GxPoint p = mFlat.Project(GxPosition().FromDegrees(inLon, inLat));
        const double fi = (p.mX - mAnalysis->OriginX()) / mAnalysis->Dx();
        const double fj = (p.mY - mAnalysis->OriginY()) / mAnalysis->Dy();
        const int i = int(std::floor(fi)), j = int(std::floor(fj)), w = mAnalysis->Width();
        if (i < 0 || j < 0 || i + 1 >= w || j + 1 >= mAnalysis->Height())
            return NAN;
        const auto g = [&](int inI, int inJ) { return mAnalysis->Grid()[inI + inJ * w]; };
        const double u = fi - i, v = fj - j;
        return (1 - u) * (1 - v) * g(i, j) + u * (1 - v) * g(i + 1, j) + (1 - u) * v * g(i, j + 1) +
               u * v * g(i + 1, j + 1);
    }
};

// The bundled run, once for every test here.
class VaneBundledRun : public wxkit::KitTest
{
protected:
    static void SetUpTestSuite()
    {
        sRun = Render("--out pictures", sFolder.Path());
        for (const char* name : {"europe-pressure", "alabama-radar"})
        {
            const fs::path path = fs::path(sFolder.Path()) / "pictures" / (std::string(name) + ".png");
            sPictures[name] = fs::exists(path) ? ReadPicture(path) : Picture();
        }
    }
    static void TearDownTestSuite() { sPictures.clear(); }

    // The document's map as the tool frames it, built offline.
    VaneView Framing(const std::string& inDocument)
    {
        WxRegisterProducts();
        const std::string text = Slurp(kDemo / inDocument);
        WxParser parser;
        EXPECT_TRUE(parser.Parse(text.data(), text.size(), true));
        const std::unique_ptr<WxMap> map(parser.Map());
        EXPECT_NE(map, nullptr);
        return map ? VaneFrameMap(*map, parser.Root(), 1024, 768) : VaneView();
    }

    static const Picture& Pic(const char* inName) { return sPictures[inName]; }

    static sky::test::TempHome sFolder;
    static RunResult sRun;
    static std::map<std::string, Picture> sPictures;
};

sky::test::TempHome VaneBundledRun::sFolder;
RunResult VaneBundledRun::sRun;
std::map<std::string, Picture> VaneBundledRun::sPictures;

TEST_F(VaneBundledRun, DrawsBothMapsAndSaysWhatItDid)
{
    EXPECT_EQ(sRun.mStatus, 0) << sRun.mOut << sRun.mErr;
    for (const char* step :
         {"document read: ", "europe-qff: registry and configuration ", "natural-earth: download ",
          "kbmx-nexrad3: search ", "kbmx-nexrad3: decoded, frame for \"KBMX - N0Q\"", " drawn", " exported", " total"})
        EXPECT_NE(sRun.mOut.find(step), std::string::npos) << step << "\n" << sRun.mOut;
    for (const char* name : {"europe-pressure", "alabama-radar"})
    {
        const std::string path = (fs::path(sFolder.Path()) / "pictures" / (std::string(name) + ".png")).string();
        EXPECT_NE(sRun.mOut.find("Picture: " + path + "\n  lambertConformal map, "), std::string::npos) << name;
        EXPECT_EQ(std::pair(Pic(name).mWidth, Pic(name).mHeight), std::pair(1024u, 768u)) << name;
    }
    EXPECT_EQ(sRun.mOut.find("no data"), std::string::npos);
}

// Where the coast (88.418 W 30.385 N to 87.530 W 30.274 N) crosses Mobile's meridian the outline is drawn; at Mobile
// itself, 39 km inland, it is not.
TEST_F(VaneBundledRun, CoastlineWhereProjSaysItIs)
{
    const Picture& picture = Pic("alabama-radar");
    ASSERT_TRUE(picture.mRgba);
    const VaneView view = Framing("alabama-radar.vanedoc");
    const auto points = wxkit::KitProj(kRadarLcc, {-88.04, -88.043}, {30.338, 30.694});
    ASSERT_EQ(points.size(), 2u);
    const auto outline = [](const std::array<int, 3>& inRgb)
    { return inRgb[0] > 150 && inRgb[1] > 150 && inRgb[2] > 150; };
    EXPECT_TRUE(picture.Near(VaneToWindow(view, points[0]), 2, outline));
    EXPECT_FALSE(picture.Near(VaneToWindow(view, points[1]), 2, outline));
}

// Three bins of N0Q inside patches of one colour level show that colour where geod and cs2cs put them.
TEST_F(VaneBundledRun, ReflectivityBinsWhereProjSaysTheyAre)
{
    const Picture& picture = Pic("alabama-radar");
    ASSERT_TRUE(picture.mRgba);
    std::string info = Slurp(kDemo / "kbmx-nexrad3" / "info" / "prodinfo.xml");
    CxData infoData(info.data(), CxUint32(info.size()));
    std::vector<DxNidsProduct> products;
    std::vector<DxNidsMosaicInfo> mosaics;
    std::vector<DxNidsRadialInfo> radials;
    DxNidsListParser(infoData, products, mosaics, radials);
    ASSERT_EQ(radials.size(), 1u);
    const GxColorTable& colors = radials[0].ColorTable();
    const std::string bytes = Slurp(kDemo / "kbmx-nexrad3" / "data" / "BMX" / "N0Q" / "201501020205.nids");
    NidsLevelThreeParser parser;
    const std::unique_ptr<DxIndexedImage> image(
        parser.Parse(reinterpret_cast<const CxUint8*>(bytes.data()), bytes.size(), mosaics, radials));
    ASSERT_NE(image, nullptr);
    const DxFloatField* angles = image->FindFloatField(CxString("radialAngle"));
    ASSERT_NE(angles, nullptr);
    const int rows = image->Height(), width = image->Width();
    const auto level = [&](int inRow, int inBin) { return image->Pixels()[((inRow + rows) % rows) * width + inBin]; };
    // Bins 90 to 200 km out, whose neighbours two radials and three bins either way share their colour (at 1.43 km
    // a pixel that covers 2 px), away from the 2-degree gridlines.
    std::vector<double> ranges, azimuths;
    std::vector<CxUint8> levels;
    for (int row = 0; row < rows && ranges.size() < 400; row += 3)
        for (int bin = 90; bin < 200 && bin < width; bin += 7)
        {
            const CxUint8 here = level(row, bin);
            if (colors[here].mAlpha < 1.0)
                continue;
            bool uniform = true;
            for (int r = -2; r <= 2 && uniform; ++r)
                for (int b = -3; b <= 3 && uniform; ++b)
                    uniform = colors[level(row + r, bin + b)] == colors[here];
            if (!uniform)
                continue;
            ranges.push_back(bin + 0.5);
            azimuths.push_back((*angles)[row] + 0.5);
            levels.push_back(here);
        }
    ASSERT_GE(ranges.size(), 3u);
    const auto [lons, lats] = FromKbmx(ranges, azimuths);
    ASSERT_EQ(lons.size(), ranges.size());
    const auto points = wxkit::KitProj(kRadarLcc, lons, lats);
    ASSERT_EQ(points.size(), ranges.size());
    const VaneView view = Framing("alabama-radar.vanedoc");
    const double km = VaneKmPerPixel(view);
    int checked = 0;
    for (std::size_t i = 0; i < ranges.size() && checked < 3; ++i)
    {
        const auto offGrid = [km](double inDegrees, double inKmPerDegree)
        { return std::fabs(std::remainder(inDegrees, 2.0)) * inKmPerDegree / km > 4.0; };
        if (!offGrid(lats[i], 111.1) || !offGrid(lons[i], 111.1 * std::cos(lats[i] * M_PI / 180.0)))
            continue;
        const GxPoint at = VaneToWindow(view, points[i]);
        const GxColor want = colors[levels[i]];
        SCOPED_TRACE("range " + std::to_string(ranges[i]) + " km, azimuth " + std::to_string(azimuths[i]));
        EXPECT_TRUE(picture.Near(at, 0,
                                 [&](const std::array<int, 3>& inRgb)
                                 {
                                     return std::abs(inRgb[0] - want.mRed * 255) < 4 &&
                                            std::abs(inRgb[1] - want.mGreen * 255) < 4 &&
                                            std::abs(inRgb[2] - want.mBlue * 255) < 4;
                                 }));
        ++checked;
    }
    EXPECT_EQ(checked, 3);
}

// The gradient's colour maps back through its table to the analysis there (computed here from the same stations),
// wherever nothing else is drawn over it (a pixel whose 5 x 5 neighbourhood is even).
TEST_F(VaneBundledRun, GradientShowsTheAnalysis)
{
    const Picture& picture = Pic("europe-pressure");
    ASSERT_TRUE(picture.mRgba);
    const Stations stations;
    ASSERT_EQ(stations.mValue.size(), 872u);
    ASSERT_TRUE(stations.mAnalysis->HasGrid());
    const VaneView view = Framing("europe-pressure.vanedoc");
    // The document's gradient: 992 to 1024 hPa over 254 colours, at 0.7 over the map's colour.
    const GxColorTable table = GxColorGradient(kGxGradientColors256).GenerateColors();
    const GxColor paper("#E9EEF2FF");
    const double low = 992.0, high = 1024.0, scale = 254.0 / (high - low), alpha = 0.7;
    std::vector<double> lons, lats;
    for (double lat = 36.0; lat <= 70.0; lat += 0.7)
        for (double lon = -20.0; lon <= 45.0; lon += 0.9)
        {
            lons.push_back(lon);
            lats.push_back(lat);
        }
    const auto points = wxkit::KitProj("+proj=lcc +lat_1=35 +lat_2=65 +lat_0=90 +lon_0=10 +R=6367470", lons, lats);
    ASSERT_EQ(points.size(), lons.size());
    int checked = 0, oneStep = 0;
    std::vector<std::string> wrong;
    for (std::size_t n = 0; n < points.size(); ++n)
    {
        const GxPoint at = VaneToWindow(view, points[n]);
        const int x = int(std::lround(at.mX)), y = int(std::lround(at.mY));
        const double value = stations.At(lons[n], lats[n]);
        if (x < 190 || y < 5 || x > 1018 || y > 762 || !std::isfinite(value) || value < low || value > high)
            continue;
        const auto centre = picture.At(x, y);
        bool even = true;
        for (int dy = -2; dy <= 2 && even; ++dy)
            for (int dx = -2; dx <= 2 && even; ++dx)
            {
                const auto other = picture.At(x + dx, y + dy);
                for (int c = 0; c < 3; ++c)
                    even = even && std::abs(other[c] - centre[c]) <= 8;
            }
        if (!even)
            continue;
        std::size_t best = 1;
        double bestDistance = 1e9;
        for (std::size_t k = 1; k < 255; ++k)
        {
            const GxColor c = table[k];
            const double d = std::pow(alpha * c.mRed * 255 + (1 - alpha) * paper.mRed * 255 - centre[0], 2) +
                             std::pow(alpha * c.mGreen * 255 + (1 - alpha) * paper.mGreen * 255 - centre[1], 2) +
                             std::pow(alpha * c.mBlue * 255 + (1 - alpha) * paper.mBlue * 255 - centre[2], 2);
            if (d < bestDistance)
            {
                bestDistance = d;
                best = k;
            }
        }
        const double expected = std::floor((value - low) * scale + 1.0);
        ++checked;
        oneStep += std::fabs(double(best) - expected) <= 1.0;
        if (std::fabs(double(best) - expected) > kGradientSteps)
            wrong.push_back(std::to_string(lons[n]) + "," + std::to_string(lats[n]) + ": colour " +
                            std::to_string(best) + ", analysis " + std::to_string(expected));
    }
    EXPECT_GE(checked, 100);
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " of " << checked << ", first " << wrong.front();
    // Almost everywhere within one step.
    EXPECT_GE(oneStep, checked * 95 / 100);
}

// Between two neighbouring stations whose analysed values bracket an isobar, the segment joining them crosses the
// isobar's colour; a label laid on the line may break it at the crossing.
TEST_F(VaneBundledRun, IsobarsCrossBetweenBracketingStations)
{
    const Picture& picture = Pic("europe-pressure");
    ASSERT_TRUE(picture.mRgba);
    const Stations stations;
    const VaneView view = Framing("europe-pressure.vanedoc");
    const auto points =
        wxkit::KitProj("+proj=lcc +lat_1=35 +lat_2=65 +lat_0=90 +lon_0=10 +R=6367470", stations.mLon, stations.mLat);
    ASSERT_EQ(points.size(), stations.mLat.size());
    std::vector<GxPoint> pixels;
    std::vector<double> values;
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        pixels.push_back(VaneToWindow(view, points[i]));
        values.push_back(stations.At(stations.mLon[i], stations.mLat[i]));
    }
    const GxColor isobar("#1A3D8FFF");
    const auto isIsobar = [&](const std::array<int, 3>& inRgb)
    {
        return std::abs(inRgb[0] - isobar.mRed * 255) < 40 && std::abs(inRgb[1] - isobar.mGreen * 255) < 40 &&
               std::abs(inRgb[2] - isobar.mBlue * 255) < 40;
    };
    const auto inside = [&](const GxPoint& inP) { return inP.mX > 190 && inP.mY > 3 && inP.mX < 1020 && inP.mY < 764; };
    int pairs = 0, crossed = 0;
    for (std::size_t a = 0; a < pixels.size(); ++a)
        for (std::size_t b = a + 1; b < pixels.size(); ++b)
        {
            const double length = std::hypot(pixels[b].mX - pixels[a].mX, pixels[b].mY - pixels[a].mY);
            if (length < 12 || length > 40 || !inside(pixels[a]) || !inside(pixels[b]))
                continue;
            const double low = std::min(values[a], values[b]), high = std::max(values[a], values[b]);
            // One level strictly between, not within 0.3 hPa of either end.
            const double level = std::ceil((low + 0.3) / 4.0) * 4.0;
            if (!(level <= high - 0.3) || level + 4.0 <= high - 0.3)
                continue;
            ++pairs;
            bool found = false;
            for (double t = 0.0; t <= 1.0 && !found; t += 0.5 / length)
                found = picture.Near(GxPoint(pixels[a].mX + t * (pixels[b].mX - pixels[a].mX),
                                             pixels[a].mY + t * (pixels[b].mY - pixels[a].mY)),
                                     1, isIsobar);
            crossed += found;
        }
    EXPECT_GE(pairs, 30);
    EXPECT_GE(crossed, pairs * 9 / 10);
}

// The legend: below the date band, a row of 40 px per layer with ink in its 32-px icon square, then the fill.
TEST_F(VaneBundledRun, LegendRowPerLayer)
{
    const Picture& picture = Pic("alabama-radar");
    ASSERT_TRUE(picture.mRgba);
    const GxColor background("#1E2328FF");
    const auto ink = [&](int inRow)
    {
        int count = 0;
        const double top = picture.mHeight - kWxBandHeight - kWxRowHeight * inRow;
        for (int y = int(top) - 36; y < int(top) - 4; ++y)
            for (int x = 5; x < 37; ++x)
            {
                const auto rgb = picture.At(x, y);
                count += std::abs(rgb[0] - background.mRed * 255) + std::abs(rgb[1] - background.mGreen * 255) +
                             std::abs(rgb[2] - background.mBlue * 255) >
                         60;
            }
        return count;
    };
    for (int row = 0; row < 4; ++row)
        EXPECT_GT(ink(row), 200) << "row " << row;
    // The fill's gradient over the empty background; a gridline may cross it.
    EXPECT_LT(ink(4), 64);
}

// Failed runs: the picture still comes where data failed, with the reason; unreadable documents say where.
class VaneFailedRun : public ::testing::Test
{
protected:
    void Write(const std::string& inName, const std::string& inText)
    {
        std::ofstream(fs::path(mFolder.Path()) / inName) << inText;
    }
    static std::string Document(const std::string& inLayers)
    {
        return "<?vanedoc version=\"1.4d1\"?><vanedoc><map date=\"2015-01-02 02:05:00 UTC\" fieldOfView=\"159.4\" "
               "mapLon=\"-86.77\" mapLat=\"33.172\"><projection id=\"lambertConformal\"><property id=\"stdLon\" "
               "type=\"float\" value=\"-86.77\"/><property id=\"stdLat1\" type=\"float\" value=\"33.172\"/><property "
               "id=\"stdLat2\" type=\"float\" value=\"33.172\"/></projection>" +
               inLayers + "</map></vanedoc>\n";
    }
    bool PictureMade(const std::string& inName) const
    {
        const fs::path path = fs::path(mFolder.Path()) / "out" / inName;
        return fs::exists(path) && ReadPicture(path).mWidth == 320;
    }

    sky::test::TempHome mFolder;
};

TEST_F(VaneFailedRun, MissingDataStillDrawsAndSaysWhy)
{
    const std::string outlines = "<shape dataset=\"natural-earth\" region=\"world\" feature=\"naturalearth_lowres\" "
                                 "visible=\"true\" alpha=\"1\"/>";
    Write("unknown.vanedoc", Document(outlines + "<radar dataset=\"unknown-set\" site=\"KBMX\" product=\"N0Q\" "
                                                 "visible=\"true\" alpha=\"1\"/>"));
    Write("down.vanedoc", Document(outlines));
    const std::string serve = " --serve '" + kDemo.string() + "'";
    const sky::test::ClosedPort closed;
    const struct
    {
        std::string mArguments, mEnvironment, mPicture, mSaid;
    } cases[] = {
        {"unknown.vanedoc --size 320x240 --out out" + serve, "", "unknown.png",
         "unknown-set: no data for \"Radar\": http://127.0.0.1:"},
        {"unknown.vanedoc --size 320x240 --out out" + serve, "", "unknown.png",
         "/nimbrel/registry.php?id=unknown-set -- 404 Not Found"},
        {"down.vanedoc --size 320x240 --out out --timeout 5",
         "SKYVANE_SERVER_REGISTRY=" + closed.Url("").substr(0, closed.Url("").size() - (closed.Url("").back() == '/')),
         "down.png", "-- Failed to connect to 127.0.0.1 port " + std::to_string(closed.Port())},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mArguments);
        fs::remove_all(fs::path(mFolder.Path()) / "out");
        const RunResult run = Render(c.mArguments, mFolder.Path(), c.mEnvironment);
        EXPECT_EQ(run.mStatus, kVaneNoData) << run.mOut << run.mErr;
        EXPECT_NE(run.mOut.find(c.mSaid), std::string::npos) << run.mOut;
        EXPECT_TRUE(PictureMade(c.mPicture));
    }
}

TEST_F(VaneFailedRun, RefusesWhatItCannotRead)
{
    Write("broken.vanedoc", "<?vanedoc version=\"1.4d1\"?>\n<vanedoc>\n<map>\n<radar>\n</map>\n</vanedoc>\n");
    Write("graph.vanedoc", "<?vanedoc version=\"1.4d1\"?><vanedoc><graph/></vanedoc>\n");
    Write("plain.txt", "not a document");
    const struct
    {
        std::string mArguments;
        int mStatus;
        const char* mSaid;
    } cases[] = {
        {"broken.vanedoc --out out", kVaneUsage, "broken.vanedoc:5: mismatched tag"},
        {"graph.vanedoc --out out", kVaneUsage, "graph.vanedoc holds no map (a graph document)"},
        {"plain.txt --out out", kVaneUsage, "plain.txt:1: "},
        {"absent.vanedoc --out out", kVaneUsage, "absent.vanedoc: cannot be read"},
        {"--size 0x10", kVaneUsage, "--size wants"},
        {"--timeout soon", kVaneUsage, "--timeout wants"},
        {"--colour red", kVaneUsage, "unknown option --colour"},
        {"--serve", kVaneUsage, "--serve wants a folder"},
        {"broken.vanedoc --out plain.txt", kVaneFailed, "plain.txt: not a writable folder"},
        {"graph.vanedoc --serve nowhere --out out", kVaneFailed, "cannot serve nowhere"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mArguments);
        const RunResult run = Render(c.mArguments, mFolder.Path());
        EXPECT_EQ(run.mStatus, c.mStatus) << run.mOut << run.mErr;
        EXPECT_NE(run.mErr.find(c.mSaid), std::string::npos) << run.mErr;
    }
    EXPECT_FALSE(fs::exists(fs::path(mFolder.Path()) / "out" / "broken.png"));
    const RunResult help = Render("--help", mFolder.Path());
    EXPECT_EQ(help.mStatus, 0);
    EXPECT_EQ(help.mOut, VaneUsage());
}

// The framing of the map instance: the focus on the map's centre, a perspective from the field of view or fitted
// to the MapView bounds, and the legend's side.
TEST(VaneFraming, AsTheMapInstanceFramesIt)
{
    sky::test::TempHome home;
    setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 1);
    DxUnit::Load();
    WxRegisterProducts();
    const std::string map = "<map date=\"2015-01-02 02:05:00 UTC\" fieldOfView=\"%F\" scale=\"%S\" mapLon=\"10\" "
                            "mapLat=\"50\" legendVisible=\"%V\" legendAlign=\"%A\"><projection id=\"latlon\"/></map>";
    const auto document = [&](const char* inFov, const char* inScale, const char* inVisible, const char* inAlign,
                              const std::string& inMapView)
    {
        std::string text = map;
        for (const auto& [key, value] : {std::pair{"%F", inFov}, {"%S", inScale}, {"%V", inVisible}, {"%A", inAlign}})
            text.replace(text.find(key), 2, value);
        return "<?vanedoc version=\"1.4d1\"?>" + inMapView + "<vanedoc>" + text + "</vanedoc>";
    };
    const struct
    {
        std::string mText;
        double mPerspective, mShiftPixels;
        bool mRight;
    } cases[] = {
        {document("90", "1", "true", "left", ""), 90.0, 0.0, false},
        {document("179.9", "1", "false", "right", ""), 179.5, 0.0, true},
        {document("0.01", "1", "true", "left", ""), 0.1, 0.0, false},
        // 849 x 600 px at 2 px/km: 424.5 km over the 849 px left free, 300 km tall: width rules, 768 x 0.5.
        {document("90", "2", "true", "left", "<?MapView bounds=\"0,0,849,600\"?>"),
         2.0 * std::atan2(768.0 * 0.5 / 2.0, 90.0) * 180.0 / M_PI, -87.5, false},
        {document("90", "2", "true", "right", "<?MapView bounds=\"0,0,849,600\"?>"),
         2.0 * std::atan2(768.0 * 0.5 / 2.0, 90.0) * 180.0 / M_PI, 87.5, true},
        // Hidden legend: the whole width; height rules (600 km over 768 px beats 212 km over 1024 px).
        {document("90", "1", "false", "left", "<?MapView bounds=\"0,0,212,600\"?>"),
         2.0 * std::atan2(600.0 / 2.0, 90.0) * 180.0 / M_PI, 0.0, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mText);
        WxParser parser;
        ASSERT_TRUE(parser.Parse(c.mText.data(), c.mText.size(), true)) << parser.ErrorMessage().AsUtf8();
        const std::unique_ptr<WxMap> built(parser.Map());
        ASSERT_NE(built, nullptr);
        const VaneView view = VaneFrameMap(*built, parser.Root(), 1024, 768);
        EXPECT_NEAR(view.mPerspective, c.mPerspective, 1e-9);
        EXPECT_EQ(view.mLegendRight, c.mRight);
        const GxPoint centre = built->Projection()->Project(built->GetMapCenter());
        // The map's centre lands where the legend's half-width puts it.
        const GxPoint at = VaneToWindow(view, centre);
        EXPECT_NEAR(at.mX, 512.0 - c.mShiftPixels, 1e-6);
        EXPECT_NEAR(at.mY, 384.0, 1e-6);
        EXPECT_NEAR(VaneKmPerPixel(view), 200.0 * std::tan(view.mPerspective * M_PI / 360.0) / 768.0, 1e-12);
        const GxRect legend = VaneLegendRect(view);
        EXPECT_EQ(legend.mLeft, c.mRight ? 1024.0 - 175.0 : 0.0);
        EXPECT_EQ(legend.mTop, 768.0);
    }
    DxSet::DeleteAllSets();
    DxUnit::Unload();
}

} // namespace
