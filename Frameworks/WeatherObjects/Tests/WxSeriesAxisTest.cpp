#include "WxDrawTestSupport.h"

#include "WxSeries.h"
#include "WxValues.h"
#include "XmlBuilder.h"

#include <random>

namespace
{

using AxisTest = wxdraw::DrawTest;

std::vector<std::string> Texts(const std::vector<CxString>& inTexts)
{
    std::vector<std::string> out;
    for (const CxString& t : inTexts)
        out.push_back(t.AsUtf8());
    return out;
}

void Layout(WxSeriesAxis& ioAxis, double inLo, double inHi, int inHeight)
{
    ioAxis.SetMin(inLo);
    ioAxis.SetMax(inHi);
    ioAxis.Build(CxRect(0, 0, 3, CxSint16(inHeight)));
}

// The worked examples, a swapped pair and -9.15, whose first label f/p computes as -90.99999999999999.
TEST_F(AxisTest, ExamplesGiveTheirStepsAndLabelsAndDrawThem)
{
    const struct
    {
        double mLo, mHi;
        int mHeight;
        double mStep;
        std::vector<std::string> mFirst;
    } cases[] = {
        {0, 37, 300, 5, {"0", "5", "10", "15", "20", "25", "30", "35"}},
        {0, 0.37, 300, 0.05, {"0.00", "0.05", "0.10"}},
        {0, 1, 200, 0.2, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
        {0, 1, 19, 2, {"0"}},
        {1, 0, 200, 0.2, {"0.0", "0.2"}},
        {-9.15, -8.55, 200, 0.1, {"-9.1", "-9.0", "-8.9", "-8.8", "-8.7", "-8.6"}},
        {-1, 0, 200, 0.2, {"-1.0", "-0.8", "-0.6", "-0.4", "-0.2", "0.0"}},
    };
    for (const auto& c : cases)
    {
        WxSeriesAxis axis;
        axis.SetUnit(DxUnit(CxString("mbar")));
        Layout(axis, c.mLo, c.mHi, c.mHeight);
        EXPECT_NEAR(axis.Step(), c.mStep, 1e-12) << c.mLo << " " << c.mHi;
        EXPECT_LE(axis.Min(), axis.Max());
        auto labels = Texts(axis.TickLabels());
        labels.resize(std::min(labels.size(), c.mFirst.size()));
        EXPECT_EQ(labels, c.mFirst) << c.mLo << " " << c.mHi;
        axis.Draw(*mContext, GxColor(1, 1, 1, 1), true, true);
        auto drawn = Texts(axis.DrawnTexts());
        ASSERT_EQ(drawn.size(), axis.TickLabels().size() + 1);
        EXPECT_EQ(drawn[0], DxUnit(CxString("mbar")).Name().AsUtf8());
        axis.DeleteStrings();
    }
}

// Spans 1e-6 to 1e6 of either sign, heights 1 to 1000: the step is 1, 2 or 5 x 10^k and 1 to 2.5 times the
// even share; each tick lies in the rectangle, and each label reads back as its tick's value within half its
// last digit.
TEST_F(AxisTest, SweepOfRangesKeepsStepsTicksAndLabelsTogether)
{
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> exponent(-6, 6), unit(0, 1);
    std::uniform_int_distribution<int> height(1, 1000);
    for (int n = 0; n < 10000; ++n)
    {
        const double span = std::pow(10, exponent(random));
        const double lo = (unit(random) < 0.5 ? -1 : 1) * unit(random) * std::pow(10, exponent(random));
        const int h = height(random);
        WxSeriesAxis axis;
        Layout(axis, lo, lo + span, h);
        const double hi = axis.Max(), range = hi - axis.Min();
        const double x = range / std::max(h / 20, 1);
        const double ratio = axis.Step() / x;
        ASSERT_TRUE(ratio > 1 - 1e-12 && ratio <= 2.5 + 1e-12) << lo << " " << span << " " << h;
        const double mantissa = axis.Step() / std::pow(10, axis.Power());
        ASSERT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 5) < 1e-9)
            << mantissa;
        const auto ticks = axis.TickOffsets();
        const auto labels = axis.TickLabels();
        ASSERT_EQ(labels.size(), ticks.size());
        // From three intervals on the step is below the range, so a tick falls inside.
        ASSERT_TRUE(h < 60 || !ticks.empty()) << lo << " " << span << " " << h;
        const double half = 0.5 * std::pow(10, -axis.Decimals());
        for (std::size_t i = 0; i < ticks.size(); ++i)
        {
            ASSERT_TRUE(ticks[i] >= -1e-6 && ticks[i] < h + 1) << ticks[i];
            const double value = axis.Min() + ticks[i] * range / h;
            const double read = std::strtod(labels[i].AsUtf8().c_str(), nullptr);
            ASSERT_LE(std::fabs(read - value), half * (1 + 1e-6) + 1e-12 * std::fabs(value))
                << labels[i].AsUtf8() << " at " << value << " (" << lo << ", " << span << ", " << h << ")";
        }
    }
}

