// The series kit where no series test reaches it: the lock following the client's authentication, the status of a
// series without a time-series set, and what a document says of a series' visibility and set, for the line and the
// wind series alike.
#include "WxSeriesKit.h"
#include "DxParm.h"
#include "DxSet.h"
#include "WeatherTestKit.h"
#include "WxGraph.h"
#include "WxParser.h"
#include "WxSeriesClient.h"
#include "WxSeriesVectorClient.h"

#include <memory>

#include <type_traits>

namespace
{

using namespace wxkit;

template <class Series> class WxSeriesKitTest : public KitTest
{
protected:
    // The station and, for the line, the pressure; the wind's vector finds no components without a set.
    static void SetStation(Series& ioSeries, const char* inSite)
    {
        if constexpr (std::is_same_v<Series, WxSeriesClient>)
            ioSeries.SetClientInfo(CxString(inSite), DxParm(CxString("pres"), CxString("pressure"), kDxTypeFloat,
                                                            DxUnit(CxString("mbar")), DxUnitSet(), 0.0));
        else
            ioSeries.SetClientInfo(CxString(inSite), DxVectorParm(CxString("wind"), CxString("wind"), CxString("sped"),
                                                                  CxString(), CxString("drct"), CxString(), CxString(),
                                                                  CxString(), DxUnit(CxString("mph"))));
    }
};

using SeriesKinds = ::testing::Types<WxSeriesClient, WxSeriesVectorClient>;
TYPED_TEST_SUITE(WxSeriesKitTest, SeriesKinds);

// Each change of the lock reaches the graph as the series' own lock change and a data change (1003 twice); a
// login failing again while the series already shows the lock sends nothing.
TYPED_TEST(WxSeriesKitTest, LockFollowsTheClientAndTellsTheGraphOfChangesOnly)
{
    WxGraph graph;
    KitRecorder recorder;
    auto* series = new TypeParam(&graph);
    graph.AttachReceiver(&recorder);
    const struct
    {
        const char* mWhat;
        bool mAuthenticated;
        bool mSeriesLocked;
        std::size_t mMessages;
    } cases[] = {
        {"login fails", false, true, 2},
        {"login succeeds", true, false, 2},
        {"fails while already locked", false, true, 0},
    };
    for (const auto& c : cases)
    {
        if (c.mMessages == 0)
        {
            series->SetAuthenticated(true);
            series->SetAuthenticationFailed(true);
        }
        recorder.Clear();
        series->SetAuthenticated(c.mAuthenticated);
        EXPECT_EQ(series->IsAuthenticationFailed(), c.mSeriesLocked) << c.mWhat;
        EXPECT_EQ(recorder.Codes(), std::vector<CxSint32>(c.mMessages, 1003)) << c.mWhat;
    }
    graph.DetachReceiver(&recorder);
    delete series;
}

// Without a set there is no site list to name the station from: the status is the station id, and new data on
// another station shows that one.
TYPED_TEST(WxSeriesKitTest, StatusWithoutASetIsTheStationId)
{
    WxGraph graph;
    auto* series = new TypeParam(&graph);
    const CxDate date(2020, 7, 27, 0, 0, 0, 0);
    for (const char* site : {"kts9", "kts2"})
    {
        this->SetStation(*series, site);
        Inject(*series, KitTable(date, {}, {{"time:secs", {0.0, 300.0}}, {"pres:mbar", {1010.0, 1011.0}}}));
        EXPECT_EQ(series->Status(), CxString(site));
    }
    if constexpr (std::is_same_v<TypeParam, WxSeriesClient>)
    {
        EXPECT_EQ(series->Name(), CxString("Pressure"));
    }
    delete series;
}

// A document's "visible" is the series' visibility whatever it was before (a series saved hidden opens hidden); a
// set the document names that does not exist yet is made as a time-series set.
TYPED_TEST(WxSeriesKitTest, VisibilityAndSetAsTheDocumentSays)
{
    WxGraph graph;
    auto* series = new TypeParam(&graph);
    const std::pair<const char*, bool> kRows[] = {
        {"false", false}, {"false", false}, {"true", true}, {"true", true}, {"false", false}};
    for (const auto& [visible, shown] : kRows)
    {
        std::unique_ptr<WxParser> parser;
        const XmlElement* element = KitElement(parser, std::string("<series visible=\"") + visible + "\"/>");
        ASSERT_NE(element, nullptr);
        WxReadSeriesVisibility(*series, *element);
        EXPECT_EQ(series->IsVisible(), shown) << visible;
    }
    std::unique_ptr<WxParser> parser;
    const XmlElement* element = KitElement(parser, "<series dataset=\"qa2-unheard-of\"/>");
    ASSERT_NE(element, nullptr);
    WxReadSeriesSet(*series, &graph, *element);
    ASSERT_NE(series->Set(), nullptr);
    EXPECT_EQ(series->Set()->Id(), CxString("qa2-unheard-of"));
    EXPECT_EQ(series->Set()->Kind(), 7);
    series->SetSet(nullptr);
    delete series;
}

} // namespace
