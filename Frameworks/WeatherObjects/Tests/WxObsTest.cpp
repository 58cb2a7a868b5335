#include "WxDrawTestSupport.h"

#include "DxFrame.h"
#include "GxProjection.h"
#include "PfText.h"
#include "WxObs.h"

#include <map>

namespace
{

using namespace wxkit;

const CxDate kDate(CxString("2020-07-27 12:00:00 UTC"));
const GxPosition kEurope = GxPosition().FromDegrees(10, 52);

class ObsTest : public wxdraw::DrawTest
{
protected:
    // The products leave their sets before the kit deletes them, with the context current.
    void TearDown() override
    {
        mMap.reset();
        DrawTest::TearDown();
    }

    // "pres" in mbar on a white map in the Lambert conformal conic of 10 E, 35 and 65 N, fed the table.
    WxObs* Obs(DxTable* inTable, const std::string& inColor = "#000000FF", const std::string& inMore = "")
    {
        WxRegisterProducts();
        mMap = KitMap("<map color=\"#FFFFFFFF\"><obs visible=\"true\" alpha=\"1\" dataset=\"europe\" parm=\"pres\" "
                      "units=\"mbar\" location=\"4\" color=\"" +
                      inColor + "\" " + inMore + "/></map>");
        mMap->SetProjection(GxLambertConformalProjection(10 * M_PI / 180, 35 * M_PI / 180, 65 * M_PI / 180));
        auto* obs = dynamic_cast<WxObs*>(*mMap->ProductBegin());
        if (inTable != nullptr)
            Inject(*obs, inTable);
        return obs;
    }

    std::string Drawn()
    {
        DrawAt(*mMap, kEurope, 4.0);
        std::string texts;
        for (const GxString* label : dynamic_cast<WxObs*>(*mMap->ProductBegin())->Labels().Strings())
            texts += label->GetString().AsUtf8() + " ";
        return texts;
    }

