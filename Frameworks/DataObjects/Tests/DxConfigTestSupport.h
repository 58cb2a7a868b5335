// Documents for the configuration readers: the fixture set in data/config and small inline ones.
#pragma once

#include "CxData.h"
#include "CxString.h"
#include "DxUnitTestSupport.h"
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace dxtest
{

inline CxData Bytes(const std::string& inText)
{
    return CxData(inText.data(), CxUint32(inText.size()));
}

inline std::string FixtureText(const std::string& inName)
{
    return ReadFile(SourcePath("Frameworks/DataObjects/Tests/data/config/" + inName));
}

inline CxData Fixture(const std::string& inName)
{
    return Bytes(FixtureText(inName));
}

// A top-level element after the version instruction.
inline std::string Document(const std::string& inRoot, const std::string& inBody, const std::string& inVersion = "1.0")
{
    return "<?datasetconfig version=\"" + inVersion + "\"?>\n<" + inRoot + ">" + inBody + "</" + inRoot + ">";
}

// A bundle whose string table names the system language; the unit table stays loaded.
class LanguageBundle
{
public:
    explicit LanguageBundle(const std::string& inLanguage)
    {
        const std::filesystem::path folder = std::filesystem::path(mHome.Path()) / ("bundle-" + inLanguage);
        std::filesystem::create_directories(folder / "en.lproj");
        std::ofstream(folder / "en.lproj" / "InfoPlist.strings") << "\"langId\" = \"" << inLanguage << "\";\n";
        setenv("SKYVANE_BUNDLE", folder.c_str(), 1);
    }
    // The unit-table fixture sets the bundle again for the next test.
    ~LanguageBundle() { unsetenv("SKYVANE_BUNDLE"); }
    LanguageBundle(const LanguageBundle&) = delete;
    LanguageBundle& operator=(const LanguageBundle&) = delete;

private:
    sky::test::TempHome mHome;
};

} // namespace dxtest
