#include "DxSet.h"

#include "CxDebug.h"
#include "CxFile.h"
#include "CxPreferences.h"
#include "CxUrl.h"
#include "DxCache.h"
#include "DxConfigParsers.h"
#include "DxManager.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace
{

std::map<CxSint32, DxSet::FindManagerProc>& Finders()
{
    static std::map<CxSint32, DxSet::FindManagerProc> sFinders;
    return sFinders;
}

std::optional<CxString>& Registry()
{
    static std::optional<CxString> sRegistryUrl;
    return sRegistryUrl;
}

DxSet::SetMap& Sets()
{
    static DxSet::SetMap sSets;
    return sSets;
}

bool sOnline = true;

struct KindName
{
    const char* mText;
    CxSint32 mKind;
};

// Matched in this order; "png" is an older name of the image kind.
constexpr KindName kKindNames[] = {
    {"kdf", kDxManagerKdf},       {"shp", kDxManagerShp},     {"advisory", kDxManagerAdvisory},
    {"nids", kDxManagerNids},     {"image", kDxManagerImage}, {"png", kDxManagerImage},
    {"mosaic", kDxManagerMosaic}, {"atlas", kDxManagerAtlas}, {"kts", kDxManagerKts}};

CxString PercentEncode(const CxString& inText)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : inText.AsUtf8())
    {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved)
            out += static_cast<char>(c);
        else
        {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return CxString::FromUtf8(out);
}

CxString PreferenceKey(CxSint32 inKind)
{
    return "dataSetPreference_" + DxManagerTypeToString(inKind);
}

} // namespace

CxString DxManagerTypeToString(CxSint32 inKind)
{
    switch (inKind)
    {
    case kDxManagerNone:
        return "";
    case kDxManagerImage:
        return "image";
    default:
        for (const KindName& entry : kKindNames)
            if (entry.mKind == inKind)
                return entry.mText;
    }
    CxAssert(false);
    return "???";
}

CxSint32 DxParseManagerType(const DxConfigParser& inParser)
{
    CxString text = inParser.StringProperty("type");
    if (text.Length() == 0)
    {
        if (inParser.StringProperty("parmInfoUrl").Length() != 0 &&
            inParser.StringProperty("timeSeriesUrlFormat").Length() == 0)
            text = "kdf";
        else if (inParser.StringProperty("shapeInfoUrl").Length() != 0)
            text = "shp";
    }
    for (const KindName& entry : kKindNames)
        if (text == entry.mText)
            return entry.mKind;
    CxAssert(false);
    _CxDebug(__FILE__, __LINE__, "inString", text);
    return kDxManagerNone;
}

DxSet::DxSet(const CxString& inId, CxSint32 inKind) : mId(inId), mName(inId), mKey("Skyvane: " + inId), mKind(inKind)
{
    Register();
}

DxSet::DxSet(const CxFolder& inFolder)
    : mId(inFolder.Name()), mName(mId), mKey("Skyvane: " + mId), mKind(kDxManagerNone)
{
    const DxCache cache(inFolder.Parent(), DxManager::RootCacheFolder(), mId, true);
    CxData config = cache.ReadInfo("config.xml");
    if (config.Size() != 0)
    {
        try
        {
            const DxConfigParser parser(config);
            mName = parser.StringProperty("name");
            mKind = DxParseManagerType(parser);
        }
        catch (...)
        {
            // An unreadable configuration leaves the set unnamed and of no kind.
        }
    }
    Register();
}

void DxSet::Register()
{
    SetMap& sets = Sets();
    const auto iter = sets.find(mId);
    CxAssertText(iter == sets.end(), "sSets.find(mId) == sSets.end()");
    if (iter == sets.end())
        sets.emplace(mId, this);
}

DxSet::~DxSet()
{
    SetMap& sets = Sets();
    const auto iter = sets.find(mId);
    if (iter != sets.end() && iter->second == this)
        sets.erase(iter);
    delete mManager;
}

CxString DxSet::Name() const
{
    return mManager != nullptr ? mManager->Name() : mName;
}

DxManager* DxSet::Manager()
{
    // The kinds live above the engine, which knows them only through the finders they register.
    static const bool sKindsRegistered = (DxRegisterKinds(), true);
    (void)sKindsRegistered;
    if (mManager == nullptr)
    {
        const auto finder = Finders().find(mKind);
        if (finder == Finders().end() || finder->second == nullptr)
        {
            _CxDebug(__FILE__, __LINE__, "(CxSint32)mType", mKind);
            _CxDebug(__FILE__, __LINE__, "mId", mId);
            CxAssert(false);
            return nullptr;
        }
        mManager = finder->second(mId);
        // Given once: the manager's jobs read the key, and the set's key never changes.
        if (mManager != nullptr)
            mManager->SetAuthenticationKey(mKey);
    }
    return mManager;
}

void DxSet::MakePreferredSet() const
{
    CxGetGlobalPreferences().SetStringValue(PreferenceKey(mKind), mId, 0);
}

void DxSet::SetFindManager(CxSint32 inKind, FindManagerProc inProc)
{
    Finders()[inKind] = inProc;
}

