#include "WxDrawTestSupport.h"

#include "GxString.h"

#include <map>
#include <tuple>

namespace
{

using namespace wxkit;
using gxtest::Quad;

const CxDate kBase(2009, 7, 4, 17, 0, 0, 0);
const GxRect kColumn(0, 0, 175, 768);

class MapDrawTest : public wxdraw::DrawTest
{
protected:
    KitProductTable mTable;
};

TEST_F(MapDrawTest, FrameClearsToTheMapColourAndLetsTheAnimationMoveOn)
{
    KitClock clock(kBase);
    auto map = KitMap("<map color=\"#336699\" date=\"2009-07-04 17:15:00 UTC\"><loop><duration value=\"15\" "
                      "units=\"min\"/><anchor date=\"2009-07-04 17:15:00 UTC\" type=\"loopTo\"/><step value=\"5\" "
                      "units=\"min\"/></loop><obs/><obs/></map>");
    map->TogglePlay();
    Frame(*map);
    ExpectPixel(600, 400, GxColor(CxString("#336699")));
    Snapshot("legend");
    clock.Advance(0);
    const std::size_t index = map->FrameIndex();
    clock.Advance(144);
    EXPECT_EQ(map->FrameIndex(), index) << "an undrawn frame holds the loop";
    Frame(*map);
    clock.Advance(144);
    EXPECT_EQ(map->FrameIndex(), (index + 1) % map->NumFrames());
}

TEST_F(MapDrawTest, RowsIconsBadgesAndTheLock)
{
    WxMap map(nullptr);
    std::vector<KitProduct*> products; // top first
    for (WxProductBadge badge : {kWxBadgeNoData, kWxBadgeLock, kWxBadgeNone})
    {
        products.insert(products.begin(), new KitProduct(&map));
        products.front()->SetIconBadge(badge);
    }
    for (bool failed : {false, true})
    {
        products[0]->SetAuthenticationFailed(failed);
        const std::vector<Quad> quads = Legend(map, kColumn);
        const std::size_t badges[] = {failed ? 1u : 0u, 1u, 1u};
        for (int k = 0; k < 3; ++k)
        {
            const double y = 768 - 60 - 40 * (k + 1); // the row's bottom
            EXPECT_EQ(At(quads, 0, y, 175, y + 40).size(), 1u) << k;
            EXPECT_EQ(At(quads, 5, y + 4, 37.5, y + 36.5).size(), 1u) << k << " glass";
            EXPECT_EQ(At(quads, 24, y + 1, 40, y + 17).size(), badges[k]) << k << " badge";
            EXPECT_EQ(At(quads, 2, y + 1, 40.9, y + 39.9).size(), 1u) << k << " shadow";
        }
    }
    // The shadow's corner alphas, away from the window's edge, which would clip it.
    mContext->Begin2D();
    glTranslated(10, 10, 0);
    std::map<std::pair<long, long>, double> alphas;
    for (const auto& p : gxtest::CaptureFeedback([&] { products[0]->DrawIcon(*mContext); }))
        for (const auto& v : p.mVertices)
            alphas[{std::lround(v.mX * 10), std::lround(v.mY * 10)}] = v.mColor[3];
    mContext->End2D();
    for (auto [x, y, alpha] : {std::tuple{70, 70, 0.6}, {459, 70, 0.2}, {459, 459, 0.2}, {70, 459, 0.5}})
        EXPECT_NEAR((alphas[{x, y}]), alpha, 1e-3) << x << "," << y;
}

TEST_F(MapDrawTest, SelectionHighlightTextColoursAndRenaming)
{
    const GxColor hilite = GxSystemHiliteColor();
    // Map colour, active view, highlight alpha, the name's grey.
    const std::tuple<const char*, bool, double, double> cases[] = {
        {"#FFFF99", true, 0.96, 0.0}, {"#FFFF99", false, 0.384, 0.0}, {"#003366", true, 0.96, 1.0}};
    for (const auto& [color, active, alpha, grey] : cases)
    {
        WxMap map(nullptr);
        map.SetColor(GxColor(CxString(color)));
        auto* plain = new KitProduct(&map);
        plain->SetName(CxString("Plain"));
        plain->SetStatus(CxString("12:00"));
        (new KitProduct(&map))->SetSelected(true);
        int lit = 0;
        for (const Quad& q : At(Legend(map, kColumn, active, false), 0, 668, 175, 708))
            if (std::fabs(q.mColor[0] - hilite.mRed) + std::fabs(q.mColor[2] - hilite.mBlue) < 1e-3)
                lit += std::fabs(q.mColor[3] - alpha) < 1e-3;
        EXPECT_GT(lit, 0) << color;
        // The plain row's name starts at the text column in the upper half of its row.
        int names = 0;
        for (const Quad& q : Legend(map, kColumn))
            if (q.mBottom > 647 && q.mTop < 668 && q.mLeft > 41 && q.mLeft < 46)
                names += std::fabs(q.mColor[0] - grey) < 1e-3;
        EXPECT_EQ(names, 1) << color;
        // A rename textures the name again and leaves the status texture be.
        const GxString* status = plain->StatusString();
        plain->SetName(CxString("Another name"));
        Legend(map, kColumn);
        EXPECT_TRUE(plain->StatusString() == status && plain->LegendString()->GetString() == "Another name");
    }
}

TEST_F(MapDrawTest, DateBandTextsAndIcons)
{
    // Zone, legend format, the data set's resolution (seconds), then the texts.
    const std::tuple<const char*, std::string, CxSint32, const char*, const char*> cases[] = {
        {"America/New_York", "", 300, "Jul 4, 2009", "1:00 PM EDT"},
        {"America/New_York", "%Y-%m-%d", 30, "2009-07-04", "1:00:00 PM EDT"},
        {"Asia/Tokyo", "", 60, "Jul 5, 2009", "2:00 AM JST"},
    };
    for (const auto& [tz, format, resolution, date, time] : cases)
    {
        KitClock clock(kBase, tz);
        KitSet(CxString(tz) + CxString(resolution), 1, resolution, {kBase});
        auto map = KitMap("<map archiving=\"true\" date=\"2009-07-04 17:00:00 UTC\" legendDateFormat=\"" + format +
                          "\"><obs dataset=\"" + tz + std::to_string(resolution) + "\"/></map>");
        const std::vector<Quad> quads = Legend(*map, kColumn);
        EXPECT_EQ(map->DateText(), date);
        EXPECT_EQ(map->TimeText(), time);
        for (int i = 0; i < 3; ++i) // archiving, no loop, no tracking
        {
            const auto icon = At(quads, 49.875 + 30 * i, 710.625, 65.875 + 30 * i, 726.625);
            EXPECT_TRUE(icon.size() == 1 && std::fabs(icon[0].mColor[3] - (i == 0 ? 1.0 : 0.1)) < 1e-3) << i;
        }
    }
}

// Mended: rows past the bottom filled the negative remainder's size outside the legend.
TEST_F(MapDrawTest, FillBelowTheRowsOnlyWhenRoomIsLeft)
{
    WxMap map(nullptr);
    for (int i = 0; i < 3; ++i)
        new KitProduct(&map);
    EXPECT_EQ(At(Legend(map, kColumn), 0, 0, 175, 588).size(), 1u);
    for (const Quad& q : Legend(map, GxRect(0, 0, 175, 150)))
        EXPECT_GE(q.mBottom, -30 - 1e-3);
}

// Rows wholly below the rectangle are left out, and a stop answered true ends the legend between two rows with the
// drawing state popped.
TEST_F(MapDrawTest, OnlyRowsThatShowAreDrawnAndAStopEndsTheLegend)
{
    WxMap map(nullptr);
    for (int i = 0; i < 15; ++i)
        new KitProduct(&map);
    // The rectangle, the rows drawn before the stop answers true (-1 never), the rows drawn.
    const std::tuple<GxRect, int, int> cases[] = {{kColumn, -1, 15},
                                                  {GxRect(0, 300, 175, 768), -1, 11},
                                                  {GxRect(0, 308, 175, 768), -1, 10},
                                                  {kColumn, 7, 7},
                                                  {kColumn, 0, 0}};
    for (const auto& [rect, stopAfter, drawn] : cases)
    {
        int asked = 0;
        bool finished = false;
        GLint depth[2] = {};
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth[0]);
        const std::vector<Quad> quads = gxtest::Quads(gxtest::CaptureFeedback(
            [&] {
                finished = map.DrawLegend(*mContext, rect, true, false,
                                          [&] { return stopAfter >= 0 && asked++ == stopAfter; });
            }));
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth[1]);
        std::size_t rows = 0;
        for (int k = 0; k < 15; ++k)
            rows += At(quads, 0, 668 - 40 * k, 175, 708 - 40 * k).size();
        EXPECT_EQ(rows, std::size_t(drawn)) << rect.mBottom << " " << stopAfter;
        EXPECT_EQ(finished, stopAfter < 0);
        EXPECT_EQ(depth[1], depth[0]);
    }
}

} // namespace
