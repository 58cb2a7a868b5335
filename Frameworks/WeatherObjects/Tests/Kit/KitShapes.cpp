#include "DxShapeFileReader.h"
#include "WeatherTestKit.h"

#include <fstream>
#include <iterator>

namespace wxkit
{

DxShape* KitShapeFrame(const std::string& inName)
{
    std::ifstream in(sky::test::TestDataDir() + "/shapefile/" + inName, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty())
        return nullptr;
    CxData data(bytes.data(), CxUint32(bytes.size()));
    return DxShapeParser().ParseShape(data);
}

DxSet* KitShapeSet(const CxString& inId, bool inIndividual)
{
    std::string body = "<property id=\"name\" value=\"" + inId.AsUtf8() + "\"/>";
    if (inIndividual)
        body += "<property id=\"fillMode\" value=\"individual\"/>";
    return KitManagedSet(inId, 2, {{"config.xml", KitInfoDocument("datasetconfig", body)}});
}

} // namespace wxkit
