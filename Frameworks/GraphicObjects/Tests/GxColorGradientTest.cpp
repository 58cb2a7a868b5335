#include "GxColorGradient.h"
#include "CxDebug.h"
#include "GxXmlTestSupport.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

const GxColor kRed(1, 0, 0, 1);
const GxColor kBlue(0, 0, 1, 1);

void ExpectColor(const GxColor& inActual, const GxColor& inExpected, const std::string& inWhere)
{
    EXPECT_DOUBLE_EQ(inActual.mRed, inExpected.mRed) << inWhere;
    EXPECT_DOUBLE_EQ(inActual.mGreen, inExpected.mGreen) << inWhere;
    EXPECT_DOUBLE_EQ(inActual.mBlue, inExpected.mBlue) << inWhere;
    EXPECT_DOUBLE_EQ(inActual.mAlpha, inExpected.mAlpha) << inWhere;
}

// (index, colour text, smoothed) of every key in order.
struct Key
{
    CxSint32 mIndex;
    std::string mColor;
    bool mSmoothed;
    bool operator==(const Key&) const = default;
};

std::ostream& operator<<(std::ostream& ioOut, const Key& inKey)
{
    return ioOut << inKey.mIndex << " " << inKey.mColor << (inKey.mSmoothed ? " smoothed" : " flat");
}

std::vector<Key> Keys(const GxColorGradient& inGradient)
{
    std::vector<Key> keys;
    for (const auto& [index, point] : inGradient.Keys())
    {
        EXPECT_EQ(index, point.Index());
        keys.push_back({index, point.Color().AsString().AsUtf8(), point.IsSmoothed()});
    }
    return keys;
}

using gxtest::Externalized;

GxColorGradient Read(const std::string& inDocument)
{
    return gxtest::ReadFirst<GxColorGradient>(inDocument, "colorGradient");
}

} // namespace

TEST(GxColorGradientTest, DefaultGradientRampsFromRedToBlueOverIndices1To254)
{
    const GxColorTable table = GxColorGradient().GenerateColors();
    ASSERT_EQ(table.size(), 255u);
    ExpectColor(table[0], kRed, "entry 0");
    ExpectColor(table[1], kRed, "entry 1");
    ExpectColor(table[254], kBlue, "entry 254");
    const GxColor expected(1.0 + 126 * (0.0 - 1.0) / 253, 0, 0 + 126 * (1.0 - 0.0) / 253, 1);
    ExpectColor(table[127], expected, "entry 127");
    // Strictly monotonic in between.
    for (std::size_t i = 2; i < 254; ++i)
        ASSERT_LT(table[i].mRed, table[i - 1].mRed) << i;
}

