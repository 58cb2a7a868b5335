#include "CxDebug.h"
#include "DxConfigParsers.h"
#include "DxConfigTestSupport.h"

#include <gtest/gtest.h>

using namespace dxtest;

namespace
{

std::vector<std::string> Texts(const std::vector<CxString>& inList)
{
    std::vector<std::string> texts;
    for (const CxString& text : inList)
        texts.push_back(Utf8(text));
    return texts;
}

} // namespace

class DxParmListParserTest : public UnitTableTest
{
protected:
    void Read(const std::string& inDocument)
    {
        CxData data = Bytes(inDocument);
        DxParmListParser reader(data, mParms, mDerived, mVectors);
    }
    void ReadAll(const std::string& inDocument)
    {
        CxData data = Bytes(inDocument);
        DxParmListParser reader(data, mParms, mDerived, mVectors, mCalibs, mLinks);
    }

    std::vector<DxParm> mParms;
    std::vector<DxDerivedParm> mDerived;
    std::vector<DxVectorParm> mVectors;
    std::vector<DxCalibParm> mCalibs;
    std::vector<DxLinkParm> mLinks;
};

TEST_F(DxParmListParserTest, TheFixtureReadsToItsValues)
{
    CxData data = Fixture("parminfo.xml");
    DxParmListParser reader(data, mParms, mDerived, mVectors, mCalibs, mLinks);
    ASSERT_TRUE(reader.Parsed());

    const struct
    {
        const char* mId;
        const char* mName;
        DxType mType;
        const char* mUnit;
        const char* mUnitSet;
        double mResolution;
    } parms[] = {
        {"tmpf", "Temperature", kDxTypeFloat, "fahr", "english", 10.0},
        {"relh", "Relative Humidity", kDxTypeInteger, "prct", "english", 1.0},
        {"sknt", "Wind Speed", kDxTypeFloat, "kmph", "english", 0.0}, // "0.1" reads as the integer 0
        {"drct", "Wind Direction", kDxTypeInteger, "degr", "", 0.0},
        {"stnm", "Station Name", kDxTypeString, "nada", "", 0.0},
    };
    ASSERT_EQ(mParms.size(), std::size(parms));
    for (std::size_t i = 0; i < std::size(parms); ++i)
    {
        const DxParm& parm = mParms[i];
        EXPECT_EQ(parm.Id(), parms[i].mId);
        EXPECT_EQ(parm.Name(), parms[i].mName);
        EXPECT_EQ(parm.Type(), parms[i].mType) << parms[i].mId;
        EXPECT_EQ(parm.Unit().Id(), parms[i].mUnit) << parms[i].mId;
        EXPECT_EQ(parm.UnitSet().Id(), parms[i].mUnitSet) << parms[i].mId;
        EXPECT_EQ(parm.Resolution(), parms[i].mResolution) << parms[i].mId;
    }

    ASSERT_EQ(mVectors.size(), 1u);
    const DxVectorParm& wind = mVectors[0];
    EXPECT_TRUE(wind.IsExactMatch(DxVectorParm("wind", "", "sknt", "", "drct", "uwnd", "vwnd", "gust",
                                               DxUnit(CxString("kmph")))));
    EXPECT_EQ(wind.Name(), "Wind");

    ASSERT_EQ(mDerived.size(), 2u);
    EXPECT_EQ(mDerived[0].Id(), "dwpf");
    EXPECT_EQ(mDerived[0].Func(), "DewPoint");
    EXPECT_EQ(Texts(mDerived[0].Args()), (std::vector<std::string>{"tmpf", "relh"}));
    EXPECT_EQ(Texts(mDerived[1].Args()), (std::vector<std::string>{"tmpf", "relh", "sknt"}));

    ASSERT_EQ(mCalibs.size(), 1u);
    EXPECT_EQ(mCalibs[0].Id(), "tmpc");
    EXPECT_EQ(mCalibs[0].Func(), "Polynomial");
    EXPECT_EQ(Texts(mCalibs[0].Args()), (std::vector<std::string>{"rawt"}));
    EXPECT_EQ(Texts(mCalibs[0].Coeffs()), (std::vector<std::string>{"-40.0", "0.125"}));
    ASSERT_EQ(mLinks.size(), 1u);
    EXPECT_EQ(mLinks[0].Id(), "rain");
    EXPECT_EQ(mLinks[0].Dataset(), "harbour-radar");
}

TEST_F(DxParmListParserTest, PlaceholdersSurviveOnlyWithoutAListOrAfterAThrow)
{
    auto expectPlaceholders = [this](const char* inWhat)
    {
        ASSERT_EQ(mParms.size(), 1u) << inWhat;
        EXPECT_EQ(mParms[0].Id(), "nada");
        EXPECT_EQ(mParms[0].Name(), "None available");
        EXPECT_EQ(mParms[0].Type(), kDxTypeFloat);
        EXPECT_EQ(mParms[0].Unit().Id(), "nada");
        EXPECT_EQ(mParms[0].UnitSet().Id(), "nada");
        EXPECT_EQ(mParms[0].Resolution(), 0.0);
        ASSERT_EQ(mVectors.size(), 1u) << inWhat;
        EXPECT_TRUE(mVectors[0].IsExactMatch(DxVectorParm("nada", "", "", "", "", "", "", "", DxUnit())));
        EXPECT_EQ(mVectors[0].Name(), "None available");
    };

    Read(Document("otherinfo", "<parm id=\"tmpf\"/>"));
    expectPlaceholders("no parminfo");

    mParms.clear();
    mVectors.clear();
    EXPECT_THROW(Read(Document("parminfo", "<parm id=\"tmpf\" type=\"float\"/>", "2.0")), int);
    expectPlaceholders("thrown");

    // A list that is read replaces them, even when it is empty.
    Read(Document("parminfo", ""));
    EXPECT_TRUE(mParms.empty());
    EXPECT_TRUE(mVectors.empty());

    // Lists that hold something get no placeholder; empty data touches nothing.
    mParms.push_back(DxParmListParser::FindParm({}, "keep"));
    Read(Document("otherinfo", ""));
    ASSERT_EQ(mParms.size(), 1u);
    EXPECT_EQ(mParms[0].Id(), "keep");
    EXPECT_EQ(mVectors.size(), 1u);
    mVectors.clear();
    CxData empty;
    DxParmListParser reader(empty, mParms, mDerived, mVectors);
    EXPECT_FALSE(reader.Parsed());
    EXPECT_EQ(mParms.size(), 1u);
    EXPECT_TRUE(mVectors.empty());
}

