// The radar legend's level boxes as a user reads them: a hidden level's box is crossed out corner to corner, a
// shown one is not.
#include "WxRadar.h"

#include "DxNidsLevelThree.h"
#include "TestSupport.h"
#include "WeatherTestKit.h"
#include "WxDrawTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace
{

class WxRadarLegendTest : public wxdraw::DrawTest
{
protected:
    void TearDown() override
    {
        mMap.reset();
        DrawTest::TearDown();
    }

    std::unique_ptr<WxMap> mMap;
};

// N0R's 16 labelled levels in a 100 x 180 panel: box i spans x 37 to 62, y 10 + 10 i to 20 + 10 i. Each row
// hides its levels (none, one, both ends, all) and finds a cross (both diagonals of the box) over exactly those.
TEST_F(WxRadarLegendTest, HiddenLevelsAndOnlyThoseAreCrossedOut)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS54_N0RBMX_201501020205");
    const struct
    {
        const char* mName;
        std::set<int> mHidden;
    } kRows[] = {{"none", {}},
                 {"one", {3}},
                 {"both ends", {0, 15}},
                 {"all", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}}};
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(row.mName);
        std::ifstream in(path, std::ios::binary);
        const std::vector<CxUint8> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        NidsLevelThreeParser parser;
        std::unique_ptr<DxIndexedImage> image(parser.Parse(bytes.data(), bytes.size(), {}, {}));
        ASSERT_NE(image, nullptr);
        WxRegisterProducts();
        mMap = wxkit::KitMap("<map color=\"#FFFFFFFF\"><radar visible=\"true\" alpha=\"1\"></radar></map>");
        ASSERT_NE(mMap, nullptr);
        auto* radar = dynamic_cast<WxRadar*>(*mMap->ProductBegin());
        ASSERT_NE(radar, nullptr);
        wxkit::Inject(*radar, image.release());
        ASSERT_EQ(radar->GetColorTable().size(), 16u);
        for (int level : row.mHidden)
            radar->ToggleColorByIndex(short(level));

        std::unique_ptr<WxInspector> legend(radar->CreateLegend());
        // Crosses are the only slanted lines the legend draws; each is placed by its midpoint.
        std::map<int, std::vector<gxtest::FeedbackPrimitive>> crossed;
        for (const auto& line : gxtest::OfToken(Inspect(*legend, CxRect(0, 0, 100, 180)), GL_LINE_TOKEN))
        {
            const auto& from = line.mVertices[0];
            const auto& to = line.mVertices[1];
            if (std::fabs(from.mX - to.mX) > 1e-3 && std::fabs(from.mY - to.mY) > 1e-3)
                crossed[int(std::floor(((from.mY + to.mY) / 2.0 - 10.0) / 10.0))].push_back(line);
        }
        std::set<int> boxes;
        for (const auto& [box, lines] : crossed)
        {
            boxes.insert(box);
            ASSERT_EQ(lines.size(), 2u) << "box " << box;
            for (const auto& line : lines)
            {
                // Corner to corner: across the box's width and its height.
                EXPECT_NEAR(std::fabs(line.mVertices[0].mX - line.mVertices[1].mX), 25.0, 1e-3) << "box " << box;
                EXPECT_NEAR(std::fabs(line.mVertices[0].mY - line.mVertices[1].mY), 10.0, 1e-3) << "box " << box;
                EXPECT_NEAR(std::min(line.mVertices[0].mX, line.mVertices[1].mX), 37.0, 1e-3) << "box " << box;
                EXPECT_NEAR(std::min(line.mVertices[0].mY, line.mVertices[1].mY), 10.0 + 10.0 * box, 1e-3)
                    << "box " << box;
            }
        }
        EXPECT_EQ(boxes, row.mHidden);
        legend.reset();
        mMap.reset();
    }
}

} // namespace
