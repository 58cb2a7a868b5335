#include "WeatherTestKit.h"

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
