#include "CxDebug.h"
#include "CxDebugTestSupport.h"
#include "CxString.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using sky::test::DebugModeScope;
using sky::test::FdRedirect;
using sky::test::ReadFile;
using sky::test::TempHome;

namespace
{

struct OutputCase
{
    const char* what;
    std::function<void()> report;
    std::string expected;
};

std::string Repeat(char inChar, std::size_t inCount)
{
    return std::string(inCount, inChar);
}

bool Traced()
{
    const std::string status = ReadFile("/proc/self/status");
    const std::size_t at = status.find("TracerPid:");
    return at != std::string::npos && std::atoi(status.c_str() + at + 10) != 0;
}

} // namespace

TEST(CxDebugTest, ConsoleLinesReachTheRealStdout)
{
    char text[] = "plain";
    const OutputCase cases[] = {
        {"assertion, path", [] { _CxAssert("/src/deep/F.cpp", 12, "E"); }, "F.cpp, line 12: CxAssert (E)\n"},
        {"assertion, bare name", [] { _CxAssert("F", 12, "E"); }, "F, line 12: CxAssert (E)\n"},
        {"path ending in slash", [] { _CxAssert("dir/", 7, "x"); }, ", line 7: CxAssert (x)\n"},
        {"negative line", [] { _CxAssert("a/F", -3, "E"); }, "F, line -3: CxAssert (E)\n"},
        {"text named by itself prints once",
         [] { _CxDebug("/x/CxJob.cpp", 291, "\"Job cancelled... leaking self.\"", "Job cancelled... leaking self."); },
         "CxJob.cpp, line 291: \"Job cancelled... leaking self.\"\n"},
        {"bool", [] { _CxDebug("F", 1, "N", true); }, "F, line 1: N = true\n"},
        {"non-const text", [&text] { _CxDebug("F", 2, "t", text); }, "F, line 2: t = \"plain\"\n"},
        {"debug out, same text", [] { _CxDebugOut("F", 4, "same", "same"); }, "F, line 4: same\n"},
        {"debug out, empty value", [] { _CxDebugOut("F", 4, "N", ""); }, "F, line 4: N = \n"},
        {"missing file, name and value", [] { _CxDebug(nullptr, 5, nullptr, static_cast<const char*>(nullptr)); },
         ", line 5:  = (null)\n"},
        {"two reports, two lines",
         []
         {
             _CxAssert("F", 1, "a");
             _CxAssert("F", 2, "b");
         },
         "F, line 1: CxAssert (a)\nF, line 2: CxAssert (b)\n"},
    };
    DebugModeScope mode(kCxDebugConsole);
    for (const OutputCase& c : cases)
    {
        FdRedirect out(STDOUT_FILENO);
        c.report();
        EXPECT_EQ(out.Text(), c.expected) << c.what;
    }
}

