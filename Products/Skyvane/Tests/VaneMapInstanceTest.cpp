// The map instance on the test browser: set-up from the document and the embed, the camera, drawing read back
// from the page, and the transitions on the virtual clock.
#include "WxDrawTestSupport.h"

#include "CxDebug.h"
#include "CxPreferences.h"
#include "CxSystem.h"
#include "DxUnit.h"
#include "FxBrowser.h"
#include "FxMouseEvent.h"
#include "FxPlugin.h"
#include "GxFont.h"
#include "GxString.h"
#include "PfRunLoop.h"
#include "PfSurface.h"
#include "PfWindowServer.h"
#include "VaneEntryPoints.h"
#include "VaneHost.h"
#include "VaneInspectors.h"
#include "VaneMapInstance.h"
#include "VanePluginInstance.h"
#include "WxMap.h"
#include "WxParser.h"
#include "WxProduct.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>

namespace
{

using namespace wxkit;

// The instance with its state in reach.
class Probe : public VaneMapInstance
{
public:
    using VaneMapInstance::VaneMapInstance;

    using VaneMapInstance::mCaptionDateText;
    using VaneMapInstance::mCaptionFont;
    using VaneMapInstance::mCaptionString;
    using VaneMapInstance::mDateString;
    using VaneMapInstance::mDraggingMap;
    using VaneMapInstance::MessageGrowInspector;
    using VaneMapInstance::MessageLegendSlide;
    using VaneMapInstance::MessageShrinkInspector;
    using VaneMapInstance::mFadeAlpha;
    using VaneMapInstance::mFadeTimer;
    using VaneMapInstance::mFocusPoint;
    using VaneMapInstance::mInspectorRect;
    using VaneMapInstance::mInspectorSpeed;
    using VaneMapInstance::mInspectorTimer;
    using VaneMapInstance::mLastTick;
    using VaneMapInstance::mLegendRect;
    using VaneMapInstance::mLegendRight;
    using VaneMapInstance::mLegendTimer;
    using VaneMapInstance::mLegendVisible;
    using VaneMapInstance::mPerspective;
    using VaneMapInstance::mPopup;
    using VaneMapInstance::mProductInspector;
    using VaneMapInstance::mProductRowRect;
    using VaneMapInstance::mShowCaption;
    using VaneMapInstance::mViewDepth;
    using VaneMapInstance::mZoomTimer;

    // What only mouse moves and a linked map set.
    void SetTrack(CxPoint inPoint, bool inShowCursor)
    {
        mTrackPoint = inPoint;
        mShowTrackCursor = inShowCursor;
    }
};

FxPluginInstance* MakeProbe(FxPluginInstance* inPlaceholder, WxParser& ioParser)
{
    return new Probe(static_cast<VanePluginInstance*>(inPlaceholder), ioParser);
}

using Arguments = std::vector<std::pair<std::string, std::string>>;

// The page position of every embed here: the popup and the containment tests must work in the plug-in's own
// frame.
constexpr int kLeft = 100;
constexpr int kTop = 200;
constexpr int kW = 400;
constexpr int kH = 260;
constexpr pf::Rect kRect{kLeft, kTop, kW, kH};

const char* const kDark = "#203040FF";
const char* const kLoop = "<loop><duration value=\"2\" units=\"hour\"/>"
                          "<anchor date=\"2010-01-15 12:00:00 UTC\" type=\"loopTo\"/><step value=\"10\" units=\"min\"/>"
                          "</loop>";
const char* const kNoLoop = "<loop><duration value=\"0\" units=\"hour\"/>"
                            "<anchor date=\"2010-01-15 12:00:00 UTC\" type=\"loopTo\"/></loop>";
const char* const kGrid = "<gridlines name=\"g\" color=\"#FFFFFFFF\" width=\"1\" latInterval=\"10\" "
                          "lonInterval=\"10\" startLat=\"-80\" endLat=\"80\" startLon=\"-180\" endLon=\"180\" "
                          "visible=\"true\"/>";

std::string MapDoc(const std::string& inAttributes, const std::string& inLayers, const std::string& inLoop = kLoop,
                   const std::string& inBeside = "")
{
    const std::string visible =
        inAttributes.find("legendVisible") == std::string::npos ? " legendVisible=\"true\"" : "";
    return Vanedoc(inBeside + "<map color=\"" + std::string(kDark) + "\" date=\"2010-01-15 12:00:00 UTC\" " +
                   inAttributes + visible + ">" + inLoop + inLayers + "</map>");
}

struct Rgb
{
    int r, g, b;
};

Rgb ToRgb(std::uint32_t inPixel)
{
    return {int(inPixel >> 24), int((inPixel >> 16) & 0xFF), int((inPixel >> 8) & 0xFF)};
}

bool Near(std::uint32_t inPixel, Rgb inWant, int inTolerance = 3)
{
    const Rgb p = ToRgb(inPixel);
    return std::abs(p.r - inWant.r) <= inTolerance && std::abs(p.g - inWant.g) <= inTolerance &&
           std::abs(p.b - inWant.b) <= inTolerance;
}

std::string Hex(std::uint32_t inPixel)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%08X", inPixel);
    return text;
}

const Rgb kDarkRgb{0x20, 0x30, 0x40};

