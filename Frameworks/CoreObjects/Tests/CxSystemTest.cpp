#include "CxSystem.h"
#include "CxCoordinates.h"
#include "CxData.h"
#include "CxDate.h"
#include "CxDebug.h"
#include "CxFile.h"

#include "CxFileTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <tuple>

#include <sys/utsname.h>
#include <unistd.h>

using cx4::Exists;
using cx4::ReadFile;
using cx4::ScopedEnv;
using cx4::WriteFile;

namespace
{

// ---- system description

TEST(CxSystemTest, DescriptionOfTheSystem)
{
    EXPECT_EQ(CxSystemPlatform(), 2);

    struct utsname names;
    ASSERT_EQ(::uname(&names), 0);
    int major = -1;
    int minor = -1;
    ASSERT_EQ(std::sscanf(names.release, "%d.%d", &major, &minor), 2);
    EXPECT_EQ(CxSystemVersion().AsUtf8(), "Linux " + std::to_string(major) + "." + std::to_string(minor));
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(CxSystemCpu().AsUtf8(), "x86");
#else
    EXPECT_EQ(CxSystemCpu().AsUtf8(), "???");
#endif
    EXPECT_EQ(CxGetProcessId(), ::getpid());
}

TEST(CxSystemTest, LocaleFromTheEnvironment)
{
    const struct
    {
        const char* mAll;
        const char* mMessages;
        const char* mLang;
        const char* mLocale;
    } cases[] = {
        {nullptr, nullptr, nullptr, "en_US"},
        {nullptr, nullptr, "de_DE.UTF-8", "de_DE"},
        {nullptr, "fr_CA.UTF-8@euro", "de_DE.UTF-8", "fr_CA"},
        {"pt_BR", "fr_CA", "de_DE", "pt_BR"},
        {"", "", "sv_SE@euro", "sv_SE"},
        {nullptr, nullptr, "C", "en_US"},
        {nullptr, nullptr, "C.UTF-8", "en_US"},
        {"POSIX", nullptr, "de_DE", "en_US"},
        {nullptr, nullptr, "ja", "ja"},
    };
    for (const auto& c : cases)
    {
        auto value = [](const char* inText)
        { return inText != nullptr ? std::optional<std::string>(inText) : std::nullopt; };
        ScopedEnv all("LC_ALL", value(c.mAll));
        ScopedEnv messages("LC_MESSAGES", value(c.mMessages));
        ScopedEnv lang("LANG", value(c.mLang));
        EXPECT_EQ(CxSystemLocale().AsUtf8(), c.mLocale) << (c.mLang != nullptr ? c.mLang : "(no LANG)");
    }
}

TEST(CxSystemTest, SmallServices)
{
    struct timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const CxUint32 expected = static_cast<CxUint32>(static_cast<unsigned long long>(now.tv_sec) * 60 +
                                                    static_cast<unsigned long long>(now.tv_nsec) / 16666667);
    EXPECT_LE(static_cast<CxUint32>(CxTickCount() - expected), 2u);

    char buffer[] = "0123456789";
    CxMemoryMove(buffer, buffer + 2, 5); // overlapping, forwards
    EXPECT_STREQ(buffer, "0101234789");
    CxMemoryMove(buffer + 2, buffer, 5); // overlapping, backwards
    EXPECT_STREQ(buffer, "0123434789");
    CxMemoryMove(buffer + 5, buffer, 0);
    CxDebugCapture capture;
    CxMemoryMove(nullptr, buffer, 3);
    CxMemoryMove(buffer, nullptr, 3);
    EXPECT_STREQ(buffer, "0123434789");
    EXPECT_TRUE(capture.Contains("inFrom != nil") && capture.Contains("inTo != nil"));
    CxBeep();
    EXPECT_TRUE(capture.Contains("Beep"));

    const std::string text = "Z\xC3\xBCrich \xF0\x9F\x8C\xA7";
    EXPECT_EQ(CxStringToRef(CxRefToString(text)), text);
    EXPECT_EQ(CxRefToString(static_cast<const char*>(nullptr)), CxString());
    const CxFloatRect rect = CxRectToCGRect(CxRect(10, 20, 110, 70));
    EXPECT_EQ(std::tuple(rect.mX, rect.mY, rect.mWidth, rect.mHeight), std::tuple(10.0f, 20.0f, 100.0f, 50.0f));
}

// ---- the open command

// Processes whose parent is this one, zombies included.
int ChildProcesses()
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc"))
    {
        const std::string stat = ReadFile(entry.path().string() + "/stat");
        const std::size_t close = stat.rfind(')');
        int parent = 0;
        if (close != std::string::npos && std::sscanf(stat.c_str() + close + 1, " %*c %d", &parent) == 1 &&
            parent == ::getpid())
            ++count;
    }
    return count;
}

class CxOpenTest : public ::testing::Test
{
protected:
    // A script that writes its argument count and arguments, one a line, beside itself.
    std::string Recorder()
    {
        const std::string script = mHome.Path() + "/recorder";
        WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        return script;
    }

