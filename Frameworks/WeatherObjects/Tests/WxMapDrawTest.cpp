#include "WxDrawTestSupport.h"

#include "DxSet.h"
#include "GxContext.h"
#include "GxString.h"
#include "WxMap.h"

#include <cmath>
#include <map>

namespace
{

using namespace wxkit;
using gxtest::CaptureFeedback;
using gxtest::Quad;
using gxtest::Quads;

const CxDate kBase(2009, 7, 4, 17, 0, 0, 0);
const GxRect kColumn(0, 0, 175, 768);

// A kit product whose cached legend texts can be looked at.
class Peek : public KitProduct
{
public:
    using KitProduct::KitProduct;
    unsigned int NameTexture() const { return mLegendString != nullptr ? mLegendString->TextureId() : 0; }
    unsigned int StatusTexture() const { return mStatusString != nullptr ? mStatusString->TextureId() : 0; }
};

std::vector<Quad> At(const std::vector<Quad>& inQuads, double inL, double inB, double inR, double inT)
{
    std::vector<Quad> found;
    for (const Quad& q : inQuads)
        if (std::fabs(q.mLeft - inL) + std::fabs(q.mBottom - inB) + std::fabs(q.mRight - inR) +
                std::fabs(q.mTop - inT) <
            1e-3)
            found.push_back(q);
    return found;
}

class MapDrawTest : public wxdraw::DrawTest
{
protected:
    std::vector<Quad> Legend(WxMap& ioMap, const GxRect& inRect = kColumn, bool inActive = true)
    {
        return Quads(CaptureFeedback([&] { ioMap.DrawLegend(*mContext, inRect, inActive, false); }));
    }
    void Frame(WxMap& ioMap)
    {
        ioMap.BeginDraw();
        ioMap.DrawMap(*mContext);
        ioMap.DrawLegend(*mContext, kColumn, true, false);
        ioMap.EndDraw();
    }
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
    std::vector<KitProduct*> products;
    for (WxProductBadge badge : {kWxBadgeNoData, kWxBadgeLock, kWxBadgeNone})
    {
        products.insert(products.begin(), new KitProduct(&map));
        products.front()->SetIconBadge(badge);
    }
    for (bool failed : {false, true})
    {
        products[0]->SetAuthenticationFailed(failed);
        const std::vector<Quad> quads = Legend(map);
        const std::size_t badges[] = {failed ? 1u : 0u, 1u, 1u};
        for (int k = 0; k < 3; ++k)
        {
            const double bottom = 768 - 60 - 40 * (k + 1);
            SCOPED_TRACE(k);
            EXPECT_EQ(At(quads, 0, bottom, 175, bottom + 40).size(), 1u);
            EXPECT_EQ(At(quads, 5, bottom + 4, 37.5, bottom + 36.5).size(), 1u) << "glass";
            EXPECT_EQ(At(quads, 24, bottom + 1, 40, bottom + 17).size(), badges[k]) << "badge";
            ASSERT_EQ(At(quads, 2, bottom + 1, 40.9, bottom + 39.9).size(), 1u) << "shadow";
        }
    }
    // The shadow's corner alphas, each vertex told apart by its place.
    mContext->Begin2D();
    glTranslated(10, 10, 0); // clear of the window's edge, which would clip the shadow
    const auto all = CaptureFeedback([&] { products[0]->DrawIcon(*mContext); });
    mContext->End2D();
    std::map<std::pair<int, int>, double> corners;
    for (const auto& p : gxtest::OfToken(all, GL_POLYGON_TOKEN))
        for (const auto& v : p.mVertices)
            corners[{int(std::lround(v.mX * 10)), int(std::lround(v.mY * 10))}] = v.mColor[3];
    const std::map<std::pair<int, int>, double> want = {
        {{70, 70}, 0.6}, {{459, 70}, 0.2}, {{459, 459}, 0.2}, {{70, 459}, 0.5}};
    for (const auto& [place, alpha] : want)
        EXPECT_NEAR(corners[place], alpha, 1e-3);
}

TEST_F(MapDrawTest, SelectionHighlightAndTextColours)
{
    const GxColor hilite = GxSystemHiliteColor();
    const struct
    {
        const char* mMapColor;
        bool mActive;
        double mAlpha;
        double mText; // the name's grey
    } cases[] = {{"#FFFF99", true, 0.96, 0.0}, {"#FFFF99", false, 0.384, 0.0}, {"#003366", true, 0.96, 1.0}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mMapColor);
        WxMap map(nullptr);
        map.SetColor(GxColor(CxString(c.mMapColor)));
        KitProduct plain(&map);
        plain.SetName(CxString("Plain"));
        KitProduct chosen(&map);
        chosen.SetSelected(true);
        const auto all = CaptureFeedback([&] { map.DrawLegend(*mContext, kColumn, c.mActive, false); });
        const std::vector<Quad> quads = Quads(all);
        // Quads of one rectangle in a row merge, so the highlight is looked for among the polygons.
        bool lit = false;
        for (const auto& p : gxtest::OfToken(all, GL_POLYGON_TOKEN))
        {
            const Quad q = gxtest::Cover(p);
            if (At({q}, 0, 668, 175, 708).size() == 1 && std::fabs(q.mColor[2] - hilite.mBlue) < 1e-3 &&
                std::fabs(q.mColor[0] - hilite.mRed) < 1e-3)
            {
                lit = true;
                EXPECT_NEAR(q.mColor[3], c.mAlpha, 1e-3);
            }
        }
        EXPECT_TRUE(lit);
        // The plain row's name: the one quad that starts at the text column.
        bool seen = false;
        for (const Quad& q : quads)
            if (q.mBottom > 628 + 19 && q.mTop < 668 && q.mLeft > 41 && q.mLeft < 46)
            {
                seen = true;
                EXPECT_NEAR(q.mColor[0], c.mText, 1e-3);
            }
        EXPECT_TRUE(seen);
    }
}

