// Carbon mode: the primary and secondary buttons reach the plug-in as event records only. A browser may hand the
// window's mouse event to the plug-in's handler as well as the record, so the handler leaves those buttons alone,
// or one click would act twice.
#include "FxPlugin.h"

#include "FxBrowser.h"
#include "FxMouseEvent.h"
#include "FxTestPlugin.h"
#include "PfRunLoop.h"
#include "PfWindowServer.h"
#include "VaneHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace pf;

std::vector<std::string> sMice;

class MouseProbe : public FxPluginInstance
{
public:
    using FxPluginInstance::FxPluginInstance;

    void OnMouseDown(const FxMouseEvent& inEvent) override { Note("down", inEvent); }
    void OnMouseUp(const FxMouseEvent& inEvent) override { Note("up", inEvent); }
    void OnMouseDragged(const FxMouseEvent& inEvent) override { Note("drag", inEvent); }

private:
    static void Note(const char* inKind, const FxMouseEvent& inEvent)
    {
        sMice.push_back(std::string(inKind) + " b" + std::to_string(inEvent.mButton));
    }
};

class FxPluginWindowMouseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        sMice.clear();
        mHost = std::make_unique<VaneHost>(
            FxTestPluginFuncs([](NPP inInstance, const FxPluginInstance::Arguments& inArguments)
                              { return new MouseProbe(inInstance, inArguments); }));
        gBrowser = mHost->BrowserFuncs();
        mHost->SetSupport(VaneAnswer::kFalse, VaneAnswer::kFalse);
        mInstance = mHost->New();
        mHost->SetWindow(mInstance, Rect{100, 200, 80, 60});
    }
    void TearDown() override
    {
        mHost.reset();
        gBrowser = nullptr;
        ResetWindowServerForTesting();
        MainLoop().ResetForTesting(ClockKind::kVirtual);
    }

    // The window's mouse event at a content point, handed to the plug-in's own handler alone.
    OSStatus WindowEvent(std::uint32_t inKind, Point inContent, std::uint16_t inButton)
    {
        Event event(kClassMouse, inKind);
        event.SetParam(kParamMouseLocation, kTypeHIPoint, VaneHost::Global(inContent));
        event.SetParam(kParamWindowMouseLocation, kTypeHIPoint, inContent);
        event.SetParam(kParamWindowRef, kTypeWindowRef, mHost->Window());
        event.SetParam(kParamKeyModifiers, kTypeUInt32, std::uint32_t(0));
        event.SetParam(kParamMouseButton, kTypeMouseButton, inButton);
        event.SetParam(kParamClickCount, kTypeUInt32, std::uint32_t(1));
        return static_cast<FxPluginInstance*>(mInstance->pdata)->Event(nullptr, event);
    }

    std::unique_ptr<VaneHost> mHost;
    NPP mInstance = nullptr;
};

TEST_F(FxPluginWindowMouseTest, PrimaryAndSecondaryButtonsComeOnlyAsRecords)
{
    const struct
    {
        std::uint32_t kind;
        std::uint16_t button;
        OSStatus status;
        std::vector<std::string> mice;
    } rows[] = {
        {kMouseDown, 1, kEventNotHandled, {}},    {kMouseUp, 1, kEventNotHandled, {}},
        {kMouseDragged, 1, kEventNotHandled, {}}, {kMouseDown, 2, kEventNotHandled, {}},
        {kMouseUp, 2, kEventNotHandled, {}},      {kMouseDragged, 2, kEventNotHandled, {}},
        {kMouseDown, 3, kNoErr, {"down b3"}},     {kMouseUp, 3, kNoErr, {"up b3"}},
        {kMouseDragged, 3, kNoErr, {"drag b3"}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE("kind " + std::to_string(row.kind) + " button " + std::to_string(row.button));
        sMice.clear();
        EXPECT_EQ(WindowEvent(row.kind, Point{110, 210}, row.button), row.status);
        EXPECT_EQ(sMice, row.mice);
    }

    // The records of a click, each reaching the plug-in once.
    sMice.clear();
    MainLoop().Advance(std::chrono::seconds(1));
    for (const std::uint16_t what : {kMouseDownEvent, kMouseUpEvent})
    {
        EventRecord record = VaneHost::MakeRecord(what, VaneHost::Global(Point{110, 210}));
        EXPECT_EQ(mHost->HandleEvent(mInstance, &record), 1) << what;
    }
    EXPECT_EQ(sMice, (std::vector<std::string>{"down b1", "up b1"}));
}

} // namespace