    // What the recorder wrote, waiting for it: the opener is not waited for.
    std::string Recorded(const std::string& inScript)
    {
        const std::string out = inScript + ".out";
        for (int i = 0; i < 500 && !Exists(out); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string text = ReadFile(out);
        std::filesystem::remove(out);
        return text;
    }

    sky::test::TempHome mHome;
};

TEST_F(CxOpenTest, TheOpenerReceivesTheExactArgument)
{
    const std::string script = Recorder();
    ScopedEnv command("SKYVANE_OPEN_CMD", script);
    CxDebugCapture capture;

    const std::string url = "https://example.org/caf\xC3\xA9?a=1&b=$HOME 'q' \"x\"";
    CxLaunchUrlInBrowser(CxString::FromUtf8(url));
    EXPECT_EQ(Recorded(script), "1\n" + url + "\n");

    CxFolder folder = CxFolder(CxFileRef{mHome.Path()}).CreateFolder(CxString::FromUtf8("d\xC3\xA9j\xC3\xA0 vu"));
    folder.Reveal();
    EXPECT_EQ(Recorded(script), "1\n" + folder.Path().AsUtf8() + "\n");

    // Found along the path when named without a folder.
    ScopedEnv path("PATH", mHome.Path() + ":/usr/bin:/bin");
    ScopedEnv byName("SKYVANE_OPEN_CMD", "recorder");
    CxFile file = folder.CreateFile("log;rm -rf x");
    file.Reveal();
    EXPECT_EQ(Recorded(script), "1\n" + file.Path().AsUtf8() + "\n");
    // Not waited for, yet nothing is left to reap; an opener that started is no failure.
    EXPECT_EQ(ChildProcesses(), 0);
    EXPECT_EQ(capture.Count(), 0u);
}

TEST_F(CxOpenTest, AnOpenerThatCannotStartIsReportedAndNeverThrows)
{
    CxDebugCapture capture;
    {
        ScopedEnv command("SKYVANE_OPEN_CMD", mHome.Path() + "/no-such-opener");
        EXPECT_NO_THROW(CxLaunchUrlInBrowser("http://x/"));
        EXPECT_NO_THROW(CxFolder(CxFileRef{mHome.Path()}).Reveal());
        EXPECT_NO_THROW(CxFile().Reveal());
    }
    EXPECT_GE(capture.Count(), 2u);
    EXPECT_TRUE(capture.Contains("no-such-opener"));
    capture.Clear();

    // Found but not a program the system can run.
    const std::string broken = mHome.Path() + "/broken";
    WriteFile(broken, "\x7F"
                      "ELF not really");
    std::filesystem::permissions(broken, std::filesystem::perms::owner_all);
    ScopedEnv command("SKYVANE_OPEN_CMD", broken);
    EXPECT_NO_THROW(CxLaunchUrlInBrowser("http://x/"));
    EXPECT_TRUE(capture.Contains("broken"));
}

// ---- bundle and localised texts

class CxBundleTest : public ::testing::Test
{
protected:
    CxBundleTest()
        : mForced("SKYVANE_BUNDLE", std::nullopt), mLang("LANG", "en_US.UTF-8"), mAll("LC_ALL", std::nullopt),
          mMessages("LC_MESSAGES", std::nullopt)
    {
    }
    ~CxBundleTest() override { CxSetBundle(CxString()); }

    std::string MakeBundle(const std::string& inName)
    {
        const std::string bundle = mHome.Path() + "/" + inName;
        std::filesystem::create_directories(bundle);
        return bundle;
    }

