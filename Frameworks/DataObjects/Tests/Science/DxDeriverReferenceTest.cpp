// Derivations through the function table from inputs with known answers, so a row that reads the wrong argument,
// or a wrapper that drops its result, shows.
//
// References: saturation vapour pressure over water (Smithsonian Meteorological Tables, Goff-Gratch) 20 C 23.373,
// 30 C 42.430 hPa; virtual temperature T / (1 - 0.378 e / p); moist static energy cp T + L q with cp 1004 J/kg/K
// and L 2.5e6 J/kg; Stefan-Boltzmann sigma T^4; sensible heat rho cp w'T' with rho = p / (287 T); winds from 270
// and 180 degrees blow towards +x and +y; Haurwitz clear-sky irradiance 1098 cosZ exp(-0.057 / cosZ).
#include "DxAnalysis.h"
#include "DxDeriver.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxUnitTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A unit id and the field's values.
using Arg = std::pair<const char*, std::vector<double>>;

struct Case
{
    const char* mFunction;
    std::vector<Arg> mArgs;
    std::vector<double> mExpected;
    double mTolerance;
    CxDate mDate = CxDate(2024, 6, 21, 0, 0, 0, 0);
};

class DxDeriverReferenceTest : public dxtest::UnitTableTest
{
protected:
    // Each argument becomes field "a<k>" of a fresh table.
    void Expect(const Case& inCase)
    {
        SCOPED_TRACE(inCase.mFunction);
        DxTable table;
        std::vector<CxString> ids;
        for (const auto& [unit, values] : inCase.mArgs)
        {
            ids.emplace_back(("a" + std::to_string(ids.size())).c_str());
            DxFloatField* field = table.NewFloatField(ids.back());
            field->SetUnit(DxUnit(CxString(unit)));
            field->assign(values.begin(), values.end());
        }
        // Constant rows take their record count from the first field.
        if (ids.empty())
            table.NewFloatField(CxString("n"))->assign(2, 0.0);
        const DxFloatField* result =
            DxDeriver(CxString("r"), CxString(inCase.mFunction), inCase.mDate).Derive(&table, ids);
        ASSERT_NE(result, nullptr);
        ASSERT_EQ(result->size(), inCase.mExpected.size());
        for (size_t i = 0; i < result->size(); ++i)
            EXPECT_NEAR((*result)[i], inCase.mExpected[i], inCase.mTolerance) << i;
    }
};

TEST_F(DxDeriverReferenceTest, RowsReadTheirArgumentsInOrder)
{
    const Case cases[] = {
        // Altimeter settings by the NWS/ASOS formula (tools/make_formula_references.py), and back.
        {"palt", {{"mbar", {850, 1000}}, {"m", {1500, 100}}}, {1018.12, 1011.65}, 0.6},
        {"pres", {{"mbar", {1018.12, 1011.65}}, {"m", {1500, 100}}}, {850, 1000}, 0.6},
        // Dew point of 30 C at 50 percent, and the vapour pressure it gives and lacks: half of 42.430 hPa.
        {"vapr2", {{"cels", {30}}, {"prct", {50}}}, {42.430 / 2}, 0.3},
        {"vdef", {{"cels", {30}}, {"prct", {50}}}, {42.430 / 2}, 0.3},
        {"tvir", {{"cels", {30}}, {"cels", {20}}, {"mbar", {1000}}}, {303.15 / (1 - 0.378 * 23.373 / 1000)}, 0.05},
        {"uwnd", {{"mps", {10, 10}}, {"degr", {270, 90}}}, {10, -10}, 1e-9},
        {"vwnd", {{"mps", {10, 10}}, {"degr", {180, 0}}}, {10, -10}, 1e-9},
        {"mse", {{"kelv", {300}}, {"kgpkg", {0.01}}}, {1004 * 300 + 2.5e6 * 0.01}, 1e-6},
        // The two body temperatures are averaged: 300 K, 300^4 = 8.1e9.
        {"lwrad", {{"wpsm", {-50}}, {"kelv", {290}}, {"kelv", {310}}}, {-50 + 5.670374e-8 * 8.1e9}, 0.1},
        {"shfc", {{"cmps", {0.1}}, {"mbar", {1000}}, {"kelv", {290}}}, {100000.0 / (287 * 290) * 1004 * 0.1}, 1e-6},
        // Small negative readings of a shortwave sensor at night are offsets; large ones are kept as faults.
        {"swin", {{"wpsm", {500, -5, -30}}}, {500, 0, -30}, 0},
        // A January noon at 40 N, which reads the monthly tables at month 1 (the sun stands 28.9 degrees high).
        {"exsr2",
         {{"secs", {0}}, {"degr", {40}}, {"degr", {0}}, {"kelv", {273.15}}, {"prct", {50}}, {"mbar", {1013}}},
         {1098 * 0.4833 * 0.8887},
         50,
         CxDate(2024, 1, 15, 12, 0, 0, 0)},
    };
    for (const Case& c : cases)
        Expect(c);
}

TEST_F(DxDeriverReferenceTest, PressureLevels)
{
    for (const int level : {1000, 925, 850, 700, 500, 400, 300, 250, 200, 150, 100})
        Expect({(std::to_string(level) + "mb").c_str(), {}, {double(level), double(level)}, 0});
}

TEST_F(DxDeriverReferenceTest, DowncastsKeepTheFieldsKind)
{
    DxTable table;
    DxField* text = table.NewStringField(CxString("stid"));
    DxField* date = table.NewDateField(CxString("time"));
    const DxField* constText = text;
    const DxField* constDate = date;
    EXPECT_EQ(AsDxStringField(constText), constText);
    EXPECT_EQ(AsDxNumericField(constDate), constDate);
    EXPECT_EQ(AsDxNumericField(constText), nullptr);
    EXPECT_EQ(AsDxDateField(date), date);
    EXPECT_EQ(AsDxDateField(constDate), constDate);
}

// Past the range of doubles the all-pairs scan runs; a station with one coordinate missing is no station there
// either. Nearest neighbours 3, 3, 4 and 4 apart.
TEST(DxSeparationEdgeTest, HalfMissingStationIsSkippedInTheScan)
{
    const std::vector<double> x = {-1e308, -1e308, 1e308, 1e308, 0};
    const std::vector<double> y = {0, 3, 0, 4, kNaN};
    EXPECT_DOUBLE_EQ(DxAnalysis::MeanSeparation(x, y), 3.5);
}

} // namespace
