#include "VaneAppTest.h"

#include "CxError.h"
#include "CxJob.h"
#include "FxBrowser.h"
#include "FxPlugin.h"
#include "VaneEntryPoints.h"
#include "VanePlugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace
{

using namespace vanetest;

class VaneEntryPointsTest : public AppTest
{
};

bool SameBytes(const NPPluginFuncs& inA, const NPPluginFuncs& inB)
{
    return std::memcmp(&inA, &inB, sizeof(NPPluginFuncs)) == 0;
}

NPPluginFuncs Marked(uint16_t inSize, uint16_t inVersion)
{
    NPPluginFuncs funcs;
    std::memset(&funcs, 0xA5, sizeof(funcs));
    funcs.size = inSize;
    funcs.version = inVersion;
    return funcs;
}

TEST_F(VaneEntryPointsTest, TablesAreCheckedBeforeAnythingIsWritten)
{
    struct Row
    {
        const char* name;
        uint16_t size;
        uint16_t version;
        NPError expected;
    };
    const Row rows[] = {
        {"current", sizeof(NPPluginFuncs), 0x001B, NPERR_NO_ERROR},
        {"major version 1", sizeof(NPPluginFuncs), 0x0100, NPERR_INCOMPATIBLE_VERSION_ERROR},
        {"short table", uint16_t(sizeof(NPPluginFuncs) - 8), 0x0018, NPERR_INVALID_FUNCTABLE_ERROR},
        {"size zero", 0, 0, NPERR_INVALID_FUNCTABLE_ERROR},
    };
    for (const Row& row : rows)
    {
        NPPluginFuncs funcs = Marked(row.size, row.version);
        const NPPluginFuncs before = funcs;
        EXPECT_EQ(VaneGetEntryPoints(&funcs), row.expected) << row.name;
        if (row.expected != NPERR_NO_ERROR)
        {
            EXPECT_TRUE(SameBytes(funcs, before)) << row.name;
            continue;
        }
        EXPECT_EQ(funcs.size, sizeof(NPPluginFuncs));
        EXPECT_EQ(funcs.version, 24);
        EXPECT_NE(funcs.newp, nullptr);
        EXPECT_NE(funcs.setvalue, nullptr);
        EXPECT_NE(funcs.print, nullptr);
        // The slot between URLNotify and GetValue is the host's.
        EXPECT_EQ(std::memcmp(&funcs.javaClass, &before.javaClass, sizeof(funcs.javaClass)), 0);
    }
    EXPECT_EQ(VaneGetEntryPoints(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);

    StartHost(false);
    EXPECT_EQ(VaneInitialize(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
    NPNetscapeFuncs future = *mHost->BrowserFuncs();
    future.version = 0x0100;
    EXPECT_EQ(VaneInitialize(&future), NPERR_INCOMPATIBLE_VERSION_ERROR);
    EXPECT_EQ(gPlugin, nullptr);
}

TEST_F(VaneEntryPointsTest, CallsWithoutAnInstanceAreRefused)
{
    StartHost();
    NPP_t empty{};
    NPStream stream{};
    NPWindow window{};
    int value = 0;
    EXPECT_EQ(mFuncs.setwindow(&empty, &window), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(mFuncs.getvalue(&empty, NPPVpluginCoreAnimationLayer, &value), NPERR_GENERIC_ERROR);
    EXPECT_EQ(mFuncs.event(&empty, nullptr), 0);
    EXPECT_EQ(mFuncs.destroystream(&empty, &stream, NPRES_DONE), NPERR_NO_ERROR);
    EXPECT_EQ(mFuncs.newstream(&empty, const_cast<char*>("text/xml"), &stream, 0, nullptr),
              NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(stream.pdata, nullptr);
    EXPECT_EQ(mFuncs.writeready(&empty, &stream), 0);
    EXPECT_EQ(mFuncs.write(&empty, &stream, 0, 4, const_cast<char*>("abcd")), -1);
    EXPECT_EQ(mFuncs.destroy(&empty, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(mFuncs.setwindow(nullptr, &window), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(mFuncs.setvalue(&empty, NPNVariable(0), nullptr), NPERR_GENERIC_ERROR);
}

TEST_F(VaneEntryPointsTest, AttributeNamesAreFoldedAndTheLaterOneWins)
{
    StartHost();
    NPP instance =
        Embed(false, {{"Agent", "first"}, {"agent", "Second"}, {"COLOR", "#112233"}, {"\xC3\x89t\xC3\xA9", "x"}});
    ASSERT_NE(instance, nullptr);
    FxPluginInstance* placeholder = InstanceOf(instance);
    EXPECT_EQ(placeholder->GetArgument("agent").AsUtf8(), "Second");
    EXPECT_EQ(placeholder->GetArgument("AGENT").AsUtf8(), "Second");
    EXPECT_EQ(placeholder->GetArgument("color").AsUtf8(), "#112233");
    // Only A to Z fold: the accented name stays as it came.
    EXPECT_EQ(placeholder->GetArgument(CxString::FromUtf8("\xC3\xA9t\xC3\xA9")).AsUtf8(), "");

    NPP bare = Embed(false);
    for (const char* name : {"agent", "color", "buddy", "id", ""})
        EXPECT_EQ(InstanceOf(bare)->GetArgument(name).AsUtf8(), "") << name;
}

NPError ThrowingGetValue(NPP, NPNVariable, void*)
{
    throw CxError(__FILE__, __LINE__);
}

// An exception under NPP_New reaches the host as an error, with no instance left behind.
TEST_F(VaneEntryPointsTest, AnInstanceThatThrowsIsAnError)
{
    StartHost(false);
    NPNetscapeFuncs browser = *mHost->BrowserFuncs();
    browser.getvalue = ThrowingGetValue;
    ASSERT_EQ(VaneInitialize(&browser), NPERR_NO_ERROR);
    NPP_t instance{};
    instance.pdata = &browser;
    char* names[] = {const_cast<char*>("src")};
    char* values[] = {const_cast<char*>("a.vanedoc")};
    EXPECT_EQ(mFuncs.newp(const_cast<char*>("application/x-vanedoc"), &instance, NP_EMBED, 1, names, values, nullptr),
              NPERR_GENERIC_ERROR);
    EXPECT_EQ(instance.pdata, nullptr);
}

// A plug-in that cannot start answers an error and leaves nothing running; the next start is a fresh one.
TEST_F(VaneEntryPointsTest, AFailedStartIsAnErrorAndLeavesNothing)
{
    WriteText(Home() + "/Weather", "a file where the data folder goes");
    StartHost(false);
    EXPECT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_GENERIC_ERROR);
    EXPECT_EQ(gPlugin, nullptr);
    EXPECT_EQ(CxJobDispatcher::Instance().CountThreads(), 0);

    std::filesystem::remove(Home() + "/Weather");
    EXPECT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
    EXPECT_NE(gPlugin, nullptr);
}

TEST_F(VaneEntryPointsTest, ShutDownClearsThePluginAndAStartAfterItIsFresh)
{
    StartHost(false);
    for (int round = 0; round < 2; ++round)
    {
        ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
        ASSERT_NE(gPlugin, nullptr);
        EXPECT_EQ(CxJobDispatcher::Instance().CountThreads(), 4);
        EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);
        EXPECT_EQ(gPlugin, nullptr);
        EXPECT_EQ(CxJobDispatcher::Instance().CountThreads(), 0);
        // A second shut-down finds nothing to do.
        EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);
    }
}

TEST_F(VaneEntryPointsTest, TheLegacyEntryCopiesTheHostsEntriesAsFarAsItsSizeReaches)
{
    StartHost(false);
    const NPNetscapeFuncs& host = *mHost->BrowserFuncs();
    struct Row
    {
        const char* name;
        uint16_t size;
        bool lastCopied;
    };
    const uint16_t full = uint16_t(offsetof(NPNetscapeFuncs, forceredraw) + sizeof(host.forceredraw));
    const Row rows[] = {
        {"whole table", sizeof(NPNetscapeFuncs), true},
        {"up to ForceRedraw", full, true},
        {"short of ForceRedraw", uint16_t(full - 1), false},
    };
    for (const Row& row : rows)
    {
        NPNetscapeFuncs browser = host;
        browser.size = row.size;
        NPPluginFuncs funcs = Marked(sizeof(NPPluginFuncs), 0x0100);
        VaneUnloadProc unload = nullptr;
        ASSERT_EQ(VaneMain(&browser, &funcs, &unload), NPERR_NO_ERROR) << row.name;
        ASSERT_NE(gBrowser, nullptr);
        EXPECT_NE(gBrowser, &browser);
        EXPECT_EQ(gBrowser->size, row.size);
        EXPECT_EQ(gBrowser->geturl, host.geturl) << row.name;
        EXPECT_EQ(gBrowser->getvalue, host.getvalue) << row.name;
        EXPECT_EQ(gBrowser->forceredraw != nullptr, row.lastCopied && host.forceredraw != nullptr) << row.name;
        EXPECT_EQ(gBrowser->invalidaterect != nullptr, host.invalidaterect != nullptr) << row.name;
        EXPECT_EQ(gBrowser->popupcontextmenu, nullptr) << row.name;
        EXPECT_EQ(gBrowser->getstringidentifier, nullptr) << row.name;
        EXPECT_EQ(funcs.version, 11);
        EXPECT_EQ(funcs.size, sizeof(NPPluginFuncs));
        EXPECT_NE(funcs.newp, nullptr);
        EXPECT_NE(gPlugin, nullptr);
        ASSERT_NE(unload, nullptr);
        unload();
        EXPECT_EQ(gPlugin, nullptr);
    }
    NPPluginFuncs shortTable = Marked(8, 0);
    const NPPluginFuncs before = shortTable;
    EXPECT_EQ(VaneMain(mHost->BrowserFuncs(), &shortTable, nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
    EXPECT_TRUE(SameBytes(shortTable, before));
    EXPECT_EQ(gPlugin, nullptr);
}

TEST_F(VaneEntryPointsTest, AFullPagePrintWritesItsFlags)
{
    StartHost();
    NPPrint full{};
    full.mode = NP_FULL;
    full.print.fullPrint.pluginPrinted = 1;
    full.print.fullPrint.printOne = 0;
    NPPrint embedded{};
    embedded.mode = NP_EMBED;
    testing::internal::CaptureStdout();
    mFuncs.print(nullptr, &embedded);
    mFuncs.print(nullptr, nullptr);
    mFuncs.print(nullptr, &full);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "pluginPrinted = 1, printOne = 0\n");
}

} // namespace
