#include "DxShapeManager.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxFile.h"
#include "DxCache.h"
#include "DxShapeClient.h"
#include "DxShapeFrameBuilder.h"

#include <cstring>

namespace
{

// The region before the first colon of a record key, the feature after it.
std::pair<CxString, CxString> SplitKey(const CxString& inKey)
{
    const CxUint32 colon = inKey.Find(":");
    if (colon >= inKey.Length())
        return {inKey, CxString()};
    return {colon == 0 ? CxString() : inKey.Substring(0, colon - 1), inKey.Substring(colon + 1, inKey.Length())};
}

CxString ReplaceKey(CxString inPattern, const CxString& inKey)
{
    const auto [region, feature] = SplitKey(inKey);
    inPattern.ReplaceAll("%region;", region, 0);
    inPattern.ReplaceAll("%feature;", feature, 0);
    return inPattern;
}

template <class Entry> Entry FindEntry(const std::vector<Entry>& inList, const CxString& inId)
{
    for (const Entry& entry : inList)
        if (entry.Id() == inId)
            return entry;
    return Entry(inId, inId);
}

} // namespace

DxShapeManager::DxShapeManager(const CxString& inId)
    : DxManager(RenameShapesFolderPleaseRemoveInAFutureVersion(inId)), mConfigUrl(RegistryUrl())
{
    CxAssertText(mCache != nullptr, "mCache != nil");
    TakeCachedInfo("config.xml", [this](CxData& ioData) { return ParseConfig(ioData); });
    TakeCachedInfo("shapeinfo.xml", [this](CxData& ioData) { return ParseShapeList(ioData); });
    Register(mId, this);
    mExtensions.push_back(".shp");
    mExtensions.push_back(".wxshp");
}

DxShapeManager::~DxShapeManager()
{
    Close(); // before anything a running job reads goes
    Unregister(mId, this);
}

const CxString& DxShapeManager::RenameShapesFolderPleaseRemoveInAFutureVersion(const CxString& inId)
{
    try
    {
        const CxFolder root = RootDataFolder();
        if (inId.Length() == 0 || !root.IsValid() || !root.ContainsFolder(inId))
            return inId;
        CxFolder set = root.ExistingFolder(inId);
        if (!set.ContainsFolder("shapes") || set.Contains("data"))
            return inId;
        CxFolder shapes = set.ExistingFolder("shapes");
        const CxFolder data = set.CreateFolder("data");
        for (const CxFolderItem& item : shapes.Contents())
        {
            if (item.IsFile())
                item.AsFile().MoveTo(data);
            else if (item.IsFolder())
                item.AsFolder().MoveTo(data);
        }
        if (shapes.IsEmpty())
            shapes.Delete();
    }
    catch (const CxError&)
    {
        // Left as far as it got: the files still read from wherever they are.
    }
    return inId;
}

bool DxShapeManager::ParseConfig(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    bool result = false;
    try
    {
        const DxConfigParser parser(ioData);
        if (!parser.FoundRoot())
            return false;
        const CxString base = ReadDescription(parser, mConfigUrl);
        // No list URL means no list to fetch, not the base URL itself.
        const CxString list = parser.StringProperty("shapeInfoUrl");
        mShapeListUrl = list.Length() == 0 ? CxString() : JoinUrl(base, list);
        mDataUrlFormat = UrlPattern(JoinUrl(base, parser.StringProperty("dataUrlFormat")));
        if (parser.StringProperty("archive") == "auto")
            mArchive = true;
        if (parser.StringProperty("updateCachedData") == "false")
            mUpdateCachedData = false;
        if (parser.StringProperty("fillMode") == "individual")
            mFillAsSinglePolygon = false;
        mQueryUrlFormat = parser.StringProperty("dataQueryUrlFormat");
        mQueryDateFormat = parser.StringProperty("dataQueryDateFormatString");
        if (const CxSint32 stale = parser.SecondsProperty("staleThreshold"); stale != 0)
            mStaleThreshold = stale;
        if (const CxSint32 threshold = parser.SecondsProperty("minimumCheckThreshold"); threshold != 0)
            mMinimumCheckThreshold = threshold;
        if (const CxSint32 resolution = parser.SecondsProperty("dataResolution"); resolution > 0)
            SetTimeResolution(resolution);
        mMimeMapping = parser.StringProperty("mimeTypeMapping");
        if (const CxSint32 offset = parser.SecondsProperty("dataResolutionOffset"); offset != 0)
            mDataResolutionOffset = offset;
        SetStatus("Idle.");
        mConfigured = true;
        result = true;
    }
    catch (...)
    {
        SetStatus("Invalid config.xml.");
    }
    return result;
}

