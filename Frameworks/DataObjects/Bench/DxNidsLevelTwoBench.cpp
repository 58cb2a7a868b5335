// Level II decoding speed: sweep-1 reflectivity of every shared volume decoded from memory. For LDM-compressed
// volumes the floor is the bare bzip2 decompression of the records that hold sweep 1 (found once in the set-up: the
// fewest leading records whose parse gives the whole volume's sweep). scripts/bench-peers runs the independent
// decoder (which decodes the whole volume) on the same files beside it.
#include "DxFrame.h"
#include "DxNidsLevelTwo.h"
#include "DxUnit.h"
#include "TestSupport.h"

#include <benchmark/benchmark.h>
#include <bzlib.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

namespace
{
using Bytes = std::vector<CxUint8>;

const DxFrame& Sites()
{
    static DxFrame sSites;
    if (sSites.FindField("stid") == nullptr)
    {
        sSites.NewStringField("stid")->push_back("SITE");
        sSites.NewFloatField("lat")->push_back(40.0);
        sSites.NewFloatField("lon")->push_back(-95.0);
        sSites.NewFloatField("elev")->push_back(300.0);
    }
    return sSites;
}

std::unique_ptr<DxIndexedImage> Parse(NidsLevelTwoParser& ioParser, const Bytes& inBytes)
{
    return std::unique_ptr<DxIndexedImage>(ioParser.Parse(inBytes.data(), inBytes.size(), "SITE", "BREF1", &Sites()));
}

void Decode(benchmark::State& ioState, const Bytes& inBytes)
{
    for (auto _ : ioState)
    {
        NidsLevelTwoParser parser;
        benchmark::DoNotOptimize(Parse(parser, inBytes).get());
    }
}

// The LDM records: offset of each bzip2 stream, its length and its expanded size.
struct Record
{
    std::size_t mAt, mLength;
    unsigned mExpanded;
};

void Floor(benchmark::State& ioState, const Bytes& inBytes, const std::vector<Record>& inRecords)
{
    std::vector<std::unique_ptr<char[]>> outs;
    for (const Record& record : inRecords)
        outs.emplace_back(new char[record.mExpanded]);
    for (auto _ : ioState)
        for (std::size_t i = 0; i < inRecords.size(); ++i)
        {
            unsigned length = inRecords[i].mExpanded;
            benchmark::DoNotOptimize(BZ2_bzBuffToBuffDecompress(
                outs[i].get(), &length, const_cast<char*>(reinterpret_cast<const char*>(&inBytes[inRecords[i].mAt])),
                unsigned(inRecords[i].mLength), 0, 0));
        }
}

// The records up to the one where sweep 1 ends.
std::vector<Record> SweepRecords(const Bytes& inBytes)
{
    std::vector<Record> records;
    NidsLevelTwoParser whole;
    Parse(whole, inBytes);
    for (std::size_t at = 24; at + 4 <= inBytes.size();)
    {
        const CxSint32 mark = CxSint32((CxUint32(inBytes[at]) << 24) | (inBytes[at + 1] << 16) |
                                       (inBytes[at + 2] << 8) | inBytes[at + 3]);
        const std::size_t length = std::size_t(std::abs(mark));
        Bytes out(64 << 20);
        unsigned expanded = unsigned(out.size());
        BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &expanded,
                                   const_cast<char*>(reinterpret_cast<const char*>(&inBytes[at + 4])), unsigned(length),
                                   0, 0);
        records.push_back({at + 4, length, expanded});
        at += 4 + length;
        NidsLevelTwoParser part;
        Parse(part, Bytes(inBytes.begin(), inBytes.begin() + std::ptrdiff_t(at)));
        if (part.RawGates() == whole.RawGates())
            break;
    }
    return records;
}

Bytes Gunzip(const Bytes& inBytes)
{
    Bytes out(64 << 20);
    z_stream z{};
    inflateInit2(&z, 16 + MAX_WBITS);
    z.next_in = const_cast<Bytes::value_type*>(inBytes.data());
    z.avail_in = uInt(inBytes.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

void RegisterAll()
{
    const std::string root = sky::test::TestDataDir();
    if (root.empty())
        return;
    static std::map<std::string, Bytes> sFiles;
    static std::map<std::string, std::vector<Record>> sRecords;
    for (const auto& entry : std::filesystem::directory_iterator(root + "/nexrad2"))
    {
        if (!entry.is_regular_file() || entry.path().extension() == ".md")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string name = entry.path().filename().string();
        Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (entry.path().extension() == ".gz")
            bytes = Gunzip(bytes);
        const Bytes& kept = sFiles[name] = std::move(bytes);
        benchmark::RegisterBenchmark(("decode/" + name).c_str(), Decode, kept);
        if (kept.size() > 31 && std::memcmp(&kept[28], "BZh", 3) == 0)
        {
            sRecords[name] = SweepRecords(kept);
            benchmark::RegisterBenchmark(("bzip2_floor/" + name).c_str(), Floor, kept, sRecords[name]);
        }
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
