// The unit table for tests: the bundle's own table and strings from the source tree, or small inline tables.
#pragma once

#include "CxData.h"
#include "DxUnit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace dxtest
{

inline std::string SourcePath(const std::string& inRelative)
{
    return std::string(SKYVANE_SOURCE_DIR) + "/" + inRelative;
}

inline std::string ReadFile(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void LoadTable(const std::string& inDocument)
{
    CxData data(inDocument.data(), CxUint32(inDocument.size()));
    DxUnit::Load(data);
}

// The bundle folder is the authored resources of the source tree.
inline void UseSourceBundle()
{
    setenv("SKYVANE_BUNDLE", SourcePath("Products/Skyvane/Resources").c_str(), 1);
}

inline void LoadBundleTable()
{
    UseSourceBundle();
    DxUnit::Load();
    ASSERT_EQ(DxUnit(CxString("cels")).Id(), "cels") << "the bundle's unit table did not load";
}

// Loads the bundle's table for each test and unloads it after, so every test starts from the same table.
class UnitTableTest : public ::testing::Test
{
protected:
    void SetUp() override { LoadBundleTable(); }
    void TearDown() override { DxUnit::Unload(); }
};

} // namespace dxtest
