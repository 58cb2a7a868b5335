#include "DxLogger.h"
#include "CxDebug.h"
#include "CxFile.h"
#include "CxLog.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

TEST(DxLoggerTest, AttachDetachAndCreate)
{
    sky::test::TempHome home;
    DxLogger& logger = DxLogger::Instance();
    DxLog("dropped", 0);
    EXPECT_EQ(logger.Log(), nullptr);
    logger.CreateLog("SkyvanePlugin.log");
    DxLog("caf\xc3\xa9 GET", 0);
    std::string line;
    std::getline(std::ifstream(home.Path() + "/.local/state/skyvane/SkyvanePlugin.log"), line);
    EXPECT_EQ(line, "caf** GET");

    CxLog* second = new CxLog(CxFolder(kCxLogsFolder).CreateFile("second.log"));
    CxLog stranger(CxFolder(kCxLogsFolder).CreateFile("third.log"));
    logger.AttachLog(second);
    logger.AttachLog(second);
    CxDebugCapture capture;
    logger.DetachLog(&stranger);
    EXPECT_TRUE(capture.Contains("mLog == inLog") && logger.Log() == second);
    logger.DetachLog(second);
    delete second;
    // A log folder that cannot be made attaches nothing.
    std::ofstream(home.Path() + "/file") << "x";
    ::setenv("XDG_STATE_HOME", (home.Path() + "/file").c_str(), 1);
    capture.Clear();
    logger.CreateLog("SkyvanePlugin.log");
    EXPECT_TRUE(capture.Count() > 0 && logger.Log() == nullptr);
}

// Job threads write while the main thread replaces the log, each replacement deleting the one before.
TEST(DxLoggerTest, WritesRaceWithAttach)
{
    sky::test::TempHome home;
    std::atomic<bool> stop{false};
    const auto write = [&stop]
    {
        while (!stop)
            DxLog("line", 0);
    };
    std::thread writers[] = {std::thread(write), std::thread(write), std::thread(write)};
    for (int i = 0; i < 20; ++i)
        DxLogger::Instance().AttachLog(new CxLog(CxFolder(kCxLogsFolder).CreateFile("r" + CxString(i) + ".log")));
    stop = true;
    for (std::thread& writer : writers)
        writer.join();
    DxLogger::Instance().AttachLog(nullptr);
}
