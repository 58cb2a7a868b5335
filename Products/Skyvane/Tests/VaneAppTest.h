// The plug-in in process: its own table on a test browser, in a private home with the source tree's bundle, the
// main loop on its virtual clock and every request trapped.
#pragma once

#include "PfNpapi.h"
#include "PfSurface.h"
#include "VaneHost.h"
#include "WeatherTestKit.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class FxPluginInstance;

namespace vanetest
{

// A plug-in rectangle large enough for the icon and two message lines.
constexpr pf::Rect kRect{100, 100, 200, 160};

std::string ReadText(const std::string& inPath);
void WriteText(const std::string& inPath, const std::string& inText);

class AppTest : public wxkit::KitTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The host on the plug-in's table; the plug-in started on it unless told not to.
    void StartHost(bool inInitialize = true);
    NPP Embed(bool inCocoa, const std::vector<std::pair<std::string, std::string>>& inArguments = {},
              const pf::Rect& inRect = kRect);
    // A draw as the host asks for it in either model.
    void Draw(NPP inInstance);
    pf::Snapshot Shot() const { return pf::TakeSnapshot(mHost->Window()); }
    static FxPluginInstance* InstanceOf(NPP inInstance) { return static_cast<FxPluginInstance*>(inInstance->pdata); }
    std::string Home() const { return mHome.Path(); }

    NPPluginFuncs mFuncs{};
    std::unique_ptr<VaneHost> mHost;
    bool mStarted = false;
};

} // namespace vanetest
