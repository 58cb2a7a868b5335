// Level III decoding speed: every shared product decoded from memory, and for bzip2 products the bare
// decompression of the same bytes, the floor no decoder of such a product can beat. The independent decoder's mean
// parse times (Tests/data/nexrad3/peer_times.tsv, node, --repeat 5) are printed beside ours as counters.
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
#include <sstream>

namespace
{
using Bytes = std::vector<CxUint8>;

std::map<std::string, double> PeerTimes()
{
    std::map<std::string, double> times;
    std::ifstream in(std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/DataObjects/Tests/data/nexrad3/peer_times.tsv");
    std::string file;
    double ms = 0.0;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#' && std::istringstream(line) >> file >> ms)
            times[file] = ms;
    return times;
}

void Decode(benchmark::State& ioState, const Bytes& inBytes, double inPeerMs)
{
    for (auto _ : ioState)
    {
        NidsLevelThreeParser parser;
        std::unique_ptr<DxIndexedImage> image(parser.Parse(inBytes.data(), inBytes.size(), {}, {}));
        benchmark::DoNotOptimize(image.get());
    }
    ioState.counters["peer_ms"] = inPeerMs;
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

int RegisterAll()
{
    const std::string root = sky::test::TestDataDir();
    if (root.empty())
        return 0;
    static std::map<std::string, Bytes> sFiles;
    const auto peer = PeerTimes();
    for (const auto& entry : std::filesystem::directory_iterator(root + "/nexrad3"))
    {
        if (!entry.is_regular_file() || entry.path().extension() == ".md")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string name = entry.path().filename().string();
        const Bytes& bytes = sFiles[name] = Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        const auto found = peer.find(name);
        benchmark::RegisterBenchmark(("decode/" + name).c_str(), Decode, bytes,
                                     found == peer.end() ? 0.0 : found->second);
        if (bytes.size() > 153 && std::string(bytes.begin() + 150, bytes.begin() + 153) == "BZh")
            benchmark::RegisterBenchmark(("bzip2_floor/" + name).c_str(), Floor, bytes);
    }
    return 0;
}
const int gRegistered = RegisterAll();
} // namespace

int main(int argc, char** argv)
{
    setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 0);
    DxUnit::Load();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