class MapInstanceTest : public wxdraw::DrawTest
{
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        DxUnit::Unload();
        const std::string temporary = mHome.Path() + "/tmp";
        std::filesystem::create_directories(temporary);
        setenv("TMPDIR", temporary.c_str(), 1);
        mClock.emplace(CxDate(CxString("2010-01-15 12:00:00 UTC")), "UTC");
        pf::ResetWindowServerForTesting();
        CxGetGlobalPreferences().SetStringTable({});
        VanePluginInstance::sMapMaker = MakeProbe;
        mFuncs.size = sizeof(NPPluginFuncs);
        ASSERT_EQ(VaneGetEntryPoints(&mFuncs), NPERR_NO_ERROR);
        mHost = std::make_unique<VaneHost>(mFuncs);
        ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
    }

    void TearDown() override
    {
        mHost.reset();
        VaneShutdown();
        gBrowser = nullptr;
        pf::ResetWindowServerForTesting();
        mClock.reset();
        CxGetGlobalPreferences().SetStringTable({});
        unsetenv("TMPDIR");
        DxUnit::Load();
        VanePluginInstance::sMapMaker = VaneMapInstance::Make;
        DrawTest::TearDown();
    }

    // A map instance built from the document by the placeholder; null when none was made.
    Probe* Open(const std::string& inDocument, const Arguments& inArguments = {}, const pf::Rect& inRect = kRect,
                bool inCocoa = false)
    {
        const VaneAnswer answer = inCocoa ? VaneAnswer::kTrue : VaneAnswer::kFalse;
        mHost->SetSupport(answer, answer);
        mNpp = mHost->New(inArguments);
        if (mNpp == nullptr)
            return nullptr;
        mHost->SetWindow(mNpp, inRect);
        mHost->SendStream(mNpp, "http://example.org/m.vanedoc", "text/vanedoc", inDocument);
        Draw();
        return Instance();
    }

    Probe* Instance() const { return dynamic_cast<Probe*>(static_cast<FxPluginInstance*>(mNpp->pdata)); }

    void Draw()
    {
        if (mHost->IsCocoa(mNpp))
        {
            static_cast<FxPluginInstance*>(mNpp->pdata)->Invalidate();
            mHost->DisplayLayers(0);
        }
        else
        {
            pf::EventRecord update = VaneHost::MakeRecord(pf::kUpdateEvent);
            mHost->HandleEvent(mNpp, &update);
        }
    }

    void Close()
    {
        if (mNpp != nullptr)
            mHost->Destroy(mNpp);
        mNpp = nullptr;
    }

    // The pixel at the plug-in's own (x, y), y down, of a fresh page snapshot.
    std::uint32_t At(int inX, int inY) const
    {
        return pf::TakeSnapshot(mHost->Window()).Pixel(kLeft + inX, kTop + inY);
    }

    // The page as drawn, written as app2_<case>.png.
    void SnapshotPage(const std::string& inCase)
    {
        const pf::Snapshot shot = pf::TakeSnapshot(mHost->Window());
        mContext->MakeCurrent();
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        std::vector<std::uint8_t> rows(shot.rgba.size());
        const std::size_t stride = std::size_t(shot.width) * 4;
        for (int y = 0; y < shot.height; ++y)
            std::copy_n(shot.rgba.begin() + std::ptrdiff_t((shot.height - 1 - y) * stride), stride,
                        rows.begin() + std::ptrdiff_t(y * stride));
        mContext->Begin2D();
        glRasterPos2i(0, kHeight - shot.height);
        glDrawPixels(shot.width, shot.height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        mContext->End2D();
        Snapshot(inCase, "app2_");
    }

    std::optional<KitClock> mClock;
    NPPluginFuncs mFuncs{};
    std::unique_ptr<VaneHost> mHost;
    NPP mNpp = nullptr;
};

TEST_F(MapInstanceTest, ADocumentWithAMapBecomesAMapInstanceAndIsListed)
{
    const std::size_t before = gInstances.Count();
    Probe* map = Open(MapDoc("", kGrid), {{"id", "one"}});
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->GetMap(), nullptr);
    EXPECT_EQ(gInstances.Count(), before + 1);
    EXPECT_EQ(gInstances.FindInstance(CxString("one")), map);
    EXPECT_EQ(gInstances.FindInstance(CxString("two")), nullptr);
    EXPECT_EQ(map->Id(), CxString("one"));
    Close();
    EXPECT_EQ(gInstances.Count(), before);
    EXPECT_EQ(gInstances.FindInstance(CxString("one")), nullptr);
}

// Carbon mode draws only on request: the map must ask for its first frame itself.
TEST_F(MapInstanceTest, TheHandOverAsksForADraw)
{
    mHost->SetSupport(VaneAnswer::kFalse, VaneAnswer::kFalse);
    mNpp = mHost->New({});
    ASSERT_NE(mNpp, nullptr);
    mHost->SetWindow(mNpp, kRect);
    mHost->SendStream(mNpp, "http://example.org/m.vanedoc", "text/vanedoc", MapDoc("", kGrid));
    const std::size_t before = mHost->Invalidations().size();
    Draw();
    ASSERT_NE(Instance(), nullptr);
    EXPECT_GT(mHost->Invalidations().size(), before);
    Close();
}

TEST_F(MapInstanceTest, TwoInstancesWithOneIdFindTheFirstConstructed)
{
    Probe* first = Open(MapDoc("", kGrid), {{"id", "same"}});
    NPP firstNpp = mNpp;
    Probe* second = Open(MapDoc("", kGrid), {{"id", "same"}}, pf::Rect{10, 10, 50, 50});
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(gInstances.FindInstance(CxString("same")), first);
    mHost->Destroy(firstNpp);
    EXPECT_EQ(gInstances.FindInstance(CxString("same")), second);
    Close();
}

TEST_F(MapInstanceTest, CaptionFontSizeHasAFloorOfSeven)
{
    const std::pair<const char*, int> rows[] = {{"3", 7}, {"7", 7}, {nullptr, 7}, {"12", 12}};
    for (const auto& [size, expected] : rows)
    {
        Arguments arguments{{"caption", "Hello"}};
        if (size != nullptr)
            arguments.push_back({"captionFontSize", size});
        Probe* map = Open(MapDoc("", kGrid), arguments);
        ASSERT_NE(map, nullptr);
        EXPECT_TRUE(map->mShowCaption);
        EXPECT_EQ(map->mCaptionFont->Size(), expected) << (size ? size : "missing");
        Close();
    }
}

// The document's first layer is the bottom one: the list has the last one on top.
TEST_F(MapInstanceTest, CaptionProductIndexCountsFromTheBottomLayer)
{
    const std::string three = "<gridlines/><gridlines/><gridlines/>";
    // The expected list index, 0 being the top layer; -1 for none.
    const std::pair<const char*, int> rows[] = {{"0", 2}, {"1", 1}, {"3", 0}, {"9", 0}, {"-1", -1}, {nullptr, 2}};
    for (const auto& [index, expected] : rows)
    {
        Arguments arguments{{"caption", "C"}};
        if (index != nullptr)
            arguments.push_back({"captionProductIndex", index});
        Probe* map = Open(MapDoc("", three), arguments);
        ASSERT_NE(map, nullptr);
        ASSERT_EQ(map->GetMap()->ProductCount(), 3u);
        WxProduct* want = expected < 0 ? nullptr : *(map->GetMap()->ProductBegin() + expected);
        EXPECT_EQ(map->GetMap()->CaptionProduct(), want) << (index ? index : "missing");
        Close();
    }
    Probe* bare = Open(MapDoc("", ""), {{"caption", "C"}, {"captionProductIndex", "0"}});
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->GetMap()->CaptionProduct(), nullptr);
    Close();
}

