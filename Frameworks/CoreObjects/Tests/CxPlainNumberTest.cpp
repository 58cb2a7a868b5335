// AsDouble and AsFloat read plain decimals directly and hand every other text to the state machine; both roads
// must give the state machine's answer on any text, bit for bit, whichever road a text takes.
#include "CxParsers.h"
#include "CxString.h"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

template <typename T> T MachineValue(const CxString& inText)
{
    CxFloatParser<T> parser;
    return inText.ParseValue(parser) ? parser.Value() : T(0);
}

// Texts built from the grammar's pieces and near misses: signs, runs of zeros, digits, points, exponent letters,
// letters of "nan" and "inf", blanks, non-ASCII digits and units beyond the byte range.
CxString RandomText(std::mt19937_64& ioRandom)
{
    static const std::vector<std::u16string> kPieces = {u"-",      u"+",
                                                        u"0",      u"000",
                                                        u"7",      u"12345678901234567890",
                                                        u".",      u".",
                                                        u"e",      u"E",
                                                        u"e-",     u"e+",
                                                        u"5",      u"308",
                                                        u"999",    u"1e-9",
                                                        u"n",      u"a",
                                                        u"inf",    u"x",
                                                        u" ",      u"\u0661",
                                                        u"\uFF15", u"\u0130",
                                                        u"9",      u"00000000000000000000000000001",
                                                        u"50",     u"4e-32",
                                                        u"1.",     u".5"};
    std::u16string text;
    for (int n = int(ioRandom() % 7); n >= 0; --n)
        text += kPieces[ioRandom() % kPieces.size()];
    return CxString(reinterpret_cast<const CxUint16*>(text.c_str()), CxUint32(text.size()));
}

TEST(CxPlainNumber, EveryTextReadsAsTheStateMachineReadsIt)
{
    std::mt19937_64 random(55);
    for (int i = 0; i < 200000; ++i)
    {
        const CxString text = RandomText(random);
        std::unique_ptr<char[]> narrow(text.AsCString());
        const double machine = MachineValue<double>(text);
        const double direct = text.AsDouble();
        ASSERT_EQ(std::bit_cast<CxUint64>(direct), std::bit_cast<CxUint64>(machine)) << narrow.get();
        const float machineSingle = MachineValue<float>(text);
        ASSERT_EQ(std::bit_cast<CxUint32>(text.AsFloat()), std::bit_cast<CxUint32>(machineSingle)) << narrow.get();
    }
}

// Beyond the 800 kept digits only "all zero or not" counts, on either side of the point.
TEST(CxPlainNumber, LongDigitRunsReadAsTheStateMachineReadsThem)
{
    const std::string nines(900, '9');
    const std::string zeros(900, '0');
    for (const std::string& text :
         {"1" + zeros, "1" + zeros + "1", "0." + zeros + "1", "1." + zeros + "1e-500", "2" + zeros + ".5e-899",
          "0." + nines, nines + "." + nines, "-" + zeros + "." + zeros + "25", "1" + zeros + "." + nines + "e-1000",
          "0.00" + std::string(798, '3') + "5000" + zeros + "1"})
    {
        const CxString ours(text.c_str());
        EXPECT_EQ(std::bit_cast<CxUint64>(ours.AsDouble()), std::bit_cast<CxUint64>(MachineValue<double>(ours)))
            << text.substr(0, 40);
        EXPECT_EQ(std::bit_cast<CxUint32>(ours.AsFloat()), std::bit_cast<CxUint32>(MachineValue<float>(ours)))
            << text.substr(0, 40);
    }
}

} // namespace
