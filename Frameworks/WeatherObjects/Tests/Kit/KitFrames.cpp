#include "WeatherTestKit.h"

#include "CxData.h"
#include "CxFile.h"
#include "DxAdvisoryParser.h"
#include "DxField.h"
#include "DxShape.h"
#include "DxShapeFileReader.h"
#include "GxProjection.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace wxkit
{

DxTable* KitTable(const CxDate& inDate, const KitStrings& inStrings, const KitNumbers& inNumbers)
{
    auto* table = new DxTable;
    table->SetDate(inDate);
    for (const auto& [id, values] : inStrings)
    {
        DxStringField* field = table->NewStringField(CxString::FromUtf8(id));
        for (const std::string& value : values)
            field->push_back(CxString::FromUtf8(value));
    }
    for (const auto& [id, values] : inNumbers)
    {
        DxFloatField* field = table->NewFloatField(CxString::FromUtf8(id));
        field->assign(values.begin(), values.end());
    }
    return table;
}

DxTable* KitStationTable(const CxDate& inDate, const std::string& inName, const std::string& inFieldId)
{
    const std::string path = sky::test::TestDataFile("obs/" + inName);
    EXPECT_TRUE(!path.empty() || !sky::test::TestDataRequired()) << "no test data obs/" << inName;
    if (path.empty())
        return nullptr;
    std::ifstream in(path);
    std::vector<double> lat, lon, value;
    std::string line;
    std::getline(in, line);
    for (double a, b, c; std::getline(in, line);)
        if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &a, &b, &c) == 3)
        {
            lat.push_back(a);
            lon.push_back(b);
            value.push_back(c);
        }
    return KitTable(inDate, {}, {{"lat:degr", lat}, {"lon:degr", lon}, {inFieldId, value}});
}

DxGrid* KitGrid(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                const GxPoint& inDelta, const std::string& inFieldId, const std::vector<double>& inValues)
{
    auto* grid = new DxGrid(GxDegreeProjection(), inWidth, inHeight, inOrigin, inDelta);
    grid->SetDate(inDate);
    DxFloatField* field = grid->NewFloatField(CxString::FromUtf8(inFieldId));
    field->assign(inValues.begin(), inValues.end());
    return grid;
}

DxGrid* KitGrid(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                const GxPoint& inDelta, const std::string& inFieldId,
                const std::function<double(CxSint32, CxSint32)>& inValue)
{
    std::vector<double> values;
    for (CxSint32 j = 0; j < inHeight; ++j)
        for (CxSint32 i = 0; i < inWidth; ++i)
            values.push_back(inValue(i, j));
    return KitGrid(inDate, inWidth, inHeight, inOrigin, inDelta, inFieldId, values);
}

DxIndexedImage* KitImage(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                         const GxPoint& inPixelSize, const std::vector<CxUint8>& inPixels, const GxColorTable& inColors)
{
    auto* image = new DxIndexedImage(GxDegreeProjection());
    image->SetDate(inDate);
    image->SetWidth(inWidth);
    image->SetHeight(inHeight);
    image->SetOrigin(inOrigin);
    image->SetPixelSize(inPixelSize);
    image->Reserve();
    const std::size_t count = std::size_t(inWidth) * std::size_t(inHeight);
    if (image->Pixels() != nullptr && inPixels.size() == count)
        std::memcpy(image->Pixels(), inPixels.data(), count);
    else
        ADD_FAILURE() << "KitImage: " << inPixels.size() << " pixels for a " << inWidth << " x " << inHeight
                      << " image";
    image->AcceptColorTable(inColors);
    return image;
}

DxIndexedImage* KitImage(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                         const GxPoint& inPixelSize, const std::function<CxUint8(CxSint32, CxSint32)>& inPixel,
                         const GxColorTable& inColors)
{
    std::vector<CxUint8> pixels;
    for (CxSint32 y = 0; y < inHeight; ++y)
        for (CxSint32 x = 0; x < inWidth; ++x)
            pixels.push_back(inPixel(x, y));
    return KitImage(inDate, inWidth, inHeight, inOrigin, inPixelSize, pixels, inColors);
}

std::vector<double> KitAdvisoryRing(const KitAdvisoryRecord& inRecord)
{
    const KitAdvisoryRecord& r = inRecord;
    return {r.mWest, r.mSouth, r.mEast, r.mSouth, r.mEast, r.mNorth, r.mWest, r.mNorth, r.mWest, r.mSouth};
}

DxShape* KitAdvisoryFrame(const GxProjection& inProjection, const std::vector<KitAdvisoryRecord>& inRecords,
                          const std::string& inArchive)
{
    const auto seconds = [](const char* inDate)
    { return std::to_string(std::llround(CxDate(CxString(inDate)) - CxDate(1970, 1, 1, 0, 0, 0, 0))); };
    std::string events, zones, polygons;
    for (std::size_t i = 0; i < inRecords.size(); ++i)
    {
        const KitAdvisoryRecord& r = inRecords[i];
        const std::string ref = std::to_string(i + 1),
                          ps = R"(<ps id=")" + std::string(r.mKind) + R"(" ref=")" + ref + R"("/>)";
        events += R"(<e id=")" + ref + R"(" stid="KFWD" exp=")" + seconds(r.mExpire) + R"(" end=")" + seconds(r.mEnd) +
                  R"(" file="f"/>)";
        if (std::string(r.mId) != "polygon")
            zones += R"(<z id=")" + std::string(r.mId) + R"(">)" + ps + "</z>";
        else
        {
            const std::vector<double> ring = KitAdvisoryRing(r);
            std::string points;
            for (std::size_t k = 0; k < ring.size(); k += 2)
                points += std::to_string(ring[k + 1]) + "," + std::to_string(ring[k]) + " ";
            polygons += R"(<l id=")" + points + R"(">)" + ps + "</l>";
        }
    }
    const std::string text =
        R"(<lcz base="0"><ref>)" + events + "</ref><zs>" + zones + "</zs><ls>" + polygons + "</ls></lcz>";
    CxData data(text.data(), CxUint32(text.size()));
    CxFile file(CxString::FromUtf8(inArchive), false);
    DxShapeArchiveParser archive(file);
    return DxAdvisoryParser(data).Parse(&archive, {}, inProjection).release();
}

} // namespace wxkit