TEST_F(MapInstanceTest, LegendSideFromTheEmbedTheCaptionAlignmentAndTheDocument)
{
    for (const char* legendAlign : {"right", ""})
        for (const char* captionAlign : {"right", "", "top"})
            for (const char* documentSide : {"right", "left"})
            {
                const bool right = std::string(legendAlign) == "right" || std::string(captionAlign) == "right" ||
                                   (std::string(captionAlign).empty() && std::string(documentSide) == "right");
                Arguments arguments;
                if (*legendAlign)
                    arguments.push_back({"legendAlign", legendAlign});
                if (*captionAlign)
                    arguments.push_back({"captionAlign", captionAlign});
                Probe* map = Open(MapDoc("legendAlign=\"" + std::string(documentSide) + "\"", kGrid), arguments);
                ASSERT_NE(map, nullptr);
                const std::string row = std::string(legendAlign) + "/" + captionAlign + "/" + documentSide;
                EXPECT_EQ(map->mLegendRight, right ? 1 : 0) << row;
                EXPECT_EQ(map->mLegendRect.left, right ? kW - 175 : 0) << row;
                EXPECT_EQ(map->mLegendRect.Width(), 175) << row;
                EXPECT_EQ(map->GetMap()->LegendAlign(), CxString(right ? "right" : "left")) << row;
                Close();
            }
}

// Hidden columns start off the view on their own side.
TEST_F(MapInstanceTest, AHiddenLegendStartsOffTheViewOnItsSide)
{
    for (const char* side : {"left", "right"})
    {
        Probe* map = Open(MapDoc("legendVisible=\"false\" legendAlign=\"" + std::string(side) + "\"", kGrid));
        ASSERT_NE(map, nullptr);
        EXPECT_FALSE(map->mLegendVisible);
        if (std::string(side) == "left")
            EXPECT_LT(map->mLegendRect.right, 0) << side;
        else
            EXPECT_GE(map->mLegendRect.left, kW) << side;
        Close();
    }
}

// Hiding overshoots the edge by less than a step; showing stops flush.
TEST_F(MapInstanceTest, LegendSlidesStopAtTheEdgeOnEitherSide)
{
    for (const char* side : {"left", "right"})
    {
        Probe* map = Open(MapDoc("legendAlign=\"" + std::string(side) + "\"", kGrid));
        ASSERT_NE(map, nullptr);
        const bool right = std::string(side) == "right";
        const CxSint16 flush = right ? CxSint16(kW - 175) : CxSint16(0);
        ASSERT_EQ(map->mLegendRect.left, flush);
        for (bool show : {false, true})
        {
            map->mLegendVisible = show;
            map->mLastTick = CxTickCount();
            map->mLegendTimer.StartRepeating();
            int steps = 0;
            while (map->mLegendTimer.IsRepeating() && steps < 200)
            {
                mClock->Advance(34);
                ++steps;
            }
            EXPECT_LT(steps, 200) << side << show;
            if (show)
                EXPECT_EQ(map->mLegendRect.left, flush) << side;
            else if (right)
                EXPECT_GT(map->mLegendRect.left, kW) << side;
            else
                EXPECT_LT(map->mLegendRect.right, 0) << side;
            // About 12 px a firing (two ticks of 34 ms), so 175 px take 15 firings or so.
            EXPECT_GE(steps, 14) << side << show;
            EXPECT_LE(steps, 17) << side << show;
        }
        Close();
    }
}

TEST_F(MapInstanceTest, ALateTickMovesSixPixelsForEachTickMissed)
{
    Probe* map = Open(MapDoc("", kGrid));
    ASSERT_NE(map, nullptr);
    map->mLegendVisible = false;
    for (CxUint32 missed : {1u, 5u, 20u})
    {
        map->mLegendRect.Offset(CxSint16(-map->mLegendRect.left), 0);
        map->mLastTick = CxTickCount() - missed;
        map->MessageLegendSlide();
        EXPECT_EQ(map->mLegendRect.left, -6 * int(missed)) << missed;
    }
    // The tick count wraps at 32 bits.
    map->mLegendRect.Offset(CxSint16(-map->mLegendRect.left), 0);
    map->mLastTick = CxTickCount() + 0xFFFFFFFDu;
    map->MessageLegendSlide();
    EXPECT_EQ(map->mLegendRect.left, -18);
    // No tick since the last step: no move.
    map->MessageLegendSlide();
    EXPECT_EQ(map->mLegendRect.left, -18);
    Close();
}

TEST_F(MapInstanceTest, TheDissolveTakesTwentyStepsOf34Ms)
{
    Probe* map = Open(MapDoc("", kGrid), {{"dissolve", "true"}, {"color", "#E0F0FFFF"}});
    ASSERT_NE(map, nullptr);
    ASSERT_TRUE(map->mFadeTimer.IsRepeating());
    // The veil in the embed's colour and the icon's blue in the middle, 10 px up.
    mClock->Advance(0); // the first step comes at once
    Draw();
    EXPECT_TRUE(Near(At(4, 4), {0xE0, 0xF0, 0xFF}, 16)) << Hex(At(4, 4));
    EXPECT_TRUE(Near(At(kW / 2, kH / 2 - 10), {0x29, 0x73, 0xD9}, 16)) << Hex(At(kW / 2, kH / 2 - 10));
    SnapshotPage("dissolve_first");
    int steps = 1;
    while (map->mFadeTimer.IsRepeating() && steps < 40)
    {
        mClock->Advance(34);
        ++steps;
    }
    EXPECT_EQ(steps, 20);
    EXPECT_LE(map->mFadeAlpha, 0.0f);
    Draw();
    // The veil has gone: the map's colour right of the legend, and nothing of the icon.
    EXPECT_TRUE(Near(At(kW - 10, 10), kDarkRgb)) << Hex(At(kW - 10, 10));
    EXPECT_FALSE(Near(At(kW / 2, kH / 2 - 10), {0x29, 0x73, 0xD9}, 16));
    Close();
}

