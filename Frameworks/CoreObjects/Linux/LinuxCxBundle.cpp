// The bundle: a folder of resources, with string tables in <lang>.lproj/InfoPlist.strings.
#include "CxSystem.h"

#include "CxCriticalRegion.h"
#include "CxData.h"
#include "CxError.h"
#include "CxFile.h"
#include "LinuxCxFile.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include <dlfcn.h>
#include <sys/stat.h>

namespace
{

using StringTable = std::map<std::string, CxString>;

struct BundleHolder
{
    CxCriticalRegion mRegion;
    std::string mFolder;
};

BundleHolder& Holder()
{
    // Never destroyed: lookups may come from other threads while statics go.
    static BundleHolder* sHolder = new BundleHolder;
    return *sHolder;
}

// Serialises lookups of localised texts and guards the table cache.
CxCriticalRegion& LocalizeRegion()
{
    static CxCriticalRegion* sRegion = new CxCriticalRegion;
    return *sRegion;
}

// Tables by file path; a table that is not there is cached empty.
std::map<std::string, std::shared_ptr<const StringTable>>& Tables()
{
    static auto* sTables = new std::map<std::string, std::shared_ptr<const StringTable>>;
    return *sTables;
}

bool IsFolder(const std::string& inPath)
{
    struct stat info;
    return ::stat(inPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// SkyvanePlugin.bundle/Resources beside the library (or program) that holds this code, when it exists.
const std::string& LibraryBundle()
{
    static const std::string sFolder = []
    {
        Dl_info info;
        if (::dladdr(reinterpret_cast<void*>(&LibraryBundle), &info) == 0 || info.dli_fname == nullptr)
            return std::string();
        char* real = ::realpath(info.dli_fname, nullptr);
        if (real == nullptr)
            return std::string();
        std::string path = real;
        std::free(real);
        path = path.substr(0, path.rfind('/') + 1) + "SkyvanePlugin.bundle/Resources";
        return IsFolder(path) ? path : std::string();
    }();
    return sFolder;
}

std::string BundleFolder()
{
    const char* forced = std::getenv("SKYVANE_BUNDLE");
    if (forced != nullptr && forced[0] != '\0')
        return forced;
    {
        BundleHolder& holder = Holder();
        CxAutoLock lock(holder.mRegion);
        if (!holder.mFolder.empty())
            return holder.mFolder;
    }
    return LibraryBundle();
}

// ---- string tables: lines of "key" = "value"; with the escapes \" \\ \n, and comments

class StringsReader
{
public:
    explicit StringsReader(std::string_view inText) : mText(inText)
    {
        if (mText.substr(0, 3) == "\xEF\xBB\xBF")
            mText.remove_prefix(3);
    }

    StringTable Read()
    {
        StringTable table;
        for (;;)
        {
            SkipBlanks();
            if (mPos >= mText.size())
                return table;
            const std::size_t start = mPos;
            std::string key;
            std::string value;
            if (Quoted(key) && Expect('=') && Quoted(value) && Expect(';'))
                table[key] = CxString::FromUtf8(value);
            else if (mText.substr(start, mPos - start).find('\n') == std::string_view::npos)
                SkipLine();
            // else the entry broke off at a line end: what follows it starts afresh.
        }
    }

private:
    void SkipLine()
    {
        while (mPos < mText.size() && mText[mPos] != '\n')
            ++mPos;
    }

    void SkipBlanks()
    {
        while (mPos < mText.size())
        {
            const char c = mText[mPos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                ++mPos;
            else if (mText.substr(mPos, 2) == "//")
                SkipLine();
            else if (mText.substr(mPos, 2) == "/*")
            {
                const std::size_t end = mText.find("*/", mPos + 2);
                mPos = end == std::string_view::npos ? mText.size() : end + 2;
            }
            else
                return;
        }
    }

    bool Expect(char inChar)
    {
        SkipBlanks();
        if (mPos >= mText.size() || mText[mPos] != inChar)
            return false;
        ++mPos;
        return true;
    }

    bool Quoted(std::string& outText)
    {
        SkipBlanks();
        if (mPos >= mText.size() || mText[mPos] != '"')
            return false;
        for (++mPos; mPos < mText.size(); ++mPos)
        {
            const char c = mText[mPos];
            if (c == '"')
            {
                ++mPos;
                return true;
            }
            if (c == '\n')
                return false;
            if (c == '\\' && mPos + 1 < mText.size())
            {
                const char next = mText[++mPos];
                if (next == 'n')
                    outText += '\n';
                else if (next == '"' || next == '\\')
                    outText += next;
                else
                {
                    outText += '\\';
                    outText += next;
                }
                continue;
            }
            outText += c;
        }
        return false;
    }

    std::string_view mText;
    std::size_t mPos = 0;
};

std::shared_ptr<const StringTable> LoadTable(const std::string& inPath)
{
    auto table = std::make_shared<StringTable>();
    try
    {
        CxFile file(CxFileRef{inPath});
        if (file.IsValid())
        {
            CxData data = file.ReadContents();
            if (data.Size() > 0)
            {
                CxAutoLock lock(data);
                *table = StringsReader(std::string_view(static_cast<const char*>(data.Pointer()), data.Size())).Read();
            }
        }
    }
    catch (const CxError& error)
    {
        CxDebug(error);
    }
    return table;
}

// The "InfoPlist" table of the bundle for the user's language, else the English one. Under the localisation lock.
std::shared_ptr<const StringTable> InfoPlistTable(const std::string& inBundle)
{
    std::string language = CxSystemLocale().AsUtf8();
    language = language.substr(0, language.find('_'));
    if (!LinuxCxIsPlainName(language + ".lproj"))
        language = "en";
    std::string path = inBundle + "/" + language + ".lproj/InfoPlist.strings";
    struct stat info;
    if (language != "en" && ::stat(path.c_str(), &info) != 0)
        path = inBundle + "/en.lproj/InfoPlist.strings";
    auto& tables = Tables();
    auto found = tables.find(path);
    if (found == tables.end())
        found = tables.emplace(path, LoadTable(path)).first;
    return found->second;
}

} // namespace

void CxSetBundle(const CxString& inFolder)
{
    BundleHolder& holder = Holder();
    CxAutoLock lock(holder.mRegion);
    holder.mFolder = inFolder.AsUtf8();
}

CxString CxGetBundle()
{
    return CxString::FromUtf8(BundleFolder());
}

CxString CxLocalize(const CxString& inKey)
{
    const std::string bundle = BundleFolder();
    if (bundle.empty())
        return inKey;
    CxAutoLock lock(LocalizeRegion());
    const std::shared_ptr<const StringTable> table = InfoPlistTable(bundle);
    const auto found = table->find(inKey.AsUtf8());
    return found != table->end() ? found->second : inKey;
}

CxString CxSystemFileBrowserName()
{
    return CxLocalize("macFileBrowserName");
}

CxString CxSystemLanguageName()
{
    return CxLocalize("langId");
}

CxData::CxData(const CxString& inType, const CxString& inName) : CxData()
{
    const std::string bundle = BundleFolder();
    const std::string name = inName.AsUtf8();
    const std::string type = inType.AsUtf8();
    const std::string file = name + "." + type;
    // Only files directly in the bundle's folder.
    if (bundle.empty() || !LinuxCxIsPlainName(name) || type.find('/') != std::string::npos)
        return;
    try
    {
        const CxFile resource(CxFileRef{bundle + "/" + file});
        if (resource.IsValid())
            *this = resource.ReadContents();
    }
    catch (const CxError& error)
    {
        CxDebug(error);
    }
}
