// The data manager's links come from a server's configuration: only web addresses are handed to the desktop's
// opener.
#include "VaneDataTest.h"
#include "VaneWindowClicks.h"

#include "CxDebug.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "FxControl.h"
#include "VaneDataManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;

class DataManagerLinksTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        DxUnit::Load();
        // An opener that appends each argument it is given to its log.
        mOpener = Home() + "/opener";
        WriteText(mOpener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.log\"\n");
        fs::permissions(mOpener, fs::perms::owner_all);
        setenv("SKYVANE_OPEN_CMD", mOpener.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("SKYVANE_OPEN_CMD");
        VaneDataManager::RemoveDataManager();
        DxUnit::Unload();
        AppTest::TearDown();
    }
    // The opener's log once it holds that many lines, or as it stands after 5 s.
    std::vector<std::string> Opened(std::size_t inLines) const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 500; ++i)
        {
            lines.clear();
            const std::string text = ReadText(mOpener + ".log");
            for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
                lines.push_back(text.substr(at, end - at));
            if (lines.size() >= inLines)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return lines;
    }

    std::string mOpener;
};

// Each row's URL stands for the provider, the source and the contact at once; a click on each icon opens it only
// when it is an http or https address.
TEST_F(DataManagerLinksTest, OnlyHttpAndHttpsLinksAreOpened)
{
    struct Row
    {
        const char* url;
        bool opened;
    };
    const Row rows[] = {
        {"https://provider.example/about", true},
        {"HTTP://Upper.example/", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"mailto:desk@example.org", false},
        {"ftp://files.example/", false},
        {"skyvane-x:http://inside.example/", false},
        {" https://leading-space.example/", false},
        {"https:", false},
        {"https://", false},
        {"/usr/bin/xterm", false},
    };
    std::vector<std::string> expected;
    int index = 0;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.url);
        // The dialog lists the sets there are when it opens.
        VaneDataManager::RemoveDataManager();
        const std::string id = "set" + std::to_string(index++);
        const std::string url = row.url;
        std::string properties;
        for (const char* role : {"provider", "source", "contact"})
            properties += "<property id=\"" + std::string(role) + "\" value=\"" + role + "\" url=\"" + url + "\"/>";
        wxkit::KitManagedSet(
            CxString::FromUtf8(id), 1,
            {{"config.xml",
              wxkit::KitInfoDocument("datasetconfig", "<property id=\"name\" value=\"" + id +
                                                          "\"/><property id=\"type\" value=\"kdf\"/>" + properties)}});
        VaneDataManager::Display(CxString::FromUtf8(id));
        ASSERT_NE(VaneDataManager::sDataManager, nullptr);
        CxDebugCapture capture;
        for (int icon : {9, 10, 11})
        {
            ASSERT_TRUE(VaneDataManager::sDataManager->GetControlById(icon)->IsEnabled()) << icon;
            pf::SimulateClick(VaneDataManager::sDataManager->GetControlById(icon)->GetRef(), 1, 0);
            if (row.opened)
                expected.push_back(url);
        }
        const std::string refused = "not opened: " + url + " (only http and https)";
        EXPECT_EQ(capture.Contains(refused), !row.opened);
    }
    // Every opening arrives, in any order; after the last one nothing else comes.
    std::sort(expected.begin(), expected.end());
    const auto sorted = [](std::vector<std::string> inLines)
    {
        std::sort(inLines.begin(), inLines.end());
        return inLines;
    };
    EXPECT_EQ(sorted(Opened(expected.size())), expected);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(sorted(Opened(expected.size())), expected);
}

} // namespace
