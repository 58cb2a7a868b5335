#include "WeatherTestKit.h"

#include "GxProjection.h"
#include "WxMap.h"
#include "WxParser.h"
#include "XmlElement.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace wxkit
{

KitStations KitReadStations(const std::string& inPath)
{
    KitStations stations;
    std::ifstream in(inPath);
    std::string row;
    std::getline(in, row); // the count and the number of columns
    for (double lat, lon, p; std::getline(in, row) && std::sscanf(row.c_str(), "%lf,%lf,%lf", &lat, &lon, &p) == 3;)
    {
        stations.mLat.push_back(lat);
        stations.mLon.push_back(lon);
        stations.mPmsl.push_back(p);
    }
    EXPECT_FALSE(stations.mLat.empty()) << "no stations in " << inPath;
    return stations;
}

DxTable* KitStationTable(const KitStations& inStations, const KitNumbers& inMore, const KitStrings& inStrings)
{
    KitNumbers numbers = {
        {"lat:degr", inStations.mLat}, {"lon:degr", inStations.mLon}, {"pmsl:mbar", inStations.mPmsl}};
    numbers.insert(numbers.end(), inMore.begin(), inMore.end());
    return KitTable(CxDate(), inStrings, numbers);
}

DxGrid* KitGrid(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                const GxPoint& inDelta, const std::vector<std::pair<std::string, KitCellFunction>>& inFields)
{
    auto* grid = new DxGrid(GxDegreeProjection(), inWidth, inHeight, inOrigin, inDelta);
    grid->SetDate(inDate);
    for (const auto& [id, value] : inFields)
    {
        DxFloatField* field = grid->NewFloatField(CxString::FromUtf8(id));
        for (CxSint32 j = 0; j < inHeight; ++j)
            for (CxSint32 i = 0; i < inWidth; ++i)
                field->push_back(value(i, j));
    }
    return grid;
}

std::string KitParmKeys(const DxObsClient& inClient)
{
    std::string keys;
    for (const DxParm& parm : inClient.Parms())
        keys += parm.Key().AsUtf8() + " ";
    return keys;
}

void KitSetProjection(WxMap& ioMap, const GxProjection& inProjection, double inWest, double inSouth, double inEast,
                      double inNorth)
{
    ioMap.SetProjection(inProjection);
    GxPosition low, high;
    low.FromDegrees(inWest, inSouth);
    high.FromDegrees(inEast, inNorth);
    const_cast<GxProjection*>(ioMap.Projection())
        ->SetBounds(GxRect(low.mLongitude, low.mLatitude, high.mLongitude, high.mLatitude));
}

std::vector<GxPoint> KitProj(const std::string& inTo, const std::vector<double>& inX, const std::vector<double>& inY,
                             const std::string& inFrom)
{
    // One file a process: ctest runs the tests of a program side by side.
    const std::string input = testing::TempDir() + "kit_cs2cs_" + std::to_string(getpid()) + ".txt";
    std::ofstream out(input);
    out.precision(17);
    for (std::size_t i = 0; i < std::min(inX.size(), inY.size()); ++i)
        out << inX[i] << " " << inY[i] << "\n";
    out.close();
    std::vector<GxPoint> points;
    FILE* pipe = popen(("cs2cs -f %.9f " + inFrom + " +to " + inTo + " < " + input).c_str(), "r");
    for (double x, y, z; pipe != nullptr && std::fscanf(pipe, "%lf %lf %lf", &x, &y, &z) == 3;)
        points.emplace_back(x / 1000.0, y / 1000.0);
    if (pipe != nullptr)
        pclose(pipe);
    std::remove(input.c_str());
    EXPECT_EQ(points.size(), inX.size()) << "cs2cs (proj-bin, scripts/install-deps) missing or refusing " << inTo;
    return points;
}

XmlElement* KitElement(std::unique_ptr<WxParser>& outParser, const std::string& inElement)
{
    outParser = KitParser(Vanedoc("<map>" + inElement + "</map>"));
    XmlElement* vanedoc = outParser->Root() != nullptr ? outParser->Root()->FindElement(CxString("vanedoc")) : nullptr;
    XmlElement* map = vanedoc != nullptr ? vanedoc->FindElement(CxString("map")) : nullptr;
    const std::vector<XmlElement*> elements = map != nullptr ? map->GetElements() : std::vector<XmlElement*>();
    EXPECT_FALSE(elements.empty()) << "no element in " << inElement;
    return elements.empty() ? nullptr : elements.front();
}

} // namespace wxkit