TEST_F(AxisTest, ValueToLabelKeepsSignAndLeadingZeros)
{
    const std::tuple<std::int64_t, std::int64_t, std::int32_t, const char*> cases[] = {
        {-5, 10, 1, "-0.5"}, {5, 100, 2, "0.05"}, {-1234, 100, 2, "-12.34"}, {-5, 100, 2, "-0.05"}, {-40, 1, 0, "-40"}};
    for (const auto& [value, divisor, decimals, text] : cases)
        EXPECT_EQ(WxSeriesAxis::ValueToLabel(value, divisor, decimals).AsUtf8(), text);
}

// Written with 2 decimals, 0.125 would read back 0.13; the writer adds the digits the value needs.
TEST_F(AxisTest, ExternalizeOnlyWithAFixedBoundAndBoundsReadBackExactly)
{
    for (bool fixed : {false, true})
    {
        WxSeriesAxis axis;
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
        EXPECT_EQ(element->GetAttribute("min").AsUtf8(), "0.125");
        EXPECT_EQ(element->GetAttribute("autoMin").AsUtf8(), "true");
        WxSeriesAxis back;
        back.Internalize(element);
        EXPECT_EQ(back.Min(), 0.125);
        EXPECT_EQ(back.Max(), 0.1 + 0.2);
        EXPECT_EQ(back.Unit().Id().AsUtf8(), "mbar");
        EXPECT_TRUE(back.AutoMin());
        EXPECT_FALSE(back.AutoMax());
    }
}

TEST_F(AxisTest, WrittenNumbersReadBackAsTheSameDouble)
{
    const std::tuple<double, int, const char*> cases[] = {
        {0.125, 2, "0.125"},     {0.5, 0, "0.5"},         {1013.25, 1, "1013.25"},
        {2.0, 2, "2.00"},        {-0.0625, 1, "-0.0625"}, {std::nan(""), 2, ""},
        {0.1 + 0.2, 2, nullptr}, {1e-300, 2, nullptr},    {-123456789.123456789, 0, nullptr}};
    for (const auto& [value, decimals, text] : cases)
    {
        const CxString written = WxWriteNumber(value, decimals);
        if (text != nullptr)
        {
            EXPECT_EQ(written.AsUtf8(), text);
        }
        if (!std::isnan(value))
            EXPECT_EQ(WxReadDouble(written), value) << written.AsUtf8();
        else
            EXPECT_TRUE(std::isnan(WxReadOptionalNumber(written)));
    }
    EXPECT_TRUE(std::isnan(WxReadOptionalNumber(CxString("NaN"))));
}

// A height of 0 or below would step ticks by 0 forever, and an infinite bound made floor(log10 x) an integer out
// of range; ctest's timeout and UBSan watch. Equal fixed bounds leave only the unit name.
TEST_F(AxisTest, NoHeightOrNoRangeReturnsAtOnce)
{
    const double inf = HUGE_VAL;
    const std::tuple<double, double, int, int> cases[] = {{0, 10, 0, 0},     {0, 10, -5, 0}, {0, inf, 300, 1},
                                                          {-inf, 0, 300, 1}, {5, 5, 300, 1}, {-1e308, 1e308, 300, 1}};
    for (const auto& [lo, hi, height, texts] : cases)
    {
        WxSeriesAxis axis;
        Layout(axis, lo, hi, height);
        EXPECT_FALSE(axis.HasTicks());
        EXPECT_TRUE(axis.TickOffsets().empty());
        const auto lines = gxtest::OfToken(
            gxtest::CaptureFeedback([&] { axis.Draw(*mContext, GxColor(1, 1, 1, 1), false, true); }), GL_LINE_TOKEN);
        EXPECT_TRUE(lines.empty()) << lo << " " << hi << " " << height;
        EXPECT_EQ(int(axis.DrawnTexts().size()), texts);
        axis.DeleteStrings();
    }
}

} // namespace
