#include "WxGraph.h"
#include "CxDebug.h"
#include "WeatherTestKit.h"
#include "WxParser.h"
#include "WxSeries.h"

#include <memory>

namespace
{

using namespace wxkit;

// 30 s past the minute, so that the present minute differs from the present.
const CxDate kNow(2009, 7, 4, 17, 0, 30, 0);

class WxGraphTest : public KitTest
{
protected:
    KitSeriesTable mTable;
    KitClock mClock{kNow};
};

std::string Graph(const std::string& inChildren, const std::string& inAttributes = "")
{
    return "<graph" + inAttributes + ">" + inChildren + "</graph>";
}

// The "name" of each series in list order; "|" for a divider.
std::string Names(const WxGraph& inGraph)
{
    std::string names;
    for (auto series = inGraph.SeriesBegin(); series != inGraph.SeriesEnd(); ++series)
        names += dynamic_cast<const WxSeriesSplit*>(*series) != nullptr ? "|" : (*series)->Name().AsUtf8();
    return names;
}

TEST_F(WxGraphTest, WindowKeepsItsOrderAndEqualDatesGiveTwelveHours)
{
    const CxDate noon(2009, 7, 4, 12, 0, 0, 0);
    // Seconds from noon: start and end given, start and end wanted. An end before the start is the start.
    const double cases[][4] = {{-3600, 0, -3600, 0}, {0, 0, -43200, 0}, {0, -60, -43200, 0}};
    for (const auto& test : cases)
    {
        WxGraph graph;
        graph.SetDates(noon + test[0], noon + test[1]);
        EXPECT_EQ(graph.StartDate().AsString() + graph.EndDate().AsString(),
                  (noon + test[2]).AsString() + (noon + test[3]).AsString());
    }
}

TEST_F(WxGraphTest, WithoutDatesOrDurationTracksTwelveHoursToThePresentMinute)
{
    const auto graph = KitGraph(Graph(""));
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(graph->IsTracking());
    ASSERT_TRUE(mClock.FireNext());
    const CxDate minute(2009, 7, 4, 17, 0, 0, 0);
    EXPECT_EQ(graph->EndDate().AsString(), minute.AsString());
    EXPECT_EQ(graph->StartDate().AsString(), (minute - 43200.0).AsString());
}

TEST_F(WxGraphTest, TrackingGraphWritesItsDurationAndReadsBackTracking)
{
    const auto graph = KitGraph(Graph("", " duration=\"7200\""));
    ASSERT_TRUE(mClock.FireNext());
    const std::string written = WriteDocument(*graph);
    EXPECT_NE(written.find(" duration=\"7200\" legendVisible"), std::string::npos) << written;
    EXPECT_EQ(written.find("Date="), std::string::npos) << written;
    EXPECT_EQ(written.find("tracking"), std::string::npos) << written;

    const std::unique_ptr<WxParser> parser = KitParser(written);
    const std::unique_ptr<WxGraph> again(parser->Graph());
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->IsTracking());
    EXPECT_EQ(again->EndDate() - again->StartDate(), 7200.0);
}

TEST_F(WxGraphTest, CanonicalDocumentRoundTripsByteForByte)
{
    const std::string canonical = Fixture("graph-1.4.canonical");
    ASSERT_FALSE(canonical.empty());
    const std::unique_ptr<WxParser> parser = KitParser(canonical);
    const std::unique_ptr<WxGraph> graph(parser->Graph());
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(Names(*graph), "pressure|wind|air");
    EXPECT_FALSE(graph->IsTracking());
    const std::string first = WriteDocument(*graph);
    EXPECT_EQ(first, canonical);
    const std::unique_ptr<WxParser> second = KitParser(first);
    const std::unique_ptr<WxGraph> again(second->Graph());
    EXPECT_EQ(WriteDocument(*again), first);
}

TEST_F(WxGraphTest, ReaderPlacesSeriesAtFrontBeforeAnAnchorOrAtTheEnd)
{
    const auto graph = KitGraph(Graph("<series name=\"a\"/><series name=\"b\"/>"));
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(Names(*graph), "ba");
    const std::unique_ptr<WxParser> parser = KitParser(Vanedoc(Graph("<series name=\"x\"/><split/>")));
    const XmlElement* element = parser->Root()->FindElement("vanedoc")->FindElement("graph");
    WxSeries* anchor = *(graph->SeriesBegin() + 1);
    const struct
    {
        WxSeries* mAnchor;
        bool mSelect, mAppend;
        std::string mWant;
    } cases[] = {
        {nullptr, false, false, "|xba"},
        {anchor, true, false, "|xb|xa"},
        {nullptr, false, true, "|xb|xax|"},
    };
    for (const auto& test : cases)
    {
        parser->BuildSeries(element, graph.get(), test.mAnchor, test.mSelect, test.mAppend);
        EXPECT_EQ(Names(*graph), test.mWant);
    }
    EXPECT_EQ(graph->SelectionCount(), 2u);
}