TEST(GxColorGradientTest, ConstructorsGiveTheirKeys)
{
    const GxColor grey(0.5, 0.5, 0.5, 1);
    const struct
    {
        const char* mName;
        GxColorGradient mGradient;
        std::vector<Key> mKeys;
    } cases[] = {
        {"default", GxColorGradient(), {{1, "#FF0000FF", true}, {254, "#0000FFFF", true}}},
        {"one colour", GxColorGradient(grey), {{1, "#7F7F7FFF", true}, {254, "#7F7F7FFF", true}}},
        {"id 1",
         GxColorGradient(kGxGradientColors256),
         {{1, "#0000FFFF", true},
          {66, "#00F1F8FF", true},
          {126, "#1BEF00FF", true},
          {173, "#FFFF00FF", true},
          {254, "#FF0C00FF", true}}},
        {"id 5", GxColorGradient(kGxNidsReflectivityColors16), {{1, "#FF0000FF", true}, {254, "#0000FFFF", true}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Keys(c.mGradient), c.mKeys) << c.mName;
}

TEST(GxColorGradientTest, GeneratedSizeFollowsTheKeySpan)
{
    GxColorGradient flat;
    flat.Keys().at(1).SetSmoothed(false);
    const GxColorTable flatTable = flat.GenerateColors();
    ASSERT_EQ(flatTable.size(), 255u);
    for (std::size_t i = 0; i < 254; ++i)
        ASSERT_EQ(flatTable[i], kRed) << i;
    EXPECT_EQ(flatTable[254], kBlue);

    GxColorGradient narrow;
    narrow.Keys().clear();
    narrow.SetColorKey(10, kRed);
    narrow.SetColorKey(20, kBlue);
    const GxColorTable narrowTable = narrow.GenerateColors();
    ASSERT_EQ(narrowTable.size(), 12u);
    ExpectColor(narrowTable[0], kRed, "first repeated");
    ExpectColor(narrowTable[1], kRed, "index 10");
    ExpectColor(narrowTable[6], GxColor(0.5, 0, 0.5, 1), "index 15");
    ExpectColor(narrowTable[11], kBlue, "index 20");

    // Three keys: a flat stretch then a ramp, alpha included.
    GxColorGradient mixed;
    mixed.Keys().clear();
    mixed.SetColorKey(1, kRed);
    mixed.Keys().at(1).SetSmoothed(false);
    mixed.SetColorKey(4, GxColor(0, 1, 0, 0));
    mixed.SetColorKey(6, GxColor(0, 0, 0, 1));
    const GxColorTable mixedTable = mixed.GenerateColors();
    ASSERT_EQ(mixedTable.size(), 7u);
    for (std::size_t i = 0; i < 4; ++i)
        ExpectColor(mixedTable[i], kRed, "flat " + std::to_string(i));
    ExpectColor(mixedTable[4], GxColor(0, 1, 0, 0), "key 4");
    ExpectColor(mixedTable[5], GxColor(0, 0.5, 0, 0.5), "half way");
    ExpectColor(mixedTable[6], GxColor(0, 0, 0, 1), "key 6");

    // One key: it stands twice.
    GxColorGradient single;
    single.Keys().erase(254);
    EXPECT_EQ(single.GenerateColors().size(), 2u);
}

TEST(GxColorGradientTest, SetColorKeyReplacesTheWholeKey)
{
    GxColorGradient gradient;
    GxColorPoint& key = gradient.Keys().at(254);
    key.SetSmoothed(false);
    key.Select();
    key.SetPosition(GxPoint(3, 4));
    gradient.SetColorKey(254, kRed);
    ASSERT_EQ(gradient.Keys().size(), 2u);
    const GxColorPoint& replaced = gradient.Keys().at(254);
    EXPECT_TRUE(replaced.IsSmoothed());
    EXPECT_FALSE(replaced.IsSelected());
    EXPECT_EQ(replaced.Position(), GxPoint());
    EXPECT_EQ(replaced.Color(), kRed);
    EXPECT_EQ(gradient.GenerateColors().size(), 255u);

    gradient.SetColorKey(100, kBlue);
    EXPECT_EQ(gradient.Keys().size(), 3u);
    EXPECT_EQ(gradient.GenerateColors().size(), 255u);
}

TEST(GxColorGradientTest, EqualityIgnoresSelectionAndPosition)
{
    const GxColorGradient base;
    GxColorGradient edited = base;
    edited.Keys().at(1).Select();
    edited.Keys().at(254).SetPosition(GxPoint(10, 20));
    EXPECT_TRUE(edited == base);
    edited.DeselectAll();
    EXPECT_FALSE(edited.Keys().at(1).IsSelected());

    const struct
    {
        const char* mName;
        void (*mChange)(GxColorGradient&);
    } changes[] = {
        {"colour", [](GxColorGradient& g) { g.Keys().at(1).SetColor(GxColor(1, 0, 0, 0.5)); }},
        {"smoothing", [](GxColorGradient& g) { g.Keys().at(1).SetSmoothed(false); }},
        {"extra key", [](GxColorGradient& g) { g.SetColorKey(2, kRed); }},
        {"moved key",
         [](GxColorGradient& g)
         {
             g.Keys().erase(254);
             g.SetColorKey(253, kBlue);
         }},
    };
    for (const auto& c : changes)
    {
        GxColorGradient changed = base;
        c.mChange(changed);
        EXPECT_TRUE(changed != base) << c.mName;
        EXPECT_FALSE(changed == base) << c.mName;
    }
}

TEST(GxColorGradientTest, EmptyOrTooWideGradientsGiveAnEmptyTable)
{
    CxDebugCapture capture;
    GxColorGradient empty;
    empty.Keys().clear();
    EXPECT_TRUE(empty.GenerateColors().empty());

    const struct
    {
        CxSint32 mFirst;
        CxSint32 mLast;
        std::size_t mSize;
    } cases[] = {
        {-2000000000, 2000000000, 0}, // would overflow 32 bits
        {-2147483647 - 1, 2147483647, 0}, {0, 65534, 65536}, {0, 65535, 0}, {-10, 10, 22},
    };
    for (const auto& c : cases)
    {
        capture.Clear();
        GxColorGradient gradient;
        gradient.Keys().clear();
        gradient.SetColorKey(c.mFirst, kRed);
        gradient.SetColorKey(c.mLast, kBlue);
        const GxColorTable table = gradient.GenerateColors();
        EXPECT_EQ(table.size(), c.mSize) << c.mFirst << ".." << c.mLast;
        EXPECT_EQ(capture.Count(), c.mSize == 0 ? 1u : 0u) << c.mFirst << ".." << c.mLast;
        if (c.mSize != 0)
            ExpectColor(table[c.mSize - 1], kBlue, "last");
    }
}

TEST(GxColorGradientXmlTest, WritesSmoothedOnlyWhenOff)
{
    GxColorGradient gradient;
    gradient.SetColorKey(100, GxColor(CxString("#12345680")));
    gradient.Keys().at(100).SetSmoothed(false);
    gradient.Keys().at(1).Select(); // editor state is not written
    EXPECT_EQ(Externalized(gradient), "<colorGradient>\n"
                                      "\t<colorKey index=\"1\" color=\"#FF0000FF\"/>\n"
                                      "\t<colorKey index=\"100\" color=\"#12345680\" smoothed=\"false\"/>\n"
                                      "\t<colorKey index=\"254\" color=\"#0000FFFF\"/>\n"
                                      "</colorGradient>\n");
}

TEST(GxColorGradientXmlTest, ReadsKeys)
{
    const struct
    {
        const char* mName;
        const char* mDocument;
        std::vector<Key> mKeys;
    } cases[] = {
        {"smoothed values",
         "<colorGradient><colorKey index='1' color='#FF0000'/><colorKey index='2' color='#FF0000' smoothed=''/>"
         "<colorKey index='3' color='#FF0000' smoothed='TRUE'/><colorKey index='4' color='#FF0000' smoothed='yes'/>"
         "<colorKey index='5' color='#FF0000' smoothed='False'/></colorGradient>",
         {{1, "#FF0000FF", true},
          {2, "#FF0000FF", true},
          {3, "#FF0000FF", true},
          {4, "#FF0000FF", false},
          {5, "#FF0000FF", false}}},
        {"later duplicate replaces",
         "<colorGradient><colorKey index='7' color='#FF0000' smoothed='false'/>"
         "<colorKey index='7' color='#00FF0080'/></colorGradient>",
         {{7, "#00FF0080", true}}},
        {"other children skipped",
         "<colorGradient>text<!-- note --><colorkey index='1' color='#FF0000'/><key index='2' color='#FF0000'/>"
         "<colorKey index='3' color='#0000FF'><colorKey index='4' color='#FF0000'/></colorKey></colorGradient>",
         {{3, "#0000FFFF", true}}},
        {"bad index reads 0, missing colour black",
         "<colorGradient><colorKey index='abc'/><colorKey index='-12' color='#FFFFFF'/></colorGradient>",
         {{-12, "#FFFFFFFF", true}, {0, "#000000FF", true}}},
        {"no keys", "<colorGradient/>", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Keys(Read(c.mDocument)), c.mKeys) << c.mName;

    // The parent's name is not checked; a missing element is logged.
    XmlElement other("palette");
    XmlElement* child = new XmlElement("colorKey");
    child->SetAttribute("index", "9");
    child->SetAttribute("color", "#0102037F");
    other.AdoptItem(child);
    EXPECT_EQ(Keys(GxColorGradient(&other)), (std::vector<Key>{{9, "#0102037F", true}}));
    CxDebugCapture capture;
    EXPECT_TRUE(GxColorGradient(static_cast<const XmlElement*>(nullptr)).Keys().empty());
    EXPECT_EQ(capture.Count(), 1u);
}

TEST(GxColorGradientXmlTest, RoundTripKeepsEveryKey)
{
    GxColorGradient gradient(kGxGradientColors256);
    gradient.SetColorKey(-5, GxColor(CxString("#00000000")));
    gradient.SetColorKey(300, GxColor(CxString("#FEDCBA98")));
    gradient.Keys().at(66).SetSmoothed(false);
    gradient.Keys().at(254).SetSmoothed(false);
    const GxColorGradient back = Read(Externalized(gradient));
    EXPECT_EQ(Keys(back), Keys(gradient));
    EXPECT_TRUE(back == gradient);
    EXPECT_EQ(back.GenerateColors(), gradient.GenerateColors());
}
