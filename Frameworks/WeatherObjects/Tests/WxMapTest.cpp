#include "WxMap.h"
#include "CxDebug.h"
#include "DxSet.h"
#include "WeatherTestKit.h"
#include "WxParser.h"

#include <memory>

namespace
{

using namespace wxkit;

const CxDate kBase(2009, 7, 4, 17, 0, 0, 0);

CxDate At(int inHour, int inMinute, int inSecond = 0)
{
    return CxDate(2009, 7, 4, CxSint16(inHour), CxSint16(inMinute), CxSint16(inSecond), 0);
}

class WxMapTest : public KitTest
{
protected:
    KitProductTable mTable;
    KitClock mClock{kBase};
};

const char kQuarterLoop[] =
    "<map date=\"2009-07-04 17:15:00 UTC\"><loop><duration value=\"15\" units=\"min\"/>"
    "<anchor date=\"2009-07-04 17:15:00 UTC\" type=\"loopTo\"/><step value=\"5\" units=\"min\"/>"
    "</loop></map>";

TEST_F(WxMapTest, AnimationAdvancesDwellsRestoresAndWraps)
{
    auto map = KitMap(kQuarterLoop);
    struct Step
    {
        CxSint64 mAdvance;
        bool mDrawn;
        std::size_t mIndex;
        CxUint32 mPeriod;
        int mMinute;
    };
    const Step steps[] = {
        {0, true, 1, 144, 5},     {144, true, 2, 144, 10},   {144, true, 3, 144, 15}, // advance
        {144, true, 3, 2000, 15}, {1999, true, 3, 2000, 15},                          // dwell on the last frame
        {1, true, 0, 144, 0},                                                         // restore and wrap
        {144, false, 0, 144, 0},                                                      // the frame is not drawn yet
    };
    map->TogglePlay();
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.mAdvance);
        if (step.mDrawn)
            map->EndDraw();
        mClock.Advance(step.mAdvance);
        EXPECT_EQ(map->FrameIndex(), step.mIndex);
        EXPECT_EQ(map->AnimationPeriod(), step.mPeriod);
        EXPECT_EQ(map->Date(), At(17, step.mMinute));
    }
    EXPECT_EQ(map->NumFrames(), 4u);
}

TEST_F(WxMapTest, TrackingKeepsTheWindowAtThePresent)
{
    auto map =
        KitMap("<map><loop><duration value=\"1\" units=\"hour\"/><step value=\"5\" units=\"min\"/></loop></map>");
    EXPECT_TRUE(map->IsTracking());
    EXPECT_EQ(mClock.NextDelay(), 0);
    ASSERT_TRUE(mClock.FireNext());
    EXPECT_EQ(mClock.NextDelay(), 10000);
    ASSERT_TRUE(mClock.FireNext());
    EXPECT_EQ(map->StartDate(), At(16, 0, 10));
    EXPECT_EQ(map->EndDate(), At(17, 0, 10));
    EXPECT_EQ(map->Date(), At(17, 0, 10));
    EXPECT_EQ(map->NumFrames(), 13u);
}

TEST_F(WxMapTest, SyncProductDatesAreTheFramesAndNewDatesJoinAtTheLast)
{
    DxSet* set = KitSet("kit", kDxManagerKdf, 300, {At(16, 0), At(16, 20), At(16, 40)});
    auto map = KitMap("<map date=\"2009-07-04 17:00:00 UTC\"><loop><duration value=\"1\" units=\"hour\"/>"
                      "<anchor date=\"2009-07-04 17:00:00 UTC\" type=\"loopTo\"/></loop>"
                      "<obs dataset=\"kit\" sync=\"true\"/></map>");
    map->FirstFrame();
    EXPECT_EQ(map->Frames(), (std::vector<CxDate>{At(16, 0), At(16, 20), At(16, 40)}));
    EXPECT_EQ(map->StepSeconds(), -1);
    EXPECT_EQ(WriteDocument(*map).find("<step"), std::string::npos); // the sync product's dates rule the loop
    map->NextFrame();
    KitAddDates(set, {At(17, 0)});
    map->NextFrame(); // reaches the last frame, and the new date joins
    EXPECT_EQ(map->NumFrames(), 4u);
    map->NextFrame();
    EXPECT_EQ(map->Date(), At(17, 0));
    EXPECT_EQ(map->FrameIndex(), 3u);
}

