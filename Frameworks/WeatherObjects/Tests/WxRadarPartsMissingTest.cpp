// A radar product without its image, and a storm image without the cells' latitudes or longitudes: nothing to reset
// or draw, and no crash; with the parts present the colours reset and the icons draw.
#include "WxRadar.h"

#include "DxNidsLevelThree.h"
#include "TestSupport.h"
#include "WeatherTestKit.h"
#include "WxDrawTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{

std::unique_ptr<DxIndexedImage> DecodeFile(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    const std::vector<CxUint8> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::unique_ptr<DxIndexedImage>(NidsLevelThreeParser().Parse(bytes.data(), bytes.size(), {}, {}));
}

// Primitives by token: enough to tell one drawing from another with more in it.
std::map<GLenum, std::size_t> Counts(const std::vector<gxtest::FeedbackPrimitive>& inAll)
{
    std::map<GLenum, std::size_t> counts;
    for (const auto& primitive : inAll)
        ++counts[primitive.mToken];
    return counts;
}

class WxRadarPartsMissingTest : public wxdraw::DrawTest
{
protected:
    void TearDown() override
    {
        mMap.reset();
        DrawTest::TearDown();
    }
    WxRadar* Radar(const std::string& inAttributes)
    {
        WxRegisterProducts();
        mMap =
            wxkit::KitMap("<map color=\"#FFFFFFFF\"><radar visible=\"true\" alpha=\"1\" " + inAttributes + "/></map>");
        return mMap != nullptr ? dynamic_cast<WxRadar*>(*mMap->ProductBegin()) : nullptr;
    }

    std::unique_ptr<WxMap> mMap;
};

TEST_F(WxRadarPartsMissingTest, ResetColorsWithoutAnImageChangesNothing)
{
    WxRadar* radar = Radar("");
    ASSERT_NE(radar, nullptr);
    ASSERT_EQ(radar->Image(), nullptr);
    const GxColorTable before = radar->GetColorTable();
    radar->ResetColors();
    radar->DrawStormIcons(*mContext);
    EXPECT_EQ(radar->Image(), nullptr);
    EXPECT_TRUE(radar->GetColorTable() == before);

    // With an image, a hidden level comes back.
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS54_N0RBMX_201501020205");
    auto image = DecodeFile(path);
    ASSERT_NE(image, nullptr);
    const GxColorTable shown = image->GetColors();
    ASSERT_GT(shown.size(), 5u);
    mMap->SetProjection(*image->Projection());
    wxkit::Inject(*radar, image.release());
    radar->ToggleColorByIndex(5);
    ASSERT_EQ(radar->IndexedImage()->GetColors()[5].mAlpha, 0.0);
    radar->ResetColors();
    EXPECT_EQ(radar->IndexedImage()->GetColors()[5].mAlpha, shown[5].mAlpha);
}

TEST_F(WxRadarPartsMissingTest, StormCellsWithoutPositionsDrawNoIcons)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KOKX_SDUS51_NCROKX_201108280702");
    const auto drawing = [&](const char* inStorms, const char* inCleared)
    {
        auto image = DecodeFile(path);
        EXPECT_NE(image, nullptr);
        WxRadar* radar = image != nullptr ? Radar(std::string("storms=\"") + inStorms + "\"") : nullptr;
        if (radar == nullptr)
            return std::map<GLenum, std::size_t>();
        if (inCleared != nullptr)
            image->ClearField(CxString(inCleared));
        mMap->SetProjection(*image->Projection());
        wxkit::Inject(*radar, image.release());
        return Counts(Feedback(*radar, GxPoint(0, 0), 1.0));
    };
    const auto plain = drawing("false", nullptr);
    EXPECT_NE(drawing("true", nullptr), plain) << "the icons of a whole table";
    for (const char* field : {"stormLat", "stormLon"})
        EXPECT_EQ(drawing("true", field), plain) << field;
}

} // namespace
