// Durations in a unit that is not one, and a second load of the unit table while handles live.
#include "CxDebug.h"
#include "DxConfigParsers.h"
#include "DxConfigTestSupport.h"
#include "DxUnitTestSupport.h"

#include <gtest/gtest.h>

using dxtest::UnitTableTest;

TEST_F(UnitTableTest, SecondsInAnUnknownOrForeignUnitReadAsAbsent)
{
    CxData data = dxtest::Bytes(dxtest::Document(
        "datasetconfig", "<property id='stale' value='600' units='seconds'/><property id='check' value='2' "
                         "units='hours'/><property id='window' value='3' units='furlong'/>"
                         "<property id='step' value='4' units='cels'/><property id='fine' value='2' units='hour'/>"));
    const DxConfigParser config(data);
    for (const char* id : {"stale", "check", "window", "step"})
    {
        CxDebugCapture capture;
        EXPECT_EQ(config.SecondsProperty(id), 0) << id;
        ASSERT_EQ(capture.Count(), 1u) << id;
        const std::string unit = config.FindProperty(id)->GetAttribute("units").AsUtf8();
        EXPECT_TRUE(capture.Contains(id) && capture.Contains(unit)) << capture.Lines()[0];
    }
    EXPECT_EQ(config.SecondsProperty("fine"), 7200);
}

TEST_F(UnitTableTest, ReloadKeepsLiveHandlesValid)
{
    const DxUnit celsius(CxString("cels"));
    const DxUnitConverter toKelvin(celsius, DxUnit(CxString("kelv")));
    dxtest::LoadTable("<xml><unit id='cels' base='kelv' scale='1' offset='-273'/></xml>");
    EXPECT_EQ(celsius.Id(), "cels");
    EXPECT_EQ(celsius.Offset(), -273.0);
    EXPECT_EQ(toKelvin.Source().Offset(), -273.0);
    EXPECT_EQ(celsius, DxUnit(CxString("cels")));
}
