// What a manager test needs around it: a home folder, a fixed clock, a loopback server standing in for the data
// server and the set registry, the data log, the main loop with its event handler and the plug-in's job threads.
#pragma once

#include "../../CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxEvents.h"
#include "CxJob.h"
#include "CxLog.h"
#include "DxConfigTestSupport.h"
#include "DxLogger.h"
#include "DxManager.h"
#include "DxSet.h"
#include "LoopbackServer.h"
#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace dxtest
{

class ManagerTest : public UnitTableTest
{
protected:
    explicit ManagerTest(const CxDate& inNow) : mNow([inNow] { return inNow.AbsoluteTime(); }) {}
    void SetUp() override
    {
        UnitTableTest::SetUp();
        // Documents dated by the test's clock: a date ahead of it would be stored as the time of arrival.
        mServer.SetClock(
            [] { return std::time_t(CxDate().AbsoluteTime() - CxDate(1970, 1, 1, 0, 0, 0, 0).AbsoluteTime()); });
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
    // The registry's answer for every set id.
    void Reply(int inStatus, const std::string& inBody)
    {
        mServer.AddDocument("/nimbrel/registry.php", inStatus, "text/xml", inBody);
    }

    sky::test::TempHome mHome;
    sky::test::ScopedNow mNow;
    sky::test::LoopbackServer mServer;
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
};

} // namespace dxtest
