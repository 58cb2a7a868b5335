#include "DxUnit.h"
#include "CxDebug.h"
#include "DxUnitTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>
#include <vector>

using dxtest::LoadTable;
using dxtest::UnitTableTest;

namespace
{

::testing::AssertionResult NearRelative(double inActual, double inExpected, double inTolerance = 1e-12)
{
    const double limit = inTolerance * std::max(std::fabs(inExpected), 1e-300);
    if (std::fabs(inActual - inExpected) <= limit)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << inActual << " differs from " << inExpected << " by more than "
                                         << inTolerance << " relative";
}

std::vector<std::string> Ids(const std::vector<DxUnit>& inUnits)
{
    std::vector<std::string> ids;
    for (const DxUnit& unit : inUnits)
        ids.push_back(unit.Id().AsUtf8());
    return ids;
}

// A unit of an inline table. Those ids are not the bundle's, so they stay out of the source scan's sight.
DxUnit Inline(const char* inId)
{
    return DxUnit(CxString(inId));
}

const char16_t kSquared[] = u"\u00B2";
const char16_t kCubed[] = u"\u00B3";

} // namespace

// ---- The bundle's table

TEST_F(UnitTableTest, ConvertsByTheExactDefinitions)
{
    // Facts: 0 °C = 32 °F = 273.15 K; 1 mph = 0.44704 m/s; 1 nmi = 1852 m; 1 ft = 0.3048 m. Rows with an offset on
    // either side or both, and one between two units that are not the base.
    const struct
    {
        const char* mFrom;
        const char* mTo;
        double mValue;
        double mExpected;
    } cases[] = {
        {"cels", "fahr", 0.0, 32.0},  {"fahr", "kelv", 32.0, 273.15},        {"kelv", "cels", 373.15, 100.0},
        {"mph", "mps", 1.0, 0.44704}, {"nmi", "foot", 1.0, 1852.0 / 0.3048},
    };
    for (const auto& c : cases)
    {
        const DxUnitConverter converter{DxUnit(CxString(c.mFrom)), DxUnit(CxString(c.mTo))};
        EXPECT_TRUE(NearRelative(converter.Convert(c.mValue), c.mExpected)) << c.mFrom << " to " << c.mTo;
        EXPECT_LE(std::fabs(converter.Revert(c.mExpected) - c.mValue), 1e-12 * std::max(std::fabs(c.mValue), 1.0))
            << c.mFrom << " from " << c.mTo;
    }
    const DxUnitConverter celsToFahr(DxUnit(CxString("cels")), DxUnit(CxString("fahr")));
    EXPECT_TRUE(NearRelative(celsToFahr.Factor(), 1.8));
    EXPECT_TRUE(NearRelative(celsToFahr.Offset(), 32.0));
}

TEST_F(UnitTableTest, WholeTimeUnitsBecomeWholeSeconds)
{
    // Durations are truncated after conversion: the factors must be exact, not a hair below.
    const struct
    {
        const char* mFrom;
        double mCount;
        double mSeconds;
    } cases[] = {{"min", 15, 900}, {"hour", 7, 25200}, {"day", 3, 259200}};
    for (const auto& c : cases)
        EXPECT_EQ(DxUnitConverter(DxUnit(CxString(c.mFrom)), DxUnit(CxString("secs"))).Convert(c.mCount), c.mSeconds)
            << c.mCount << " " << c.mFrom;
}

TEST_F(UnitTableTest, BasesGroupTheUnits)
{
    const struct
    {
        const char* mUnit;
        std::vector<std::string> mCompatible;
    } cases[] = {
        // Degrees share the no-unit base; a temperature difference stands alone.
        {"nada", {"degr", "nada"}},
        {"secs", {"day", "hour", "min", "secs"}},
        {"fahr", {"cels", "fahr", "kelv"}},
        {"celsd", {"celsd"}},
    };
    for (const auto& c : cases)
    {
        const DxUnit unit{CxString(c.mUnit)};
        EXPECT_EQ(Ids(unit.CompatibleUnits()), c.mCompatible) << c.mUnit;
        for (const std::string& other : c.mCompatible)
            EXPECT_TRUE(unit.IsCompatibleWith(DxUnit(CxString(other.c_str())))) << c.mUnit << " " << other;
    }

    // Metres are no degrees (a derivation given one for the other must refuse), and a temperature difference is
    // no temperature.
    EXPECT_FALSE(DxUnit(CxString("m")).IsCompatibleWith(DxUnit(CxString("degr"))));
    EXPECT_FALSE(DxUnit(CxString("celsd")).IsCompatibleWith(DxUnit(CxString("cels"))));
    EXPECT_FALSE(DxUnit(CxString("prct")).IsCompatibleWith(DxUnit(CxString("nada"))));
}

TEST_F(UnitTableTest, AnUnknownIdIsNada)
{
    CxDebugCapture capture;
    const DxUnit unknown(CxString("furlong"));
    EXPECT_EQ(unknown.Id(), "nada");
    EXPECT_EQ(unknown.Base(), DxUnit());
    // Ids are exact: no case folding.
    EXPECT_EQ(DxUnit(CxString("CELS")), DxUnit());
    EXPECT_EQ(capture.Count(), 0u);
}

