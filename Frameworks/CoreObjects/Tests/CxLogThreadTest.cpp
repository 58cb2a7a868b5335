#include "CxLog.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

TEST(CxLogThreads, ThreadsWriteWholeLines)
{
    sky::test::TempHome home;
    CxFile file = CxFolder(kCxLogsFolder).CreateFile("threads.log");
    CxLog log(file);
    log.SetMaxSize(0);
    constexpr int kThreads = 4;
    constexpr int kLines = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [&log, t]
            {
                for (int i = 0; i < kLines; ++i)
                {
                    const std::string line = "thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                                             std::string(40 + t * 10, char('a' + t));
                    log.Write(line.c_str(), 0);
                    if (i % 25 == 0)
                        log.SetLevel(0);
                }
            });
    }
    for (auto& thread : threads)
        thread.join();

    std::ifstream in(file.Path().AsUtf8());
    std::map<int, int> nextLine;
    int count = 0;
    for (std::string line; std::getline(in, line); ++count)
    {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "thread %d line %d", &t, &i), 2) << line;
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        const std::string expected = "thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                                     std::string(40 + t * 10, char('a' + t));
        EXPECT_EQ(line, expected);
        EXPECT_EQ(i, nextLine[t]++) << "each thread's lines stay in order";
    }
    EXPECT_EQ(count, kThreads * kLines);
}
