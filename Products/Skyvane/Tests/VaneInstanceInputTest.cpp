// Clicks on the map and the graph land on what they show: the animation buttons' band only while the buttons are
// drawn, a panel's legend where the panel stands after a resize or a slide; and a caption band too narrow for text
// draws none over the legend column.
#include "VaneInstanceTest.h"

#include "FxCommander.h"
#include "PfTypes.h"
#include "VaneInspectors.h"
#include "WxGraph.h"
#include "WxInspector.h"
#include "WxMap.h"
#include "WxProduct.h"
#include "WxSeries.h"
#include "WxSeriesLegend.h"

#include <algorithm>
#include <functional>

namespace
{

using namespace vanetest;

constexpr pf::Rect kMapRect{100, 200, 400, 260};
constexpr int kW = 400;
constexpr int kH = 260;

const char* const kLoop = "<loop><duration value=\"2\" units=\"hour\"/>"
                          "<anchor date=\"2010-01-15 12:00:00 UTC\" type=\"loopTo\"/><step value=\"10\" units=\"min\"/>"
                          "</loop>";
// Start and end dates alike: no time range, no buttons.
const char* const kNoLoop = "<loop><duration value=\"0\" units=\"hour\"/>"
                            "<anchor date=\"2010-01-15 12:00:00 UTC\" type=\"loopTo\"/></loop>";

std::string MapDocument(const std::string& inLoop, int inLayers)
{
    std::string layers;
    for (int i = 0; i < inLayers; ++i)
        layers += "<gridlines name=\"g" + std::to_string(i) +
                  "\" latInterval=\"10\" lonInterval=\"10\" "
                  "visible=\"true\"/>";
    return wxkit::Vanedoc("<map color=\"#203040FF\" date=\"2010-01-15 12:00:00 UTC\" legendVisible=\"true\">" + inLoop +
                          layers + "</map>");
}

std::string GraphDocument()
{
    return wxkit::Vanedoc(R"(<graph name="Harbour" color="#203040FF" startDate="2010-01-15 00:00:00 UTC" )"
                          R"(endDate="2010-01-16 00:00:00 UTC" tracking="false" archiving="false" )"
                          R"(legendVisible="true"></graph>)");
}

// A panel legend that keeps the clicks it is handed.
class RecordingLegend : public WxInspector
{
public:
    explicit RecordingLegend(std::vector<WxMouseDown>& outClicks) : mClicks(outClicks) {}
    void OnMouseDown(const WxMouseDown& inEvent) override { mClicks.push_back(inEvent); }

private:
    std::vector<WxMouseDown>& mClicks;
};

class RecordingSeriesLegend : public WxSeriesInspector
{
public:
    RecordingSeriesLegend(WxSeries* inSeries, std::vector<WxMouseDown>& outClicks)
        : WxSeriesInspector(inSeries), mClicks(outClicks)
    {
    }
    void OnMouseDown(const WxMouseDown& inEvent) override { mClicks.push_back(inEvent); }

private:
    std::vector<WxMouseDown>& mClicks;
};

class RecordingProduct : public WxProduct
{
public:
    RecordingProduct(WxMap* inMap, std::vector<WxMouseDown>& outClicks) : WxProduct(inMap), mClicks(outClicks) {}

protected:
    WxInspector* OnCreateLegend() override { return new RecordingLegend(mClicks); }

private:
    std::vector<WxMouseDown>& mClicks;
};

class RecordingSeries : public WxSeries
{
public:
    RecordingSeries(WxGraph* inGraph, std::vector<WxMouseDown>& outClicks) : WxSeries(inGraph), mClicks(outClicks) {}

protected:
    WxSeriesInspector* OnCreateLegend() override { return new RecordingSeriesLegend(this, mClicks); }

private:
    std::vector<WxMouseDown>& mClicks;
};

bool Command(FxPluginInstance* ioInstance, const char (&inCode)[5])
{
    FxCommand command(pf::FourCC(inCode));
    ioInstance->OnCommand(command);
    return command.WasHandled();
}

using InstanceInputTest = InstanceTest;

// The bottom 16 px of the column are the buttons only while they are drawn: with equal start and end dates the
// row lying there takes the click, nothing starts playing and a hover there redraws nothing.
TEST_F(InstanceInputTest, TheButtonsBandActsOnlyWhileTheButtonsAreDrawn)
{
    enum class Act
    {
        kClick,
        kMove
    };
    struct Row
    {
        const char* what;
        bool range;
        Act act;
        int x;
        int selected; // the selected layer's row, -1 for none
        bool playing;
        CxSint32 hover;
        bool redraws;
    };
    const int y = kH - 8; // in the fifth row (220 to 260) and in the band
    const Row rows[] = {
        {"play's place, no range", false, Act::kClick, 80, 4, false, -1, true},
        {"first's place, no range", false, Act::kClick, 10, 4, false, -1, true},
        {"hover, no range", false, Act::kMove, 80, -1, false, -1, false},
        {"play, with a range", true, Act::kClick, 80, -1, true, 5, true}, // the pause image while playing
        {"hover, with a range", true, Act::kMove, 80, -1, false, 2, true},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        mClock->Advance(100); // past the shared throttle of mouse moves
        NPP embed = Show(MapDocument(row.range ? kLoop : kNoLoop, 5), {}, kMapRect);
        MapProbe* map = Map(embed);
        ASSERT_NE(map, nullptr);
        WxMap* m = map->GetMap();
        const CxDate date = m->Date();
        const std::size_t before = mHost->Invalidations().size();
        if (row.act == Act::kClick)
        {
            map->OnMouseDown(MouseAt(row.x, y));
            map->OnMouseUp(MouseAt(row.x, y, 0));
        }
        else
        {
            map->OnMouseMoved(MouseAt(row.x, y, 0));
        }
        int selected = -1;
        if (m->SelectionCount() == 1)
            selected =
                int(std::find(m->ProductBegin(), m->ProductEnd(), m->SelectedProducts().front()) - m->ProductBegin());
        EXPECT_EQ(selected, row.selected);
        EXPECT_EQ(map->mProductInspector != nullptr, row.selected >= 0);
        EXPECT_EQ(m->IsAnimating(), row.playing);
        if (!row.range)
        {
            EXPECT_EQ(m->Date(), date);
        }
        EXPECT_EQ(map->mHoverButton, row.hover);
        EXPECT_EQ(mHost->Invalidations().size() > before, row.redraws);
        Destroy(embed);
    }
}

// A click on an open panel reaches its legend at the point under the mouse in the panel as drawn, on a column
// flush right that a resize or a hide, a resize and a show moved 100 px.
TEST_F(InstanceInputTest, APanelsLegendGetsTheClickWhereThePanelIsDrawn)
{
    struct Row
    {
        const char* what;
        bool graph;
        bool hidden; // hidden during the resize, shown after it
    };
    const Row rows[] = {
        {"map, resized", false, false},
        {"map, resized while hidden", false, true},
        {"graph, resized", true, false},
        {"graph, resized while hidden", true, true},
    };
    const pf::Rect wider{kMapRect.x, kMapRect.y, kW + 100, kH};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        std::vector<WxMouseDown> clicks;
        NPP embed = Show(row.graph ? GraphDocument() : MapDocument(kLoop, 1), {{"legendAlign", "right"}}, kMapRect);
        FxPluginInstance* instance = InstanceOf(embed);
        ASSERT_NE(instance, nullptr);
        if (row.graph)
        {
            ASSERT_NE(Graph(embed), nullptr);
            new RecordingSeries(Graph(embed)->GetGraph(), clicks);
        }
        else
        {
            ASSERT_NE(Map(embed), nullptr);
            new RecordingProduct(Map(embed)->GetMap(), clicks);
        }
        Draw(embed);
        // The new layer's row is the top one: a click grows its panel, which reaches full height.
        const int left = kW - 175;
        instance->OnMouseDown(MouseAt(left + 50, 60 + 20));
        instance->OnMouseUp(MouseAt(left + 50, 60 + 20));
        mClock->Advance(2000);
        const bool open =
            row.graph ? Graph(embed)->GetInspector() != nullptr : Map(embed)->mProductInspector != nullptr;
        ASSERT_TRUE(open);
        if (row.hidden)
        {
            ASSERT_TRUE(Command(instance, "LGND"));
            mClock->Advance(2000);
        }
        mHost->SetWindow(embed, wider);
        if (row.hidden)
        {
            ASSERT_TRUE(Command(instance, "LGND"));
            mClock->Advance(2000);
        }
        Draw(embed);
        const int column = kW + 100 - 175;
        const CxRect legend = row.graph ? Graph(embed)->LegendRect() : Map(embed)->mLegendRect;
        ASSERT_EQ(legend.left, column);
        clicks.clear();
        instance->OnMouseDown(MouseAt(column + 50, 150));
        instance->OnMouseUp(MouseAt(column + 50, 150));
        // The keys held come with the click, in the legend's own terms.
        FxMouseEvent held = MouseAt(column + 60, 160);
        held.mModifiers = FxMouseEvent::kShift | FxMouseEvent::kOption;
        instance->OnMouseDown(held);
        instance->OnMouseUp(MouseAt(column + 60, 160, 0));
        // The panel's top stays at the header's foot, 60 px down.
        ASSERT_EQ(clicks.size(), 2u);
        EXPECT_EQ(clicks[0].mWhere.h, 50);
        EXPECT_EQ(clicks[0].mWhere.v, 150 - 60);
        EXPECT_EQ(clicks[0].mModifiers, 0u);
        EXPECT_EQ(clicks[1].mWhere.h, 60);
        EXPECT_EQ(clicks[1].mWhere.v, 160 - 60);
        EXPECT_EQ(clicks[1].mModifiers, CxUint32(WxMouseDown::kShift | WxMouseDown::kOption));
        Destroy(embed);
    }
}