TEST(CxDebugTest, EachValueTypeHasItsFormat)
{
    int object = 0;
    const OutputCase cases[] = {
        {"signed char", [] { _CxDebug("F", 1, "N", static_cast<signed char>(-128)); }, "N = -128"},
        {"short", [] { _CxDebug("F", 1, "N", static_cast<short>(-32768)); }, "N = -32768"},
        {"long", [] { _CxDebug("F", 1, "N", std::numeric_limits<CxSint32>::min()); }, "N = -2147483648"},
        {"long long", [] { _CxDebug("F", 1, "N", std::numeric_limits<long long>::min()); }, "N = -9223372036854775808"},
        {"unsigned char", [] { _CxDebug("F", 1, "N", static_cast<unsigned char>(255)); }, "N = 255"},
        {"unsigned short", [] { _CxDebug("F", 1, "N", static_cast<unsigned short>(65535)); }, "N = 65535"},
        {"unsigned long", [] { _CxDebug("F", 1, "N", std::numeric_limits<CxUint32>::max()); }, "N = 4294967295"},
        {"unsigned long long", [] { _CxDebug("F", 1, "N", std::numeric_limits<unsigned long long>::max()); },
         "N = 18446744073709551615"},
        {"char promotes to a number", [] { _CxDebug("F", 1, "N", 'A'); }, "N = 65"},
        {"bool false", [] { _CxDebug("F", 1, "N", false); }, "N = false"},
        {"text", [] { _CxDebug("F", 1, "N", "a b"); }, "N = \"a b\""},
        {"empty text", [] { _CxDebug("F", 1, "N", ""); }, "N = \"\""},
        {"pointer", [] { _CxDebug("F", 1, "N", reinterpret_cast<const void*>(0x1234)); }, "N = 0x1234"},
        {"mutable pointer", [&object] { _CxDebug("F", 1, "N", static_cast<void*>(&object)); },
         "N = " +
             [&object]
             {
                 char buffer[64];
                 std::snprintf(buffer, sizeof buffer, "%p", static_cast<void*>(&object));
                 return std::string(buffer);
             }()},
        {"null pointer", [] { _CxDebug("F", 1, "N", static_cast<const void*>(nullptr)); }, "N = (nil)"},
        {"string, unquoted", [] { _CxDebug("F", 1, "N", CxString("a b")); }, "N = a b"},
        {"string above 127", [] { _CxDebug("F", 1, "N", CxString(u"caf\u00e9 \u20ac")); }, "N = caf* *"},
        {"string named by itself", [] { _CxDebug("F", 1, "same", CxString("same")); }, "same"},
        {"empty string", [] { _CxDebug("F", 1, "N", CxString()); }, "N = "},
        {"long string", [] { _CxDebug("F", 1, "N", CxString(Repeat('s', 600).c_str())); }, "N = " + Repeat('s', 255)},
    };
    for (const OutputCase& c : cases)
    {
        CxDebugCapture capture;
        c.report();
        ASSERT_EQ(capture.Count(), 1u) << c.what;
        EXPECT_EQ(capture.Lines()[0], "F, line 1: " + c.expected) << c.what;
    }
}

namespace
{
struct FloatCase
{
    double value;
    bool isFloat;
    const char* expected;
};

const FloatCase kFloatCases[] = {
#include "CxDebugValues.inc"
};

void ExpectFloatTexts(const char* inWhere)
{
    for (const FloatCase& c : kFloatCases)
    {
        CxDebugCapture capture;
        if (c.isFloat)
            _CxDebug("F", 1, "N", static_cast<float>(c.value));
        else
            _CxDebug("F", 1, "N", c.value);
        ASSERT_EQ(capture.Count(), 1u);
        EXPECT_EQ(capture.Lines()[0], std::string("F, line 1: N = ") + c.expected)
            << inWhere << ", value " << c.value << (c.isFloat ? " (float)" : "");
    }
}
} // namespace