// The legend column: darker or lighter than the plain map at its middle; the map's colour beside it.
TEST_F(MapInstanceTest, TheLegendColumnFollowsAResizeFlushRight)
{
    Probe* map = Open(MapDoc("", kGrid), {{"legendAlign", "right"}});
    ASSERT_NE(map, nullptr);
    Draw();
    SnapshotPage("legend_right");
    // The rule under the column's header at y = 60, and the map's colour left of the column.
    const std::uint32_t plain = At(kW - 180, 60);
    EXPECT_TRUE(Near(plain, kDarkRgb)) << Hex(plain);
    EXPECT_TRUE(Near(At(kW - 170, 60), {0x62, 0x6E, 0x79}, 8)) << Hex(At(kW - 170, 60));
    EXPECT_TRUE(Near(At(kW - 4, 60), {0x62, 0x6E, 0x79}, 8)) << Hex(At(kW - 4, 60));
    mHost->SetWindow(mNpp, pf::Rect{kLeft, kTop, 500, kH});
    EXPECT_EQ(map->mLegendRect.left, 500 - 175);
    EXPECT_EQ(map->mLegendRect.right, 500);
    Draw();
    EXPECT_TRUE(Near(At(kW - 170, 60), kDarkRgb)) << Hex(At(kW - 170, 60));
    EXPECT_TRUE(Near(At(500 - 170, 60), {0x62, 0x6E, 0x79}, 8)) << Hex(At(500 - 170, 60));
    EXPECT_TRUE(Near(At(500 - 4, 60), {0x62, 0x6E, 0x79}, 8)) << Hex(At(500 - 4, 60));
    SnapshotPage("legend_right_resized");
    Close();
}

// The buttons' band: five images over the map's colour at the column's foot, none without a time range.
TEST_F(MapInstanceTest, AnimationButtonsOnlyWithATimeRange)
{
    for (bool range : {true, false})
    {
        Probe* map = Open(MapDoc("", kGrid, range ? kLoop : kNoLoop));
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(map->GetMap()->StartDate() != map->GetMap()->EndDate(), range);
        Draw();
        // The play triangle's middle (image 2 at x = 70) is the white glyph; left of it the band's map colour.
        const std::uint32_t play = At(70 + 18, kH - 8);
        const std::uint32_t band = At(70 + 3, kH - 8);
        if (range)
        {
            EXPECT_TRUE(Near(play, {0xFF, 0xFF, 0xFF}, 24)) << Hex(play);
            EXPECT_TRUE(Near(band, kDarkRgb)) << Hex(band);
            SnapshotPage("buttons");
        }
        else
        {
            EXPECT_FALSE(Near(play, {0xFF, 0xFF, 0xFF}, 24)) << Hex(play);
        }
        Close();
    }
}

TEST_F(MapInstanceTest, TheCaptionBandAtTheBottomThenAtTheTop)
{
    struct Row
    {
        const char* background;
        const char* align;
        Rgb band;
        Rgb text;
    };
    const Row rows[] = {
        {"#802020FF", "", {0x80, 0x20, 0x20}, {0xFF, 0xFF, 0xFF}},
        {"#F0E0A0FF", "top", {0xF0, 0xE0, 0xA0}, {0, 0, 0}},
    };
    for (const Row& row : rows)
    {
        Arguments arguments{{"caption", "WWWWWWWW"}, {"captionBackground", row.background}, {"captionFontSize", "14"}};
        if (*row.align)
            arguments.push_back({"captionAlign", row.align});
        Probe* map = Open(MapDoc("", kGrid), arguments);
        ASSERT_NE(map, nullptr);
        Draw();
        const bool top = *row.align != 0;
        SnapshotPage(top ? "caption_top" : "caption_bottom");
        // Right of the legend, clear of the text, along the band's upper edge (where its shade has faded out):
        // 0.95 of the band's colour over the map.
        int edge = kH - 1;
        while (edge > 0 && !Near(At(kW - 4, edge - 1), kDarkRgb))
            --edge;
        int height = 0;
        while (height < kH && !Near(At(kW - 4, height), kDarkRgb))
            ++height;
        if (!top)
            height = kH - edge;
        EXPECT_GT(height, 12) << row.background;
        EXPECT_LT(height, 40) << row.background;
        const std::uint32_t band = At(kW - 4, top ? 0 : edge);
        const Rgb want{int(row.band.r * 0.95 + kDarkRgb.r * 0.05), int(row.band.g * 0.95 + kDarkRgb.g * 0.05),
                       int(row.band.b * 0.95 + kDarkRgb.b * 0.05)};
        EXPECT_TRUE(Near(band, want, 6)) << Hex(band) << " " << row.background;
        // The far side of the view is the plain map.
        EXPECT_TRUE(Near(At(kW - 4, top ? kH - 4 : 4), kDarkRgb)) << row.background;
        // Somewhere on the text's line, the text colour.
        int ink = 0;
        const pf::Snapshot shot = pf::TakeSnapshot(mHost->Window());
        for (int dy = 0; dy < 30; ++dy)
            for (int x = 175 + 8; x < 175 + 120; ++x)
                if (Near(shot.Pixel(kLeft + x, kTop + (top ? dy : kH - 1 - dy)), row.text, 40))
                    ++ink;
        EXPECT_GT(ink, 10) << row.background;
        Close();
    }
}

