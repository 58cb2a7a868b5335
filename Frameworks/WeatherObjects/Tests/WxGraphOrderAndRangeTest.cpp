// A graph's selection moved one place towards the back, and its automatic axes spanning the data of their unit.
#include "WeatherTestKit.h"
#include "WxGraph.h"
#include "WxSeries.h"

#include <limits>
#include <memory>

namespace
{

using namespace wxkit;

class WxGraphOrderAndRangeTest : public KitTest
{
protected:
    KitSeriesTable mTable;
};

std::string Names(const WxGraph& inGraph)
{
    std::string names;
    for (auto series = inGraph.SeriesBegin(); series != inGraph.SeriesEnd(); ++series)
        names += (*series)->Name().AsUtf8();
    return names;
}

// The reader puts the document's last series first (d), so the graph's first is the document's last. Each selected
// series moves one place back, past an unselected one only; the last stays last. The change is told once.
TEST_F(WxGraphOrderAndRangeTest, SelectedSeriesMoveBackOnePlace)
{
    const struct
    {
        const char* mSelected;
        const char* mOrder;
    } cases[] = {{"d", "cdba"}, {"c", "dbca"}, {"a", "dcba"}, {"db", "cdab"}, {"ba", "dcba"}, {"", "dcba"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mSelected);
        const auto graph =
            KitGraph(R"(<graph><series name="a"/><series name="b"/><series name="c"/><series name="d"/></graph>)");
        ASSERT_NE(graph, nullptr);
        ASSERT_EQ(Names(*graph), "dcba");
        for (auto series = graph->SeriesBegin(); series != graph->SeriesEnd(); ++series)
            (*series)->SetSelected(std::string(c.mSelected).find((*series)->Name().AsUtf8()) != std::string::npos);
        KitRecorder recorder;
        graph->AttachReceiver(&recorder);
        graph->MoveSelectionBackward();
        graph->DetachReceiver(&recorder);
        EXPECT_EQ(Names(*graph), c.mOrder);
        EXPECT_EQ(recorder.Codes(), std::vector<CxSint32>{kWxGraphSettingsChanged});
    }
}

// An automatic bound is the data's own: the lowest minimum and the highest maximum of the unit's series, whatever
// their signs. A fixed bound stays as written (a document names both flags once either is off).
TEST_F(WxGraphOrderAndRangeTest, AutomaticAxesSpanTheirUnitsData)
{
    const struct
    {
        const char* mWhat;
        const char* mGraph;
        double mMin, mMax;
    } cases[] = {
        {"one series", R"(<series name="t" unit="cels" min="10" max="20"/>)", 10.0, 20.0},
        {"below zero", R"(<series name="t" unit="cels" min="-20" max="-10"/>)", -20.0, -10.0},
        {"across zero", R"(<series name="t" unit="cels" min="-3.5" max="7.25"/>)", -3.5, 7.25},
        {"two series of the unit",
         R"(<series name="t" unit="cels" min="15" max="30"/><series name="u" unit="cels" min="10" max="20"/>)", 10.0,
         30.0},
        {"another unit's series apart",
         R"(<series name="t" unit="cels" min="10" max="20"/><series name="p" unit="mbar" min="990" max="1030"/>)", 10.0,
         20.0},
        {"a fixed maximum",
         R"(<axis id="cels" min="0" max="50" autoMin="true" autoMax="false"/>)"
         R"(<series name="t" unit="cels" min="10" max="20"/>)",
         10.0, 50.0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mWhat);
        const auto graph = KitGraph(std::string("<graph>") + c.mGraph + "</graph>");
        ASSERT_NE(graph, nullptr);
        graph->BuildAxes();
        const WxSeriesAxis* axis = graph->GetAxisById(CxString("cels"));
        ASSERT_NE(axis, nullptr);
        EXPECT_EQ(axis->Min(), c.mMin);
        EXPECT_EQ(axis->Max(), c.mMax);
    }
}

} // namespace