TEST_F(MapDrawTest, RenameRetexturesOnlyTheName)
{
    WxMap map(nullptr);
    Peek* product = new Peek(&map);
    product->SetName(CxString("First"));
    product->SetStatus(CxString("12:00"));
    Legend(map);
    const unsigned int status = product->StatusTexture();
    ASSERT_NE(status, 0u);
    product->SetName(CxString("Second name"));
    Legend(map);
    EXPECT_EQ(product->StatusTexture(), status);
    EXPECT_NE(product->NameTexture(), 0u);
    EXPECT_EQ(map.ProductCount(), 1u);
}

TEST_F(MapDrawTest, DateBandTextsAndIcons)
{
    const struct
    {
        const char* mTz;
        const char* mFormat;
        CxSint32 mResolution;
        const char* mDate;
        const char* mTime;
    } cases[] = {
        {"America/New_York", "", 300, "Jul 4, 2009", "1:00 PM EDT"},
        {"America/New_York", "%Y-%m-%d", 30, "2009-07-04", "1:00:00 PM EDT"},
        {"Asia/Tokyo", "", 60, "Jul 5, 2009", "2:00 AM JST"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mTime);
        KitClock clock(kBase, c.mTz);
        KitSet(CxString("fast"), 1, c.mResolution, {kBase});
        auto map = KitMap(std::string("<map archiving=\"true\" date=\"2009-07-04 17:00:00 UTC\" legendDateFormat=\"") +
                          c.mFormat + "\"><obs dataset=\"fast\"/></map>");
        const std::vector<Quad> quads = Legend(*map);
        EXPECT_EQ(map->DateText(), c.mDate);
        EXPECT_EQ(map->TimeText(), c.mTime);
        const double alphas[] = {1.0, 0.1, 0.1}; // archiving, no loop, no tracking
        for (int i = 0; i < 3; ++i)
        {
            const auto icon = At(quads, 49.875 + 30 * i, 710.625, 65.875 + 30 * i, 726.625);
            ASSERT_EQ(icon.size(), 1u) << i;
            EXPECT_NEAR(icon[0].mColor[3], alphas[i], 1e-3) << i;
        }
        map.reset();
        DxSet::DeleteAllSets();
    }
}

// Mended: rows past the bottom filled the negative remainder's size outside the legend.
TEST_F(MapDrawTest, FillBelowTheRowsOnlyWhenRoomIsLeft)
{
    for (int count : {1, 5})
    {
        WxMap map(nullptr);
        for (int i = 0; i < count; ++i)
            new KitProduct(&map);
        const auto quads = Legend(map, GxRect(0, 0, 175, 200));
        const auto fill = At(quads, 0, 0, 175, 100);
        EXPECT_EQ(fill.size(), count == 1 ? 1u : 0u);
        for (const Quad& q : quads)
            EXPECT_GE(q.mBottom, count == 1 ? 0.0 : -60.0 - 1e-3) << count;
    }
}

} // namespace