TEST_F(MapInstanceTest, AnEmptyDateFormatDrawsNoDate)
{
    const std::string caption = "<caption string=\"Cap\" color=\"#FFFFFFFF\" bgcolor=\"#000000FF\" align=\"bottom\" "
                                "format=\"\"/>";
    Probe* map = Open(MapDoc("", kGrid, kLoop, caption));
    ASSERT_NE(map, nullptr);
    EXPECT_TRUE(map->mShowCaption);
    Draw();
    EXPECT_EQ(map->mCaptionDateText, CxString(""));
    // The band's right end, where a date would stand, is ink-free.
    const pf::Snapshot shot = pf::TakeSnapshot(mHost->Window());
    int ink = 0;
    for (int y = kH - 20; y < kH; ++y)
        for (int x = kW - 120; x < kW; ++x)
            if (Near(shot.Pixel(kLeft + x, kTop + y), {0xFF, 0xFF, 0xFF}, 60))
                ++ink;
    EXPECT_EQ(ink, 0);
    Close();
    // With a format, the date of the map's frame in the local zone.
    const std::string dated = "<caption string=\"Cap\" color=\"#FFFFFFFF\" bgcolor=\"#000000FF\" align=\"bottom\" "
                              "format=\"%H:%M\"/>";
    for (const char* zone : {"UTC", "America/New_York"})
    {
        sky::test::ScopedTz tz(zone);
        map = Open(MapDoc("", kGrid, kLoop, dated));
        ASSERT_NE(map, nullptr);
        Draw();
        EXPECT_EQ(map->mCaptionDateText.AsUtf8(), std::string(zone) == "UTC" ? "12:00" : "07:00") << zone;
        Close();
    }
}

// The caption's date without captionDateFormat is "%I:%M %p" in the local zone; with it, that format. No layer
// gives the date, so it is the map's (2010-01-15 12:00:00 UTC), and the C library's strftime of it the reference.
TEST_F(MapInstanceTest, TheCaptionDateDefaultsToHoursMinutesAndAmOrPm)
{
    const std::time_t frame = 1263556800;
    const std::pair<const char*, const char*> rows[] = {
        {"UTC", nullptr}, {"America/New_York", nullptr},       {"Asia/Kolkata", nullptr}, {"Pacific/Auckland", nullptr},
        {"UTC", "%H:%M"}, {"America/New_York", "%d %b %H:%M"},
    };
    for (const auto& [zone, format] : rows)
    {
        sky::test::ScopedTz tz(zone);
        Arguments arguments{{"caption", "Cap"}, {"captionProductIndex", "-1"}};
        if (format != nullptr)
            arguments.push_back({"captionDateFormat", format});
        Probe* map = Open(MapDoc("", kGrid), arguments);
        ASSERT_NE(map, nullptr);
        Draw();
        std::tm local{};
        localtime_r(&frame, &local);
        char want[64];
        ASSERT_GT(std::strftime(want, sizeof want, format != nullptr ? format : "%I:%M %p", &local), 0u);
        EXPECT_EQ(map->mCaptionDateText.AsUtf8(), want) << zone << " " << (format ? format : "no format");
        Close();
    }
}

// A caption font larger than half the map's height is cut to it, again when the map is resized; the caption and
// its date are textured among the map's labels.
TEST_F(MapInstanceTest, TheCaptionIsCutToHalfTheMapAndTexturedAmongItsLabels)
{
    struct Row
    {
        const char* asked;
        int height;
        int drawn;
    };
    const Row rows[] = {{"1000", kH, kH / 2}, {"130", kH, 130}, {"1000", 100, 50}, {"12", 100, 12}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.asked) + " in " + std::to_string(row.height));
        Probe* map =
            Open(MapDoc("", ""), {{"caption", "Cap"}, {"captionDateFormat", "%H:%M"}, {"captionFontSize", row.asked}});
        ASSERT_NE(map, nullptr);
        mHost->SetWindow(mNpp, pf::Rect{kLeft, kTop, kW, double(row.height)});
        Draw();
        ASSERT_NE(map->mCaptionString, nullptr);
        ASSERT_NE(map->mDateString, nullptr);
        EXPECT_EQ(map->mCaptionString->FontSize(), row.drawn);
        EXPECT_EQ(map->mDateString->FontSize(), row.drawn);
        EXPECT_EQ(map->mCaptionFont->Size(), std::stoi(row.asked));
        EXPECT_NE(map->mCaptionString->TextureId(), 0u);
        EXPECT_EQ(map->GetMap()->LabelTextures().Count(), 2u);
        Close();
    }
}

// Labels that fill the map's text budget leave none out of the caption: a date remade later is textured still.
TEST_F(MapInstanceTest, TheCaptionsDateIsTexturedWhenLabelsFilledTheBudget)
{
    Probe* map = Open(MapDoc("", ""), {{"caption", "Cap"}, {"captionDateFormat", "%A %d %B %Y %H:%M"}});
    ASSERT_NE(map, nullptr);
    GxContext& context = *map->GetContext();
    context.MakeCurrent();
    // Ever smaller labels, down to the caption's size, till the last finds no room: nor would the longer date.
    std::vector<std::unique_ptr<GxString>> labels;
    for (const CxSint16 size : {400, 40, 10})
    {
        GxFont font(0u, size);
        do
            labels.push_back(
                std::make_unique<GxString>(CxString::FromUtf8("W" + std::to_string(labels.size())), &font));
        while (labels.size() < 1000 && map->GetMap()->LabelTextures().Texture(*labels.back(), context));
    }
    ASSERT_EQ(labels.back()->TextureId(), 0u) << "the labels did not fill the budget";
    map->GetMap()->SetDate(CxDate(CxString("2010-01-15 11:50:00 UTC")));
    Draw();
    EXPECT_EQ(map->mCaptionDateText, CxString("Friday 15 January 2010 11:50"));
    EXPECT_NE(map->mDateString->TextureId(), 0u);
    context.MakeCurrent();
    labels.clear();
    Close();
}

FxMouseEvent MouseAt(int inX, int inY, CxUint16 inButton, CxUint32 inModifiers = 0)
{
    FxMouseEvent event;
    event.mWhere = CxPoint(CxSint16(inX), CxSint16(inY));
    event.mButton = inButton;
    event.mModifiers = inModifiers;
    event.mClickCount = 1;
    return event;
}

