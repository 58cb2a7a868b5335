// Every unit id the system names must have its own row in the bundle's table, so that no conversion falls back
// to "nada" because a row is missing.
// g++ 12 warns inside <regex> itself (std::function members "maybe uninitialized") when optimising with the
// sanitizers; the warning is about the library's code, not this file's.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include "DxUnit.h"
#include "DxUnitTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using dxtest::UnitTableTest;

namespace
{

// Ids that tests use as unknown on purpose.
const std::set<std::string> kUnknownOnPurpose = {"furlong", "CELS"};

struct UnitUse
{
    std::string mId;
    std::string mWhere;
};

// Unit ids written in a text: a string literal handed to a DxUnit constructor (also inside a CxString, also in a
// declaration), the value of a "units" or "unit" attribute (also with escaped quotes inside a string literal),
// and, when inWithKeys, the unit half of a field key such as lat:degr in quotes. An empty id is the deliberate
// "no unit" and is not reported.
std::vector<UnitUse> FindUnitIds(const std::string& inText, const std::string& inWhere, bool inWithKeys)
{
    static const std::regex kConstructor(
        R"re(\bDxUnit(?:\s+[A-Za-z_]\w*)?\s*[({]\s*(?:CxString\s*[({]\s*)?"([^"\\]*)")re");
    static const std::regex kAttribute(R"re(\bunits?=\\?"([^"\\]*)\\?")re");
    static const std::regex kKey(R"re(\\?"[a-z][A-Za-z0-9_]*:([A-Za-z][A-Za-z0-9]*)\\?")re");

    std::vector<UnitUse> uses;
    std::istringstream lines(inText);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number)
    {
        for (const std::regex* pattern : {&kConstructor, &kAttribute, &kKey})
        {
            if (pattern == &kKey && !inWithKeys)
                continue;
            for (auto match = std::sregex_iterator(line.begin(), line.end(), *pattern); match != std::sregex_iterator();
                 ++match)
            {
                if ((*match)[1].length() > 0)
                    uses.push_back({(*match)[1].str(), inWhere + ":" + std::to_string(number)});
            }
        }
    }
    return uses;
}

bool IsScanned(const fs::path& inPath)
{
    static const std::set<std::string> kExtensions = {".cpp", ".h", ".inc", ".xml", ".xkdf", ".vanedoc", ".fxui"};
    return kExtensions.count(inPath.extension().string()) > 0;
}

// Field keys belong to the data model and the layers above it; the lower frameworks have colon-separated texts of
// their own (messenger names, formatter patterns) that are no keys.
bool ScansKeys(const fs::path& inRelative)
{
    const std::string top = inRelative.begin()->string();
    if (top != "Frameworks")
        return top == "Products";
    const std::string framework = std::next(inRelative.begin())->string();
    return framework != "Platform" && framework != "CoreObjects" && framework != "XmlObjects" &&
           framework != "GraphicObjects";
}

std::vector<UnitUse> ScanSources()
{
    const fs::path root(SKYVANE_SOURCE_DIR);
    std::vector<UnitUse> uses;
    for (const char* folder : {"Frameworks", "Products", "Tools"})
    {
        if (!fs::exists(root / folder))
            continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder))
        {
            if (!entry.is_regular_file() || !IsScanned(entry.path()))
                continue;
            const fs::path relative = fs::relative(entry.path(), root);
            const std::vector<UnitUse> found =
                FindUnitIds(dxtest::ReadFile(entry.path().string()), relative.string(), ScansKeys(relative));
            uses.insert(uses.end(), found.begin(), found.end());
        }
    }
    return uses;
}

} // namespace

TEST_F(UnitTableTest, EveryIdOurSourcesUseHasARow)
{
    const std::vector<UnitUse> uses = ScanSources();
    // The scan sees this framework's own uses, so an empty answer means the scan is broken, not the sources clean.
    ASSERT_GT(uses.size(), 20u);

    std::set<std::string> reported;
    for (const UnitUse& use : uses)
    {
        if (kUnknownOnPurpose.count(use.mId) > 0 || reported.count(use.mId) > 0)
            continue;
        if (DxUnit(CxString(use.mId.c_str())).Id().AsUtf8() != use.mId)
        {
            reported.insert(use.mId);
            ADD_FAILURE() << "unit id \"" << use.mId << "\" at " << use.mWhere << " is not in DxUnitTable.xml";
        }
    }
}