TEST_F(WxMapTest, TrackingPeriodFollowsTheFinestResolution)
{
    const std::pair<CxSint32, CxUint32> cases[] = {{30, 15000}, {300, 60000}};
    for (const auto& [resolution, period] : cases)
    {
        KitSet(CxString("set") + CxString(resolution), kDxManagerKdf, resolution, {});
        auto map = KitMap("<map><obs/><obs dataset=\"set" + std::to_string(resolution) + "\"/></map>");
        EXPECT_EQ(map->TrackingPeriod(), 10000u);
        map->CalculateTimerInterval();
        EXPECT_EQ(map->TrackingPeriod(), period) << resolution;
    }
}

TEST_F(WxMapTest, MoveSelectionPasses)
{
    // Top first: a, B, c, D, E with the capitals selected.
    const char pattern[] =
        "<map><obs name=\"E\" selected=\"true\"/><obs name=\"D\" selected=\"true\"/><obs name=\"c\"/>"
        "<obs name=\"B\" selected=\"true\"/><obs name=\"a\"/></map>";
    const std::pair<void (WxMap::*)(), const char*> cases[] = {{&WxMap::MoveSelectionForward, "B*aD*E*c"},
                                                               {&WxMap::MoveSelectionBackward, "acB*D*E*"},
                                                               {&WxMap::MoveSelectionToFront, "B*D*E*ac"},
                                                               {&WxMap::MoveSelectionToBack, "acB*D*E*"}};
    for (const auto& [move, expected] : cases)
    {
        auto map = KitMap(pattern);
        ASSERT_EQ(KitLabels(*map), "aB*cD*E*");
        EXPECT_EQ(map->SelectionCount(), 3u);
        KitRecorder recorder;
        map->AttachReceiver(&recorder);
        ((*map).*move)();
        EXPECT_EQ(KitLabels(*map), expected);
        EXPECT_EQ(recorder.Codes(), std::vector<CxSint32>{1004});
    }
}

TEST_F(WxMapTest, DestroyingAnAnimatingMapStopsThenOrphansThenSaysGoodbye)
{
    auto map = KitMap("<map><obs/><radar/></map>");
    const std::vector<WxProduct*> products(map->ProductBegin(), map->ProductEnd());
    map->TogglePlay();
    KitRecorder recorder;
    map->AttachReceiver(&recorder);
    map.reset();
    const std::vector<KitRecorder::Message> expected = {
        {1004, nullptr}, {1002, products[0]}, {1002, products[1]}, {1005, nullptr}};
    EXPECT_EQ(recorder.Messages(), expected);
}

// Mended: a loop without "duration" dereferenced nothing after its assertion.
TEST_F(WxMapTest, LoopWithoutDurationCountsZero)
{
    CxDebugCapture capture;
    auto map = KitMap("<map date=\"2009-07-04 17:00:00 UTC\"><loop><anchor date=\"2009-07-04 17:00:00 UTC\" "
                      "type=\"loopTo\"/></loop></map>");
    EXPECT_TRUE(capture.Contains("CxAssert (durationElement != nil)"));
    EXPECT_EQ(map->Duration(), 0);
    EXPECT_EQ(map->DurationUnit().Id(), "hour");
    EXPECT_EQ(map->StartDate(), map->EndDate());
}

// Mended: the first and last frame of an empty frame list were read.
TEST_F(WxMapTest, FirstAndLastFrameOfNoFramesDoNothing)
{
    auto map = KitMap("<map date=\"2009-07-04 17:00:00 UTC\"><obs sync=\"true\"/></map>");
    map->FirstFrame();
    map->LastFrame();
    EXPECT_EQ(map->NumFrames(), 0u);
    EXPECT_EQ(map->Date(), At(17, 0));
}

// Mended: a ten-year loop stepping by the second asked for 3e8 frames.
TEST_F(WxMapTest, SteppedFramesStopAtTheCap)
{
    auto map = KitMap("<map date=\"2009-07-04 17:00:00 UTC\"><loop><duration value=\"3650\" units=\"day\"/>"
                      "<anchor date=\"2009-07-04 17:00:00 UTC\" type=\"loopTo\"/><step value=\"1\" units=\"secs\"/>"
                      "</loop></map>");
    CxDebugCapture capture;
    map->FirstFrame();
    EXPECT_EQ(map->NumFrames(), 100000u);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(map->Date(), map->StartDate());
}

