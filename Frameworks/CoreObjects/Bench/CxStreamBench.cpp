// Each pair runs on the same buffer: the stream against the plain loop it has to keep up with.
#include "CxData.h"
#include "CxStream.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

// Hands a result to the optimiser's blind spot without letting the accumulator itself escape (an escaped
// accumulator would live in memory through the whole loop).
template <typename T> void Keep(T inValue)
{
    benchmark::DoNotOptimize(inValue);
}

constexpr int kValues = 1000000;
constexpr CxUint32 kBlock = 64 * 1024;
constexpr int kNumbers = 100000;

const CxData& BigEndianData()
{
    static const CxData sData = []
    {
        std::vector<unsigned char> bytes(kValues * 4);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<unsigned char>(i * 131 + 7);
        return CxData(bytes.data(), CxUint32(bytes.size()));
    }();
    return sData;
}

const std::string& NumberText()
{
    static const std::string sText = []
    {
        std::string text;
        for (int i = 0; i < kNumbers; ++i)
            text += "  -12.345";
        return text;
    }();
    return sText;
}

void StreamUint16(benchmark::State& ioState)
{
    CxData data = BigEndianData();
    for (auto _ : ioState)
    {
        CxBinaryStream stream(data);
        CxUint32 sum = 0;
        CxUint16 value = 0;
        for (int i = 0; i < kValues; ++i)
        {
            stream >> value;
            sum += value;
        }
        Keep(sum);
    }
}

void PlainUint16(benchmark::State& ioState)
{
    CxData data = BigEndianData();
    CxAutoLock lock(data);
    const auto* bytes = static_cast<const unsigned char*>(data.Pointer());
    for (auto _ : ioState)
    {
        CxUint32 sum = 0;
        for (int i = 0; i < kValues; ++i)
        {
            CxUint16 value;
            std::memcpy(&value, bytes + 2 * i, 2);
            sum += __builtin_bswap16(value);
        }
        Keep(sum);
    }
}

void StreamFloat(benchmark::State& ioState)
{
    CxData data = BigEndianData();
    for (auto _ : ioState)
    {
        CxBinaryStream stream(data);
        float sum = 0;
        float value = 0;
        for (int i = 0; i < kValues; ++i)
        {
            stream >> value;
            sum += value;
        }
        Keep(sum);
    }
}

void PlainFloat(benchmark::State& ioState)
{
    CxData data = BigEndianData();
    CxAutoLock lock(data);
    const auto* bytes = static_cast<const unsigned char*>(data.Pointer());
    for (auto _ : ioState)
    {
        float sum = 0;
        for (int i = 0; i < kValues; ++i)
        {
            CxUint32 bits;
            std::memcpy(&bits, bytes + 4 * i, 4);
            bits = __builtin_bswap32(bits);
            float value;
            std::memcpy(&value, &bits, 4);
            sum += value;
        }
        Keep(sum);
    }
}

void StreamBlocks(benchmark::State& ioState)
{
    CxData data = BigEndianData();
    std::vector<unsigned char> block(kBlock);
    for (auto _ : ioState)
    {
        CxBinaryStream stream(data);
        while (stream.Read(block.data(), kBlock) > 0)
            benchmark::DoNotOptimize(block.data());
    }
}

void PlainBlocks(benchmark::State& ioState)
{
    CxData data = BigEndianData();
    CxAutoLock lock(data);
    const auto* bytes = static_cast<const unsigned char*>(data.Pointer());
    const CxUint32 size = data.Size();
    std::vector<unsigned char> block(kBlock);
    for (auto _ : ioState)
    {
        for (CxUint32 at = 0; at < size; at += kBlock)
        {
            std::memcpy(block.data(), bytes + at, std::min(kBlock, size - at));
            benchmark::DoNotOptimize(block.data());
        }
    }
}

void TextDoubles(benchmark::State& ioState)
{
    const std::string& text = NumberText();
    CxData data(text.data(), CxUint32(text.size()));
    for (auto _ : ioState)
    {
        CxTextStream stream(data);
        double sum = 0;
        double value = 0;
        for (int i = 0; i < kNumbers; ++i)
        {
            stream >> value;
            sum += value;
        }
        Keep(sum);
    }
}

void PlainStrtod(benchmark::State& ioState)
{
    const std::string& text = NumberText();
    for (auto _ : ioState)
    {
        const char* at = text.c_str();
        double sum = 0;
        for (int i = 0; i < kNumbers; ++i)
        {
            char* end = nullptr;
            sum += std::strtod(at, &end);
            at = end;
        }
        Keep(sum);
    }
}

} // namespace

BENCHMARK(StreamUint16)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainUint16)->Unit(benchmark::kMicrosecond);
BENCHMARK(StreamFloat)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainFloat)->Unit(benchmark::kMicrosecond);
BENCHMARK(StreamBlocks)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainBlocks)->Unit(benchmark::kMicrosecond);
BENCHMARK(TextDoubles)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainStrtod)->Unit(benchmark::kMicrosecond);