TEST_F(DxParmListParserTest, AVectorTakesTheUnitOfAnEarlierSpeedOnly)
{
    Read(Document("parminfo", "<vector id=\"before\" samag=\"sped\"/>"
                              "<parm id=\"sped\" type=\"float\" units=\"mps\"/>"
                              "<vector id=\"after\" samag=\"sped\"/>"
                              "<vector id=\"none\"/>"));
    ASSERT_EQ(mVectors.size(), 3u);
    EXPECT_EQ(mVectors[0].Unit().Id(), "nada");
    EXPECT_EQ(mVectors[1].Unit().Id(), "mps");
    EXPECT_EQ(mVectors[2].Unit().Id(), "nada");
}

TEST_F(DxParmListParserTest, Types)
{
    const struct
    {
        const char* mType;
        DxType mExpected;
        bool mReported;
    } cases[] = {
        {"float", kDxTypeFloat, false},   {"integer", kDxTypeInteger, false}, {"int", kDxTypeInteger, false},
        {"string", kDxTypeString, false}, {"date", kDxTypeString, true},      {"Float", kDxTypeString, true},
        {"", kDxTypeString, true},
    };
    for (const auto& c : cases)
    {
        CxDebugCapture capture;
        Read(Document("parminfo", std::string("<parm id=\"p\" type=\"") + c.mType + "\"/>"));
        ASSERT_EQ(mParms.size(), 1u);
        EXPECT_EQ(mParms[0].Type(), c.mExpected) << c.mType;
        EXPECT_EQ(capture.Contains("CxAssert (false)"), c.mReported) << c.mType;
    }
}

TEST_F(DxParmListParserTest, VectorizeArgs)
{
    const struct
    {
        const char* mArgs;
        std::vector<std::string> mPieces;
    } cases[] = {
        {"", {}},
        {"tmpf", {"tmpf"}},
        {"tmpf relh", {"tmpf", "relh"}},
        {"tmpf  relh", {"tmpf", "", "relh"}},
        {" tmpf", {"", "tmpf"}},
        {"tmpf ", {"tmpf"}},
        {" ", {""}},
        {"a\tb", {"a\tb"}}, // blanks only
    };
    for (const auto& c : cases)
        EXPECT_EQ(Texts(DxParmListParser::VectorizeArgs(c.mArgs)), c.mPieces) << '"' << c.mArgs << '"';
}

TEST_F(DxParmListParserTest, FindParmDefault)
{
    const std::vector<DxParm> parms = {
        DxParm("tmpf", "first", kDxTypeInteger, DxUnit(CxString("cels")), DxUnitSet(), 2.0),
        DxParm("tmpf", "second", kDxTypeFloat, DxUnit(CxString("fahr")), DxUnitSet(), 3.0),
    };
    EXPECT_EQ(DxParmListParser::FindParm(parms, "tmpf").Name(), "first");
    const DxParm missing = DxParmListParser::FindParm(parms, "TMPF");
    EXPECT_EQ(missing.Id(), "TMPF");
    EXPECT_EQ(missing.Name(), "TMPF");
    EXPECT_EQ(missing.Type(), kDxTypeFloat);
    EXPECT_EQ(missing.Unit().Id(), "nada");
    EXPECT_EQ(missing.UnitSet().Id(), "");
    EXPECT_EQ(missing.Resolution(), 1.0);
}

TEST_F(DxParmListParserTest, CalibrationsAndLinks)
{
    const std::string document =
        Document("parminfo", "<calibration id=\"c\" func=\"f\" args=\"a b\" coeffs=\"1  2\"/>"
                             "<link id=\"l\" dataset=\"d\"/><derivation id=\"d\" func=\"g\" args=\"\"/>");
    // The three-list form skips them.
    Read(document);
    EXPECT_TRUE(mCalibs.empty());
    EXPECT_TRUE(mLinks.empty());
    ASSERT_EQ(mDerived.size(), 1u);
    EXPECT_TRUE(mDerived[0].Args().empty());

    // The five-list form appends to what the lists hold; the other lists are replaced.
    ReadAll(document);
    ReadAll(document);
    EXPECT_EQ(mDerived.size(), 1u);
    ASSERT_EQ(mCalibs.size(), 2u);
    EXPECT_EQ(Texts(mCalibs[1].Coeffs()), (std::vector<std::string>{"1", "", "2"}));
    ASSERT_EQ(mLinks.size(), 2u);
    EXPECT_EQ(mLinks[1].Dataset(), "d");
}
