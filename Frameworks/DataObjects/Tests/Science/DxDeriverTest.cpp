// Derivations over station tables: lookup, unit conversion of the argument fields in place, missing values and
// rejected derivations.
//
// Reference values: saturation vapour pressures over water from the Smithsonian Meteorological Tables
// (Goff-Gratch): 10 C 12.272, 20 C 23.373, 23 C 28.086, 30 C 42.430 hPa; relative humidities below are their
// ratios, to +-0.3 percent. Wind chill from the NWS chart (2001): 40 F in 20 mph feels like 30 F, to +-0.6.
#include "DxDeriver.h"
#include "CxDebug.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxUnitTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

using testing::NanSensitiveDoubleNear;
using testing::Pointwise;

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const CxDate kMidnight(2024, 6, 21, 0, 0, 0, 0);

std::vector<CxString> Ids(std::initializer_list<const char*> inIds)
{
    return std::vector<CxString>(inIds.begin(), inIds.end());
}

std::string UnitOf(const DxFloatField* inField)
{
    return inField->Unit().Id().AsUtf8();
}

// Values within a tolerance, NaN where NaN is expected.
auto Near(const std::vector<double>& inExpected, double inTolerance)
{
    return Pointwise(NanSensitiveDoubleNear(inTolerance), inExpected);
}

class DxDeriverTest : public dxtest::UnitTableTest
{
protected:
    void SetUp() override
    {
        UnitTableTest::SetUp();
        mFrame = std::make_unique<DxTable>();
    }
    // Fields hold unit handles, which must go before the table does.
    void TearDown() override
    {
        mFrame.reset();
        UnitTableTest::TearDown();
    }

    DxFloatField* Add(const char* inId, const char* inUnit, const std::vector<double>& inValues)
    {
        DxFloatField* field = mFrame->NewFloatField(CxString(inId));
        field->SetUnit(DxUnit(CxString(inUnit)));
        field->assign(inValues.begin(), inValues.end());
        return field;
    }

    DxFloatField* Derive(const char* inFunction, const std::vector<CxString>& inIds, const CxDate& inDate = kMidnight)
    {
        DxDeriver deriver{CxString(inFunction), CxString(inFunction), inDate};
        return deriver.Derive(mFrame.get(), inIds);
    }

    std::unique_ptr<DxTable> mFrame;
};

TEST_F(DxDeriverTest, EveryRowsUnitIdsResolveToTheirOwnRecords)
{
    std::set<std::string> names;
    for (const DxDeriver::FunctionInfo& row : DxDeriver::sFunctionInfo)
    {
        SCOPED_TRACE(row.mName);
        names.insert(row.mName);
        const DxDeriver deriver(CxString("x"), CxString(row.mName), kMidnight);
        EXPECT_TRUE(deriver.IsValid());
        EXPECT_EQ(deriver.ResultUnit().Id(), CxString(row.mResultUnitId));
        for (const CxString& id : deriver.ArgUnitIds())
            EXPECT_EQ(DxUnit(id).Id(), id) << id;
    }
    // A repeated name would hide the later row.
    EXPECT_EQ(names.size(), size_t(DxDeriver::kFunctionCount));
}

TEST_F(DxDeriverTest, UnknownOrMiscasedFunctionIsInvalidAndAddsNothing)
{
    Add("temp", "cels", {20});
    for (const char* name : {"TDEW", "tdew ", ""})
    {
        SCOPED_TRACE(name);
        DxDeriver deriver(CxString("r"), CxString(name), kMidnight);
        EXPECT_FALSE(deriver.IsValid());
        EXPECT_EQ(deriver.ResultUnit().Id(), CxString("nada"));
        EXPECT_TRUE(deriver.ArgUnitIds().empty());
        EXPECT_EQ(deriver.Derive(mFrame.get(), Ids({"temp"})), nullptr);
        EXPECT_EQ(mFrame->CountFields(), 1u);
    }
}

TEST_F(DxDeriverTest, PressureLevelHasOneValuePerStation)
{
    // A shorter float field comes first: the station ids decide the count.
    Add("temp", "cels", {1, 2, 3});
    mFrame->NewStringField(CxString("stid"))->assign(12, CxString("KXYZ"));
    const DxFloatField* level = Derive("850mb", {});
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(UnitOf(level), "mbar");
    EXPECT_EQ(*level, std::vector<double>(12, 850.0));

    // Without station ids the first field decides.
    DxTable bare;
    bare.NewFloatField(CxString("temp"))->assign(5, 1.0);
    const DxFloatField* top = DxDeriver(CxString("p"), CxString("100mb"), kMidnight).Derive(&bare, {});
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(*top, std::vector<double>(5, 100.0));
}

