// A data-set test on a private home folder, a virtual main loop, the job threads and a loopback server standing
// in for the data server's registry.
#pragma once

#include "../../CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxEvents.h"
#include "CxJob.h"
#include "CxLog.h"
#include "DxConfigTestSupport.h"
#include "DxLogger.h"
#include "DxSet.h"
#include "LoopbackServer.h"
#include "PfRunLoop.h"
#include "TestLatch.h"

#include <filesystem>
#include <fstream>

namespace dxtest
{

class DxSetTest : public UnitTableTest
{
protected:
    void SetUp() override
    {
        UnitTableTest::SetUp();
        setenv("SKYVANE_SERVER_REGISTRY", mServer.Base().c_str(), 1);
        DxSet::RebuildRegistryUrlForTesting();
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxLogger::Instance().AttachLog(new CxLog(CxFolder(kCxLogsFolder).CreateFile("data.log")));
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        ASSERT_EQ(CxInstallEventHandler(), 0);
        for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}, {102, 7}})
            mThreads.push_back(std::make_unique<CxJobThread>(type, id));
    }
    void TearDown() override
    {
        mThreads.clear();
        DxSet::DeleteAllSets();
        DxSet::GoOnline();
        CxRemoveEventHandler();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
        unsetenv("SKYVANE_SERVER_REGISTRY");
        DxSet::RebuildRegistryUrlForTesting();
        UnitTableTest::TearDown();
    }
    void Reply(int inStatus, const std::string& inBody)
    {
        mServer.AddDocument("/nimbrel/registry.php", inStatus, "text/xml", inBody);
    }
    void Store(const std::string& inId, const std::string& inConfig)
    {
        std::filesystem::create_directories(mHome.Path() + "/" + inId + "/info");
        if (!inConfig.empty())
            std::ofstream(mHome.Path() + "/" + inId + "/info/config.xml") << inConfig;
    }

    sky::test::TempHome mHome;
    sky::test::ScopedNow mNow{[] { return CxDate(2020, 1, 5, 12, 0, 0, 0).AbsoluteTime(); }};
    sky::test::LoopbackServer mServer;
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
};

} // namespace dxtest