// A caption band at the top of a view whose column leaves it a few pixels (or none) draws no text: the column
// looks as it does without a caption. A wide band still has its text.
TEST_F(InstanceInputTest, ACaptionBandTooNarrowForTextDrawsNoneOverTheColumn)
{
    const int bands[] = {-40, 0, 1, 2, 12, 23, 225};
    for (const int band : bands)
    {
        SCOPED_TRACE(band);
        const int width = 175 + band;
        const pf::Rect rect{kMapRect.x, kMapRect.y, double(width), kH};
        const auto shoot = [&](bool inCaption)
        {
            std::vector<std::pair<std::string, std::string>> arguments{{"legendAlign", "right"}};
            if (inCaption)
                arguments.insert(arguments.end(), {{"caption", "WWWWWWWWWWWWWWWWWWWW"},
                                                   {"captionAlign", "top"},
                                                   {"captionBackground", "#F0E0A0FF"},
                                                   {"captionFontSize", "14"}});
            NPP embed = Show(MapDocument(kLoop, 1), arguments, rect);
            Draw(embed);
            const pf::Snapshot shot = Shot();
            Destroy(embed);
            return shot;
        };
        const pf::Snapshot plain = shoot(false);
        const pf::Snapshot captioned = shoot(true);
        int differ = 0;
        int ink = 0; // the black text on the pale band
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < width; ++x)
            {
                const std::uint32_t pixel = captioned.Pixel(int(rect.x) + x, int(rect.y) + y);
                if (x >= band)
                    differ += pixel != plain.Pixel(int(rect.x) + x, int(rect.y) + y);
                else
                    ink += (pixel >> 24) < 80 && ((pixel >> 16) & 0xFF) < 80 && ((pixel >> 8) & 0xFF) < 80;
            }
        EXPECT_EQ(differ, 0) << "caption pixels over the column";
        if (band > 100)
        {
            EXPECT_GT(ink, 20);
        }
    }
}

} // namespace
