// Contour labels as large as a document asks, drawn on a 1024 x 768 map: a font larger than half the map's height
// is cut to it, with one line in the log, and the labels of one level share one texture of the map's.
#include "WxDrawTestSupport.h"

#include "CxDebug.h"
#include "GxString.h"
#include "WxContour.h"

#include <set>
#include <string>

namespace
{

using namespace wxkit;

const CxDate kDate(CxString("2020-07-27 12:00:00 UTC"));

class ContourLabelsTest : public wxdraw::DrawTest
{
protected:
    void TearDown() override
    {
        mMap.reset();
        DrawTest::TearDown();
    }

    // f = x on a grid of 3 x 40 cells of one degree in the degree projection: the levels 0.5 and 1.5 cross it
    // from bottom to top, labelled every twelfth segment in a font of the size.
    WxContour* Contour(int inFontSize)
    {
        WxRegisterProducts();
        mMap = KitMap("<map color=\"#FFFFFFFF\"><contour visible=\"true\" alpha=\"1\" dataset=\"grid\" parm=\"pres\" "
                      "units=\"mbar\" auto=\"false\" labels=\"true\" labelPrecision=\"1\" min=\"0.5\" max=\"1.5\" "
                      "interval=\"1\"><font size=\"" +
                      std::to_string(inFontSize) + "\"/></contour></map>");
        mMap->SetProjection(GxDegreeProjection());
        auto* contour = dynamic_cast<WxContour*>(*mMap->ProductBegin());
        Inject(*contour, KitGrid(kDate, 3, 40, GxPoint(0, 0), GxPoint(1, 1), "pres:mbar",
                                 [](CxSint32 i, CxSint32) { return double(i); }));
        return contour;
    }

    std::unique_ptr<WxMap> mMap;
};

TEST_F(ContourLabelsTest, LabelsStayWithinHalfTheMapsHeightAndShareTheirTextures)
{
    struct Row
    {
        int asked;
        int drawn;
    };
    const Row rows[] = {{10, 10}, {384, 384}, {385, 384}, {1000, 384}, {32767, 384}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.asked);
        WxContour* contour = Contour(row.asked);
        ASSERT_NE(contour, nullptr);
        CxDebugCapture capture;
        Feedback(*contour, GxPoint(1.5, 20), 0.1);
        ASSERT_EQ(contour->Labels().Count(), 14u);
        std::set<unsigned int> textures;
        for (const GxString* label : contour->Labels().Strings())
        {
            EXPECT_EQ(label->FontSize(), row.drawn);
            EXPECT_NE(label->TextureId(), 0u);
            textures.insert(label->TextureId());
        }
        EXPECT_EQ(textures.size(), 2u);
        EXPECT_EQ(mMap->LabelTextures().Count(), 2u);
        const bool cut = row.asked != row.drawn;
        EXPECT_EQ(capture.Count(), cut ? 1u : 0u);
        EXPECT_EQ(capture.Contains("contour label size cut"), cut);
        EXPECT_EQ(capture.Contains(std::to_string(row.asked) + " px to 384 px"), cut);
        // Drawn again from the display list: nothing made anew, nothing told again.
        Feedback(*contour, GxPoint(1.5, 20), 0.1);
        EXPECT_EQ(capture.Count(), cut ? 1u : 0u);
        EXPECT_EQ(mMap->LabelTextures().Count(), 2u);
    }
}

} // namespace