// On the map, the middle button (3) drags it whatever the tool, as option with the left; the right button (2)
// zooms out about its point and the left one zooms in with the default tool: neither drags.
TEST_F(MapInstanceTest, TheMiddleButtonDragsTheMapTheRightOneZoomsOut)
{
    struct Row
    {
        const char* what;
        CxUint16 button;
        CxUint32 modifiers;
        bool drags;
    };
    const Row rows[] = {
        {"middle", 3, 0, true},
        {"left with option", 1, FxMouseEvent::kOption, true},
        {"right", 2, 0, false},
        {"left", 1, 0, false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Probe* map = Open(MapDoc("", kGrid));
        ASSERT_NE(map, nullptr);
        const GxPoint before = map->mFocusPoint;
        map->OnMouseDown(MouseAt(300, 100, row.button, row.modifiers));
        EXPECT_EQ(map->mDraggingMap, row.drags);
        EXPECT_EQ(map->mZoomTimer.IsRepeating(), !row.drags);
        FxMouseEvent drag = MouseAt(330, 100, row.button, row.modifiers);
        drag.mDelta = CxPoint(30, 0);
        map->OnMouseDragged(drag);
        // The map follows the mouse: the view's centre goes the other way.
        if (row.drags)
            EXPECT_LT(map->mFocusPoint.mX, before.mX);
        else
            EXPECT_EQ(map->mFocusPoint.mX, before.mX);
        EXPECT_EQ(map->mFocusPoint.mY, before.mY);
        map->OnMouseUp(drag);
        EXPECT_FALSE(map->mDraggingMap);
        EXPECT_FALSE(map->mZoomTimer.IsRepeating());
        Close();
    }
}

// A right click (button 2) on a legend row opens the layer's menu, whose first item hides the layer; the middle
// button there opens none.
TEST_F(MapInstanceTest, ARightClickOnALegendRowOpensTheLayersMenu)
{
    struct Row
    {
        const char* what;
        CxUint16 button;
        CxUint32 modifiers;
        bool menu;
    };
    const Row rows[] = {
        {"right", 2, 0, true},
        {"left with control", 1, FxMouseEvent::kControl, true},
        {"middle", 3, 0, false},
        {"right with shift", 2, FxMouseEvent::kShift, false},
    };
    const std::string layers = std::string(kGrid) + kGrid;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Probe* map = Open(MapDoc("", layers));
        ASSERT_NE(map, nullptr);
        WxProduct* second = *(map->GetMap()->ProductBegin() + 1);
        // The menu, when it opens, takes its first item.
        pf::PushScript(pf::script::Choose(1));
        const FxMouseEvent click = MouseAt(50, 60 + 40 + 10, row.button, row.modifiers);
        map->OnMouseDown(click);
        map->OnMouseUp(click);
        EXPECT_EQ(pf::ScriptCount(), row.menu ? 0u : 1u);
        EXPECT_EQ(second->IsVisible(), !row.menu);
        while (pf::ScriptCount() > 0)
            pf::DeliverNextScriptItem();
        Close();
    }
}

// Mended: a hidden embed (no width) stored a scale of 0 or NaN, and a NaN angle made every matrix NaN.
TEST_F(MapInstanceTest, AnEmbedWithoutAreaWaitsForASize)
{
    Probe* map = Open(MapDoc("", kGrid), {}, pf::Rect{kLeft, kTop, 0, kH});
    ASSERT_NE(map, nullptr);
    const double before = map->GetMap()->Scale();
    EXPECT_TRUE(std::isfinite(before));
    Draw();
    EXPECT_TRUE(std::isfinite(map->GetMap()->Scale()));
    map->SetPerspective(std::nan(""));
    EXPECT_TRUE(std::isfinite(map->mPerspective));
    map->SetPerspective(1e9);
    EXPECT_EQ(map->mPerspective, 179.5);
    map->SetPerspective(-5);
    EXPECT_EQ(map->mPerspective, 0.1);
    map->SetPerspective(90);
    mHost->SetWindow(mNpp, kRect);
    Draw();
    const double scale = map->GetMap()->Scale();
    EXPECT_TRUE(std::isfinite(scale));
    EXPECT_GT(scale, 0.0);
    EXPECT_EQ(map->mPerspective, 90.0);
    EXPECT_DOUBLE_EQ(map->mViewDepth, 90.0 / 160.0 * 400.0);
    EXPECT_DOUBLE_EQ(map->GetMap()->FieldOfViewY(), 90.0);
    // The camera: at 90 degrees the view's height spans 2 x 99 units at depth 1, so the scale is height / 198.
    EXPECT_NEAR(scale, kH / 198.0, 1e-6);
    EXPECT_TRUE(Near(At(kW - 10, 10), kDarkRgb)) << Hex(At(kW - 10, 10));
    SnapshotPage("resized_from_nothing");
    Close();
}

TEST_F(MapInstanceTest, ANonFiniteAngleKeepsTheCurrentOne)
{
    Probe* map = Open(MapDoc("fieldOfView=\"30\"", kGrid));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->mPerspective, 30.0);
    const double scale = map->GetMap()->Scale();
    for (double angle : {std::nan(""), HUGE_VAL, -HUGE_VAL})
    {
        map->SetPerspective(angle);
        EXPECT_EQ(map->mPerspective, 30.0);
        EXPECT_DOUBLE_EQ(map->GetMap()->Scale(), scale);
    }
    Close();
}

// A gridline product selected in the document: its popup shows while the track point lies in the plug-in.
TEST_F(MapInstanceTest, ThePopupDrawsOnlyWhileTheTrackPointIsInside)
{
    const std::string selected = "<gridlines name=\"g\" color=\"#FFFFFFFF\" latInterval=\"10\" lonInterval=\"10\" "
                                 "visible=\"true\" selected=\"true\"/>";
    Probe* map = Open(MapDoc("", selected));
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->mPopup, nullptr);
    map->GetMap()->SetTrackingPosition(map->GetMap()->GetMapCenter());
    // Outside (page coordinates of the point would lie inside: the test is local).
    map->SetTrack(CxPoint(kLeft + 300, kTop + 100), false);
    Draw();
    const pf::Snapshot outside = pf::TakeSnapshot(mHost->Window());
    map->SetTrack(CxPoint(300, 100), false);
    Draw();
    const pf::Snapshot inside = pf::TakeSnapshot(mHost->Window());
    SnapshotPage("popup");
    int differ = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            differ += outside.Pixel(kLeft + x, kTop + y) != inside.Pixel(kLeft + x, kTop + y);
    EXPECT_GT(differ, 200);
    Close();
}

const char* const kSelectedGrid =
    "<gridlines color=\"#FFFFFFFF\" latInterval=\"10\" lonInterval=\"10\" visible=\"true\" "
    "selected=\"true\"/>";

