#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace sky::test
{

std::string TestDataDirFrom(const std::string& inRepositoryRoot)
{
    std::error_code ec;
    const fs::path dir = fs::path(inRepositoryRoot) / ".." / "shared" / "testdata";
    if (!fs::is_directory(dir, ec))
        return {};
    return fs::weakly_canonical(dir, ec).string();
}

std::string TestDataDir()
{
#ifdef SKYVANE_SOURCE_DIR
    return TestDataDirFrom(SKYVANE_SOURCE_DIR);
#else
    return {};
#endif
}

bool TestDataRequired()
{
    const char* value = std::getenv("SKYVANE_REQUIRE_TESTDATA");
    return value != nullptr && std::string(value) == "1";
}

std::string TestDataFile(const std::string& inRelativePath)
{
    const std::string dir = TestDataDir();
    if (dir.empty())
        return {};
    std::error_code ec;
    const fs::path file = fs::path(dir) / inRelativePath;
    if (!fs::exists(file, ec))
        return {};
    return file.string();
}

namespace
{
// Folder variables of the XDG base and user-dirs specifications, with the subfolder each gets.
const std::pair<const char*, const char*> kXdgFolders[] = {
    {"XDG_CONFIG_HOME", ".config"},     {"XDG_DATA_HOME", ".local/share"}, {"XDG_CACHE_HOME", ".cache"},
    {"XDG_STATE_HOME", ".local/state"}, {"XDG_RUNTIME_DIR", "run"},        {"XDG_DESKTOP_DIR", "Desktop"},
    {"XDG_DOCUMENTS_DIR", "Documents"}, {"XDG_DOWNLOAD_DIR", "Downloads"}, {"XDG_MUSIC_DIR", "Music"},
    {"XDG_PICTURES_DIR", "Pictures"},   {"XDG_VIDEOS_DIR", "Videos"},      {"XDG_TEMPLATES_DIR", "Templates"},
    {"XDG_PUBLICSHARE_DIR", "Public"},  {"XDG_DATA_DIRS", "share"},
};
} // namespace

TempHome::TempHome()
{
    std::string pattern = (fs::temp_directory_path() / "skyvane-home-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("TempHome: mkdtemp failed");
    mPath = pattern;

    auto save = [this](const char* inName)
    {
        const char* old = std::getenv(inName);
        mSaved.push_back({inName, {old != nullptr, old != nullptr ? old : ""}});
    };
    save("HOME");
    setenv("HOME", mPath.c_str(), 1);
    for (const auto& [name, sub] : kXdgFolders)
    {
        save(name);
        const fs::path folder = fs::path(mPath) / sub;
        fs::create_directories(folder);
        setenv(name, folder.c_str(), 1);
    }
}

TempHome::~TempHome()
{
    for (auto it = mSaved.rbegin(); it != mSaved.rend(); ++it)
    {
        if (it->second.first)
            setenv(it->first.c_str(), it->second.second.c_str(), 1);
        else
            unsetenv(it->first.c_str());
    }
    std::error_code ec;
    fs::remove_all(mPath, ec);
}

} // namespace sky::test