TEST(CxDebugTest, FloatsTakeFiveDecimalsWhateverTheLocale)
{
    ExpectFloatTexts("C locale");
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locale de_DE.UTF-8 is missing";
    ExpectFloatTexts("de_DE.UTF-8");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(CxDebugTest, MacrosReportTheirOwnText)
{
    CxDebugCapture capture;
    int evaluations = 0;
    CxAssert(++evaluations == 1); // holds: no report
    const int failLine = __LINE__ + 1;
    CxAssert(++evaluations == 5);
    EXPECT_EQ(evaluations, 2); // each condition evaluated once
    const int textLine = __LINE__ + 1;
    CxAssertText(evaluations == 0, "inPtr != nil");
    const int value = 42;
    const int debugLine = __LINE__ + 1;
    CxDebug(value);
    const int quotedLine = __LINE__ + 1;
    CxDebug("Job cancelled... leaking self.");

    const std::vector<std::string> expected = {
        "CxDebugTest.cpp, line " + std::to_string(failLine) + ": CxAssert (++evaluations == 5)",
        "CxDebugTest.cpp, line " + std::to_string(textLine) + ": CxAssert (inPtr != nil)",
        "CxDebugTest.cpp, line " + std::to_string(debugLine) + ": value = 42",
        "CxDebugTest.cpp, line " + std::to_string(quotedLine) + ": \"Job cancelled... leaking self.\"",
    };
    EXPECT_EQ(capture.Lines(), expected);
}

TEST(CxDebugTest, ModesSendTheReportWhereTheyShould)
{
    struct ModeCase
    {
        CxDebugModes mode;
        std::string out;
        std::string err;
    };
    const ModeCase cases[] = {
        {kCxDebugConsole, "F, line 3: CxAssert (E)\n", ""},
        {kCxDebugAlert, "", "F, line 3: CxAssert (E)\n"},
        {kCxDebugBeep, "", "\a"},
        {kCxDebugNone, "", ""},
        {static_cast<CxDebugModes>(6), "", ""},
        {static_cast<CxDebugModes>(-1), "", ""},
    };
    for (const ModeCase& c : cases)
    {
        DebugModeScope mode(c.mode);
        FdRedirect err(STDERR_FILENO);
        FdRedirect out(STDOUT_FILENO);
        _CxAssert("/p/F", 3, "E");
        {
            CxDebugCapture capture; // a capture takes the report whatever the mode
            _CxAssert("/p/F", 4, "E");
            EXPECT_EQ(capture.Lines(), std::vector<std::string>{"F, line 4: CxAssert (E)"}) << "mode " << c.mode;
        }
        EXPECT_EQ(out.Text(), c.out) << "mode " << c.mode;
        EXPECT_EQ(err.Text(), c.err) << "mode " << c.mode;
    }
}

TEST(CxDebugTest, BreakWithoutADebuggerActsAsAlert)
{
    if (Traced())
        GTEST_SKIP() << "a debugger is attached: the break would stop it";
    DebugModeScope mode(kCxDebugBreak);
    FdRedirect err(STDERR_FILENO);
    FdRedirect out(STDOUT_FILENO);
    _CxDebug("F", 9, "N", CxSint32(1));
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(err.Text(), "F, line 9: N = 1\n");
}

TEST(CxDebugTest, LongTextsAreCutToTheirBuffers)
{
    const std::string longText = Repeat('e', 1000);
    CxDebugCapture capture;

    _CxAssert("F", 1, longText.c_str());
    _CxDebug("F", 1, "N", longText.c_str());
    _CxDebug("F", 1, Repeat('n', 2000).c_str(), CxSint32(1));
    _CxDebugOut("F", 1, "N", longText.c_str()); // already formatted: only the message limit applies
    _CxDebug("F", 1, "N", std::numeric_limits<double>::max());

    const std::vector<std::string> lines = capture.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "F, line 1: CxAssert (" + Repeat('e', 255 - 10));
    EXPECT_EQ(lines[1], "F, line 1: N = \"" + Repeat('e', 254));
    EXPECT_EQ(lines[2], "F, line 1: " + Repeat('n', 1023));
    EXPECT_EQ(lines[3], "F, line 1: N = " + longText);
    EXPECT_EQ(lines[4].size(), std::string("F, line 1: N = ").size() + 255);
}

TEST(CxDebugTest, AlertCutsTitleAndTextTo255)
{
    DebugModeScope mode(kCxDebugAlert);
    const std::string file = Repeat('f', 300);
    const std::string message = Repeat('m', 600);
    FdRedirect err(STDERR_FILENO);
    _CxDebugOut(("/dir/" + file).c_str(), 1, message.c_str(), message.c_str());
    EXPECT_EQ(err.Text(), Repeat('f', 255) + ": " + Repeat('m', 255) + "\n");
}

TEST(CxDebugTest, CaptureTakesReportsInsteadOfTheMode)
{
    DebugModeScope mode(kCxDebugConsole);
    FdRedirect out(STDOUT_FILENO);
    {
        CxDebugCapture outer;
        _CxAssert("F", 1, "outer");
        {
            CxDebugCapture inner;
            _CxAssert("F", 2, "inner");
            EXPECT_EQ(inner.Lines(), std::vector<std::string>{"F, line 2: CxAssert (inner)"});
            EXPECT_TRUE(inner.Contains("(inner)"));
            EXPECT_FALSE(inner.Contains("outer"));
            inner.Clear();
            EXPECT_EQ(inner.Count(), 0u);
        }
        _CxAssert("F", 3, "outer again");
        EXPECT_EQ(outer.Lines(),
                  (std::vector<std::string>{"F, line 1: CxAssert (outer)", "F, line 3: CxAssert (outer again)"}));
    }
    _CxAssert("F", 4, "free");
    EXPECT_EQ(out.Text(), "F, line 4: CxAssert (free)\n");
}

