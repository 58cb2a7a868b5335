// One-pass Barnes analyses of real QFF observations against an independent brute-force Gaussian mean.
#include "DxAnalysis.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string ReadText(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Just enough JSON for the reference files: a number or null after a key, and flat arrays of them.
class ReferenceReader
{
public:
    explicit ReferenceReader(std::string inText) : mText(std::move(inText)) {}

    bool Ok() const { return mOk; }

    // The first value of the key at or after the first occurrence of inScope.
    double Number(const std::string& inKey, const std::string& inScope = "")
    {
        std::size_t at = mText.find("\"" + inScope + "\"");
        at = mText.find("\"" + inKey + "\":", at == std::string::npos ? 0 : at);
        if (at == std::string::npos)
            return Fail();
        std::size_t pos = at + inKey.size() + 3;
        return Value(pos);
    }

    std::vector<double> Array(const std::string& inKey)
    {
        std::vector<double> out;
        std::size_t pos = mText.find("\"" + inKey + "\":");
        if (pos == std::string::npos || (pos = mText.find('[', pos)) == std::string::npos)
        {
            Fail();
            return out;
        }
        ++pos;
        while (mOk)
        {
            SkipSpace(pos);
            if (pos < mText.size() && mText[pos] == ']')
                break;
            out.push_back(Value(pos));
            SkipSpace(pos);
            if (pos < mText.size() && mText[pos] == ',')
                ++pos;
            else if (pos >= mText.size() || mText[pos] != ']')
                Fail();
        }
        return out;
    }

private:
    double Fail()
    {
        mOk = false;
        return kNaN;
    }

    void SkipSpace(std::size_t& ioPos) const
    {
        while (ioPos < mText.size() && std::isspace(static_cast<unsigned char>(mText[ioPos])))
            ++ioPos;
    }

    double Value(std::size_t& ioPos)
    {
        SkipSpace(ioPos);
        if (mText.compare(ioPos, 4, "null") == 0)
        {
            ioPos += 4;
            return kNaN;
        }
        double value = 0.0;
        const char* begin = mText.data() + ioPos;
        const auto [end, error] = std::from_chars(begin, mText.data() + mText.size(), value);
        if (error != std::errc())
            return Fail();
        ioPos += static_cast<std::size_t>(end - begin);
        return value;
    }

    std::string mText;
    bool mOk = true;
};

// "count,3", then "latitude,longitude,value" per station; x is the longitude, y the latitude.
bool ReadStations(const std::string& inPath, std::vector<double>& outX, std::vector<double>& outY,
                  std::vector<double>& outValues)
{
    std::ifstream in(inPath);
    std::string line;
    if (!std::getline(in, line))
        return false;
    const int expected = std::stoi(line);
    double lat = 0.0, lon = 0.0, value = 0.0;
    char comma1 = 0, comma2 = 0;
    while (in >> lat >> comma1 >> lon >> comma2 >> value)
    {
        if (comma1 != ',' || comma2 != ',')
            return false;
        outX.push_back(lon);
        outY.push_back(lat);
        outValues.push_back(value);
    }
    return static_cast<int>(outX.size()) == expected;
}

struct RealCase
{
    int stations;
    int closePoints; // grid points whose weight lies beyond the cutoff for less than 1e-9 of the total
};

class DxAnalysisRealData : public testing::TestWithParam<RealCase>
{
};

TEST_P(DxAnalysisRealData, FirstPassMatchesTheBruteForceGaussianMean)
{
    const RealCase& c = GetParam();
    const std::string n = std::to_string(c.stations);
    SKY_NEED_TESTDATA_FILE(referencePath, "barnes/barnes_pass1_QFF_" + n + ".json");
    SKY_NEED_TESTDATA_FILE(stationPath, "obs/PressQFF_202007271200_" + n + ".csv");

    std::vector<double> x, y, values;
    ASSERT_TRUE(ReadStations(stationPath, x, y, values));
    ASSERT_EQ(static_cast<int>(x.size()), c.stations);

    ReferenceReader ref(ReadText(referencePath));
    const std::vector<double> expected = ref.Array("values");
    const std::vector<double> outside = ref.Array("outside_cutoff_weight_fraction");
    const double span = ref.Number("value_max") - ref.Number("value_min");
    ASSERT_TRUE(ref.Ok());

    DxAnalysis a(x, y, 1);
    const auto relative = [&](const char* inKey, double inActual)
    {
        const double want = ref.Number(inKey, "geometry");
        EXPECT_NEAR(inActual, want, 1e-9 * std::fabs(want)) << inKey;
    };
    relative("d", a.MeanSeparation());
    relative("s", a.Dx());
    relative("s", a.Dy());
    relative("x0", a.OriginX());
    relative("y0", a.OriginY());
    relative("kappa", a.Kappa());
    relative("R", a.CutoffRadius());
    ASSERT_EQ(a.Width(), static_cast<CxSint32>(ref.Number("nx", "geometry")));
    ASSERT_EQ(a.Height(), static_cast<CxSint32>(ref.Number("ny", "geometry")));
    ASSERT_TRUE(ref.Ok());

    a.Analyze(values);
    const std::vector<double>& grid = a.Grid();
    ASSERT_EQ(grid.size(), expected.size());
    ASSERT_EQ(outside.size(), expected.size());

    // The reference has no cutoff: with a share f of its weight beyond R, its mean can differ from ours by at most
    // f times the value range. Where f < 1e-9 the two must agree to round-off.
    int close = 0;
    for (std::size_t k = 0; k < grid.size(); ++k)
    {
        if (std::isnan(expected[k]))
        {
            EXPECT_TRUE(std::isnan(grid[k])) << "point " << k;
            continue;
        }
        close += outside[k] < 1e-9;
        EXPECT_NEAR(grid[k], expected[k], 1e-6 + outside[k] * span) << "point " << k;
    }
    EXPECT_EQ(close, c.closePoints);
}

INSTANTIATE_TEST_SUITE_P(QFF, DxAnalysisRealData,
                         testing::Values(RealCase{54, 194}, RealCase{218, 656}, RealCase{872, 1940}),
                         [](const testing::TestParamInfo<RealCase>& inInfo)
                         { return "Stations" + std::to_string(inInfo.param.stations); });

} // namespace
