#include "VaneAppTest.h"

#include "CxPreferences.h"
#include "DxUnit.h"
#include "FxBrowser.h"
#include "FxPlugin.h"
#include "PfRunLoop.h"
#include "PfWindowServer.h"
#include "VaneEntryPoints.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vanetest
{

std::string ReadText(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& inPath, const std::string& inText)
{
    std::filesystem::create_directories(std::filesystem::path(inPath).parent_path());
    std::ofstream(inPath, std::ios::binary) << inText;
}

void AppTest::SetUp()
{
    wxkit::KitTest::SetUp();
    // The plug-in loads and frees the unit table itself.
    DxUnit::Unload();
    const std::string temporary = mHome.Path() + "/tmp";
    std::filesystem::create_directories(temporary);
    setenv("TMPDIR", temporary.c_str(), 1);
    pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
    pf::ResetWindowServerForTesting();
    CxGetGlobalPreferences().SetStringTable({});
}

void AppTest::StartHost(bool inInitialize)
{
    mFuncs = NPPluginFuncs{};
    mFuncs.size = sizeof(NPPluginFuncs);
    ASSERT_EQ(VaneGetEntryPoints(&mFuncs), NPERR_NO_ERROR);
    mHost = std::make_unique<VaneHost>(mFuncs);
    if (inInitialize)
    {
        ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
        mStarted = true;
    }
}

void AppTest::TearDown()
{
    mHost.reset();
    VaneShutdown();
    gBrowser = nullptr;
    pf::ResetWindowServerForTesting();
    pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
    CxGetGlobalPreferences().SetStringTable({});
    unsetenv("TMPDIR");
    DxUnit::Load();
    wxkit::KitTest::TearDown();
}

NPP AppTest::Embed(bool inCocoa, const std::vector<std::pair<std::string, std::string>>& inArguments,
                   const pf::Rect& inRect)
{
    const VaneAnswer answer = inCocoa ? VaneAnswer::kTrue : VaneAnswer::kFalse;
    mHost->SetSupport(answer, answer);
    NPP instance = mHost->New(inArguments);
    if (instance != nullptr)
        mHost->SetWindow(instance, inRect);
    return instance;
}

void AppTest::Draw(NPP inInstance)
{
    if (mHost->IsCocoa(inInstance))
    {
        if (auto* instance = InstanceOf(inInstance))
            instance->Invalidate();
        mHost->DisplayLayers(0);
    }
    else
    {
        pf::EventRecord update = VaneHost::MakeRecord(pf::kUpdateEvent);
        mHost->HandleEvent(inInstance, &update);
    }
}

} // namespace vanetest
