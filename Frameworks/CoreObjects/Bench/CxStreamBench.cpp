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

// The plain loop: the first kValues big-endian values of type T, each copied out and byte-swapped.
template <typename T> void PlainDecode(const unsigned char* inBytes, T* out)
{
    for (int i = 0; i < kValues; ++i)
    {
        if constexpr (sizeof(T) == 2)
        {
            CxUint16 bits;
            std::memcpy(&bits, inBytes + 2 * i, 2);
            bits = __builtin_bswap16(bits);
            std::memcpy(out + i, &bits, 2);
        }
        else
        {
            CxUint32 bits;
            std::memcpy(&bits, inBytes + 4 * i, 4);
            bits = __builtin_bswap32(bits);
            std::memcpy(out + i, &bits, 4);
        }
    }
}

// Each side decodes into an array (no chain of dependent additions between the reads, and NaNs compared by their
// bits), checked against the other side before timing.
template <typename T> void StreamArray(benchmark::State& ioState)
{
    CxData data = BigEndianData();
    std::vector<T> values(kValues);
    const auto decode = [&]
    {
        CxBinaryStream stream(data);
        T* out = values.data();
        for (int i = 0; i < kValues; ++i)
            stream >> out[i];
    };
    decode();
    {
        CxAutoLock lock(data);
        std::vector<T> plain(kValues);
        PlainDecode(static_cast<const unsigned char*>(data.Pointer()), plain.data());
        if (std::memcmp(values.data(), plain.data(), kValues * sizeof(T)) != 0)
            ioState.SkipWithError("stream and plain loop differ");
    }
    for (auto _ : ioState)
    {
        decode();
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
}

// The plain loop as the compiler builds it without vector instructions, which a value-at-a-time stream read
// cannot use: where the stream's remaining cost lies.
[[gnu::optimize("no-tree-vectorize")]] void PlainDecodeScalar(const unsigned char* inBytes, CxUint16* out)
{
    PlainDecode(inBytes, out);
}

void PlainUint16Scalar(benchmark::State& ioState)
{
    CxData data = BigEndianData();
    CxAutoLock lock(data);
    const auto* bytes = static_cast<const unsigned char*>(data.Pointer());
    std::vector<CxUint16> values(kValues);
    for (auto _ : ioState)
    {
        PlainDecodeScalar(bytes, values.data());
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
}

template <typename T> void PlainArray(benchmark::State& ioState)
{
    CxData data = BigEndianData();
    CxAutoLock lock(data);
    const auto* bytes = static_cast<const unsigned char*>(data.Pointer());
    std::vector<T> values(kValues);
    for (auto _ : ioState)
    {
        PlainDecode(bytes, values.data());
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
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

BENCHMARK(StreamArray<CxUint16>)->Name("StreamUint16")->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainArray<CxUint16>)->Name("PlainUint16")->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainUint16Scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK(StreamArray<float>)->Name("StreamFloat")->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainArray<float>)->Name("PlainFloat")->Unit(benchmark::kMicrosecond);
BENCHMARK(StreamBlocks)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainBlocks)->Unit(benchmark::kMicrosecond);
BENCHMARK(TextDoubles)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainStrtod)->Unit(benchmark::kMicrosecond);
