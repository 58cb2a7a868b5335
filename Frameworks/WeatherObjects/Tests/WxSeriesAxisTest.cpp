#include "WxDrawTestSupport.h"

#include "WxSeries.h"
#include "WxValues.h"
#include "XmlBuilder.h"

#include <random>

namespace
{

using AxisTest = wxdraw::DrawTest;

void Layout(WxSeriesAxis& ioAxis, double inLo, double inHi, int inHeight)
{
    ioAxis.SetMin(inLo);
    ioAxis.SetMax(inHi);
    ioAxis.Build(CxRect(0, 0, 3, CxSint16(inHeight)));
}

std::string Joined(const std::vector<CxString>& inTexts)
{
    std::string out;
    for (const CxString& text : inTexts)
        out += text.AsUtf8() + " ";
    return out;
}

// The worked examples, a swapped pair, -9.15 whose first label f/p computes as -90.99999999999999, and bounds
// that leave no scale: a height of 0 or below stepped by 0 forever, an infinite bound made floor(log10 x) an
// integer out of range (ctest's timeout and UBSan watch), equal fixed bounds draw only the unit name.
TEST_F(AxisTest, ExamplesGiveTheirStepsAndLabelsAndDrawThem)
{
    const std::tuple<double, double, int, double, const char*> cases[] = {
        {0, 37, 300, 5, "0 5 10 15 20 25 30 35 "},
        {0, 0.37, 300, 0.05, "0.00 0.05 0.10 0.15 0.20 0.25 0.30 0.35 "},
        {0, 1, 200, 0.2, "0.0 0.2 0.4 0.6 0.8 1.0 "},
        {0, 1, 19, 2, "0 "},
        {1, 0, 200, 0.2, "0.0 0.2 0.4 0.6 0.8 1.0 "},
        {-9.15, -8.55, 200, 0.1, "-9.1 -9.0 -8.9 -8.8 -8.7 -8.6 "},
        {0, 10, 0, 0, nullptr},
        {0, 10, -5, 0, nullptr},
        {0, HUGE_VAL, 300, 0, ""},
        {-HUGE_VAL, 0, 300, 0, ""},
        {5, 5, 300, 0, ""},
        {-1e308, 1e308, 300, 0, ""}};
    const std::string unit = DxUnit(CxString("mbar")).Name().AsUtf8() + " ";
    for (const auto& [lo, hi, height, step, labels] : cases)
    {
        WxSeriesAxis axis;
        axis.SetUnit(DxUnit(CxString("mbar")));
        Layout(axis, lo, hi, height);
        EXPECT_NEAR(axis.Step(), step, 1e-12) << lo << " " << hi;
        axis.Draw(*mContext, GxColor(1, 1, 1, 1), true, true);
        EXPECT_EQ(Joined(axis.DrawnTexts()), labels != nullptr ? unit + labels : "");
    }
}

// Spans 1e-6 to 1e6 of either sign, heights 1 to 1000: the step is 1, 2 or 5 x 10^k and 1 to 2.5 times the even
// share; each tick lies in the rectangle and its label reads back as its value within half the last digit.
TEST_F(AxisTest, SweepOfRangesKeepsStepsTicksAndLabelsTogether)
{
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> exponent(-6, 6), unit(0, 1);
    for (int n = 0; n < 10000; ++n)
    {
        const double span = std::pow(10, exponent(random));
        const double lo = (unit(random) < 0.5 ? -1 : 1) * unit(random) * std::pow(10, exponent(random));
        const int h = 1 + int(unit(random) * 1000);
        WxSeriesAxis axis;
        Layout(axis, lo, lo + span, h);
        const double range = axis.Max() - axis.Min();
        const double ratio = axis.Step() / (range / std::max(h / 20, 1));
        const double mantissa = axis.Step() / std::pow(10, axis.Power());
        ASSERT_TRUE(ratio > 1 - 1e-12 && ratio <= 2.5 + 1e-12) << lo << " " << span << " " << h;
        ASSERT_NEAR(mantissa, mantissa < 1.5 ? 1 : mantissa < 3.5 ? 2 : 5, 1e-9);
        const auto ticks = axis.TickOffsets();
        const auto labels = axis.TickLabels();
        ASSERT_EQ(labels.size(), ticks.size());
        ASSERT_TRUE(h < 60 || !ticks.empty()) << lo; // from three intervals on, the step is below the range
        const double half = 0.5 * std::pow(10, -axis.Decimals());
        for (std::size_t i = 0; i < ticks.size(); ++i)
        {
            ASSERT_TRUE(ticks[i] >= -1e-6 && ticks[i] < h + 1) << ticks[i];
            const double value = axis.Min() + ticks[i] * range / h;
            ASSERT_LE(std::fabs(std::stod(labels[i].AsUtf8()) - value), half * (1 + 1e-6) + 1e-12 * std::fabs(value))
                << labels[i].AsUtf8() << " at " << value << " (" << lo << ", " << span << ", " << h << ")";
        }
    }
}

// With 2 fixed decimals 0.125 read back 0.13: the writer adds the digits a value needs. Labels of integers
// standing for value / divisor keep their sign and leading zeros.
TEST_F(AxisTest, BoundsAreWrittenOnlyWhenFixedAndReadBackExactlyAndLabelsKeepTheirSign)
{
    const std::tuple<std::int64_t, std::int64_t, std::int32_t, const char*> labels[] = {
        {-5, 10, 1, "-0.5"}, {5, 100, 2, "0.05"}, {-1234, 100, 2, "-12.34"}, {-5, 100, 2, "-0.05"}, {-40, 1, 0, "-40"}};
    for (const auto& [value, divisor, decimals, text] : labels)
        EXPECT_EQ(WxSeriesAxis::ValueToLabel(value, divisor, decimals).AsUtf8(), text);
    const std::tuple<double, int, const char*> numbers[] = {
        {0.125, 2, "0.125"},   {0.5, 0, "0.5"},         {2.0, 2, "2.00"},     {-0.0625, 1, "-0.0625"},
        {std::nan(""), 2, ""}, {0.1 + 0.2, 2, nullptr}, {1e-300, 2, nullptr}, {-123456789.123456789, 0, nullptr}};
    for (const auto& [value, decimals, text] : numbers)
    {
        const CxString written = WxWriteNumber(value, decimals);
        EXPECT_EQ(written.AsUtf8(), text != nullptr ? text : written.AsUtf8());
        EXPECT_TRUE(std::isnan(value) ? std::isnan(WxReadOptionalNumber(written)) : WxReadDouble(written) == value);
    }
    for (bool fixed : {false, true})
    {
        WxSeriesAxis axis, back;
        axis.SetUnit(DxUnit(CxString("mbar")));
        axis.SetMin(0.125);
        axis.SetMax(0.1 + 0.2);
        axis.SetAutoMax(!fixed);
        XmlBuilder builder;
        axis.Externalize(builder);
        const XmlElement* element = builder.Root()->FindElement(CxString("axis"));
        ASSERT_EQ(element != nullptr, fixed);
        if (!fixed)
            continue;
        back.Internalize(element);
        EXPECT_EQ(std::tuple(back.Min(), back.Max(), back.Unit().Id().AsUtf8(), back.AutoMin(), back.AutoMax()),
                  std::tuple(0.125, 0.1 + 0.2, std::string("mbar"), true, false));
    }
}

} // namespace
