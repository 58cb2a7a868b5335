#include "CxDebug.h"
#include "DxConfigParsers.h"
#include "DxConfigTestSupport.h"

#include <gtest/gtest.h>

using namespace dxtest;

namespace
{

std::string Join(const std::vector<CxString>& inList)
{
    std::string text;
    for (const CxString& piece : inList)
        text += "[" + piece.AsUtf8() + "]";
    return text;
}

std::string Describe(const DxParm& inParm)
{
    return inParm.Id().AsUtf8() + "|" + inParm.Name().AsUtf8() + "|" + std::to_string(inParm.Type()) + "|" +
           inParm.Unit().Id().AsUtf8() + "|" + inParm.UnitSet().Id().AsUtf8() + "|" +
           std::to_string(inParm.Resolution());
}

std::string Describe(const DxVectorParm& inVector)
{
    return inVector.Id().AsUtf8() + "|" + inVector.Name().AsUtf8() + "|" + inVector.Samag().AsUtf8() + "," +
           inVector.Vamag().AsUtf8() + "," + inVector.Dir().AsUtf8() + "," + inVector.Ucomp().AsUtf8() + "," +
           inVector.Vcomp().AsUtf8() + "," + inVector.Gust().AsUtf8() + "|" + inVector.Unit().Id().AsUtf8();
}

} // namespace

class DxParmListParserTest : public UnitTableTest
{
protected:
    // The five-list form when inAll.
    void Read(const std::string& inDocument, bool inAll = false)
    {
        CxData data = Bytes(inDocument);
        if (inAll)
            DxParmListParser reader(data, mParms, mDerived, mVectors, mCalibs, mLinks);
        else
            DxParmListParser reader(data, mParms, mDerived, mVectors);
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
    const std::vector<std::string> parms = {
        "tmpf|Temperature|1|fahr|english|10.000000", "relh|Relative Humidity|2|prct|english|1.000000",
        "sknt|Wind Speed|1|kmph|english|0.000000", // "0.1" reads as the integer 0
        "drct|Wind Direction|2|degr||0.000000",      "stnm|Station Name|3|nada||0.000000",
    };
    ASSERT_EQ(mParms.size(), parms.size());
    for (std::size_t i = 0; i < parms.size(); ++i)
        EXPECT_EQ(Describe(mParms[i]), parms[i]);
    ASSERT_EQ(mVectors.size(), 1u);
    EXPECT_EQ(Describe(mVectors[0]), "wind|Wind|sknt,,drct,uwnd,vwnd,gust|kmph");
    ASSERT_EQ(mDerived.size(), 2u);
    EXPECT_EQ(mDerived[1].Id() + " " + mDerived[1].Func(), "feel FeelsLike");
    EXPECT_EQ(Join(mDerived[1].Args()), "[tmpf][relh][sknt]");
    ASSERT_EQ(mCalibs.size(), 1u);
    EXPECT_EQ(mCalibs[0].Id() + " " + mCalibs[0].Func(), "tmpc Polynomial");
    EXPECT_EQ(Join(mCalibs[0].Args()) + Join(mCalibs[0].Coeffs()), "[rawt][-40.0][0.125]");
    ASSERT_EQ(mLinks.size(), 1u);
    EXPECT_EQ(mLinks[0].Id() + " " + mLinks[0].Dataset(), "rain harbour-radar");
}

TEST_F(DxParmListParserTest, PlaceholdersSurviveOnlyWithoutAListOrAfterAThrow)
{
    const std::string placeholder = "nada|None available|1|nada|nada|0.000000";
    const std::string vectorPlaceholder = "nada|None available|,,,,,|nada";
    Read(Document("otherinfo", "<parm id=\"tmpf\"/>"));
    ASSERT_EQ(mParms.size(), 1u);
    EXPECT_EQ(Describe(mParms[0]), placeholder);
    ASSERT_EQ(mVectors.size(), 1u);
    EXPECT_EQ(Describe(mVectors[0]), vectorPlaceholder);

    mParms.clear();
    mVectors.clear();
    EXPECT_THROW(Read(Document("parminfo", "<parm id=\"tmpf\" type=\"float\"/>", "2.0")), int);
    ASSERT_EQ(mParms.size() + mVectors.size(), 2u);
    EXPECT_EQ(Describe(mParms[0]), placeholder);

    Read(Document("parminfo", ""));
    EXPECT_TRUE(mParms.empty() && mVectors.empty());

    // A list that holds something gets no placeholder; empty data touches nothing.
    mParms.push_back(DxParmListParser::FindParm({}, "keep"));
    Read(Document("otherinfo", ""));
    ASSERT_EQ(mParms.size(), 1u);
    EXPECT_EQ(mParms[0].Id(), "keep");
    mVectors.clear();
    Read("");
    EXPECT_EQ(mParms.size(), 1u);
    EXPECT_TRUE(mVectors.empty());
}

TEST_F(DxParmListParserTest, AVectorTakesTheUnitOfAnEarlierSpeedOnly)
{
    Read(Document("parminfo", "<vector id=\"before\" samag=\"sped\"/><parm id=\"sped\" type=\"float\" units=\"mps\"/>"
                              "<vector id=\"after\" samag=\"sped\"/>"));
    ASSERT_EQ(mVectors.size(), 2u);
    EXPECT_EQ(mVectors[0].Unit().Id(), "nada");
    EXPECT_EQ(mVectors[1].Unit().Id(), "mps");
}

TEST_F(DxParmListParserTest, TypesAndResolutions)
{
    const struct
    {
        const char* mAttributes;
        DxType mType;
        double mResolution;
        bool mReported;
    } cases[] = {
        {"type=\"float\" resoulution=\"10\"", kDxTypeFloat, 10.0, false},
        {"type=\"integer\" resoulution=\"0.1\"", kDxTypeInteger, 0.0, false},
        {"type=\"int\" resoulution=\"-2\"", kDxTypeInteger, -2.0, false},
        {"type=\"string\" resoulution=\"x\"", kDxTypeString, 0.0, false},
        {"type=\"date\"", kDxTypeString, 0.0, true},
        {"type=\"Float\"", kDxTypeString, 0.0, true},
        {"", kDxTypeString, 0.0, true},
    };
    for (const auto& c : cases)
    {
        CxDebugCapture capture;
        Read(Document("parminfo", std::string("<parm id=\"p\" ") + c.mAttributes + "/>"));
        ASSERT_EQ(mParms.size(), 1u);
        EXPECT_EQ(mParms[0].Type(), c.mType) << c.mAttributes;
        EXPECT_EQ(mParms[0].Resolution(), c.mResolution) << c.mAttributes;
        EXPECT_EQ(capture.Count(), c.mReported ? 1u : 0u) << c.mAttributes;
    }
}

TEST_F(DxParmListParserTest, VectorizeArgs)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"tmpf", "[tmpf]"},
        {"tmpf relh", "[tmpf][relh]"},
        {"tmpf  relh", "[tmpf][][relh]"},
        {" tmpf", "[][tmpf]"},
        {"tmpf ", "[tmpf]"},
        {" ", "[]"},
        {"a\tb", "[a\tb]"},
    };
    for (const auto& [args, pieces] : cases)
        EXPECT_EQ(Join(DxParmListParser::VectorizeArgs(args)), pieces) << '"' << args << '"';
}

