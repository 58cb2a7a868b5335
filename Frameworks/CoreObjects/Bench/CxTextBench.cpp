// Number text speed: CxString(double, 3) against snprintf("%0.3f"), AsDouble() against strtod, each pair on the
// same 10,000 values; AsDouble() also on hard texts, its results first checked bit for bit against strtod's.
#include "CxString.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr int kCount = 10000;

const std::vector<double>& Values()
{
    static const std::vector<double> values = []
    {
        std::mt19937_64 random(42);
        std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
        std::uniform_int_distribution<int> exponent(-3, 6);
        std::vector<double> out;
        for (int i = 0; i < kCount; ++i)
            out.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
        return out;
    }();
    return values;
}

const std::vector<std::string>& ShortTexts()
{
    static const std::vector<std::string> texts = []
    {
        std::vector<std::string> out;
        char buffer[64];
        for (double v : Values())
        {
            std::snprintf(buffer, sizeof buffer, "%0.3f", v);
            out.emplace_back(buffer);
        }
        return out;
    }();
    return texts;
}

void BM_CxStringDouble3(benchmark::State& ioState)
{
    const std::vector<double>& values = Values();
    for (auto _ : ioState)
    {
        for (double v : values)
        {
            CxString text(v, 3);
            benchmark::DoNotOptimize(text.GetChars());
        }
    }
    ioState.SetItemsProcessed(ioState.iterations() * kCount);
}
BENCHMARK(BM_CxStringDouble3);

void BM_SnprintfDouble3(benchmark::State& ioState)
{
    const std::vector<double>& values = Values();
    char buffer[64];
    for (auto _ : ioState)
    {
        for (double v : values)
        {
            std::snprintf(buffer, sizeof buffer, "%0.3f", v);
            benchmark::DoNotOptimize(buffer);
        }
    }
    ioState.SetItemsProcessed(ioState.iterations() * kCount);
}
BENCHMARK(BM_SnprintfDouble3);

// Long mantissas with large and tiny exponents, subnormals, exact halfways between two doubles (printed in full
// from a long double, which holds them exactly) and long digit strings.
const std::vector<std::string>& HardTexts()
{
    static const std::vector<std::string> texts = []
    {
        std::mt19937_64 random(7);
        std::vector<std::string> out;
        char buffer[128];
        for (int i = 0; i < kCount; ++i)
        {
            std::uint64_t bits = random();
            if (i % 4 == 1)
                bits &= 0x800FFFFFFFFFFFFFull; // subnormal
            double value;
            std::memcpy(&value, &bits, sizeof value);
            const int digits = 17 + int(random() % 14);
            if (i % 4 == 2)
            {
                const double low = 1.0 + double(random() % 1000000);
                const long double half = (static_cast<long double>(low) + std::nextafter(low, 2.0 * low)) / 2;
                std::snprintf(buffer, sizeof buffer, "%.60Le", half);
            }
            else if (i % 4 == 3)
            {
                std::string text = std::to_string(random()) + "." + std::to_string(random());
                std::snprintf(buffer, sizeof buffer, "%se%d", text.c_str(), int(random() % 40) - 20);
            }
            else if (std::isfinite(value))
                std::snprintf(buffer, sizeof buffer, "%.*e", digits, value);
            else
                std::snprintf(buffer, sizeof buffer, "%.*e", digits, 1.0 / value);
            out.emplace_back(buffer);
        }
        return out;
    }();
    return texts;
}

void BM_CxStringAsDouble(benchmark::State& ioState, const std::vector<std::string>& (*inTexts)())
{
    std::vector<CxString> texts;
    for (const std::string& t : inTexts())
    {
        texts.emplace_back(t.c_str());
        const double ours = texts.back().AsDouble();
        const double theirs = std::strtod(t.c_str(), nullptr);
        if (std::memcmp(&ours, &theirs, sizeof ours) != 0)
        {
            ioState.SkipWithError(("differs from strtod on " + t).c_str());
            return;
        }
    }
    for (auto _ : ioState)
    {
        for (const CxString& t : texts)
            benchmark::DoNotOptimize(t.AsDouble());
    }
    ioState.SetItemsProcessed(ioState.iterations() * kCount);
}
BENCHMARK_CAPTURE(BM_CxStringAsDouble, short, ShortTexts);
BENCHMARK_CAPTURE(BM_CxStringAsDouble, hard, HardTexts);

void BM_Strtod(benchmark::State& ioState, const std::vector<std::string>& (*inTexts)())
{
    const std::vector<std::string>& texts = inTexts();
    for (auto _ : ioState)
    {
        for (const std::string& t : texts)
            benchmark::DoNotOptimize(std::strtod(t.c_str(), nullptr));
    }
    ioState.SetItemsProcessed(ioState.iterations() * kCount);
}
BENCHMARK_CAPTURE(BM_Strtod, short, ShortTexts);
BENCHMARK_CAPTURE(BM_Strtod, hard, HardTexts);

} // namespace
