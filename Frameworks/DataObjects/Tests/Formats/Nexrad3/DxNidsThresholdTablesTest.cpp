// The value each pixel level stands for, as the ICD's threshold words define it for the digital products, on real
// products (some given another product's code), and a raster row that runs past the end of its data.
#include "DxField.h"
#include "DxNidsLevelThree.h"
#include "DxNidsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

namespace
{
using nidstest::Bytes;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

using nidstest::Decode;
using nidstest::ReadAll;

// Big-endian words at a message offset (after the 30-byte heading).
void Put16(Bytes& ioBytes, std::size_t inOffset, CxUint16 inValue)
{
    ioBytes.at(30 + inOffset) = CxUint8(inValue >> 8);
    ioBytes.at(30 + inOffset + 1) = CxUint8(inValue);
}

void Put32(Bytes& ioBytes, std::size_t inOffset, CxUint32 inValue)
{
    Put16(ioBytes, inOffset, CxUint16(inValue >> 16));
    Put16(ioBytes, inOffset + 2, CxUint16(inValue));
}

CxUint16 Get16(const Bytes& inBytes, std::size_t inOffset)
{
    return CxUint16(inBytes.at(30 + inOffset) << 8 | inBytes.at(30 + inOffset + 1));
}

struct Level
{
    CxSint32 mLevel;
    double mValue; // NaN: no value
};

struct TableRow
{
    const char* mFile;
    CxUint16 mCode;               // the message code given to the product, 0 to keep its own
    std::vector<CxUint16> mWords; // threshold words given to it from the first, none to keep its own
    CxSint32 mDataType;
    std::size_t mLevels; // entries of "tracking", 0 for none
    std::vector<Level> mValues;
    double mLow, mHigh; // "dataRange", NaN for none
};

// Threshold words: DPA's -60, 125, 256 (ICD: -6.0 dBA, 0.125 dBA steps, 256 levels; the real DPA's packet 17 is
// not read, so a packet-16 product carries them); DVL's coefficients 90.6875, 2.0, 20, 38.875, 83.875 (ICD: linear
// below level 20, logarithmic from it, 0 to 80 kg/m2); EET's mask 127, scale 1, offset 2, topped flag 128 (ICD:
// kft = (level AND 127) - 2); N0Q's -320, 5, 254.
TEST(NidsThresholdTables, ValuesOfTheDigitalProducts)
{
    const double vilTop = std::exp((254 - 83.875) / 38.875);
    const TableRow kRows[] = {
        {"KBMX_SDUS54_N0QBMX_201501020205",
         81,
         {CxUint16(-60), 125, 256},
         2,
         257,
         {{0, kNone}, {1, -6.0}, {2, -5.875}, {49, 0.0}, {256, 25.875}},
         -6.0,
         26.0},
        {"KBMX_SDUS54_DVLBMX_201501020205",
         0,
         {},
         1,
         256,
         {{0, kNone},
          {1, kNone},
          {2, 0.0},
          {19, 17 / 90.6875},
          {20, std::exp(-63.875 / 38.875)},
          {254, vilTop},
          {255, kNone}},
         kNone,
         kNone},
        {"KOKX_SDUS71_EETOKX_201108280702",
         0,
         {},
         1,
         256,
         {{1, kNone}, {2, 0.0}, {72, 70.0}, {127, 125.0}, {130, 0.0}, {199, 69.0}, {255, kNone}},
         kNone,
         kNone},
        // TDWR reflectivity, its words taken as they stand; and base velocity (code 23) with its palette.
        {"KBMX_SDUS54_N0QBMX_201501020205",
         180,
         {},
         1,
         256,
         {{1, kNone}, {2, -320.0}, {3, -315.0}, {255, 945.0}},
         -320.0,
         950.0},
        {"KBMX_SDUS54_N0VBMX_201501020205", 23, {}, 2, 0, {}, kNone, kNone},
        {"KBMX_SDUS54_N0VBMX_201501020205", 0, {}, 2, 0, {}, kNone, kNone},
    };
    EXPECT_NEAR(vilTop, 79.5, 0.1);
    for (const TableRow& row : kRows)
    {
        SCOPED_TRACE(std::string(row.mFile) + " as code " + std::to_string(row.mCode));
        SKY_NEED_TESTDATA_FILE(path, std::string("nexrad3/") + row.mFile);
        Bytes bytes = ReadAll(path);
        if (row.mCode != 0)
            Put16(bytes, 0, row.mCode);
        for (std::size_t i = 0; i < row.mWords.size(); ++i)
            Put16(bytes, 60 + 2 * i, row.mWords[i]); // threshold halfwords from the 31st
        const auto image = Decode(bytes);
        ASSERT_NE(image, nullptr);
        const DxIntField* dataType = image->FindIntField("dataType");
        ASSERT_NE(dataType, nullptr);
        EXPECT_EQ(dataType->at(0), row.mDataType);
        const DxFloatField* tracking = image->FindFloatField("tracking");
        ASSERT_EQ(tracking != nullptr ? tracking->size() : 0, row.mLevels);
        EXPECT_EQ(image->FindStringField("dataLevel") != nullptr, row.mLevels == 0);
        for (const Level& level : row.mValues)
        {
            const double value = tracking->at(std::size_t(level.mLevel));
            if (std::isnan(level.mValue))
                EXPECT_TRUE(std::isnan(value)) << "level " << level.mLevel << ": " << value;
            else
                EXPECT_NEAR(value, level.mValue, 1e-4) << "level " << level.mLevel;
        }
        const DxFloatField* range = image->FindFloatField("dataRange");
        ASSERT_EQ(range != nullptr, !std::isnan(row.mLow));
        if (range != nullptr)
        {
            ASSERT_EQ(range->size(), 2u);
            EXPECT_NEAR(range->at(0), row.mLow, 1e-9);
            EXPECT_NEAR(range->at(1), row.mHigh, 1e-9);
        }
    }
}

// Every level of the echo tops follows the ICD's rule, the topped flag dropped; VIL grows with its level.
TEST(NidsThresholdTables, EveryLevelOfEchoTopsAndVil)
{
    SKY_NEED_TESTDATA_FILE(eet, "nexrad3/KOKX_SDUS71_EETOKX_201108280702");
    SKY_NEED_TESTDATA_FILE(dvl, "nexrad3/KBMX_SDUS54_DVLBMX_201501020205");
    const auto tops = Decode(ReadAll(eet));
    const auto vil = Decode(ReadAll(dvl));
    ASSERT_NE(tops, nullptr);
    ASSERT_NE(vil, nullptr);
    const DxFloatField* kft = tops->FindFloatField("tracking");
    const DxFloatField* kg = vil->FindFloatField("tracking");
    ASSERT_NE(kft, nullptr);
    ASSERT_NE(kg, nullptr);
    for (CxSint32 level = 2; level <= 254; ++level)
    {
        EXPECT_EQ(kft->at(std::size_t(level)), (level & 127) - 2) << level;
        if (level > 2)
        {
            EXPECT_GT(kg->at(std::size_t(level)), kg->at(std::size_t(level) - 1)) << level;
        }
    }
}

// The ICD's 16-bit coefficient: sign, five exponent bits biased by 16, ten fraction bits; a zero exponent gives
// 2 x fraction.
TEST(NidsThresholdTables, CoefficientWords)
{
    const std::pair<CxUint16, double> kWords[] = {{0x4000, 1.0},
                                                  {0x4400, 2.0},
                                                  {0x3C00, 0.5},
                                                  {0xC200, -1.5},
                                                  {0x4C00, 8.0},
                                                  {0x59AB, 90.6875},
                                                  {0x54DC, 38.875},
                                                  {0x593E, 83.875},
                                                  {0x0200, 1.0},
                                                  {0x8100, -0.5},
                                                  {0x7FFF, std::ldexp(2047.0 / 1024, 15)}};
    for (const auto& [word, value] : kWords)
        EXPECT_DOUBLE_EQ(NidsLevelThreeParser::Coefficient(word), value) << std::hex << word;
}

// A raster product cut in the middle of its last row, its lengths made to agree: the rows before it are drawn as in
// the whole product, and the cut row ends where the data does (a read past the buffer dies in the ASan tree).
TEST(NidsThresholdTables, RasterRowRunningPastTheDataIsCut)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS64_NCZBMX_201501020205");
    const Bytes whole = ReadAll(path);
    const auto reference = Decode(whole);
    ASSERT_NE(reference, nullptr);
    const std::size_t packet = 120 + 10 + 8; // message, description, symbology and layer heads, packet code
    ASSERT_EQ(Get16(whole, packet - 2), 0xBA07);
    const CxUint16 rows = Get16(whole, packet + 16);
    std::size_t row = packet + 16 + 2 + 2;
    for (CxUint16 r = 0; r + 1 < rows; ++r)
        row += 2 + Get16(whole, row);
    const CxUint16 count = Get16(whole, row);
    ASSERT_GT(count, 4);
    const std::size_t end = row + 2 + count / 2; // message offset where the data now ends
    Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(30 + end));
    Put32(cut, 8, CxUint32(end));                  // message length
    Put32(cut, 112, 0);                            // no graphic block
    Put32(cut, 116, 0);                            // no tabular block
    Put32(cut, 124, CxUint32(end - 120));          // symbology block length
    Put32(cut, 132, CxUint32(end - (packet - 2))); // layer length
    cut.shrink_to_fit();
    const auto image = Decode(cut);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->Width(), reference->Width());
    ASSERT_EQ(image->Height(), reference->Height());
    const std::size_t columns = std::size_t(image->Width());
    std::size_t same = 0, lastRowInk = 0;
    for (std::size_t r = 0; r + 1 < rows; ++r)
        for (std::size_t c = 0; c < columns; ++c)
            same += image->Pixels()[r * columns + c] == reference->Pixels()[r * columns + c];
    for (std::size_t c = 0; c < columns; ++c)
        lastRowInk += image->Pixels()[(rows - 1u) * columns + c] != 0;
    EXPECT_EQ(same, (rows - 1u) * columns);
    EXPECT_EQ(lastRowInk, 0u);
}
} // namespace
