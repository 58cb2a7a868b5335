// Documents for the configuration readers: the fixture set in data/config and small inline ones.
#pragma once

#include "CxData.h"
#include "CxString.h"
#include "DxUnitTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace dxtest
{

inline CxData Bytes(const std::string& inText)
{
    return CxData(inText.data(), CxUint32(inText.size()));
}

// A file of the fixture set.
inline CxData Fixture(const std::string& inName)
{
    const std::string text = ReadFile(SourcePath("Frameworks/DataObjects/Tests/data/config/" + inName));
    EXPECT_FALSE(text.empty()) << "fixture missing: " << inName;
    return Bytes(text);
}

// The body inside a top-level element, after the version instruction.
inline std::string Document(const std::string& inRoot, const std::string& inBody,
                            const std::string& inVersion = "1.0")
{
    return "<?datasetconfig version=\"" + inVersion + "\"?>\n<" + inRoot + ">" + inBody + "</" + inRoot + ">";
}

inline std::string Utf8(const CxString& inText)
{
    return inText.AsUtf8();
}

// A bundle whose string table names the system language, in place of the bundle the unit-table tests set.
// The unit table stays loaded; only localised texts come from here.
class LanguageBundle
{
public:
    explicit LanguageBundle(const std::string& inLanguage)
    {
        const std::filesystem::path folder = std::filesystem::path(mHome.Path()) / ("bundle-" + inLanguage);
        std::filesystem::create_directories(folder / "en.lproj");
        std::ofstream(folder / "en.lproj" / "InfoPlist.strings") << "\"langId\" = \"" << inLanguage << "\";\n";
        const char* old = std::getenv("SKYVANE_BUNDLE");
        mHadOld = old != nullptr;
        if (mHadOld)
            mOld = old;
        setenv("SKYVANE_BUNDLE", folder.c_str(), 1);
    }
    ~LanguageBundle()
    {
        if (mHadOld)
            setenv("SKYVANE_BUNDLE", mOld.c_str(), 1);
        else
            unsetenv("SKYVANE_BUNDLE");
    }
    LanguageBundle(const LanguageBundle&) = delete;
    LanguageBundle& operator=(const LanguageBundle&) = delete;

private:
    sky::test::TempHome mHome;
    bool mHadOld = false;
    std::string mOld;
};

} // namespace dxtest