// ---- log mode

TEST(CxDebugLogTest, CarriageReturnLinesGoToTheDesktopLog)
{
    struct Case
    {
        const char* what;
        std::function<std::string(const std::string&)> desktop; // prepares the home, answers the log's folder
        std::string before;
    };
    const Case cases[] = {
        {"the XDG desktop, appended to", [](const std::string&) { return std::string(std::getenv("XDG_DESKTOP_DIR")); },
         "earlier\r"},
        {"no XDG desktop: HOME/Desktop, created",
         [](const std::string& inHome)
         {
             fs::remove_all(inHome + "/Desktop");
             unsetenv("XDG_DESKTOP_DIR"); // TempHome puts it back
             return inHome + "/Desktop";
         },
         ""},
        {"a relative setting is ignored",
         [](const std::string& inHome)
         {
             setenv("XDG_DESKTOP_DIR", "Elsewhere", 1);
             return inHome + "/Desktop";
         },
         ""},
    };
    DebugModeScope mode(kCxDebugLog);
    for (const Case& c : cases)
    {
        TempHome home; // each case a new home: the log follows it
        const std::string log = c.desktop(home.Path()) + "/CxDebug.log";
        if (!c.before.empty())
            std::ofstream(log, std::ios::binary) << c.before;
        FdRedirect out(STDOUT_FILENO);
        _CxAssert("/src/F.cpp", 12, "E");
        _CxDebug("G.cpp", 7, "N", 0.5);
        EXPECT_EQ(out.Text(), "") << c.what;
        EXPECT_EQ(ReadFile(log), c.before + "F.cpp, line 12: CxAssert (E)\rG.cpp, line 7: N = 0.50000\r") << c.what;
        fs::remove(log); // a deleted log is made again
        _CxAssert("F", 2, "again");
        EXPECT_EQ(ReadFile(log), "F, line 2: CxAssert (again)\r") << c.what;
    }
}

// Without a desktop setting or a home there is no desktop: the report is dropped, and nothing is made at the root.
TEST(CxDebugLogTest, NoHomeDropsTheReport)
{
    TempHome home;
    DebugModeScope mode(kCxDebugLog);
    FdRedirect err(STDERR_FILENO);
    FdRedirect out(STDOUT_FILENO);
    const std::string saved = std::getenv("HOME");
    unsetenv("XDG_DESKTOP_DIR");
    for (const char* value : {static_cast<const char*>(nullptr), ""})
    {
        value == nullptr ? unsetenv("HOME") : setenv("HOME", value, 1);
        _CxAssert("F", 1, "dropped");
    }
    setenv("HOME", saved.c_str(), 1);
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(err.Text(), "");
    EXPECT_FALSE(fs::exists(home.Path() + "/Desktop/CxDebug.log"));
}

TEST(CxDebugLogTest, AnUnusableDesktopDropsTheReport)
{
    TempHome home;
    DebugModeScope mode(kCxDebugLog);
    const std::string blocker = home.Path() + "/file";
    {
        std::ofstream(blocker) << "x";
    }
    FdRedirect err(STDERR_FILENO);
    FdRedirect out(STDOUT_FILENO);
    setenv("XDG_DESKTOP_DIR", (blocker + "/Desktop").c_str(), 1); // a folder under a file cannot be made
    _CxAssert("F", 1, "dropped");
    // A desktop where the log name is taken by a folder cannot take the file either.
    const std::string taken = home.Path() + "/Taken";
    fs::create_directories(taken + "/CxDebug.log");
    setenv("XDG_DESKTOP_DIR", taken.c_str(), 1);
    _CxAssert("F", 2, "dropped");
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(err.Text(), "");

    setenv("XDG_DESKTOP_DIR", (home.Path() + "/Desktop").c_str(), 1);
    _CxAssert("F", 3, "kept");
    EXPECT_EQ(ReadFile(home.Path() + "/Desktop/CxDebug.log"), "F, line 3: CxAssert (kept)\r");
}