    std::unique_ptr<WxMap> mMap;
};

// Anchors at PROJ's points and texts by Decimal (tools/make_obs_reference.py); visible labels apart, hidden ones
// meeting an earlier visible one and shown closer in; ink only inside visible labels (grown by the outline).
TEST_F(ObsTest, RealStationsSitAtProjPointsDeclutteredWithInkInside)
{
    std::map<std::string, std::vector<std::vector<std::string>>> sets;
    for (const auto& row : ReadCsv(WX3_DATA_DIR "/obs_lambert.csv"))
        sets[row[0]].push_back(row);
    sets.erase("file");
    ASSERT_EQ(sets.size(), 5u);
    const GxRect window(0, 0, kWidth, kHeight);
    for (const auto& [name, rows] : sets)
        for (std::uint32_t location : {0, 4, 8})
            for (std::uint32_t precision : {0, 1})
            {
                DxTable* table = KitStationTable(kDate, name, "pres:mbar");
                if (table == nullptr)
                    continue;
                WxObs* obs = Obs(table, "#3366CCFF", precision == 1 ? "outline=\"true\"" : "");
                obs->SetLocation(location);
                obs->SetPrecision(precision);
                const double km = precision == 0 ? 8 : 3;
                DrawAt(*mMap, kEurope, km);
                ASSERT_EQ(obs->Labels().Count(), rows.size()) << name;
                const auto pixels = ReadWindow();
                const auto ink = [&](int inX, int inY)
                {
                    return std::any_of(&pixels[(inY * kWidth + inX) * 4], &pixels[(inY * kWidth + inX) * 4 + 3],
                                       [](auto c) { return c < 253; });
                };
                std::vector<char> inside(kWidth * kHeight, 0);
                std::vector<const GxString*> shown, hidden;
                auto row = rows.begin();
                for (const GxString* label : obs->Labels().Strings())
                {
                    const GxPoint at = label->Position();
                    EXPECT_LT(std::hypot(at.mX - std::stod((*row)[4]), at.mY - std::stod((*row)[5])), 1e-6);
                    EXPECT_EQ(label->GetString().AsUtf8(), (*row++)[6 + precision]) << name;
                    const GxRect& b = label->WindowBounds();
                    const auto meets = [&](const GxString* inOther) { return inOther->WindowBounds().Intersects(b); };
                    if (!b.Intersects(window))
                        continue;
                    EXPECT_EQ(std::any_of(shown.begin(), shown.end(), meets), !label->IsVisible()) << b.mLeft;
                    (label->IsVisible() ? shown : hidden).push_back(label);
                    bool any = false;
                    for (int y = std::max(0, int(b.mBottom) - 1); y <= std::min(kHeight - 1, int(b.mTop) + 1); ++y)
                        for (int x = std::max(0, int(b.mLeft) - 1); x <= std::min(kWidth - 1, int(b.mRight) + 1); ++x)
                            any = (inside[y * kWidth + x] |= label->IsVisible()) && (any || ink(x, y));
                    EXPECT_TRUE(any || !label->IsVisible() || !window.Contains(b)) << b.mLeft << "," << b.mBottom;
                }
                int stray = 0;
                for (int i = 0; i < kWidth * kHeight; ++i)
                    stray += !inside[i] && ink(i % kWidth, i / kWidth);
                EXPECT_EQ(stray, 0) << name << " " << location << " " << km;
                if (location == 4)
                    Snapshot("obs_" + std::to_string(rows.size()) + (precision == 0 ? "" : "_outline"), "wx3_");
                if (rows.size() < 800) // sparse sets hide few labels, and those near the edges
                    continue;
                DrawAt(*mMap, kEurope, km / 4);
                EXPECT_TRUE(std::any_of(hidden.begin(), hidden.end(), [](auto l) { return l->IsVisible(); }));
            }
}

// Halves round away from zero and a zero has no sign; limits bind floats only; integers print in decimal; the
// nine places set alignments, others keep them; the outline contrasts with the label.
TEST_F(ObsTest, LabelTextsFollowPrecisionLimitsFieldKindsPlacesAndOutline)
{
    const std::tuple<std::uint32_t, double, double, std::vector<double>, const char*> cases[] = {
        {1, NAN, NAN, {12.25}, "12.3 "},
        {0, NAN, NAN, {2.5, -0.4}, "3 0 "},
        {0, 0, 100, {-1, 0, 100, 101, NAN}, "0 100 "},
        {2, 0.5, NAN, {0.49, 0.5}, "0.50 "}};
    for (const auto& [precision, minimum, maximum, values, texts] : cases)
    {
        const std::vector<double> at(values.size(), 50.0);
        WxObs* obs = Obs(KitTable(kDate, {}, {{"lat:degr", at}, {"lon:degr", at}, {"pres:mbar", values}}));
        obs->SetPrecision(precision);
        obs->SetMinimum(minimum);
        obs->SetMaximum(maximum);
        EXPECT_EQ(Drawn(), texts);
    }
    Obs(KitTable(kDate, {{"pres:mbar", {"GALE", "-3"}}}, {{"lat:degr", {50, 51}}, {"lon:degr", {5, 6}}}), "#000000FF",
        "min=\"0\" max=\"1\"");
    EXPECT_EQ(Drawn(), "GALE -3 ");
    auto* integers = KitTable(kDate, {}, {{"lat:degr", {50, 51}}, {"lon:degr", {5, 6}}});
    integers->NewIntField(CxString("pres:mbar"))->assign({1013, -7});
    Obs(integers);
    EXPECT_EQ(Drawn(), "1013 -7 ");
    const char* places[] = {"23", "13", "03", "21", "11", "01", "20", "10", "00", "00", "00"}; // upper left first
    WxObs obs(nullptr, nullptr);
    for (std::uint32_t place : {4u, 0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 4000000000u})
        EXPECT_EQ((obs.SetLocation(place), std::to_string(obs.HAlign()) + std::to_string(obs.VAlign())),
                  places[std::min(place, 10u)]);
    // The outline: the contrasting grey at the four diagonal pixel shifts, then the label itself.
    for (const auto& [colour, outline] : {std::pair{"#FFFFFFFF", 0.0}, {"#000066FF", 1.0}})
    {
        Obs(KitTable(kDate, {}, {{"lat:degr", {52}}, {"lon:degr", {10}}, {"pres:mbar", {1013}}}), colour,
            "outline=\"true\"");
        const auto quads = gxtest::Quads(gxtest::CaptureFeedback([&] { DrawAt(*mMap, kEurope, 4.0); }));
        ASSERT_EQ(quads.size(), 5u) << colour;
        const double shifts[4][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(
                std::tuple(quads[i].mColor[0], quads[i].mLeft - quads[4].mLeft, quads[i].mBottom - quads[4].mBottom),
                std::tuple(outline, shifts[i][0], shifts[i][1]));
        EXPECT_NEAR(quads[4].mColor[2], GxColor(CxString(colour)).mBlue, 1e-6);
    }
}

// A hand-written canonical element: every attribute in order, the font, an unset limit written empty; "nan"
// reads unset.
TEST_F(ObsTest, RoundTripKeepsEveryAttributeAndUnsetLimits)
{
    WxRegisterProducts();
    const std::string font = "<font name=\"" + pf::FontRegistry::FullName(pf::FontRegistry::kDefaultFontId);
    const std::string head = "<obs visible=\"true\" selected=\"true\" alpha=\"0.5\" dataset=\"europe\" parm=\"pres\" "
                             "units=\"mbar\" color=\"#1A334DFF\" min=\"0.125\" max=\"";
    const std::string tail =
        "\" precision=\"1\" location=\"6\" outline=\"true\" sync=\"true\">" + font + "\" size=\"12\"/></obs>";
    const std::pair<std::string, std::string> cases[] = {{head + tail, head + tail},
                                                         {head + "nan" + tail, head + tail}};
    for (const auto& [input, expected] : cases)
    {
        const RoundTripResult result = RoundTrip(Vanedoc("<map>" + input + "</map>"));
        std::string flat = result.mFirst;
        std::erase_if(flat, [](char c) { return c == '\t' || c == '\n'; });
        EXPECT_NE(flat.find(expected), std::string::npos) << flat;
        EXPECT_EQ(result.mSecond, result.mFirst);
    }
}

// Precision and place are unsigned 32-bit numbers: text outside that range leaves the defaults.
TEST_F(ObsTest, OutOfRangeUnsignedAttributesAreRefused)
{
    for (const char* text : {"-1", "4294967296", "-4294967295"})
    {
        WxObs* obs = Obs(nullptr, "#000000FF", std::string("precision=\"") + text + "\"");
        EXPECT_EQ(obs->Precision(), 0u) << text;
        mMap = KitMap(std::string("<map><obs dataset=\"europe\" parm=\"pres\" location=\"") + text + "\"/></map>");
        EXPECT_EQ(dynamic_cast<WxObs*>(*mMap->ProductBegin())->Location(), 4u) << text;
    }
    EXPECT_EQ(Obs(nullptr, "#000000FF", "precision=\"4294967295\"")->Precision(), 4294967295u);
}

// Fields of unequal length are read to the shortest, missing coordinates give no labels or bounds, every field
// past its end answers "", and a set the registry makes radar has no station manager: the stand-in serves.
TEST_F(ObsTest, ShortOrMissingFieldsAndAForeignSetAreSurvived)
{
    const std::tuple<KitNumbers, std::size_t, bool, const char*> cases[] = {
        {{{"lat:degr", {50, 51, 52}}, {"lon:degr", {5, 6}}, {"pres:mbar", {1, 2, 3}}}, 2, true, "2.000"},
        {{{"lon:degr", {5, 6}}, {"pres:mbar", {1, 2}}}, 0, false, nullptr},
        {{{"lat:degr", {50, 51, 52}}, {"lon:degr", {5, 6, 7}}, {"pres:mbar", {1}}}, 1, true, ""}};
    for (const auto& [numbers, labels, bounds, value] : cases)
    {
        WxObs* obs = Obs(KitTable(kDate, {{"name", {"a"}}}, numbers));
        DrawAt(*mMap, kEurope, 4.0);
        EXPECT_EQ(std::tuple(std::size_t(obs->Labels().Count()), obs->Bounds().Width() > 0, obs->Status().AsUtf8()),
                  std::tuple(labels, bounds, std::string("europe"))); // a set without dates shows its name
        CxStringList names, values;
        EXPECT_TRUE(obs->GetAttributesFromPosition(GxPosition().FromDegrees(7, 52), names, values));
        EXPECT_EQ(names.empty() ? "none" : values.front().AsUtf8() + "|" + values.back().AsUtf8(),
                  value == nullptr ? "none" : "|" + std::string(value)); // the string field is past its end
    }
    KitSet(CxString("radar"), 3, 300, {});
    mMap = KitMap("<map><obs visible=\"true\" dataset=\"radar\" parm=\"pres\" units=\"mbar\"/></map>");
    const DxParm& parm = dynamic_cast<WxObs*>(*mMap->ProductBegin())->Parameter();
    EXPECT_EQ(std::tuple(parm.Key().AsUtf8(), parm.Name().AsUtf8(), parm.Type(), parm.Resolution()),
              std::tuple(std::string("pres:mbar"), std::string("pres"), kDxTypeFloat, 1.0));
}

// A 100 x 180 panel: bar 25 wide from x 37, bands y 10 to 170, marker 4 px longer, value text 8 px right of the
// bar on the marker; none for strings; one station: value at the bottom; extreme backgrounds: bands toward grey.
TEST_F(ObsTest, LegendBandsMarkerAndValueFollowTheTrackedStation)
{
    KitSet(CxString("europe"), 1, 0, {}); // no station manager: the parameter keeps the type set here
    const std::vector<double> lat{50, 55, 60}, lon{0, 10, 20}, value{990, 1000, 1030};
    const std::tuple<int, long, DxType, const char*, const char*, double, double, double> cases[] = {
        {2, 3, kDxTypeFloat, "#000000FF", "#FFFFFFFF", 170, 170, 0},
        {0, 3, kDxTypeFloat, "#000000FF", "#FFFFFFFF", 10, 10, 0},
        {1, 3, kDxTypeFloat, "#000000FF", "#FFFFFFFF", 50, 50, 0},
        {0, 3, kDxTypeString, "#000000FF", "#FFFFFFFF", -1, -1, 0},
        {0, 1, kDxTypeFloat, "#000000FF", "#FFFFFFFF", -1, 10, 0},
        {0, 3, kDxTypeFloat, "#000000FF", "#000000FF", 10, 10, 0.5},
        {0, 3, kDxTypeFloat, "#FFFFFFFF", "#FFFFFFFF", 10, 10, 0.5}};
    for (const auto& [station, count, type, colour, background, marker, text, grey] : cases)
    {
        const auto first = [&](const std::vector<double>& inAll)
        { return std::vector(inAll.begin(), inAll.begin() + count); };
        auto* table =
            KitTable(kDate, {}, {{"lat:degr", first(lat)}, {"lon:degr", first(lon)}, {"pres:mbar", first(value)}});
        WxObs* obs = Obs(nullptr, colour);
        obs->SetParameter(DxParm()); // the same id and unit would keep the type
        obs->SetParameter(DxParm(CxString("pres"), CxString("Pressure"), type, DxUnit(CxString("mbar")), {}, 1));
        Inject(*obs, table);
        EXPECT_TRUE(obs->HasAttributesForPositions() && obs->IsScalar() == (type == kDxTypeFloat));
        std::unique_ptr<WxInspector> legend(obs->CreateLegend());
        legend->SetColor(GxColor(CxString(background)));
        legend->SetTrackPosition(GxPosition().FromDegrees(lon[station], lat[station]));
        const auto all = Inspect(*legend, CxRect(0, 0, 100, 180));
        const auto bands = HorizontalLines(all, 37, 62, 1), markers = HorizontalLines(all, 37, 66, 0.5);
        ASSERT_EQ(std::pair(bands.size(), markers.size()), std::pair(9ul, marker < 0 ? 0ul : 1ul)) << station;
        for (std::size_t k = 0; k < 9; ++k)
            EXPECT_NEAR(bands[k], 10 + 20.0 * k, 1e-3);
        EXPECT_NEAR(markers.empty() ? -1 : markers[0], marker, 1e-3);
        const auto quads = gxtest::Quads(all);
        const auto at = std::find_if(quads.begin(), quads.end(), [](auto& q) { return std::fabs(q.mLeft - 70.4) < 1; });
        EXPECT_NEAR(at == quads.end() ? -1 : (at->mBottom + at->mTop) / 2 - 0.375, text, 1.0);
        // The marker in ink that stands off the background: white on black, black on white.
        const double ink = std::string(background) == "#000000FF" ? 1.0 : 0.0;
        for (const auto& l : gxtest::OfToken(all, GL_LINE_TOKEN))
        {
            const bool band = std::fabs(l.mVertices[0].mX - 37) + std::fabs(l.mVertices[1].mX - 62) < 1e-3;
            EXPECT_NEAR(band && l.mVertices[0].mColor[3] > 0.99 ? l.mVertices[0].mColor[0] : grey, grey, 0.01);
            if (std::fabs(l.mVertices[0].mX - 37) + std::fabs(l.mVertices[1].mX - 66) < 1e-3)
            {
                EXPECT_NEAR(l.mVertices[0].mColor[0], ink, 0.01) << background;
            }
        }
    }
}

} // namespace
