#include "GxCoordinates.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Format(double inLonDegrees, double inLatDegrees, const char* inFormat)
{
    return GxPosition().FromDegrees(inLonDegrees, inLatDegrees).AsString(CxString(inFormat)).AsUtf8();
}

// The smallest radian value that converts back to at least the given degrees (exactly them where one does).
double RadiansAtLeast(double inDegrees)
{
    double radians = inDegrees * kGxPi / 180.0;
    while (radians * 180.0 / kGxPi < inDegrees)
        radians = std::nextafter(radians, 10.0);
    while (std::nextafter(radians, -10.0) * 180.0 / kGxPi >= inDegrees)
        radians = std::nextafter(radians, -10.0);
    return radians;
}

const std::string kDegree = "\xC2\xB0"; // code unit 176 as UTF-8

} // namespace

TEST(GxPositionTest, ConversionsAndEquality)
{
    GxPosition p;
    p.FromDegrees(180, -90);
    EXPECT_DOUBLE_EQ(p.mLongitude, kGxPi);
    EXPECT_DOUBLE_EQ(p.mLatitude, -kGxPi / 2);
    p.FromDegrees(GxPoint(-97.456, 35.123));
    EXPECT_DOUBLE_EQ(p.AsDegrees().mLongitude, -97.456);
    EXPECT_DOUBLE_EQ(p.AsDegrees().mLatitude, 35.123);
    EXPECT_FALSE(GxPosition(kNaN, 0).IsEqualTo(GxPosition(kNaN, 0)));

    // Minutes and seconds are added even to negative degrees.

    EXPECT_DOUBLE_EQ(GxPosition::CalcDegrees(-97, 30, 0), -96.5);
    EXPECT_DOUBLE_EQ(GxPosition::CalcRadians(-97, 30, 0), -96.5 * kGxPi / 180);
}

TEST(GxPositionTest, DefaultText)
{
    GxPosition p;
    p.FromDegrees(-97.456, 35.123);
    EXPECT_EQ(p.AsString().AsUtf8(), "35.123" + kDegree + " N, 97.456" + kDegree + " W");
    EXPECT_EQ(p.AsString()[6], 176); // the degree sign is the one unit 176

    EXPECT_EQ(Format(12.5, -0.25, "%3.3Da%* %N, %3.3Do%* %W"), "0.250" + kDegree + " S, 12.500" + kDegree + " E");
    // Exactly zero: no hemisphere letter.
    EXPECT_EQ(GxPosition(0, 0).AsString().AsUtf8(), "0.000" + kDegree + " , 0.000" + kDegree + " ");

    EXPECT_EQ(GxPosition(0.1, kNaN).AsString().AsUtf8(), "");
    EXPECT_EQ(GxPosition(kNaN, 0.1).AsString().AsUtf8(), "");
}