// One selected layer opens its panel at once, at full size; without a time range it reaches 16 px lower.
TEST_F(MapInstanceTest, OneSelectedProductOpensItsPanelAtFullSize)
{
    const std::string layers = std::string("<gridlines visible=\"true\"/>") + kSelectedGrid;
    for (bool range : {true, false})
    {
        Probe* map = Open(MapDoc("", layers, range ? kLoop : kNoLoop), {{"legendAlign", "right"}});
        ASSERT_NE(map, nullptr);
        ASSERT_NE(map->mProductInspector, nullptr);
        EXPECT_EQ(map->mProductInspector->Alpha(), 1.0);
        // The selected layer is the document's last, so the top of the list: row 0.
        EXPECT_EQ(map->mProductInspector->GetProduct(), *map->GetMap()->ProductBegin());
        const CxRect& panel = map->mInspectorRect;
        EXPECT_EQ(panel.left, kW - 175);
        EXPECT_EQ(panel.right, kW);
        EXPECT_EQ(panel.top, 60);
        EXPECT_EQ(panel.bottom, range ? kH - 16 : kH) << range;
        const CxRect& row = map->mProductRowRect;
        EXPECT_EQ(row.left, kW - 175);
        EXPECT_EQ(row.top, 60);
        EXPECT_EQ(row.Width(), 175);
        EXPECT_EQ(row.Height(), 40);
        Draw();
        if (range)
            SnapshotPage("panel");
        Close();
    }
    // Two selected layers: a popup for the first, no panel.
    Probe* map = Open(MapDoc("", std::string(kSelectedGrid) + kSelectedGrid));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->mProductInspector, nullptr);
    EXPECT_NE(map->mPopup, nullptr);
    Close();
}

// The steps' alphas against (height - 30) / F while growing and 1 - (row + 64) / (height + 30) while shrinking.
TEST_F(MapInstanceTest, PanelGrowthAndShrinkAlphas)
{
    Probe* map = Open(MapDoc("", kSelectedGrid));
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->mProductInspector, nullptr);
    map->mInspectorSpeed = 1;
    const auto step = [&](CxSint16 inTop, CxSint16 inBottom, CxUint32 inTicks, bool inGrow)
    {
        map->mInspectorRect.top = inTop;
        map->mInspectorRect.bottom = inBottom;
        map->mLastTick = CxTickCount() - inTicks;
        if (inGrow)
            map->MessageGrowInspector();
        else
            map->MessageShrinkInspector();
    };
    const double full = kH - 60 - 16;
    map->mInspectorTimer.StartRepeating();
    step(100, 120, 4, true); // 28 high: still transparent
    EXPECT_EQ(map->mInspectorRect.top, 96);
    EXPECT_EQ(map->mInspectorRect.bottom, 124);
    EXPECT_EQ(map->mProductInspector->Alpha(), 0.0);
    step(100, 140, 10, true); // 60
    EXPECT_DOUBLE_EQ(map->mProductInspector->Alpha(), 30.0 / full);
    step(70, 200, 10, true); // the top stops at 60: 150
    EXPECT_EQ(map->mInspectorRect.top, 60);
    EXPECT_DOUBLE_EQ(map->mProductInspector->Alpha(), 120.0 / full);
    step(60, 240, 30, true); // the bottom stops above the buttons
    EXPECT_EQ(map->mInspectorRect.bottom, kH - 16);
    EXPECT_TRUE(map->mInspectorTimer.IsRepeating());
    step(60, kH - 16, 1, true); // full: the timer stops, opaque
    EXPECT_FALSE(map->mInspectorTimer.IsRepeating());
    EXPECT_EQ(map->mProductInspector->Alpha(), 1.0);
    // No tick since the last step: nothing.
    map->mProductInspector->SetAlpha(0.5);
    map->MessageGrowInspector();
    EXPECT_EQ(map->mProductInspector->Alpha(), 0.5);

    map->mProductRowRect = CxRect(0, 100, 175, 140);
    map->mInspectorTimer.StartRepeating();
    step(60, 244, 10, false); // 164
    EXPECT_EQ(map->mInspectorRect.top, 70);
    EXPECT_EQ(map->mInspectorRect.bottom, 234);
    EXPECT_DOUBLE_EQ(map->mProductInspector->Alpha(), 1.0 - 104.0 / 194.0);
    step(60, 244, 32, false); // 120
    EXPECT_DOUBLE_EQ(map->mProductInspector->Alpha(), 1.0 - 104.0 / 150.0);
    step(90, 160, 30, false); // both edges stop at the row's: 40
    EXPECT_EQ(map->mInspectorRect.top, 100);
    EXPECT_EQ(map->mInspectorRect.bottom, 140);
    ASSERT_NE(map->mProductInspector, nullptr);
    step(100, 140, 1, false); // no taller than the row: the panel goes
    EXPECT_EQ(map->mProductInspector, nullptr);
    EXPECT_FALSE(map->mInspectorTimer.IsRepeating());
    Draw();
    Close();
}

// The cursor's pixels all lie within 8 px of the track point; none without the flag or without a panel.
TEST_F(MapInstanceTest, TheTrackingCursorNeedsAPanelAndTheFlag)
{
    for (bool panel : {true, false})
    {
        Probe* map = Open(MapDoc("", panel ? kSelectedGrid : kGrid));
        ASSERT_NE(map, nullptr);
        ASSERT_EQ(map->mProductInspector != nullptr, panel);
        const CxPoint at(300, 200);
        map->SetTrack(at, false);
        Draw();
        const pf::Snapshot without = pf::TakeSnapshot(mHost->Window());
        map->SetTrack(at, true);
        Draw();
        const pf::Snapshot with = pf::TakeSnapshot(mHost->Window());
        if (panel)
            SnapshotPage("track_cursor");
        int near = 0;
        int far = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (without.Pixel(kLeft + x, kTop + y) != with.Pixel(kLeft + x, kTop + y))
                    ++(std::abs(x - at.h) <= 8 && std::abs(y - at.v) <= 8 ? near : far);
        EXPECT_EQ(far, 0) << panel;
        if (panel)
            EXPECT_GT(near, 20);
        else
            EXPECT_EQ(near, 0);
        Close();
    }
}

