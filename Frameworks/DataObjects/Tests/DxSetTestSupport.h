// Data-set tests on a loopback registry server, with a fixed "now" (5 January 2020, noon) and a way to store a
// set's configuration in the data folder.
#pragma once

#include "DxManagerFixture.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace dxtest
{

inline const CxDate kDay(2020, 1, 4, 0, 0, 0, 0);
inline const CxDate kNow = kDay + 129600.0; // 5 January, noon

inline std::string Config(const std::string& inProperties)
{
    return Document("datasetconfig", inProperties);
}

inline std::string Seconds(const char* inId, int inValue)
{
    return "<property id=\"" + std::string(inId) + "\" value=\"" + std::to_string(inValue) + "\" units=\"secs\"/>";
}

class DxSetTest : public ManagerTest
{
protected:
    DxSetTest() : ManagerTest(kNow) {}
    void Store(const std::string& inId, const std::string& inConfig)
    {
        std::filesystem::create_directories(mHome.Path() + "/" + inId + "/info");
        if (!inConfig.empty())
            std::ofstream(mHome.Path() + "/" + inId + "/info/config.xml") << inConfig;
    }
};

} // namespace dxtest
