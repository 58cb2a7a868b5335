// Number text speed: CxString(double, 3) against snprintf("%0.3f"), AsDouble() against strtod, each pair on the
// same 10,000 values.
#include "CxString.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
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

const std::vector<std::string>& Texts()
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

void BM_CxStringAsDouble(benchmark::State& ioState)
{
    std::vector<CxString> texts;
    for (const std::string& t : Texts())
        texts.emplace_back(t.c_str());
    for (auto _ : ioState)
    {
        for (const CxString& t : texts)
            benchmark::DoNotOptimize(t.AsDouble());
    }
    ioState.SetItemsProcessed(ioState.iterations() * kCount);
}
BENCHMARK(BM_CxStringAsDouble);

void BM_Strtod(benchmark::State& ioState)
{
    const std::vector<std::string>& texts = Texts();
    for (auto _ : ioState)
    {
        for (const std::string& t : texts)
            benchmark::DoNotOptimize(std::strtod(t.c_str(), nullptr));
    }
    ioState.SetItemsProcessed(ioState.iterations() * kCount);
}
BENCHMARK(BM_Strtod);

} // namespace