void DxSet::AddFindManager(CxSint32 inKind, FindManagerProc inProc)
{
    Finders().emplace(inKind, inProc);
}

DxSet* DxSet::FindExistingSet(const CxString& inId)
{
    const auto iter = Sets().find(inId);
    return iter == Sets().end() ? nullptr : iter->second;
}

DxSet* DxSet::FindOrCreateSet(const CxString& inId, CxSint32 inKind)
{
    if (DxSet* existing = FindExistingSet(inId))
        return existing;
    if (sOnline)
    {
        CxUrl url(RegistryUrlFor(inId));
        CxData body = url.Get();
        if (url.ResponseCode() == 200 && body.Size() != 0)
        {
            try
            {
                const DxConfigParser parser(body);
                const CxSint32 kind = DxParseManagerType(parser);
                if (SupportsType(kind))
                {
                    DxSet* set = new DxSet(inId, kind);
                    set->SetName(parser.StringProperty("name"));
                    return set;
                }
            }
            catch (...)
            {
                // Not a configuration this version reads: the caller's kind, as for any failed lookup.
            }
        }
    }
    DxSet* set = new DxSet(inId, inKind);
    CxAssertText(set != nullptr, "outset != nil");
    return set;
}

void DxSet::InitCachedSets(const CxFolder& inDataRoot)
{
    std::vector<CxFolderItem> items;
    try
    {
        items = inDataRoot.Contents();
    }
    catch (...)
    {
        return;
    }
    for (const CxFolderItem& item : items)
    {
        try
        {
            if (!item.IsFolder() || FindExistingSet(item.Name()) != nullptr)
                continue;
            const CxFolder folder = item.AsFolder();
            if (!folder.ContainsFolder("info") || !folder.ExistingFolder("info").ContainsFile("config.xml"))
                continue;
            CxData config = folder.ExistingFolder("info").ExistingFile("config.xml").ReadContents();
            const DxConfigParser parser(config);
            if (SupportsType(DxParseManagerType(parser)))
                new DxSet(folder);
        }
        catch (...)
        {
            // One unreadable folder does not keep the others from registering.
        }
    }
}

void DxSet::DeleteAllSets()
{
    // One at a time, out of the registry before its destructor runs (GCC 12 takes a swap into a local map for a
    // dangling pointer).
    SetMap& sets = Sets();
    while (!sets.empty())
    {
        DxSet* set = sets.begin()->second;
        sets.erase(sets.begin());
        delete set;
    }
}

DxSet::SetMap::const_iterator DxSet::BeginSets()
{
    return Sets().cbegin();
}

DxSet::SetMap::const_iterator DxSet::EndSets()
{
    return Sets().cend();
}

CxUint32 DxSet::CountSets()
{
    return static_cast<CxUint32>(Sets().size());
}

CxUint32 DxSet::CountSetsOfType(CxSint32 inKind)
{
    return static_cast<CxUint32>(std::count_if(
        Sets().begin(), Sets().end(), [inKind](const auto& inEntry) { return inEntry.second->Kind() == inKind; }));
}

DxSet* DxSet::FindFirstSetOfType(CxSint32 inKind)
{
    std::vector<DxSet*> sets;
    for (const auto& entry : Sets())
        if (entry.second->Kind() == inKind)
            sets.push_back(entry.second);
    if (sets.empty())
        return nullptr;
    std::stable_sort(sets.begin(), sets.end(), NameSortPredicate);
    return sets.front();
}

DxSet* DxSet::PreferredSetOfType(CxSint32 inKind)
{
    const CxString id = CxGetGlobalPreferences().GetStringValue(PreferenceKey(inKind));
    if (DxSet* set = id.Length() == 0 ? nullptr : FindExistingSet(id))
        return set;
    return FindFirstSetOfType(inKind);
}

bool DxSet::NameSortPredicate(const DxSet* inA, const DxSet* inB)
{
    return inA->Name() < inB->Name();
}

bool DxSet::SupportsType(CxSint32 inKind)
{
    return inKind >= 0 && inKind <= 8 && ((0x19E >> inKind) & 1) != 0;
}

bool DxSet::Online()
{
    return sOnline;
}

void DxSet::GoOnline()
{
    sOnline = true;
}

void DxSet::GoOffline()
{
    sOnline = false;
}

const CxString& DxSet::RegistryUrl()
{
    if (!Registry())
        Registry() = CxServerAddress("REGISTRY", "https://data.skyvane.org") + "/nimbrel/registry.php?id=&id;";
    return *Registry();
}

CxString DxSet::RegistryUrlFor(const CxString& inId)
{
    CxString url = RegistryUrl();
    url.ReplaceAll("&id;", PercentEncode(inId), 0);
    return url;
}

void DxSet::InstallManagerForTesting(DxManager* inManager)
{
    if (inManager != mManager)
        delete mManager;
    mManager = inManager;
    if (mManager != nullptr)
        mManager->SetAuthenticationKey(mKey);
}

void DxSet::RebuildRegistryUrlForTesting()
{
    Registry().reset();
}
