// Station labels as large as a document asks, on the 1024 x 768 map: a font larger than half the view's height is
// cut to it with one line in the log, the labels of one text share one texture of the map's, and the map's budget
// holds however many layers ask.
#include "WxDrawTestSupport.h"

#include "CxDebug.h"
#include "GxProjection.h"
#include "GxString.h"
#include "WxObs.h"

#include <map>
#include <set>
#include <string>

namespace
{

using namespace wxkit;

const CxDate kDate(CxString("2020-07-27 12:00:00 UTC"));

class StationLabelsTest : public wxdraw::DrawTest
{
protected:
    void TearDown() override
    {
        mMap.reset();
        DrawTest::TearDown();
    }

    // inLayers obs layers in the degree projection, each in a font of the size and precision given.
    void MakeMap(int inLayers, int inFontSize, int inPrecision)
    {
        WxRegisterProducts();
        std::string layers;
        for (int i = 0; i < inLayers; ++i)
            layers += "<obs visible=\"true\" alpha=\"1\" dataset=\"europe\" parm=\"pres\" units=\"mbar\" precision=\"" +
                      std::to_string(inPrecision) + "\"><font size=\"" + std::to_string(inFontSize) + "\"/></obs>";
        mMap = KitMap("<map color=\"#FFFFFFFF\">" + layers + "</map>");
        mMap->SetProjection(GxDegreeProjection());
    }

    // Stations every 10 degrees from 50 W to 50 E and 30 S to 70 N, the values 1 and 2 in turn.
    static DxTable* Grid()
    {
        std::vector<double> lat, lon, values;
        for (int y = -30; y <= 70; y += 10)
            for (int x = -50; x <= 50; x += 10)
            {
                lat.push_back(y);
                lon.push_back(x);
                values.push_back(1.0 + double(values.size() % 2));
            }
        return KitTable(kDate, {}, {{"lat:degr", lat}, {"lon:degr", lon}, {"pres:mbar", values}});
    }

    // The stations' middle at the middle of the window, every one inside it.
    void Draw(WxObs& ioObs)
    {
        const GxPoint low = mMap->Projection()->Project(GxPosition().FromDegrees(-50, -30));
        const GxPoint high = mMap->Projection()->Project(GxPosition().FromDegrees(50, 70));
        const double perPixel = 1.2 * std::max((high.mX - low.mX) / kWidth, (high.mY - low.mY) / kHeight);
        Feedback(ioObs, GxPoint((low.mX + high.mX) / 2, (low.mY + high.mY) / 2), perPixel);
    }

    std::unique_ptr<WxMap> mMap;
};

TEST_F(StationLabelsTest, LabelsStayWithinHalfTheViewsHeightAndShareTheirTextures)
{
    struct Row
    {
        int asked;
        int drawn;
        int drawnLow; // in a view 400 pixels high
    };
    const Row rows[] = {{10, 10, 10},    {200, 200, 200},  {384, 384, 200},
                        {385, 384, 200}, {1000, 384, 200}, {32767, 384, 200}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.asked);
        MakeMap(1, row.asked, 0);
        auto* obs = dynamic_cast<WxObs*>(*mMap->ProductBegin());
        ASSERT_NE(obs, nullptr);
        Inject(*obs, Grid());
        CxDebugCapture capture;
        // Drawn, drawn again, then in a lower view: a line each time a cut is made anew.
        const std::size_t high = row.asked > row.drawn ? 1 : 0, low = row.drawn > row.drawnLow ? 1 : 0;
        const struct
        {
            int height;
            int drawn;
            std::size_t told;
        } steps[] = {{kHeight, row.drawn, high}, {kHeight, row.drawn, high}, {400, row.drawnLow, high + low}};
        for (const auto& step : steps)
        {
            SCOPED_TRACE(step.height);
            glViewport(0, 0, kWidth, step.height);
            Draw(*obs);
            ASSERT_EQ(obs->Labels().Count(), 121u);
            std::set<unsigned int> textures;
            std::set<std::string> texts;
            std::size_t visible = 0;
            for (const GxString* label : obs->Labels().Strings())
            {
                EXPECT_EQ(label->FontSize(), step.drawn);
                EXPECT_EQ(label->TextureId() != 0, label->IsVisible());
                if (!label->IsVisible())
                    continue;
                ++visible;
                textures.insert(label->TextureId());
                texts.insert(label->GetString().AsUtf8());
            }
            EXPECT_GT(visible, texts.size());
            EXPECT_EQ(textures.size(), texts.size());
            EXPECT_EQ(mMap->LabelTextures().Count(), texts.size());
            EXPECT_EQ(capture.Count(), step.told);
            EXPECT_EQ(capture.Contains("station label size cut"), step.told > 0);
            EXPECT_EQ(capture.Contains(std::to_string(row.asked) + " px to " + std::to_string(step.drawn) + " px"),
                      step.drawn != row.asked);
        }
        glViewport(0, 0, kWidth, kHeight);
        mMap.reset();
    }
}

// Forty layers of a label each, every one of another text, in a font cut to 384 px: the map's textures stay
// within its budget, the labels past it are not drawn, and that is told once.
TEST_F(StationLabelsTest, ManyLayersStayWithinTheMapsBudget)
{
    constexpr int kLayers = 40;
    MakeMap(kLayers, 1000, 20);
    int i = 0;
    for (auto product = mMap->ProductBegin(); product != mMap->ProductEnd(); ++product, ++i)
        Inject(*dynamic_cast<WxObs*>(*product),
               KitTable(kDate, {}, {{"lat:degr", {20}}, {"lon:degr", {0}}, {"pres:mbar", {1000.0 + i}}}));
    ASSERT_EQ(i, kLayers);
    CxDebugCapture capture;
    std::size_t textured = 0;
    for (auto product = mMap->ProductBegin(); product != mMap->ProductEnd(); ++product)
    {
        auto* obs = dynamic_cast<WxObs*>(*product);
        Draw(*obs);
        ASSERT_EQ(obs->Labels().Count(), 1u);
        textured += obs->Labels().Strings().front()->TextureId() != 0;
    }
    EXPECT_GT(textured, 0u);
    EXPECT_LT(textured, std::size_t(kLayers));
    EXPECT_EQ(mMap->LabelTextures().Count(), textured);
    EXPECT_LE(mMap->LabelTextures().Bytes(), GxStringTextures::kDefaultBudget);
    std::map<std::string, int> lines;
    for (const std::string& line : capture.Lines())
        for (const char* kind : {"station label size cut", "text textures past the budget"})
            lines[kind] += line.find(kind) != std::string::npos;
    EXPECT_EQ(lines["station label size cut"], kLayers);
    EXPECT_EQ(lines["text textures past the budget"], 1);
}

} // namespace