TEST_F(UnitTableTest, ConvertersKeepNaNAndCompareByUnitsOnly)
{
    const DxUnitConverter converter(DxUnit(CxString("mph")), DxUnit(CxString("kmph")));
    EXPECT_TRUE(std::isnan(converter.Convert(std::nan(""))));
    EXPECT_TRUE(std::isnan(converter.Revert(-std::nan(""))));
    EXPECT_EQ(DxUnitConverter().Convert(12.5), 12.5);
    EXPECT_NE(converter, DxUnitConverter(DxUnit(CxString("kmph")), DxUnit(CxString("mph"))));
}

TEST_F(UnitTableTest, AnIncompatibleConverterIsReportedAndStillBuilt)
{
    CxDebugCapture capture;
    const DxUnitConverter converter(DxUnit(CxString("kmph")), DxUnit(CxString("cels")));
    EXPECT_EQ(capture.Count(), 1u);
    // The same two formulas: factor 1 / 3.6, offset -273.15.
    EXPECT_TRUE(NearRelative(converter.Factor(), 1.0 / 3.6));
    EXPECT_TRUE(NearRelative(converter.Offset(), -273.15));
}

TEST_F(UnitTableTest, NamesAndSymbolsComeFromTheStringTable)
{
    const struct
    {
        const char* mId;
        const char* mName;
        const char* mSymbol; // UTF-8
    } cases[] = {
        {"cels", "Degrees Celsius", "\u00B0C"},
        {"wpsm", "Watts per square meter", "W/m\u00B2"},
        {"nada", "None", ""},
    };
    for (const auto& c : cases)
    {
        const DxUnit unit{CxString(c.mId)};
        EXPECT_EQ(unit.Name().AsUtf8(), c.mName);
        EXPECT_EQ(unit.Symbol().AsUtf8(), c.mSymbol);
    }
    const DxUnitConverter converter(DxUnit(CxString("cels")), DxUnit(CxString("fahr")));
    EXPECT_EQ(converter.Name(), "Degrees Celsius to Degrees Fahrenheit");
}

// ---- Small tables

class UnitTableEdgeTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        CxDebugCapture quiet;
        DxUnit::Unload();
    }
};

TEST_F(UnitTableEdgeTest, ALaterRowReplacesAnEarlierOneAndMissingNumbersReadZero)
{
    LoadTable(R"(<xml>
        <unit id="nada" base="nada" scale="1" offset="0"/>
        <unit id="a" base="b" scale="2" offset="3"/>
        <unit id="b" base="b" scale="1" offset="0"/>
        <unit id="a" base="b" scale="5"/>
        <unit id="c" base="b" scale="x1" offset=""/>
        <unit base="b" scale="7"/>
        <other id="d" base="b" scale="1"/>
        <unit id="e" base="b" scale="1"><unit id="f" base="b" scale="1"/></unit>
        <!-- comment --> text
    </xml>)");
    const DxUnit a = Inline("a");
    EXPECT_EQ(a.Scale(), 5.0);
    EXPECT_EQ(a.Offset(), 0.0);
    EXPECT_EQ(Inline("c").Scale(), 0.0);
    EXPECT_EQ(Inline("c").Offset(), 0.0);
    // The row without an id is stored under the empty id.
    EXPECT_EQ(Inline("").Scale(), 7.0);
    EXPECT_EQ(Inline("d"), DxUnit());
    EXPECT_NE(Inline("e"), DxUnit());
    EXPECT_EQ(Inline("f"), DxUnit());
    EXPECT_EQ(Ids(Inline("b").CompatibleUnits()), (std::vector<std::string>{"", "a", "b", "c", "e"}));
}

TEST_F(UnitTableEdgeTest, ScaleZeroGivesInfinityOrNaNWithoutAFault)
{
    LoadTable(R"(<xml><unit id="nada" base="nada" scale="1"/><unit id="zero" base="b"/>
                 <unit id="b" base="b" scale="1"/></xml>)");
    const DxUnit zero = Inline("zero");
    ASSERT_EQ(zero.Id(), "zero");
    const DxUnitConverter from(zero, Inline("b"));
    EXPECT_TRUE(std::isinf(from.Factor()));
    for (double value : {0.0, 1.0, -3.5})
    {
        const double converted = from.Convert(value);
        EXPECT_TRUE(std::isinf(converted) || std::isnan(converted)) << value;
    }
    const DxUnitConverter to(Inline("b"), zero);
    const double reverted = to.Revert(1.0);
    EXPECT_TRUE(std::isinf(reverted) || std::isnan(reverted));
}

