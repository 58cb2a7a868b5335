// Level III decoding speed: every shared product decoded from memory, and for bzip2 products the bare
// decompression of the same bytes, the floor no decoder of such a product can beat. scripts/bench-peers runs the
// independent decoder on the same files beside it.
#include "DxNidsLevelThree.h"
#include "DxUnit.h"
#include "TestSupport.h"

#include <benchmark/benchmark.h>
#include <bzlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

namespace
{
using Bytes = std::vector<CxUint8>;

void Decode(benchmark::State& ioState, const Bytes& inBytes)
{
    for (auto _ : ioState)
    {
        NidsLevelThreeParser parser;
        std::unique_ptr<DxIndexedImage> image(parser.Parse(inBytes.data(), inBytes.size(), {}, {}));
        benchmark::DoNotOptimize(image.get());
    }
    NidsLevelThreeParser parser;
    const std::unique_ptr<DxIndexedImage> image(parser.Parse(inBytes.data(), inBytes.size(), {}, {}));
    ioState.counters["image"] = image != nullptr; // products without one have no floor goal
}

// Decompression alone into a buffer of the announced size.
void Floor(benchmark::State& ioState, const Bytes& inBytes)
{
    const std::size_t start = 30 + 120;
    const unsigned int size = (unsigned(inBytes[30 + 102]) << 24) | (unsigned(inBytes[30 + 103]) << 16) |
                              (unsigned(inBytes[30 + 104]) << 8) | inBytes[30 + 105];
    std::unique_ptr<char[]> out(new char[size]);
    for (auto _ : ioState)
    {
        unsigned int length = size;
        benchmark::DoNotOptimize(BZ2_bzBuffToBuffDecompress(
            out.get(), &length, const_cast<char*>(reinterpret_cast<const char*>(inBytes.data() + start)),
            unsigned(inBytes.size() - start), 0, 0));
    }
}

void RegisterAll()
{
    const std::string root = sky::test::TestDataDir();
    if (root.empty())
        return;
    static std::map<std::string, Bytes> sFiles;
    for (const auto& entry : std::filesystem::directory_iterator(root + "/nexrad3"))
    {
        if (!entry.is_regular_file() || entry.path().extension() == ".md")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string name = entry.path().filename().string();
        const Bytes& bytes = sFiles[name] = Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        benchmark::RegisterBenchmark(("decode/" + name).c_str(), Decode, bytes);
        if (bytes.size() > 153 && std::string(bytes.begin() + 150, bytes.begin() + 153) == "BZh")
            benchmark::RegisterBenchmark(("bzip2_floor/" + name).c_str(), Floor, bytes);
    }
}
} // namespace

int main(int argc, char** argv)
{
    setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 0);
    DxUnit::Load();
    benchmark::Initialize(&argc, argv);
    // Parsing needs the unit table, so the set-up waits for main.
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
