// What the manager tests share: a manager of its own text format, a client, and a fixture that runs the job
// threads offline over a temporary data and cache folder.
#pragma once

#include "CxError.h"
#include "CxEvents.h"
#include "CxJob.h"
#include "CxMime.h"
#include "DxClients.h"
#include "DxFrame.h"
#include "DxManager.h"
#include "DxSet.h"
#include "PfRunLoop.h"
#include "TestLatch.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dxenginetest
{

namespace fs = std::filesystem;
using sky::test::Latch;

inline const CxDate kT(2008, 3, 7, 12, 0, 0, 0);

// Its own file format: ".tst" files holding text; "throw" fails the build of the client keyed "bad".
class TestManager : public DxManager
{
public:
    explicit TestManager(const CxString& inId, CxSint32 inResolution = 300) : DxManager(inId)
    {
        mExtensions = {".tst"};
        SetTimeResolution(inResolution);
        mConfigured = true;
    }
    void Configure(bool inConfigured, CxSint32 inOffset)
    {
        mConfigured = inConfigured;
        mDataResolutionOffset = inOffset;
    }
    void SetQueryUrlFormat(const CxString& inFormat) { mQueryUrlFormat = inFormat; }

protected:
    DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                   DxClient* inClient) override
    {
        CxAutoLock lock(inData);
        const std::string text(static_cast<const char*>(inData.Pointer()), inData.Size());
        if (text == "throw" && inClient->Id() == "bad")
            throw CxErrorFileIO(__FILE__, __LINE__);
        EXPECT_EQ(inMime, "application/x-skyvane-test");
        auto* frame = new DxTable;
        frame->SetDate(inRecord->Date());
        return frame;
    }
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders) override
    {
        outFolders.push_back("tst");
        return inRecord->Date().AsString(CxString("%Y%m%d%H%M%S"), 0);
    }
};

class TestClient : public DxClient
{
public:
    explicit TestClient(const char* inKey, Latch* inEntered = nullptr, Latch* inRelease = nullptr)
        : mKey(inKey), mEntered(inEntered), mRelease(inRelease)
    {
    }
    ~TestClient() override { Detach(); }
    CxString Id() const override { return CxString(mKey.c_str()); }

    bool NeedsToParse(DxRecord* inRecord, const CxDate& inModified) { return OnNeedsToParse(inRecord, inModified); }

    int mFrames = 0;

protected:
    bool OnNeedsToParse(DxRecord* inRecord, const CxDate& inModified) override
    {
        if (mEntered != nullptr)
        {
            mEntered->CountDown();
            mRelease->Wait();
        }
        return DxClient::OnNeedsToParse(inRecord, inModified);
    }
    void OnFrameChanged() override
    {
        ++mFrames;
        DxClient::OnFrameChanged();
    }

private:
    std::string mKey;
    Latch* mEntered;
    Latch* mRelease;
};

// Counts the messages of one code.
class CodeCounter : public CxReceiver
{
public:
    explicit CodeCounter(CxSint32 inCode) : mCode(inCode) {}
    void OnReceiveMessage(CxMessenger*, CxSint32 inCode, void*) override { mCount += inCode == mCode; }
    CxSint32 mCode;
    int mCount = 0;
};

// Keeps the update thread busy without the manager's lock.
class BlockJob : public CxJob
{
public:
    BlockJob(Latch* inEntered, Latch* inRelease) : CxJob(101, 9), mEntered(inEntered), mRelease(inRelease) {}
    void OnRun() override
    {
        mEntered->CountDown();
        mRelease->Wait();
    }

private:
    Latch* mEntered;
    Latch* mRelease;
};

class DxManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CxMimeInfo("application/x-skyvane-test", ".tst", 0, 0, "test").Register();
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path() + "/data"}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path() + "/cache"}));
        fs::create_directories(mHome.Path() + "/data");
        fs::create_directories(mHome.Path() + "/cache");
        DxManager::GoOffline();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        ASSERT_EQ(CxInstallEventHandler(), 0);
        for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}, {102, 7}})
            mThreads.push_back(std::make_unique<CxJobThread>(type, id));
        mSet = std::make_unique<DxSet>("tst", 99);
        mManager = new TestManager("tst");
        mSet->InstallManagerForTesting(mManager);
    }
    void TearDown() override
    {
        mThreads.clear();
        mSet.reset();
        DxManager::GoOnline();
        CxRemoveEventHandler();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
    }
    bool Pump(const std::function<bool()>& inUntil) { return pf::MainLoop().RunUntil(inUntil, sky::test::kBound); }
    // Until every job has been disposed of.
    bool Settle()
    {
        return Pump(
            [&]
            {
                CxAutoLock lock(mManager->Region());
                return mManager->CountJobs() == 0;
            });
    }
    // Where the manager keeps the file of a date until it is archived: the temporary tree, or the data tree.
    fs::path Cached(const CxDate& inDate, const char* inTree = "cache/tst/Temporary") const
    {
        return fs::path(mHome.Path()) / inTree / inDate.AsString(CxString("%Y/%m/%d"), 0).AsUtf8() / "tst" /
               (inDate.AsString(CxString("%Y%m%d%H%M%S"), 0).AsUtf8() + ".tst");
    }
    fs::path Seed(const CxDate& inDate, const std::string& inText)
    {
        const fs::path path = Cached(inDate);
        fs::create_directories(path.parent_path());
        std::ofstream(path) << inText;
        return path;
    }
    void Attach(TestClient& ioClient, const CxDate& inStart, const CxDate& inEnd, const CxDate& inShown)
    {
        ioClient.SetSet(mSet.get());
        ioClient.SetDates(inStart, inEnd);
        ioClient.SetDisplayDate(inShown);
        ioClient.RefreshClient();
    }
    bool HoldsNothing()
    {
        CxAutoLock lock(mManager->Region());
        return mManager->Records().empty() && mManager->Subscriptions().empty();
    }

    sky::test::TempHome mHome;
    // Outlive the threads, which may still be leaving a wait when a test ends.
    Latch mEntered, mRelease;
    std::unique_ptr<BlockJob> mBlocker;
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
    std::unique_ptr<DxSet> mSet;
    TestManager* mManager = nullptr;
};

} // namespace dxenginetest