TEST_F(WxMapTest, HugeCountsSaturateInsteadOfOverflowing)
{
    auto map =
        KitMap("<map date=\"2009-07-04 17:00:00 UTC\"><loop><duration value=\"9223372036854775807\" units=\"day\"/>"
               "<anchor date=\"2009-07-04 17:00:00 UTC\" type=\"loopFrom\"/>"
               "<step value=\"9223372036854775807\" units=\"day\"/></loop><obs/></map>");
    EXPECT_EQ(map->StepSeconds(), INT64_MAX);
    EXPECT_EQ(WxClientSeconds(map->StepSeconds()), INT32_MAX);
    EXPECT_EQ(WxClientSeconds(INT64_MIN), INT32_MIN);
    EXPECT_EQ(WxClientSeconds(-86400), -86400);
    dynamic_cast<KitProduct*>(*map->ProductBegin())->ClearHooks();
    map->SetStepInterval(-1);
    EXPECT_EQ(dynamic_cast<KitProduct*>(*map->ProductBegin())->Hooks(),
              std::vector<std::string>{"IntervalChanged -86400"});
    map->FirstFrame();
    EXPECT_EQ(map->Date(), map->StartDate());
}

TEST_F(WxMapTest, SettingsActOnlyOnAChange)
{
    auto map = KitMap("<map date=\"2009-07-04 17:00:00 UTC\" scale=\"2\" legendVisible=\"true\"><obs/></map>");
    auto* product = dynamic_cast<KitProduct*>(*map->ProductBegin());
    KitRecorder recorder;
    map->AttachReceiver(&recorder);
    for (int pass = 0; pass < 2; ++pass)
    {
        map->SetName("storm");
        map->SetColor(GxColor(CxString("#102030FF")));
        map->SetScale(3.0);
        map->SetLegendVisible(false);
        map->SetLegendAlign("center"); // stored as "left", which differs from "center" every time
    }
    EXPECT_EQ(recorder.Codes(), (std::vector<CxSint32>{1004, 1004, 1011, 1011, 1011}));
    EXPECT_EQ(product->Hooks(),
              (std::vector<std::string>{"Internalize obs", "AlphaChanged 0.0", "BackgroundChanged", "ScaleChanged"}));
    EXPECT_EQ(map->LegendAlign(), "left");
    map->SetCaptionProduct(product);
    EXPECT_EQ(map->CaptionProduct(), product);
}

TEST_F(WxMapTest, ShorterDurationPullsTheDateIntoTheWindow)
{
    auto map = KitMap(kQuarterLoop);
    map->SetDate(At(17, 5));
    map->SetDurationAndUnit(5, DxUnit(CxString("min")));
    EXPECT_EQ(map->StartDate(), At(17, 10));
    EXPECT_EQ(map->Date(), At(17, 10));
}

TEST_F(WxMapTest, LoopWithoutStepStillStepsAndWritesTheDefaultStep)
{
    auto map = KitMap("<map date=\"2009-07-04 17:15:00 UTC\"><obs/><loop><duration value=\"15\" units=\"min\"/>"
                      "<anchor date=\"2009-07-04 17:15:00 UTC\" type=\"loopTo\"/></loop></map>");
    map->PreviousFrame(); // from the first frame of a fresh list: wraps to the last
    EXPECT_EQ(map->FrameIndex(), 3u);
    map->PreviousFrame();
    EXPECT_EQ(map->Date(), At(17, 10));
    const std::string written = WriteDocument(*map);
    EXPECT_NE(written.find("<step value=\"5\" units=\"min\"/>"), std::string::npos) << written;
    map->SetStepInterval(2);
    EXPECT_EQ(map->StepSeconds(), 120);
}

TEST_F(WxMapTest, BrokenListRequirementsAreReportedAndChangeNothing)
{
    auto map = KitMap("<map><obs name=\"a\"/></map>");
    WxMap other(nullptr);
    KitProduct stray(&other);
    CxDebugCapture capture;
    map->AdoptProduct(nullptr, nullptr);
    map->AdoptProduct(*map->ProductBegin(), nullptr); // on a map already, and listed
    map->OrphanProduct(nullptr);
    map->MoveProduct(&stray, nullptr);
    EXPECT_EQ(KitLabels(*map), "a");
    EXPECT_EQ(capture.Count(), 5u);
}

} // namespace
