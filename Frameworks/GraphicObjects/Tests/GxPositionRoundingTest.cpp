// Grid-cell codes and degree-minute-second texts of positions given in decimal degrees, against exact decimal
// arithmetic (tools/make_cell_reference.py for the cells).
#include "GxCoordinates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::vector<double> Parts(std::ifstream& ioIn)
{
    std::string line, field;
    std::getline(ioIn, line);
    std::stringstream fields(line.substr(4));
    std::vector<double> parts;
    while (std::getline(fields, field, ','))
        parts.push_back(std::strtod(field.c_str(), nullptr));
    return parts;
}
} // namespace

TEST(GxPositionRounding, CellCodesOfTheHundredthDegreeLattice)
{
    std::ifstream in(std::string(GX_DATA5_DIR) + "/cells.csv");
    const std::vector<double> lonParts = Parts(in), latParts = Parts(in);
    ASSERT_EQ(lonParts.size(), 2301u);
    ASSERT_EQ(latParts.size(), 1151u);
    std::size_t differing = 0;
    for (int i = 0; i < 2301; ++i)
        for (int j = 0; j < 1151; ++j)
        {
            const double code = GxPosition().FromDegrees((-8000 + i) / 100.0, (4400 + j) / 100.0).AsSifort();
            if (!(code == lonParts[i] + latParts[j]) && differing++ < 5)
                ADD_FAILURE() << "at " << (-8000 + i) / 100.0 << ", " << (4400 + j) / 100.0 << ": " << code;
        }
    EXPECT_EQ(differing, 0u) << "of 2648451 lattice points";
    EXPECT_FALSE(std::isnan(GxPosition().FromDegrees(-70.0, 44.0).AsSifort()));
}

// Every hundredth of a degree is a whole number of seconds (36 of them), which the text must show.
TEST(GxPositionRounding, ArcSecondsOfHundredthDegrees)
{
    std::size_t differing = 0;
    for (int k = -9000; k <= 9000; ++k)
    {
        const int seconds = std::abs(k) * 36;
        char expected[32];
        std::snprintf(expected, sizeof expected, "%d %02d %02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
        const std::string text =
            GxPosition().FromDegrees(k / 200.0, k / 100.0).AsString(CxString("%da %02ma %02sa")).AsUtf8();
        if (text != expected && differing++ < 5)
            ADD_FAILURE() << k / 100.0 << " degrees: " << text << ", not " << expected;
    }
    EXPECT_EQ(differing, 0u);
}
