#include "CxDebug.h"
#include "CxDebugTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

using sky::test::DebugModeScope;
using sky::test::FdRedirect;
using sky::test::ReadFile;
using sky::test::TempHome;

namespace
{

constexpr int kThreads = 8;
constexpr int kReports = 150;

std::string Expression(int inThread, int inReport)
{
    return "T" + std::to_string(inThread) + "-" + std::to_string(inReport) + std::string(40, 'x');
}

// Every thread asserts kReports times with its own texts; answers the lines that should result.
std::multiset<std::string> ReportFromThreads()
{
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [t]
            {
                for (int i = 0; i < kReports; ++i)
                    _CxAssert("/src/F.cpp", t, Expression(t, i).c_str());
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::multiset<std::string> expected;
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kReports; ++i)
            expected.insert("F.cpp, line " + std::to_string(t) + ": CxAssert (" + Expression(t, i) + ")");
    return expected;
}

std::multiset<std::string> Split(const std::string& inText, char inEnd)
{
    std::multiset<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = inText.find(inEnd, start)) != std::string::npos; start = end + 1)
        lines.insert(inText.substr(start, end - start));
    EXPECT_EQ(start, inText.size()) << "text after the last line end";
    return lines;
}

} // namespace

TEST(CxDebugThreadTest, LogLinesFromManyThreadsStayWhole)
{
    TempHome home; // set up before any thread starts
    DebugModeScope mode(kCxDebugLog);
    const std::multiset<std::string> expected = ReportFromThreads();
    const std::string text = ReadFile(std::string(std::getenv("XDG_DESKTOP_DIR")) + "/CxDebug.log");
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(Split(text, '\r'), expected);
}

TEST(CxDebugThreadTest, ConsoleLinesFromManyThreadsStayWhole)
{
    DebugModeScope mode(kCxDebugConsole);
    FdRedirect out(STDOUT_FILENO);
    const std::multiset<std::string> expected = ReportFromThreads();
    EXPECT_EQ(Split(out.Text(), '\n'), expected);
}

TEST(CxDebugThreadTest, CaptureCollectsReportsFromManyThreads)
{
    CxDebugCapture capture;
    const std::multiset<std::string> expected = ReportFromThreads();
    const std::vector<std::string> lines = capture.Lines();
    EXPECT_EQ(std::multiset<std::string>(lines.begin(), lines.end()), expected);
}

TEST(CxDebugThreadTest, CapturesComeAndGoWhileThreadsReport)
{
    DebugModeScope mode(kCxDebugNone);
    std::atomic<bool> done{false};
    std::size_t seen = 0;
    std::thread churn(
        [&]
        {
            while (!done)
            {
                CxDebugCapture capture;
                std::this_thread::yield();
                seen += capture.Count(); // lines arriving after this are gone with the capture
            }
        });
    CxDebugCapture lasting; // takes what no newer capture takes
    const std::multiset<std::string> expected = ReportFromThreads();
    done = true;
    churn.join();
    const std::vector<std::string> lines = lasting.Lines();
    EXPECT_LE(lines.size() + seen, expected.size());
    for (const std::string& line : lines)
        EXPECT_EQ(expected.count(line), 1u) << line;
}
