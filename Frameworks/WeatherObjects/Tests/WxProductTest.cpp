#include "CxDebug.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "WeatherTestKit.h"
#include "WxMap.h"

namespace
{

using namespace wxkit;

class WxProductTest : public KitTest
{
};

TEST_F(WxProductTest, MapHearsOfChangesOnlyWhenEveryProductIsReady)
{
    WxMap map(nullptr);
    auto* waiting = new KitProduct(&map);
    auto* ready = new WxProduct(&map); // the base is always ready
    KitRecorder recorder;
    map.AttachReceiver(&recorder);
    for (bool isReady : {false, true})
    {
        waiting->SetReady(isReady);
        ready->ProductChanged();
        ready->ProductDataChanged();
    }
    ready->SetSelected(true);
    EXPECT_EQ(recorder.Codes(), (std::vector<CxSint32>{1000, 1003, 1012}));
    EXPECT_EQ(recorder.Messages().back().second, ready);
}

TEST_F(WxProductTest, StatusDateShowsTheDayOnlyWhenItDiffers)
{
    struct Case
    {
        const char* mZone;
        CxDate mData;
        bool mSeconds;
        const char* mStatus;
    };
    const CxDate sameDay(2009, 7, 4, 15, 30, 0, 0);
    const CxDate dayBefore(2009, 7, 4, 2, 0, 0, 0); // still the 4th in UTC, the 3rd in New York
    const Case cases[] = {
        {"UTC", sameDay, false, "3:30 PM UTC"},
        {"UTC", sameDay, true, "3:30:00 PM UTC"},
        {"UTC", dayBefore, false, "2:00 AM UTC"},
        {"America/New_York", sameDay, false, "11:30 AM EDT"},
        {"America/New_York", dayBefore, false, "7/3/09 10:00 PM EDT"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.mZone) + " " + c.mStatus);
        KitClock clock(CxDate(2009, 7, 4, 17, 6, 7, 0), c.mZone);
        WxMap map(nullptr);
        map.SetDate(CxDate(2009, 7, 4, 17, 6, 7, 0));
        KitProduct product(&map);
        product.SetStatusDate(c.mData, c.mSeconds);
        EXPECT_EQ(product.Status().AsUtf8(), c.mStatus);
    }
}

TEST_F(WxProductTest, BaseProductIsAPlainLayer)
{
    WxMap map(nullptr);
    const GxPosition where(0.5, 0.25);
    map.SetTrackingPosition(where);
    WxProduct plain(&map);
    CxStringList names{CxString("x")}, values{CxString("y")};
    EXPECT_FALSE(plain.GetAttributesFromPosition(where, names, values));
    EXPECT_TRUE(names.empty() && values.empty());
    std::unique_ptr<WxInspector> legend(plain.CreateLegend());
    EXPECT_EQ(dynamic_cast<WxProductInspector&>(*legend).TrackPosition(), where);
    EXPECT_FALSE(std::unique_ptr<WxPopup>(plain.CreatePopup())->ShouldInvalidate());
    EXPECT_EQ(plain.Color(), GxColor(0.0, 0.0, 1.0, 1.0));
}

class CountingContext : public GxContext
{
public:
    void Show() override {}
    void Hide() override {}
    void MakeCurrent() override { ++mMadeCurrent; }
    void SwapBuffers() override {}
    int mMadeCurrent = 0;
};

class TextLegend : public WxInspector
{
public:
    void AddText(const char* inText) { mGxStrings.push_back(new GxString(CxString(inText), &mFont)); }
    std::vector<GxString*>& Texts() { return mGxStrings; }
    GxFont mFont;
};

TEST_F(WxProductTest, InspectorTexturesLiveUntilDeleteTextures)
{
    CxDebugCapture capture;
    CountingContext context;
    {
        TextLegend legend;
        legend.DeleteTextures(context); // nothing cached: only the context is made current
        EXPECT_EQ(context.mMadeCurrent, 1);
        legend.AddText("one");
        legend.AddText("two");
        legend.DeleteTextures(context);
        EXPECT_EQ(context.mMadeCurrent, 2);
    }
    EXPECT_EQ(capture.Count(), 0u);
    // Left undeleted, the texts are reported and dropped, not freed; the test frees its own.
    auto* legend = new TextLegend;
    legend->AddText("left over");
    GxString* leftOver = legend->Texts()[0];
    delete static_cast<WxInspector*>(legend);
    EXPECT_TRUE(capture.Contains("CxAssert (mGxStrings.size() == 0)"));
    delete leftOver;
}

} // namespace