    sky::test::TempHome mHome;
    ScopedEnv mForced;
    ScopedEnv mLang;
    ScopedEnv mAll;
    ScopedEnv mMessages;
};

TEST_F(CxBundleTest, WithoutABundleEveryLookupMisses)
{
    EXPECT_EQ(CxGetBundle(), CxString());
    EXPECT_EQ(CxLocalize("MayAbbrev"), "MayAbbrev");
    EXPECT_EQ(CxSystemLanguageName(), "langId");
    EXPECT_EQ(CxData("xml", "DxUnitTable").Size(), 0u);
}

TEST_F(CxBundleTest, TheAuthoredEnglishTable)
{
    ScopedEnv bundle("SKYVANE_BUNDLE", std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources");
    EXPECT_EQ(CxLocalize("MayAbbrev"), "May");
    EXPECT_EQ(CxLocalize("Wednesday"), "Wednesday");
    EXPECT_EQ(CxLocalize("Sep"), "Sep");
    EXPECT_EQ(CxLocalize("no such key"), "no such key");
    // Data-set documents name their languages in words ("English").
    EXPECT_EQ(CxSystemLanguageName(), "English");
    EXPECT_NE(CxSystemFileBrowserName(), "macFileBrowserName");
    EXPECT_NE(CxSystemFileBrowserName(), "");

    const CxDate may(CxDateFields{2009, 5, 4, 12, 0, 0, 0, 0}, 0);
    EXPECT_EQ(may.AsString(CxString("%b %B"), 0), "May May");
    const CxDate july(CxDateFields{2009, 7, 4, 12, 0, 0, 0, 0}, 0);
    EXPECT_EQ(july.AsString(CxString("%a %b"), 0), "Sat Jul");
}

TEST_F(CxBundleTest, TableSyntaxEscapesAndComments)
{
    const std::string bundle = MakeBundle("syntax");
    std::filesystem::create_directory(bundle + "/en.lproj");
    WriteFile(bundle + "/en.lproj/InfoPlist.strings", "\xEF\xBB\xBF// a comment\n"
                                                      "\"plain\" = \"Plain\";\n"
                                                      "  \"spaced\"   =   \"Spaced out\" ;   // trailing comment\n"
                                                      "\"quote\" = \"say \\\"hi\\\" \\\\ now\\nnext\";\n"
                                                      "\"url\" = \"http://example.org/x\";\n"
                                                      "/* a block\n comment */ \"after block\" = \"yes\";\n"
                                                      "\"broken\" = \"no semicolon\"\n"
                                                      "\"next\" = \"still read\";\n"
                                                      "\"unterminated = \"x\";\n"
                                                      "\"unicode \xC3\xA9\" = \"\xE2\x9C\x93 \xF0\x9F\x8C\xA7\";\n"
                                                      "garbage line\n"
                                                      "\"last\" = \"Last\";");
    CxSetBundle(CxString::FromUtf8(bundle));
    EXPECT_EQ(CxGetBundle().AsUtf8(), bundle);
    const struct
    {
        const char* mKey;
        const char* mValue;
    } cases[] = {
        {"plain", "Plain"},
        {"spaced", "Spaced out"},
        {"quote", "say \"hi\" \\ now\nnext"},
        {"url", "http://example.org/x"},
        {"after block", "yes"},
        {"broken", "broken"},
        {"next", "still read"},
        {"unicode \xC3\xA9", "\xE2\x9C\x93 \xF0\x9F\x8C\xA7"},
        {"last", "Last"},
        {"a comment", "a comment"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CxLocalize(CxString::FromUtf8(c.mKey)).AsUtf8(), c.mValue) << c.mKey;
}

TEST_F(CxBundleTest, WhichBundleAndWhichLanguage)
{
    const std::string first = MakeBundle("first");
    const std::string second = MakeBundle("second");
    for (const auto& [bundle, lang, text] :
         {std::tuple{first, "en", "one"}, std::tuple{first, "fr", "un"}, std::tuple{second, "en", "two"}})
    {
        std::filesystem::create_directories(bundle + "/" + lang + ".lproj");
        WriteFile(bundle + "/" + lang + ".lproj/InfoPlist.strings", std::string("\"which\" = \"") + text + "\";\n");
    }
    WriteFile(first + "/en.lproj/InfoPlist.strings", "\"which\" = \"one\";\n\"only\" = \"English only\";\n");
    CxSetBundle(CxString::FromUtf8(first));
    EXPECT_EQ(CxLocalize("which"), "one");
    {
        ScopedEnv lang("LANG", "fr_FR.UTF-8");
        EXPECT_EQ(CxLocalize("which"), "un");
        EXPECT_EQ(CxLocalize("only"), "only"); // the user's table alone is asked
    }
    {
        ScopedEnv lang("LANG", "de_DE.UTF-8"); // no German table: the English one
        EXPECT_EQ(CxLocalize("only"), "English only");
    }
    {
        ScopedEnv forced("SKYVANE_BUNDLE", second);
        EXPECT_EQ(CxGetBundle().AsUtf8(), second);
        EXPECT_EQ(CxLocalize("which"), "two");
    }
    CxSetBundle(CxString());
    EXPECT_EQ(CxLocalize("which"), "which");
}

TEST_F(CxBundleTest, BundleFilesByNameAndType)
{
    const std::string bundle = MakeBundle("files");
    WriteFile(bundle + "/DxUnitTable.xml", "<units/>");
    WriteFile(mHome.Path() + "/outside.xml", "secret");
    std::filesystem::create_directory(bundle + "/folder.xml");
    CxSetBundle(CxString::FromUtf8(bundle));

    CxData table("xml", "DxUnitTable");
    ASSERT_EQ(table.Size(), 8u);
    {
        CxAutoLock lock(table);
        EXPECT_EQ(std::memcmp(table.Pointer(), "<units/>", 8), 0);
    }
    EXPECT_EQ(CxData("png", "DxUnitTable").Size(), 0u);
    EXPECT_EQ(CxData("xml", "Missing").Size(), 0u);
    EXPECT_EQ(CxData("xml", "folder").Size(), 0u);
    EXPECT_EQ(CxData("xml", "../outside").Size(), 0u);
    EXPECT_EQ(CxData("xml/../../outside", "x").Size(), 0u);
}

} // namespace
