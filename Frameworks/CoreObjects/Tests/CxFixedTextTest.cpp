// Numbers written with more decimals than any double needs: the digits stop at 1100 decimals, where the exact
// expansion of every double has ended. Expected texts from Python's format(math.nextafter(v, away from 0), '.1100f'):
// the constructor moves the value one step away from zero first.
#include "CxString.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// The text padded with zeros to 1100 decimals.
std::string Padded(const std::string& inDigits)
{
    const std::size_t point = inDigits.find('.');
    return inDigits + std::string(1100 - (inDigits.size() - point - 1), '0');
}

TEST(CxFixedText, DecimalsStopWhereEveryDoubleHasEnded)
{
    const std::string half = "0.50000000000000011102230246251565404236316680908203125";
    const std::string tenth = "-0.10000000000000001942890293094023945741355419158935546875";
    // The smallest denormal moved up to twice itself: its expansion needs 1073 decimals.
    const std::string denormal =
        "0." + std::string(323, '0') +
        "9881312916824930883531375857364427447301196052286495288511713650013510145404175037305996727232719847"
        "5959312939089143546185331342071187959279754959202156375625260142638062280905569163433569796420737743"
        "7272113997461446100012774818307129968774624946794546339230280063430770796148252477131182342053317113"
        "3735363740791206212498638905431829849106586109130888022549602594199990838639788181608331266490495142"
        "9573802945356031871047722310026960705298694403875805362142149834066644536895066714416648638721847657"
        "8691673612021202301233961950615668455463665849580996504946155275185449574931216955640746893939906729"
        "4035945355435170251321102398263009782202902075725476334501911674779467197987329619882328411405274180"
        "55848553508913045817507736501283943653106689453125";
    const struct
    {
        double mValue;
        int mDecimals;
        const std::string& mDigits;
    } kRows[] = {{0.5, 1100, half},   {0.5, 1101, half},        {0.5, 5000, half},       {-0.1, 1200, tenth},
                 {-0.1, 1100, tenth}, {5e-324, 2000, denormal}, {5e-324, 1100, denormal}};
    for (const auto& row : kRows)
    {
        const std::string text = CxString(row.mValue, row.mDecimals).AsUtf8();
        EXPECT_EQ(text, Padded(row.mDigits)) << row.mValue << " with " << row.mDecimals << " decimals";
    }
    EXPECT_EQ(CxString(0.5, 60).AsUtf8(), half + "0000000");
}

} // namespace
