// The unit table for tests: the bundle's own table from the source tree, or small inline tables.
#pragma once

#include "CxData.h"
#include "DxUnit.h"

#include <gtest/gtest.h>

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

inline void LoadBundleTable()
{
    const std::string document = ReadFile(SourcePath("Products/Skyvane/Resources/DxUnitTable.xml"));
    ASSERT_FALSE(document.empty());
    LoadTable(document);
}

// Loads the bundle's table for each test and unloads it after, so every test starts from the same table.
class UnitTableTest : public ::testing::Test
{
protected:
    void SetUp() override { LoadBundleTable(); }
    void TearDown() override { DxUnit::Unload(); }
};

} // namespace dxtest
