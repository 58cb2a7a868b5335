#include "WeatherTestKit.h"

#include "CxFile.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "PfRunLoop.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace wxkit
{

// ---- clock

KitClock::KitClock(const CxDate& inBase, const char* inTz) : mBase(inBase), mTz(inTz)
{
    pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
    const double base = inBase.AbsoluteTime();
    mNow.emplace(
        [base]
        {
            const auto elapsed = pf::MainLoop().Now();
            return base + std::chrono::duration<double>(elapsed).count();
        });
}

KitClock::~KitClock()
{
    mNow.reset();
    pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
}

void KitClock::Advance(CxSint64 inMilliseconds)
{
    pf::MainLoop().Advance(std::chrono::milliseconds(inMilliseconds));
}

CxSint64 KitClock::NextDelay() const
{
    const pf::Nanos deadline = pf::MainLoop().NextDeadline();
    if (deadline == pf::RunLoop::kForever)
        return -1;
    const pf::Nanos delay = std::max(deadline - pf::MainLoop().Now(), pf::Nanos::zero());
    return std::chrono::duration_cast<std::chrono::milliseconds>(delay).count();
}

bool KitClock::FireNext()
{
    const pf::Nanos deadline = pf::MainLoop().NextDeadline();
    if (deadline == pf::RunLoop::kForever)
        return false;
    pf::MainLoop().Advance(std::max(deadline - pf::MainLoop().Now(), pf::Nanos::zero()));
    return true;
}

CxDate KitClock::Now() const
{
    return CxDate();
}

// ---- offline environment

KitTest::KitTest() = default;

KitTest::~KitTest() = default;

void KitTest::SetUp()
{
    setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 1);
    DxUnit::Load();
    std::filesystem::create_directories(mHome.Path() + "/data");
    std::filesystem::create_directories(mHome.Path() + "/cache");
    DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path() + "/data"}));
    DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path() + "/cache"}));
    DxManager::GoOffline();
    DxSet::GoOffline();
}

void KitTest::TearDown()
{
    DxSet::DeleteAllSets();
    DxManager::GoOnline();
    DxSet::GoOnline();
    DxUnit::Unload();
    for (const std::string& request : mTrap.Caught())
        ADD_FAILURE() << "a request left the machine: " << request;
}

namespace
{

// Configured at once, with records put in place rather than fetched.
class KitManager : public DxManager
{
public:
    KitManager(const CxString& inId, CxSint32 inResolution) : DxManager(inId)
    {
        SetTimeResolution(inResolution);
        mConfigured = true;
    }

    void Seed(const std::vector<CxDate>& inDates, const CxString& inAttributes)
    {
        CxAutoLock lock(Region());
        for (const CxDate& date : inDates)
            AddRecord(DxRecord(date, inAttributes));
        // Each new record asked for its download; nothing is to be fetched.
        CleanupJobs();
    }
};

} // namespace

DxSet* KitSet(const CxString& inId, CxSint32 inKind, CxSint32 inResolution, const std::vector<CxDate>& inDates,
              const CxString& inAttributes)
{
    auto* set = new DxSet(inId, inKind);
    auto* manager = new KitManager(inId, inResolution);
    set->InstallManagerForTesting(manager);
    manager->Seed(inDates, inAttributes);
    return set;
}

void KitAddDates(DxSet* inSet, const std::vector<CxDate>& inDates, const CxString& inAttributes)
{
    auto* manager = dynamic_cast<KitManager*>(inSet->ExistingManager());
    ASSERT_NE(manager, nullptr) << "not a set of KitSet";
    manager->Seed(inDates, inAttributes);
}

// ---- frames

void Inject(DxClient& ioClient, DxFrame* inFrame)
{
    ioClient.AcceptFrame(inFrame);
}

// ---- recorder

void KitRecorder::OnReceiveMessage(CxMessenger*, CxSint32 inCode, void* inData)
{
    mMessages.emplace_back(inCode, inData);
}

std::vector<CxSint32> KitRecorder::Codes() const
{
    std::vector<CxSint32> codes;
    for (const Message& message : mMessages)
        codes.push_back(message.first);
    return codes;
}

void KitOrthoView(const GxPoint& inCenter, double inKmPerPixel)
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double halfWidth = viewport[2] * inKmPerPixel / 2.0;
    const double halfHeight = viewport[3] * inKmPerPixel / 2.0;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(inCenter.mX - halfWidth, inCenter.mX + halfWidth, inCenter.mY - halfHeight, inCenter.mY + halfHeight, -1.0,
            1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

} // namespace wxkit
