#include "DxLogger.h"
#include "CxDebug.h"
#include "CxFile.h"
#include "CxLog.h"
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <thread>

TEST(DxLoggerTest, AttachDetachAndCreate)
{
    sky::test::TempHome home;
    const std::string path = home.Path() + "/.local/state/skyvane/SkyvanePlugin.log";
    DxLogger::Instance().CreateLog("SkyvanePlugin.log");
    DxLog("GET", 0);
    EXPECT_GT(std::filesystem::file_size(path), 0u);
    // Attaching the same log twice must not delete it; detaching another leaves it attached.
    CxLog* second = new CxLog(CxFolder(kCxLogsFolder).CreateFile("second.log"));
    DxLogger::Instance().AttachLog(second);
    DxLogger::Instance().AttachLog(second);
    CxDebugCapture capture;
    DxLogger::Instance().DetachLog(nullptr);
    EXPECT_TRUE(capture.Count() > 0 && DxLogger::Instance().Log() == second);
    DxLogger::Instance().DetachLog(second);
    delete second;
    // A log folder that cannot be made attaches nothing.
    ::setenv("XDG_STATE_HOME", path.c_str(), 1);
    DxLogger::Instance().CreateLog("SkyvanePlugin.log");
    EXPECT_EQ(DxLogger::Instance().Log(), nullptr);
    DxLog("dropped", 0);
}

// Job threads write, first to no log, while the main thread replaces the log, each replacement deleting the one before.
TEST(DxLoggerTest, WritesRaceWithAttach)
{
    sky::test::TempHome home;
    const auto write = [](std::stop_token inStop)
    {
        while (!inStop.stop_requested())
            DxLog("line", 0);
    };
    {
        std::jthread writers[] = {std::jthread(write), std::jthread(write), std::jthread(write)};
        for (int i = 0; i < 20; ++i)
            DxLogger::Instance().AttachLog(new CxLog(CxFolder(kCxLogsFolder).CreateFile("r" + CxString(i) + ".log")));
    }
}
