#include "DxParm.h"
#include "DxUnitTestSupport.h"

#include <gtest/gtest.h>

using dxtest::UnitTableTest;

namespace
{

DxParm Temperature(const char* inUnit)
{
    return DxParm(CxString("tmpf"), CxString("Temperature"), kDxTypeFloat, DxUnit(CxString(inUnit)),
                  DxUnitSet(CxString("english")), 0.1);
}

DxVectorParm Wind(const char* inName)
{
    return DxVectorParm(CxString("wind"), CxString(inName), CxString("wspd"), CxString("wvec"), CxString("wdir"),
                        CxString("uwnd"), CxString("vwnd"), CxString("gust"), DxUnit(CxString("mps")));
}

} // namespace

TEST_F(UnitTableTest, ParmsInTwoUnitsAreEqualButNoExactMatch)
{
    const DxParm fahr = Temperature("fahr");
    const DxParm cels = Temperature("cels");
    EXPECT_TRUE(fahr == cels);
    EXPECT_FALSE(fahr != cels);
    EXPECT_TRUE(fahr.IsEqualTo(cels));
    EXPECT_FALSE(fahr.IsExactMatch(cels));
    EXPECT_TRUE(fahr.IsExactMatch(Temperature("fahr")));
    EXPECT_EQ(fahr.Key(), "tmpf:fahr");
    EXPECT_EQ(cels.Key(), "tmpf:cels");

    // Ids compare exactly.
    DxParm upper = fahr;
    upper.SetId(CxString("TMPF"));
    EXPECT_NE(upper, fahr);
}

TEST_F(UnitTableTest, SetUnitTakesOnlyACompatibleUnit)
{
    DxParm parm = Temperature("fahr");
    parm.SetUnit(DxUnit(CxString("mbar")));
    EXPECT_EQ(parm.Unit(), DxUnit(CxString("fahr")));
    parm.SetUnit(DxUnit(CxString("cels")));
    EXPECT_EQ(parm.Unit(), DxUnit(CxString("cels")));
    EXPECT_EQ(parm.Key(), "tmpf:cels");

    // A parameter without a unit can take degrees, which share its base, but no temperature.
    DxParm lat;
    lat.SetUnit(DxUnit(CxString("cels")));
    EXPECT_EQ(lat.Unit(), DxUnit());
    lat.SetUnit(DxUnit(CxString("degr")));
    EXPECT_EQ(lat.Unit(), DxUnit(CxString("degr")));

    DxVectorParm wind = Wind("Wind");
    wind.SetUnit(DxUnit(CxString("degr")));
    EXPECT_EQ(wind.Unit(), DxUnit(CxString("mps")));
    wind.SetUnit(DxUnit(CxString("kmph")));
    EXPECT_EQ(wind.Unit(), DxUnit(CxString("kmph")));
}

TEST_F(UnitTableTest, VectorParmsMatchByIdUnitAndComponents)
{
    EXPECT_TRUE(Wind("Wind").IsExactMatch(Wind("Vent")));
    EXPECT_EQ(Wind("Wind"), Wind("Vent"));

    const struct
    {
        void (DxVectorParm::*mSet)(const CxString&);
    } components[] = {{&DxVectorParm::SetSamag}, {&DxVectorParm::SetVamag}, {&DxVectorParm::SetDir},
                      {&DxVectorParm::SetUcomp}, {&DxVectorParm::SetVcomp}, {&DxVectorParm::SetGust}};
    for (const auto& c : components)
    {
        DxVectorParm other = Wind("Wind");
        (other.*c.mSet)(CxString("other"));
        EXPECT_FALSE(other.IsExactMatch(Wind("Wind")));
        EXPECT_EQ(other, Wind("Wind")); // equality is by id alone
    }

    DxVectorParm kmph = Wind("Wind");
    kmph.SetUnit(DxUnit(CxString("kmph")));
    EXPECT_FALSE(kmph.IsExactMatch(Wind("Wind")));
    DxVectorParm renamed = Wind("Wind");
    renamed.SetId(CxString("wind2"));
    EXPECT_NE(renamed, Wind("Wind"));
    EXPECT_FALSE(renamed.IsExactMatch(Wind("Wind")));
}