TEST_F(WxGraphTest, SevenSplitsGiveFourDividers)
{
    const auto graph = KitGraph(Graph("<split/><split/><split/><split/><split/><split/><split/>"));
    EXPECT_EQ(graph->SplitCount(), 5u);
    EXPECT_EQ(graph->SeriesCount(), 4u);
}

TEST_F(WxGraphTest, CombineRemovesSelectedDividersOneMessageEach)
{
    const auto graph = KitGraph(Graph("<split/><series name=\"a\"/><split/><split/>"));
    ASSERT_EQ(graph->SplitCount(), 4u);
    (*graph->SeriesBegin())->SetSelected(true);
    (*(graph->SeriesBegin() + 1))->SetSelected(true);
    (*(graph->SeriesBegin() + 2))->SetSelected(true);
    KitRecorder recorder;
    graph->AttachReceiver(&recorder);
    graph->Combine();
    EXPECT_EQ(recorder.Codes(), (std::vector<CxSint32>{1002, 1008, 1002, 1008}));
    EXPECT_EQ(graph->SplitCount(), 2u);
    EXPECT_EQ(Names(*graph), "a|");
    graph->DetachReceiver(&recorder);
}

// Each selected series moves one place towards the front (the reader put d first), past an unselected one only;
// the first stays first.
TEST_F(WxGraphTest, SelectedSeriesMoveForwardOnePlace)
{
    const struct
    {
        const char* mSelected;
        const char* mOrder;
    } cases[] = {{"b", "dbca"}, {"a", "dcab"}, {"d", "dcba"}, {"ca", "cdab"}, {"dc", "dcba"}, {"", "dcba"}};
    for (const auto& c : cases)
    {
        const auto graph =
            KitGraph(Graph(R"(<series name="a"/><series name="b"/><series name="c"/><series name="d"/>)"));
        for (auto series = graph->SeriesBegin(); series != graph->SeriesEnd(); ++series)
            (*series)->SetSelected(std::string(c.mSelected).find((*series)->Name().AsUtf8()) != std::string::npos);
        graph->MoveSelectionForward();
        EXPECT_EQ(Names(*graph), c.mOrder) << c.mSelected;
    }
}

TEST_F(WxGraphTest, AxesByUnitLastReadWinsAndDividersHaveNone)
{
    const auto graph = KitGraph(Graph("<axis id=\"cels\" min=\"1\" max=\"2\" autoMin=\"false\"/>"
                                      "<axis id=\"cels\" min=\"3\" max=\"4\" autoMin=\"false\"/>"
                                      "<series name=\"t\" unit=\"cels\"/><split/>"));
    ASSERT_EQ(graph->Axes().size(), 1u);
    WxSeriesAxis* axis = graph->GetAxisById(CxString("cels"));
    EXPECT_EQ(axis->Min(), 3.0);
    graph->AdoptAxis(axis);
    EXPECT_EQ(graph->GetAxisById(CxString("cels")), axis);
    EXPECT_EQ(graph->GetAxis(*(graph->SeriesBegin() + 1)), axis);
    EXPECT_EQ(graph->GetAxis(*graph->SeriesBegin()), nullptr);
    EXPECT_EQ(graph->GetAxis(nullptr), nullptr);
    // An unknown unit gets an axis of its own, written only once a bound is fixed.
    EXPECT_EQ(graph->GetAxisById(CxString("mbar"))->Unit().Id(), "mbar");
    EXPECT_EQ(WriteDocument(*graph).find("mbar"), std::string::npos);
}

TEST_F(WxGraphTest, SeriesReportsOnlyChangesToItsGraph)
{
    WxGraph graph;
    KitRecorder recorder;
    graph.AttachReceiver(&recorder);
    auto* series = new KitSeries(&graph);
    series->SetVisibility(true);
    series->SetSelected(false);
    series->SetAuthenticationFailed(false);
    series->SetVisibility(false);
    series->SetSelected(true);
    series->SetAuthenticationFailed(true);
    series->SetName(CxString("n"));
    delete series;
    EXPECT_EQ(recorder.Codes(), (std::vector<CxSint32>{1001, 1000, 1012, 1003, 1003, 1002}));
    graph.DetachReceiver(&recorder);
    // Without a graph nothing is sent and nothing breaks.
    KitSeries alone(nullptr);
    alone.SetSelected(true);
    alone.SetName(CxString("m"));
    EXPECT_EQ(alone.Graph(), nullptr);
}

} // namespace