TEST_F(DxParmListParserTest, FindParm)
{
    const std::vector<DxParm> parms = {DxParm("tmpf", "first", kDxTypeInteger, DxUnit(), DxUnitSet(), 2.0),
                                       DxParm("tmpf", "second", kDxTypeFloat, DxUnit(), DxUnitSet(), 3.0)};
    EXPECT_EQ(DxParmListParser::FindParm(parms, "tmpf").Name(), "first");
    EXPECT_EQ(Describe(DxParmListParser::FindParm(parms, "TMPF")), "TMPF|TMPF|1|nada||1.000000");
}

TEST_F(DxParmListParserTest, CalibrationsAndLinksAreAppendedInTheFiveListFormOnly)
{
    const std::string document = Document("parminfo", "<calibration id=\"c\" args=\"a b\" coeffs=\"1  2\"/>"
                                                      "<link id=\"l\" dataset=\"d\"/><derivation id=\"d\"/>");
    Read(document);
    EXPECT_TRUE(mCalibs.empty() && mLinks.empty());
    ASSERT_EQ(mDerived.size(), 1u);
    EXPECT_TRUE(mDerived[0].Args().empty());
    Read(document, true);
    Read(document, true);
    EXPECT_EQ(mDerived.size(), 1u);
    ASSERT_EQ(mCalibs.size(), 2u);
    EXPECT_EQ(Join(mCalibs[1].Coeffs()), "[1][][2]");
    ASSERT_EQ(mLinks.size(), 2u);
    EXPECT_EQ(mLinks[1].Dataset(), "d");
}
