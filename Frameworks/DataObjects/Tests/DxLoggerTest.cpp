#include "DxLogger.h"
#include "CxDebug.h"
#include "CxFile.h"
#include "CxLog.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

TEST(DxLoggerTest, AttachDetachAndCreate)
{
    sky::test::TempHome home;
    DxLogger& logger = DxLogger::Instance();
    logger.AttachLog(nullptr);
    DxLog("dropped", 0);
    EXPECT_EQ(logger.Log(), nullptr);

    logger.CreateLog("SkyvanePlugin.log");
    const std::filesystem::path path = std::filesystem::path(home.Path()) / ".local/state/skyvane/SkyvanePlugin.log";
    ASSERT_NE(logger.Log(), nullptr);
    DxLog("caf\xc3\xa9 GET", 0);
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "caf** GET");

    CxLog* second = new CxLog(CxFolder(kCxLogsFolder).CreateFile("second.log"));
    logger.AttachLog(second);
    logger.AttachLog(second);
    EXPECT_EQ(logger.Log(), second);
    CxLog stranger(CxFolder(kCxLogsFolder).CreateFile("third.log"));
    {
        CxDebugCapture capture;
        logger.DetachLog(&stranger);
        EXPECT_TRUE(capture.Contains("mLog == inLog"));
    }
    EXPECT_EQ(logger.Log(), second);
    logger.DetachLog(second);
    EXPECT_EQ(logger.Log(), nullptr);
    delete second;
}

// Job threads write while the main thread replaces the log.
TEST(DxLoggerTest, WritesRaceWithAttach)
{
    sky::test::TempHome home;
    DxLogger& logger = DxLogger::Instance();
    logger.CreateLog("race.log");
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int i = 0; i < 4; ++i)
        writers.emplace_back(
            [&stop]
            {
                while (!stop)
                    DxLog("line", 0);
            });
    for (int i = 0; i < 20; ++i)
        logger.AttachLog(new CxLog(CxFolder(kCxLogsFolder).CreateFile("race" + CxString(i) + ".log")));
    stop = true;
    for (std::thread& writer : writers)
        writer.join();
    logger.AttachLog(nullptr);
}
