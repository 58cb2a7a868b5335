#include "CxPreferences.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

TEST(CxPreferencesThreads, ThreadsGetAndSetWithoutLosingOrTearingValues)
{
    CxPreferences prefs;
    constexpr int kThreads = 4;
    constexpr int kRounds = 400;
    std::vector<int> tornReads(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                const CxString own = CxString("own") + CxString(CxSint32(t));
                for (int i = 1; i <= kRounds; ++i)
                {
                    prefs.SetIntegerValue(own, i, 0);
                    // Every writer stores a value of the form "<t>:<t>", so a mixed one would be torn.
                    const std::string mine = std::to_string(t) + ":" + std::to_string(t);
                    prefs.SetStringValue("shared", CxString(mine.c_str()), 0);
                    const std::string seen = prefs.GetStringValue("shared").AsUtf8();
                    const auto colon = seen.find(':');
                    if (colon == std::string::npos || seen.substr(0, colon) != seen.substr(colon + 1))
                        ++tornReads[t];
                    if (i % 50 == 0)
                    {
                        prefs.ClearValue("scratch");
                        prefs.SetBoolValue("scratch", true, 0);
                        (void)prefs.GetStringTable();
                    }
                }
            });
    }
    for (auto& thread : threads)
        thread.join();

    for (int t = 0; t < kThreads; ++t)
    {
        EXPECT_EQ(prefs.GetIntegerValue(CxString("own") + CxString(CxSint32(t))), kRounds);
        EXPECT_EQ(tornReads[t], 0);
    }
    EXPECT_TRUE(prefs.GetBoolValue("scratch"));
    EXPECT_EQ(prefs.GetStringTable().size(), std::size_t(kThreads + 2));
}