TEST_F(UnitTableEdgeTest, SecondLoadIsReportedAndReplacesRowByRow)
{
    LoadTable(R"(<xml><unit id="nada" base="nada" scale="1"/><unit id="a" base="a" scale="1"/></xml>)");
    CxDebugCapture capture;
    LoadTable(R"(<xml><unit id="a" base="a" scale="2"/><unit id="b" base="a" scale="3"/></xml>)");
    EXPECT_EQ(Inline("a").Scale(), 2.0);
    EXPECT_EQ(Inline("b").Scale(), 3.0);
    EXPECT_EQ(DxUnit(CxString("nada")).Id(), "nada");
    EXPECT_EQ(capture.Count(), 1u);
}

TEST_F(UnitTableEdgeTest, ATableWithoutNadaAnswersWithABuiltInNada)
{
    LoadTable(R"(<xml><unit id="m" base="m" scale="1"/><unit id="deg" base="nada" scale="1"/></xml>)");
    CxDebugCapture capture;
    const DxUnit unknown(CxString("furlong"));
    EXPECT_EQ(unknown.Id() + unknown.BaseId(), "nadanada");
    EXPECT_EQ(unknown.Scale(), 1.0);
    EXPECT_EQ(unknown.Offset(), 0.0);
    EXPECT_EQ(unknown.Base(), unknown);
    EXPECT_TRUE(unknown.IsCompatibleWith(Inline("deg")));
    EXPECT_EQ(Ids(unknown.CompatibleUnits()), std::vector<std::string>{"deg"});
    EXPECT_EQ(DxUnitConverter().Convert(4.0), 4.0);
    // The table is not empty, so nothing is reported.
    EXPECT_EQ(capture.Count(), 0u);
}

TEST_F(UnitTableEdgeTest, AnEmptyOrUnreadableTableReportsEveryLookup)
{
    const char* documents[] = {
        "<xml/>",
        "<xml><unit id='a' base='a' scale='1'>",            // not well formed
        "<units><unit id='a' base='a' scale='1'/></units>", // no "xml" element
        "",
    };
    for (const char* document : documents)
    {
        LoadTable(document);
        CxDebugCapture capture;
        const DxUnit unit = Inline("a");
        EXPECT_EQ(unit.Id(), "nada") << document;
        EXPECT_EQ(unit.Scale(), 1.0) << document;
        EXPECT_TRUE(unit.CompatibleUnits().empty()) << document;
        EXPECT_GT(capture.Count(), 0u) << document;
    }
}

TEST_F(UnitTableEdgeTest, NothingFailsBeforeLoadOrAfterUnload)
{
    CxDebugCapture capture;
    {
        const DxUnit before(CxString("cels"));
        EXPECT_EQ(before.Id(), "nada");
        EXPECT_GT(capture.Count(), 0u);
    }
    LoadTable(R"(<xml><unit id="nada" base="nada" scale="1"/><unit id="cels" base="kelv" scale="1"/></xml>)");
    EXPECT_EQ(DxUnit(CxString("cels")).Id(), "cels");
    DxUnit::Unload();
    capture.Clear();
    const DxUnit after(CxString("cels"));
    EXPECT_EQ(after.Id(), "nada");
    EXPECT_EQ(DxUnitConverter(after, DxUnit()).Convert(2.5), 2.5);
    EXPECT_GT(capture.Count(), 0u);
    capture.Clear();
    DxUnit::Unload();
    EXPECT_GT(capture.Count(), 0u);
}

TEST_F(UnitTableEdgeTest, NumbersReadTheSameUnderACommaDecimalLocale)
{
    const std::string old = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locale de_DE.UTF-8 is missing";
    LoadTable(R"(<xml><unit id="nada" base="nada" scale="1"/><unit id="fahr" base="kelv" scale="1.8"
                 offset="-459.67"/><unit id="comma" base="kelv" scale="1,8"/></xml>)");
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(DxUnit(CxString("fahr")).Scale(), 1.8);
    EXPECT_EQ(DxUnit(CxString("fahr")).Offset(), -459.67);
    // A comma ends the number as any other stray character does.
    EXPECT_EQ(Inline("comma").Scale(), 1.0);
}

TEST_F(UnitTableEdgeTest, ABundleWithoutTheTableLeavesItEmpty)
{
    const sky::test::TempHome empty;
    setenv("SKYVANE_BUNDLE", empty.Path().c_str(), 1);
    DxUnit::Load();
    dxtest::UseSourceBundle();
    CxDebugCapture capture;
    EXPECT_EQ(DxUnit(CxString("cels")).Id(), "nada");
    EXPECT_GT(capture.Count(), 0u);
}

TEST_F(UnitTableEdgeTest, SymbolsShowCaretsAsSuperscripts)
{
    // An id the string table lacks comes back as its key, and the carets in it are replaced all the same.
    LoadTable(R"(<xml><unit id="m^2" base="m^2" scale="1"/><unit id="a^3b^2^2" base="x" scale="1"/></xml>)");
    EXPECT_EQ(Inline("m^2").Symbol(), CxString("dxSym_m") + CxString(kSquared));
    EXPECT_EQ(Inline("a^3b^2^2").Symbol(),
              CxString("dxSym_a") + CxString(kCubed) + "b" + CxString(kSquared) + CxString(kSquared));
    EXPECT_EQ(Inline("m^2").Name(), "dxUnit_m^2");
}
