// Streams that end after their instance went, and hand-overs whose shown instance fails to build, driven through
// the plug-in's own table.
#include "VaneAppTest.h"

#include "CxError.h"
#include "FxPlugin.h"
#include "VanePluginInstance.h"
#include "WxParser.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

using namespace vanetest;

// Mesa's rasteriser threads hand work over in ways ThreadSanitizer cannot follow (the driver is not
// instrumented): in this program the rasteriser works on the drawing thread.
const bool kRasterOnTheDrawingThread = setenv("LP_NUM_THREADS", "0", 0) == 0;

const std::string kMapDocument = wxkit::Vanedoc("<map color=\"#FFFFFFFF\"/>");
const std::string kGraphDocument =
    wxkit::Vanedoc("<graph name=\"g\" color=\"#FFFFFFFF\" startDate=\"2020-07-27 00:00:00 UTC\" "
                   "endDate=\"2020-07-28 00:00:00 UTC\"/>");
constexpr std::uint32_t kIconBlue = 0x2973D9FF;

// A shown instance that records the streams it is handed.
class Shown : public FxPluginInstance
{
public:
    explicit Shown(FxPluginInstance* inSource) : FxPluginInstance(inSource) {}
    void OnAcceptStream(FxPluginStream* inStream) override { mAccepted.push_back(inStream->GetUrl().AsUtf8()); }
    std::vector<std::string> mAccepted;
};

FxPluginInstance* MakeShown(FxPluginInstance* inSource, WxParser&)
{
    return new Shown(inSource);
}

// A shown instance whose constructor throws once its base has taken everything over.
class Refusing : public FxPluginInstance
{
public:
    explicit Refusing(FxPluginInstance* inSource) : FxPluginInstance(inSource)
    {
        throw CxErrorInvalidDate("VaneRefusing.cpp", 7);
    }
};

FxPluginInstance* MakeRefusing(FxPluginInstance* inSource, WxParser&)
{
    return new Refusing(inSource);
}

bool Near(std::uint32_t inPixel, std::uint32_t inExpected)
{
    for (int shift = 8; shift < 32; shift += 8)
        if (std::abs(int((inPixel >> shift) & 0xFF) - int((inExpected >> shift) & 0xFF)) > 2)
            return false;
    return true;
}

class VanePluginStreamsTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        mMapMaker = VanePluginInstance::sMapMaker;
        mGraphMaker = VanePluginInstance::sGraphMaker;
        StartHost();
    }
    void TearDown() override
    {
        AppTest::TearDown();
        VanePluginInstance::sMapMaker = mMapMaker;
        VanePluginInstance::sGraphMaker = mGraphMaker;
    }
    // A stream opened on the instance with the text written, not yet ended.
    struct Open
    {
        NPStream stream{};
        std::string url;
    };
    void OpenStream(NPP inInstance, Open& ioOpen, const std::string& inUrl, const std::string& inText)
    {
        ioOpen.url = inUrl;
        ioOpen.stream.url = ioOpen.url.c_str();
        char mime[] = "application/x-vanedoc";
        uint16_t type = NP_NORMAL;
        ASSERT_EQ(mFuncs.newstream(inInstance, mime, &ioOpen.stream, 0, &type), NPERR_NO_ERROR);
        ASSERT_NE(ioOpen.stream.pdata, nullptr);
        ASSERT_EQ(mFuncs.write(inInstance, &ioOpen.stream, 0, int32_t(inText.size()), const_cast<char*>(inText.data())),
                  int32_t(inText.size()));
    }
    NPError EndStream(NPP inInstance, Open& ioOpen)
    {
        return mFuncs.destroystream(inInstance, &ioOpen.stream, NPRES_DONE);
    }

    VanePluginInstance::Maker mMapMaker = nullptr;
    VanePluginInstance::Maker mGraphMaker = nullptr;
};

TEST_F(VanePluginStreamsTest, AStreamEndedAfterItsInstanceWentIsDropped)
{
    for (bool cocoa : {false, true})
    {
        NPP instance = Embed(cocoa);
        ASSERT_NE(instance, nullptr);
        Open open;
        OpenStream(instance, open, "http://example.org/late.vanedoc", kMapDocument);
        ASSERT_EQ(mHost->Destroy(instance), NPERR_NO_ERROR);
        EXPECT_EQ(EndStream(instance, open), NPERR_NO_ERROR) << cocoa;
        EXPECT_EQ(open.stream.pdata, nullptr);
    }
}

// Two streams open; the first hands the placeholder over to the shown instance, which gets the second.
TEST_F(VanePluginStreamsTest, ASecondStreamEndedAfterTheHandOverReachesTheShownInstance)
{
    VanePluginInstance::sMapMaker = MakeShown;
    for (bool cocoa : {false, true})
    {
        NPP instance = Embed(cocoa);
        ASSERT_NE(instance, nullptr);
        Open first;
        Open second;
        OpenStream(instance, first, "http://example.org/a.vanedoc", kMapDocument);
        OpenStream(instance, second, "http://example.org/b.vanedoc", kMapDocument);
        ASSERT_EQ(EndStream(instance, first), NPERR_NO_ERROR);
        Draw(instance);
        auto* shown = dynamic_cast<Shown*>(InstanceOf(instance));
        ASSERT_NE(shown, nullptr) << cocoa;
        ASSERT_EQ(EndStream(instance, second), NPERR_NO_ERROR);
        EXPECT_EQ(shown->mAccepted, std::vector<std::string>{"http://example.org/b.vanedoc"}) << cocoa;
        mHost->Destroy(instance);
    }
}

// The placeholder gets its window, context and layer back, shows the error over its icon and draws on.
TEST_F(VanePluginStreamsTest, AShownInstanceThatThrowsLeavesThePlaceholderShowingTheError)
{
    VanePluginInstance::sMapMaker = MakeRefusing;
    VanePluginInstance::sGraphMaker = MakeRefusing;
    for (bool cocoa : {false, true})
    {
        for (const std::string* document : {&kMapDocument, &kGraphDocument})
        {
            const std::string name =
                std::string(cocoa ? "cocoa " : "carbon ") + (document == &kMapDocument ? "map" : "graph");
            NPP instance = Embed(cocoa);
            ASSERT_NE(instance, nullptr);
            mHost->SendStream(instance, "http://example.org/a.vanedoc", "application/x-vanedoc", *document);
            Draw(instance);
            auto* placeholder = dynamic_cast<VanePluginInstance*>(InstanceOf(instance));
            ASSERT_NE(placeholder, nullptr) << name;
            EXPECT_NE(placeholder->GetNpWindow(), nullptr) << name;
            EXPECT_NE(placeholder->GetContext(), nullptr) << name;
            ASSERT_EQ(placeholder->GetMessage().size(), 1u) << name;
            EXPECT_EQ(placeholder->GetMessage().front().AsUtf8(), "CxErrorInvalidDate: VaneRefusing.cpp, line 7")
                << name;
            Draw(instance);
            EXPECT_EQ(InstanceOf(instance), placeholder) << name;
            const pf::Snapshot shot = Shot();
            EXPECT_TRUE(Near(shot.Pixel(int(kRect.x + kRect.w / 2), int(kRect.y + kRect.h / 2 - 10)), kIconBlue))
                << name;
            EXPECT_EQ(mHost->Destroy(instance), NPERR_NO_ERROR);
        }
    }
}

} // namespace