TEST_F(DxDeriverTest, ArgumentFieldsStayConvertedInTheFrame)
{
    const DxFloatField* temp = Add("temp", "fahr", {68, 86});
    const DxFloatField* dewp = Add("dewp", "fahr", {50, 73.4});
    const DxFloatField* relh = Derive("relh", Ids({"temp", "dewp"}));
    ASSERT_NE(relh, nullptr);
    EXPECT_EQ(UnitOf(temp), "cels");
    EXPECT_EQ(UnitOf(dewp), "cels");
    EXPECT_THAT(*temp, Near({20, 30}, 1e-9));
    EXPECT_THAT(*dewp, Near({10, 23}, 1e-9));
    EXPECT_EQ(UnitOf(relh), "prct");
    EXPECT_THAT(*relh, Near({100 * 12.272 / 23.373, 100 * 28.086 / 42.430}, 0.3));
}

TEST_F(DxDeriverTest, IncompatibleUnitAddsNothing)
{
    const DxFloatField* speed = Add("speed", "kmph", {36});
    const DxFloatField* dir = Add("dir", "m", {90});
    CxDebugCapture capture;
    EXPECT_EQ(Derive("uwnd", Ids({"speed", "dir"})), nullptr);
    EXPECT_TRUE(capture.Contains("dir: Can't convert m to degr"));
    EXPECT_EQ(mFrame->CountFields(), 2u);
    EXPECT_EQ(UnitOf(dir), "m");
    EXPECT_EQ(*dir, std::vector<double>{90});
    // The field converted before the failure stays converted.
    EXPECT_EQ(UnitOf(speed), "mps");
    EXPECT_THAT(*speed, Near({10}, 1e-9));
}

TEST_F(DxDeriverTest, RecordsPastAShorterFieldCountAsMissing)
{
    Add("a", "cels", {1, 2, 3, 4, 5});
    Add("b", "cels", {1, 1, 1});
    Add("temp", "fahr", {40, 40});
    Add("rh", "prct", {50, 50});
    Add("wind", "mph", {20});
    const DxFloatField* diff = Derive("diff", Ids({"a", "b"}));
    ASSERT_NE(diff, nullptr);
    EXPECT_THAT(*diff, Near({0, 1, 2, kNaN, kNaN}, 0));
    // A row that takes missing values is still evaluated there.
    const DxFloatField* tapp = Derive("tapp", Ids({"temp", "rh", "wind"}));
    ASSERT_NE(tapp, nullptr);
    EXPECT_THAT(*tapp, Near({30, 40}, 0.6));
}

TEST_F(DxDeriverTest, RejectedDerivationLeavesTheFrameUnchanged)
{
    const std::pair<const char*, std::vector<CxString>> cases[] = {
        {"relh", Ids({"temp"})},
        {"relh", Ids({"temp", "dewp", "temp"})},
        {"relh", {}},
        {"850mb", Ids({"temp"})},
        // The first field is fine and would be converted if the check came late.
        {"relh", Ids({"temp", "nosuch"})},
        {"relh", Ids({"temp", "count"})},
    };
    const DxFloatField* temp = Add("temp", "fahr", {68});
    Add("dewp", "fahr", {50});
    mFrame->NewIntField(CxString("count"))->push_back(3);
    for (const auto& [function, ids] : cases)
    {
        SCOPED_TRACE(std::string(function) + " of " + std::to_string(ids.size()));
        CxDebugCapture capture;
        EXPECT_EQ(Derive(function, ids), nullptr);
        EXPECT_GT(capture.Count(), 0u);
        // A call with no field at all is reported as such, too.
        EXPECT_EQ(capture.Contains("idIter != fieldIdEnd || mArgUnitIds.size() == 0"), ids.empty());
        EXPECT_EQ(mFrame->CountFields(), 3u);
        EXPECT_EQ(UnitOf(temp), "fahr");
        EXPECT_EQ(*temp, std::vector<double>{68});
    }
}

TEST_F(DxDeriverTest, ExpectedRadiationFollowsTheDeriversDatePlusTheOffset)
{
    // At 40 N on the Greenwich meridian on the June solstice: night at 00 UTC, the sun high at 12 UTC.
    Add("offset", "secs", {0, 43200});
    Add("lat", "degr", {40, 40});
    Add("lon", "degr", {0, 0});
    const DxFloatField* fromMidnight = Derive("exsr", Ids({"offset", "lat", "lon"}));
    const DxFloatField* fromNoon = Derive("exsr", Ids({"offset", "lat", "lon"}), kMidnight + 43200);
    ASSERT_TRUE(fromMidnight && fromNoon);
    EXPECT_GT((*fromMidnight)[1], 500);
    EXPECT_THAT(*fromMidnight, Near({0, (*fromMidnight)[1]}, 0));
    EXPECT_THAT(*fromNoon, Near({(*fromMidnight)[1], 0}, 0));
}

} // namespace
