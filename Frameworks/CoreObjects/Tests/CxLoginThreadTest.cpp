#include "CxSystem.h"

#include "CxFileTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Threads writing and reading their own logins at once: nobody's write is lost, every read sees a whole login,
// and the store stays private.
TEST(CxLoginThreadTest, ThreadsAtOnce)
{
    sky::test::TempHome home;
    const std::string store = home.Path() + "/.config/skyvane/logins";
    constexpr int kThreads = 6;
    constexpr int kRounds = 15;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [t, &failures]
            {
                const CxString key(("set " + std::to_string(t)).c_str());
                for (int round = 0; round < kRounds; ++round)
                {
                    const std::string name = "user" + std::to_string(t) + "-" + std::to_string(round);
                    const std::string password = "pw\xC3\xA4" + std::to_string(round);
                    if (!CxWriteAuthentication(key, CxString::FromUtf8(name), CxString::FromUtf8(password)))
                        ++failures;
                    CxString readName;
                    CxString readPassword;
                    if (!CxReadAuthentication(key, readName, readPassword) || readName.AsUtf8() != name ||
                        readPassword.AsUtf8() != password)
                        ++failures;
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    for (int t = 0; t < kThreads; ++t)
    {
        CxString name;
        CxString password;
        ASSERT_TRUE(CxReadAuthentication(CxString(("set " + std::to_string(t)).c_str()), name, password));
        EXPECT_EQ(name.AsUtf8(), "user" + std::to_string(t) + "-" + std::to_string(kRounds - 1));
    }
    EXPECT_EQ(cx4::ModeOf(store), 0600);
}

} // namespace
