#include "DxDocFuzzEntry.h"

#include "CxData.h"
#include "CxFile.h"
#include "DxAdvisoryParser.h"
#include "DxConfigParsers.h"
#include "DxFrame.h"
#include "DxGridParsers.h"
#include "DxKdfParsers.h"
#include "DxManager.h"
#include "DxShape.h"
#include "GxProjection.h"

#include <memory>
#include <vector>

namespace
{

CxData Bytes(const std::uint8_t* inData, std::size_t inSize)
{
    return CxData(inData, CxUint32(inSize));
}

// Geometry as read, then the ids a grid usually carries; a field bigger than the geometry is refused inside.
int ReadGrid(DxGridParser& ioParser)
{
    auto grid = ioParser.Projection() != nullptr && ioParser.Width() != 0 && ioParser.Height() != 0
                    ? std::make_unique<DxGrid>(*ioParser.Projection(), CxSint32(ioParser.Width()),
                                               CxSint32(ioParser.Height()), ioParser.Origin(), ioParser.CellSize())
                    : std::make_unique<DxGrid>();
    int read = 0;
    for (const char* id : {"tmpc", "v", "dwpc", "code", "lat"})
        read += ioParser.ParseField(grid.get(), id);
    return read > 0 ? 1 : 0;
}

} // namespace

namespace
{

int GridReadersOne(const std::uint8_t* inData, std::size_t inSize)
{
    CxData data = Bytes(inData + 1, inSize - 1);
    switch (inData[0] % 4)
    {
    case 0:
    {
        DxKdfUncompressedParser parser(data);
        DxTable table;
        return parser.ParseAllFields(&table) ? 1 : 0;
    }
    case 1:
    {
        DxXkdfParser parser(data);
        DxTable table;
        return parser.ParseAllFields(&table) && parser.ParseField(&table, "stid") ? 1 : 0;
    }
    case 2:
    {
        DxXmlGridParser parser(data);
        return ReadGrid(parser);
    }
    default:
    {
        DxNetCDFGridParser parser(data);
        return ReadGrid(parser);
    }
    }
}

int ConfigReadersOne(const std::uint8_t* inData, std::size_t inSize);

} // namespace

// A document of a format version this reader does not take is refused by a thrown code, as the managers expect.
int DxGridReadersFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    try
    {
        return inSize == 0 ? 0 : GridReadersOne(inData, inSize);
    }
    catch (int)
    {
        return 0;
    }
}

int DxConfigReadersFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    try
    {
        return inSize == 0 ? 0 : ConfigReadersOne(inData, inSize);
    }
    catch (int)
    {
        return 0;
    }
}

int DxAdvisoryFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    static const GxDegreeProjection sDegrees;
    CxData data = Bytes(inData, inSize);
    DxAdvisoryParser parser(data);
    const std::unique_ptr<DxShape> shape = parser.Parse(nullptr, CxStringList(), sDegrees);
    return shape != nullptr ? 1 : 0;
}

namespace
{

int ConfigReadersOne(const std::uint8_t* inData, std::size_t inSize)
{
    CxData data = Bytes(inData + 1, inSize - 1);
    switch (inData[0] % 7)
    {
    case 0:
    {
        DxConfigParser parser(data);
        // What the managers and the registry lookup read from every configuration.
        for (const char* id : {"name", "kind", "url", "resolution", "refresh"})
            (void)parser.StringProperty(id), (void)parser.UrlProperty(id), (void)parser.SecondsProperty(id),
                (void)parser.SintProperty(id), (void)parser.UintProperty(id);
        return parser.Parsed() ? 1 : 0;
    }
    case 1:
    {
        std::vector<DxParm> parms;
        std::vector<DxDerivedParm> derived;
        std::vector<DxVectorParm> vectors;
        std::vector<DxCalibParm> calibs;
        std::vector<DxLinkParm> links;
        return DxParmListParser(data, parms, derived, vectors, calibs, links).Parsed() ? 1 : 0;
    }
    case 2:
    {
        DxTable* table = nullptr;
        const bool parsed = DxSiteListParser(data, table).Parsed();
        delete table;
        return parsed ? 1 : 0;
    }
    case 3:
    {
        std::vector<DxNidsProduct> products;
        std::vector<DxNidsMosaicInfo> mosaics;
        std::vector<DxNidsRadialInfo> radials;
        return DxNidsListParser(data, products, mosaics, radials).Parsed() ? 1 : 0;
    }
    case 4:
    {
        std::vector<DxImageCategory> categories;
        std::vector<DxImageProjectionInfo*> projections;
        std::vector<DxImageLegendInfo> legends;
        const bool parsed = DxImageListParser(data, categories, projections, legends).Parsed();
        for (DxImageProjectionInfo* projection : projections)
            delete projection;
        return parsed ? 1 : 0;
    }
    case 5:
    {
        std::vector<DxRegion> regions;
        std::vector<DxFeature> features;
        return DxShapeListParser(data, regions, features).Parsed() ? 1 : 0;
    }
    default:
    {
        std::vector<DxAdvisory> advisories;
        return DxAdvisoryListParser(data, advisories).Parsed() ? 1 : 0;
    }
    }
}

} // namespace

int DxQueryDatesFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    // One manager for the whole run, its folders in the temporary folder rather than the user's documents.
    static DxManager* const sManager = []
    {
        DxManager::SetRootDataFolder(CxFolder(kCxTemporaryFolder));
        DxManager::SetRootCacheFolder(CxFolder(kCxTemporaryFolder));
        return new DxManager("query-fuzz");
    }();
    CxData data = Bytes(inData, inSize);
    return sManager->ParseDatesFromQuery(data).empty() ? 0 : 1;
}