TEST(GxPositionTest, FieldFormats)
{
    const struct
    {
        double mLon;
        double mLat;
        const char* mFormat;
        const char* mExpected;
    } cases[] = {
        {0, 5.9, "%02dn", "05"},
        {0, 35.5, "%2mn", "30"},
        {0, 35.5, "%dn%mn", "3530"},
        // 35.513 degrees: 35 degrees 30.78 minutes, 46.8 seconds.
        {0, 35.513, "%dn %mn %sn", "35 30 46"},
        {0, 35.513, "%dn:%02mn:%02sn", "35:30:46"},
        // Whole degrees are floored, also for negative values.
        {0, -35.5, "%dn", "-36"},
        {0, -35.5, "%da", "35"},
        {0, -35.5, "%ds", "35"},
        {-97.25, 0, "%do|%de|%dw", "97|-98|97"},
        // D keeps the fraction and prints the field's decimals (none without a point).
        {0, 35.123, "%Da", "35"},
        {0, 35.123, "%1.2Da", "35.12"},
        {0, -35.6, "%8.1Dn|", "   -35.6|"},
        {0, 35.6, "%08.2Dn", "00035.60"},
        // Another unit letter: degrees floored, unless a point was given.
        {0, 35.6, "%xa", "35"},
        {0, 35.6, "%1.1xa", "35.6"},
        // Another value letter: 0.
        {10, 35.6, "%1.1Dq", "0.0"},
        // Hemisphere letters, the degree sign and plain text around fields.
        {-10, -20, "lat %N lon %W%*", "lat S lon W\xC2\xB0"},
        {10, 20, "%N%W", "NE"},
        {0, 0, "%N%W", ""},
        {0, 0, "no fields", "no fields"},
        {0, 0, "", ""},
        // A field cut off by the end is dropped without error.
        {0, 35.123, "x %3.3D", "x "},
        {0, 35.123, "x %", "x "},
        {0, 35.123, "x %3.", "x "},
        // Errors: the whole output becomes "ERROR".
        {0, 35.123, "abc %!", "ERROR"},
        {0, 35.123, "%%", "ERROR"},
        {0, 35.123, "%3.a", "ERROR"},
        {0, 35.123, "%D5", "ERROR"},
        {0, 35.123, "%3-Da", "ERROR"},
        {0, 35.123, "%.2Da", "ERROR"}, // a point needs a width before it
        {0, 35.123, "%1.2.Da", "ERROR"},
        {0, 35.123, "%Da %3.3Da %D.", "ERROR"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format(c.mLon, c.mLat, c.mFormat), c.mExpected) << c.mFormat;
}

TEST(GxPositionTest, HugeWidthAndDecimalsAreCapped)
{
    const std::string wide = Format(0, 35.123, "%999999999Da");
    EXPECT_EQ(wide.size(), 64u);
    EXPECT_EQ(wide.substr(wide.size() - 3), " 35");

    const std::string zeros = Format(0, 35.123, "%099999999999999999999Da");
    EXPECT_EQ(zeros, std::string(62, '0') + "35");

    // 17 decimals at most.
    const std::string precise = Format(0, 35.5, "%1.999999999999Da");
    EXPECT_EQ(precise.size(), 20u);
    EXPECT_EQ(precise.substr(0, 17), "35.50000000000000");
}

TEST(GxPositionTest, GridCellCode)
{
    GxPosition p;
    p.FromDegrees(-79.4996, 44.5004);
    EXPECT_EQ(p.AsSifort(), 30310101.0);
    EXPECT_EQ(p.AsString(CxString("%S")).AsUtf8(), "0303-1-0101");
    EXPECT_EQ(p.AsString(CxString("[%S] %N")).AsUtf8(), "[0303-1-0101] N");

    // The area's corners are included (-80, -57 and 55.5 degrees convert exactly; 44 has no exact radians).
    const double west = RadiansAtLeast(-80);
    const double east = RadiansAtLeast(-57);
    const double north = RadiansAtLeast(55.5);
    ASSERT_EQ(west * 180 / kGxPi, -80.0);
    ASSERT_EQ(east * 180 / kGxPi, -57.0);
    ASSERT_EQ(north * 180 / kGxPi, 55.5);
    EXPECT_EQ(GxPosition(west, RadiansAtLeast(44)).AsSifort(), 10110101.0);
    EXPECT_EQ(GxPosition(east, north).AsSifort(), 934710101.0);
    EXPECT_EQ(GxPosition(east, north).AsString(CxString("%S")).AsUtf8(), "9347-1-0101");

    const GxPosition outside[] = {
        GxPosition().FromDegrees(-97.456, 35.123),
        // An ulp beyond an edge is on it (degrees come back from radians an ulp off); a nanoradian is not.
        GxPosition(west - 1e-9, RadiansAtLeast(50)),
        GxPosition(east + 1e-9, RadiansAtLeast(50)),
        GxPosition(RadiansAtLeast(-60), north + 1e-9),
        GxPosition(RadiansAtLeast(-60), RadiansAtLeast(44) - 1e-9),
        GxPosition(kNaN, RadiansAtLeast(50)),
        GxPosition(RadiansAtLeast(-60), kNaN),
    };
    for (const GxPosition& position : outside)
    {
        EXPECT_TRUE(std::isnan(position.AsSifort())) << position.mLongitude << "," << position.mLatitude;
        EXPECT_EQ(position.AsString(CxString("%S")).AsUtf8(), "0000-0-0000");
    }
}

TEST(GxPositionTest, TextIgnoresTheLocale)
{
    // A comma-decimal locale changes nothing.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locale de_DE.UTF-8 missing (scripts/install-deps)";
    const std::string position = GxPosition().FromDegrees(-97.456, 35.123).AsString().AsUtf8();
    const std::string point = GxPoint(1.5, -2).AsString().AsUtf8();
    const std::string rect = GxRect(0.25, 1, 2, 3).AsString().AsUtf8();
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(position, "35.123" + kDegree + " N, 97.456" + kDegree + " W");
    EXPECT_EQ(point, "1.500,-2.000");
    EXPECT_EQ(rect, "0.250,1.000,2.000,3.000");
}