// The map's orphan message for the selected product takes its popup with it.
TEST_F(MapInstanceTest, AnOrphanedSelectedProductTakesItsPopup)
{
    Probe* map = Open(MapDoc("", std::string(kSelectedGrid) + kSelectedGrid));
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->mPopup, nullptr);
    WxProduct* first = map->GetMap()->SelectedProducts().front();
    map->GetMap()->OrphanProduct(first);
    delete first;
    Draw();
    // The other selected layer's popup, or none; never the orphan's.
    EXPECT_EQ(map->GetMap()->ProductCount(), 1u);
    Close();
}

// A "MapView" instruction waits for the zoom to fit: one debug line, the document's angle.
TEST_F(MapInstanceTest, AMapViewInstructionIsNotedAndTheDocumentsAngleUsed)
{
    CxDebugCapture capture;
    const std::string document =
        "<?vanedoc version=\"1.4d1\"?><?MapView bounds=\"0,0,800,600\"?>" +
        Vanedoc("<map fieldOfView=\"45\" legendVisible=\"true\">" + std::string(kGrid) + "</map>")
            .substr(std::string("<?vanedoc version=\"1.4d1\"?>").size());
    Probe* map = Open(document);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->mPerspective, 45.0);
    EXPECT_TRUE(capture.Contains("MapView"));
    Close();
}

// The caption element as read comes back the same, font included; an empty one writes nothing.
TEST_F(MapInstanceTest, TheCaptionElementRoundTrips)
{
    const std::string caption = "<caption string=\"Noon &amp; after\" color=\"#FFFF00FF\" bgcolor=\"#102030C0\" "
                                "align=\"top\" format=\"%d %b\"><font name=\"\" size=\"13\"/></caption>";
    Probe* map = Open(MapDoc("", kGrid, kLoop, caption));
    ASSERT_NE(map, nullptr);
    XmlBuilder builder;
    map->ExternalizeCaption(builder);
    const XmlElement* written = builder.Root()->FindElement(CxString("caption"));
    ASSERT_NE(written, nullptr);
    for (const char* name : {"string", "color", "bgcolor", "align", "format"})
        EXPECT_NE(written->GetAttribute(CxString(name)), CxString("")) << name;
    EXPECT_EQ(written->GetAttribute(CxString("string")), CxString("Noon & after"));
    EXPECT_EQ(GxColor(written->GetAttribute(CxString("bgcolor"))).AsString(),
              GxColor(CxString("#102030C0")).AsString());
    EXPECT_EQ(written->GetAttribute(CxString("align")), CxString("top"));
    EXPECT_EQ(written->GetAttribute(CxString("format")), CxString("%d %b"));
    const XmlElement* font = written->FindElement(CxString("font"));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetAttribute(CxString("size")), CxString("13"));
    Close();

    map = Open(MapDoc("", kGrid, kLoop, "<caption string=\"\" format=\"\"/>"));
    ASSERT_NE(map, nullptr);
    EXPECT_TRUE(map->mShowCaption);
    XmlBuilder empty;
    map->ExternalizeCaption(empty);
    EXPECT_EQ(empty.Root()->FindElement(CxString("caption")), nullptr);
    Close();
}

// The layer path of the browser: the same column and buttons.
TEST_F(MapInstanceTest, InTheLayerModelTheColumnAndButtonsDrawAlike)
{
    Probe* map = Open(MapDoc("", kGrid), {{"legendAlign", "right"}}, kRect, true);
    ASSERT_NE(map, nullptr);
    Draw();
    EXPECT_TRUE(Near(At(kW - 180, 60), kDarkRgb)) << Hex(At(kW - 180, 60));
    EXPECT_TRUE(Near(At(kW - 170, 60), {0x62, 0x6E, 0x79}, 8)) << Hex(At(kW - 170, 60));
    EXPECT_TRUE(Near(At(kW - 175 + 70 + 18, kH - 8), {0xFF, 0xFF, 0xFF}, 24)) << Hex(At(kW - 175 + 88, kH - 8));
    Close();
}

// A station product's panel at full size over a data set of the loop, fed a frame, with the cursor; twice, so the
// second start of the plug-in begins from what the first left behind.
TEST_F(MapInstanceTest, AStationPanelDrawsWithItsDataAndGoesWithTheInstance)
{
    const CxDate end(CxString("2010-01-15 12:00:00 UTC"));
    const std::string obs = "<obs visible=\"true\" selected=\"true\" alpha=\"1\" dataset=\"panelobs\" parm=\"pres\" "
                            "units=\"mbar\" location=\"4\" color=\"#FFFFFFFF\"/>";
    const std::string caption = "<caption string=\"Pressure\" color=\"#FFFFFFFF\" bgcolor=\"#000000FF\" "
                                "align=\"bottom\" format=\"%H:%M\"/>";
    for (int round = 0; round < 2; ++round)
    {
        // The kit's set is seeded while no job thread runs: its download jobs are gone before the threads start.
        mHost.reset();
        VaneShutdown();
        DxUnit::Load();
        KitSet(CxString("panelobs"), 1, 600, {end - 600.0, end});
        DxUnit::Unload();
        mHost = std::make_unique<VaneHost>(mFuncs);
        ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);

        Probe* map = Open(MapDoc("mapLon=\"-98\" mapLat=\"38\" fieldOfView=\"170\"", obs, kLoop, caption));
        ASSERT_NE(map, nullptr);
        ASSERT_NE(map->mProductInspector, nullptr);
        auto* client = dynamic_cast<DxClient*>(*map->GetMap()->ProductBegin());
        ASSERT_NE(client, nullptr);
        const std::string lat = std::string("lat:") + "degr";
        const std::string lon = std::string("lon:") + "degr";
        const std::string pres = std::string("pres:") + "mbar";
        Inject(*client, KitTable(end, {}, {{lat, {30, 35, 40}}, {lon, {-100, -95, -90}}, {pres, {1000, 1010, 1020}}}));
        for (int i = 0; i < 6; ++i)
            new WxProduct(map->GetMap());
        map->SetTrack(CxPoint(250, 120), true);
        Draw();
        Draw();
        EXPECT_EQ(map->mCaptionDateText, CxString("12:00"));
        if (round == 0)
            SnapshotPage("station_panel");
        Close();
    }
}

} // namespace