bool DxShapeManager::ParseShapeList(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    try
    {
        if (DxShapeListParser(ioData, mRegions, mFeatures).FoundRoot())
            return true;
    }
    catch (...)
    {
    }
    SetStatus("Invalid shapeinfo.xml.");
    return false;
}

std::vector<DxRegion> DxShapeManager::Regions()
{
    CxAutoLock lock(mRegion);
    return mRegions;
}

std::vector<DxFeature> DxShapeManager::Features()
{
    CxAutoLock lock(mRegion);
    return mFeatures;
}

DxRegion DxShapeManager::FindRegion(const CxString& inId)
{
    CxAutoLock lock(mRegion);
    return FindEntry(mRegions, inId);
}

DxFeature DxShapeManager::FindFeature(const CxString& inId)
{
    CxAutoLock lock(mRegion);
    return FindEntry(mFeatures, inId);
}

bool DxShapeManager::FillAsSinglePolygon()
{
    CxAutoLock lock(mRegion);
    return mFillAsSinglePolygon;
}

CxString DxShapeManager::ConfigUrl()
{
    CxAutoLock lock(mRegion);
    return mConfigUrl;
}

CxString DxShapeManager::ShapeListUrl()
{
    CxAutoLock lock(mRegion);
    return mShapeListUrl;
}

CxString DxShapeManager::DataUrlFormat()
{
    CxAutoLock lock(mRegion);
    return mDataUrlFormat;
}

DxFrame* DxShapeManager::OnBuildFrameForClient(DxRecord* inRecord, const CxString&, CxData& inData, DxClient* inClient)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr || dynamic_cast<DxShapeClient*>(inClient) == nullptr)
        return nullptr;
    std::unique_ptr<DxShape> shape = DxBuildShapeFrame(inData, inRecord->mAttributes);
    if (shape == nullptr)
        return nullptr;
    shape->SetDate(GetTimeResolution() >= 1 ? inRecord->mDate : sMissingDate);
    return shape.release();
}

// One folder per region; the date leads the name only for a set whose shapes change with time.
CxString DxShapeManager::OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders)
{
    const auto [region, feature] = SplitKey(inRecord->mAttributes);
    outFolders.push_back(region);
    CxString name;
    if (GetTimeResolution() > 0)
        name = inRecord->mDate.AsString(FileDateFormat(), 0);
    return name + region + feature;
}

CxString DxShapeManager::OnGetUrlForRecord(DxRecord* inRecord)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return CxString();
    return inRecord->mDate.AsString(ReplaceKey(DataUrlFormat(), inRecord->mAttributes), 0);
}

CxString DxShapeManager::OnGetQueryUrl(const DxSubscription& inSubscription)
{
    return FillQueryUrl(inSubscription, [&](CxString& ioUrl) { ioUrl = ReplaceKey(ioUrl, inSubscription.Attribs()); });
}

bool DxShapeManager::OnUpdateConfig()
{
    const std::optional<InfoRefresh> config =
        RefreshConfigDocument(ConfigUrl(), [this](CxData& ioData) { return ParseConfig(ioData); });
    if (!config)
        return false;
    bool result = config->NewContent();
    if (const CxString listUrl = ShapeListUrl(); listUrl.Length() != 0)
        result |= RefreshInfoDocument(listUrl, "shapeinfo.xml", false,
                                      [this](CxData& ioData) { return ParseShapeList(ioData); })
                      .NewContent();
    EndConfigRefresh();
    return result;
}

bool DxShapeManager::OnAcceptData(CxData& ioData, const CxString& inExtension)
{
    CxAutoLock lock(ioData);
    const auto* bytes = static_cast<const unsigned char*>(ioData.Pointer());
    const std::size_t size = ioData.Size();
    return DxPlausibleShapeData(bytes, size, inExtension == ".wxshp");
}

bool DxShapeManager::OnGuessDataExtension(CxData& inData, CxString& ioExtension)
{
    const auto* bytes = static_cast<const unsigned char*>(inData.GetHandle());
    if (bytes == nullptr || inData.Size() < 4)
        return false;
    if ((CxUint32(bytes[0]) << 24 | CxUint32(bytes[1]) << 16 | CxUint32(bytes[2]) << 8 | bytes[3]) != 9994)
        return false;
    ioExtension = ".shp";
    return true;
}
