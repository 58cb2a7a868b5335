#include "DxRadarFuzzEntry.h"

#include "DxCanadianRadar.h"
#include "DxNidsLevelTwo.h"
#include "DxNidsNetCDF.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

int DxNexrad2FuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    // Message-1 volumes need the site from the table.
    static const std::unique_ptr<DxFrame> sSites = []
    {
        auto sites = std::make_unique<DxFrame>();
        sites->NewStringField("stid")->push_back("KABR");
        sites->NewFloatField("lat")->push_back(45.456);
        sites->NewFloatField("lon")->push_back(-98.413);
        sites->NewFloatField("elev")->push_back(397.0);
        return sites;
    }();
    int images = 0;
    for (const char* product : {"BREF1", "BVEL2"})
    {
        NidsLevelTwoParser parser;
        std::unique_ptr<DxIndexedImage> image(parser.Parse(inData, inSize, "KABR", product, sSites.get()));
        images += image != nullptr;
    }
    return images > 0 ? 1 : 0;
}

int DxRadarNetCDFFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    NidsNetCDFParser parser;
    std::unique_ptr<DxIndexedImage> image(parser.Parse(inData, inSize));
    return image != nullptr ? 1 : 0;
}

int DxCanadianRadarFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    DxCanadianRadarParser parser;
    std::unique_ptr<DxIndexedImage> image(parser.Parse(inData, inSize, {}));
    return image != nullptr ? 1 : 0;
}

int DxRadarReplayCorpus(const std::string& inFolder, int (*inEntry)(const std::uint8_t*, std::size_t))
{
    int empty = 0, files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(inFolder))
    {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        empty += inEntry(bytes.data(), bytes.size()) == 0;
        ++files;
    }
    return files == 0 ? -1 : empty;
}
