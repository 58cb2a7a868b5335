#include "DxImageManager.h"

#include "CxDebug.h"
#include "DxCache.h"
#include "DxImage.h"
#include "DxImageClient.h"
#include "DxImageParsers.h"

#include <algorithm>
#include <cstddef>

namespace
{

// A record name or client key: category 1, ":" and category 2.
void SplitKey(const CxString& inKey, CxString& outCategory1, CxString& outCategory2)
{
    const CxUint32 colon = inKey.Find(":");
    outCategory1 = colon > 0 ? inKey.Substring(0, colon - 1) : CxString();
    outCategory2 = inKey.Substring(colon + 1, inKey.Length());
}

} // namespace

DxImageManager::DxImageManager(const CxString& inId) : DxManager(inId), mConfigUrl(RegistryUrl())
{
    CxAssertText(mCache != nullptr, "mCache != nil");
    TakeCachedInfo("config.xml", [this](CxData& ioData) { return ParseConfig(ioData); });
    TakeCachedInfo("datainfo.xml", [this](CxData& ioData) { return ParseProductList(ioData); });
    Register(mId, this);
    for (const char* extension : {".png", ".gif", ".jpg", ".tif"})
        mExtensions.push_back(extension);
}

DxImageManager::~DxImageManager()
{
    Close(); // before anything a running job reads goes
    Unregister(mId, this);
    CxAutoLock lock(mRegion);
    DeleteProjections();
}

void DxImageManager::DeleteProjections()
{
    for (DxImageProjectionInfo* info : mProjections)
        delete info;
    mProjections.clear();
}

bool DxImageManager::ParseConfig(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    CxAssertText(mCache != nullptr, "mCache != nil");
    try
    {
        const DxConfigParser parser(ioData);
        if (!parser.FoundRoot())
            return false;
        const CxString base = ReadDescription(parser, mConfigUrl);
        mProductInfoUrl = JoinUrl(base, parser.StringProperty("prodInfoUrl"));
        mDataUrlFormat = UrlPattern(JoinUrl(base, parser.StringProperty("dataUrlFormat")));
        mQueryUrlFormat = parser.StringProperty("dataQueryUrlFormat");
        mQueryDateFormat = parser.StringProperty("dataQueryDateFormatString");
        mStaleThreshold = parser.SecondsProperty("staleThreshold");
        mMinimumCheckThreshold = parser.SecondsProperty("minimumCheckThreshold");
        mMimeMapping = parser.StringProperty("mimeTypeMapping");
        if (const CxSint32 resolution = parser.SecondsProperty("dataResolution"); resolution > 0)
            SetTimeResolution(resolution);
        if (const CxSint32 offset = parser.SecondsProperty("dataResolutionOffset"); offset != 0)
            mDataResolutionOffset = offset;
        if (parser.StringProperty("archive") == "auto")
            mArchive = true;
        if (parser.StringProperty("updateCachedData") == "false")
            mUpdateCachedData = false;
        if (parser.StringProperty("searchServer") == "true")
            mSearchServer = true;
        if (const CxSint32 window = parser.SecondsProperty("realTimeDataWindow"); window > 0)
            mRealTimeDataWindow = static_cast<float>(window);
        SetStatus("Idle.");
        mConfigured = true;
        return true;
    }
    catch (...)
    {
        SetStatus("Invalid config.xml.");
    }
    return false;
}

bool DxImageManager::ParseProductList(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    try
    {
        const DxImageListParser parser(ioData, mCategories, mProjections, mLegends);
        return parser.FoundRoot();
    }
    catch (...)
    {
        SetStatus("Invalid datainfo.xml.");
    }
    return false;
}

DxImageCategory DxImageManager::GetCategory(CxUint32 inIndex)
{
    CxAutoLock lock(mRegion);
    if (inIndex < mCategories.size())
        return mCategories[inIndex];
    return DxImageCategory(CxString(), "Unknown");
}

DxImageItem DxImageManager::GetItemForCategory(CxUint32 inIndex, const DxImageItem& inItem)
{
    CxAutoLock lock(mRegion);
    if (inIndex < mCategories.size())
    {
        const std::vector<DxImageItem>& items = mCategories[inIndex].Items();
        if (const auto iter = std::find(items.begin(), items.end(), inItem); iter != items.end())
            return *iter;
    }
    return DxImageItem(inItem.Id(), "Unknown");
}

std::unique_ptr<DxImageProjectionInfo> DxImageManager::GetProjectionInfo(const CxString& inKey)
{
    CxAutoLock lock(mRegion);
    for (const DxImageProjectionInfo* info : mProjections)
        if (info->Key() == inKey)
            return std::make_unique<DxImageProjectionInfo>(*info);
    return nullptr;
}

DxImageLegendInfo DxImageManager::GetLegendInfo(const CxString& inKey)
{
    CxAutoLock lock(mRegion);
    for (const DxImageLegendInfo& legend : mLegends)
        if (legend.Key() == inKey)
            return legend;
    DxImageLegendInfo none;
    none.SetKey("n/a");
    return none;
}

CxString DxImageManager::ConfigUrl()
{
    CxAutoLock lock(mRegion);
    return mConfigUrl;
}

CxString DxImageManager::ProductInfoUrl()
{
    CxAutoLock lock(mRegion);
    return mProductInfoUrl;
}

CxString DxImageManager::DataUrlFormat()
{
    CxAutoLock lock(mRegion);
    return mDataUrlFormat;
}

bool DxImageManager::OnAcceptData(CxData& ioData, const CxString&)
{
    CxAutoLock lock(ioData);
    return DxImageFactory::Recognizes(static_cast<const CxUint8*>(ioData.Pointer()), ioData.Size());
}

DxFrame* DxImageManager::OnBuildFrameForClient(DxRecord* inRecord, const CxString&, CxData& inData, DxClient* inClient)
{
    if (dynamic_cast<DxImageClient*>(inClient) == nullptr || inRecord == nullptr)
        return nullptr;
    DxImageFactory factory;
    std::unique_ptr<DxImage> image(factory.ParseImage(inData));
    CxString category1;
    CxString category2;
    {
        CxAutoLock lock(mRegion);
        SplitKey(inRecord->mAttributes, category1, category2);
    }
    if (image == nullptr)
        return nullptr;
    if (!factory.HasProjection())
    {
        if (const auto info = GetProjectionInfo(category1))
        {
            image->SetProjection(*info->Projection());
            image->SetOrigin(info->Origin());
            image->SetPixelSize(info->PixelSize());
            image->GenerateMesh(info->Smoothing(), 128.0);
        }
        const DxImageLegendInfo legend = GetLegendInfo(category2);
        const CxStringList& colours = legend.Colors();
        const CxStringList& values = legend.Values();
        if (!colours.empty() && colours.size() == values.size())
        {
            DxStringField* keys = image->NewStringField("legendKey");
            DxStringField* labels = image->NewStringField("legendValue");
            keys->assign(colours.begin(), colours.end());
            labels->assign(values.begin(), values.end());
        }
    }
    CxAutoLock lock(mRegion);
    image->SetDate(GetTimeResolution() < 1 ? sMissingDate : inRecord->Date());
    return image.release();
}

CxString DxImageManager::OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders)
{
    CxString category1;
    CxString category2;
    SplitKey(inRecord->mAttributes, category1, category2);
    const CxString date = GetTimeResolution() >= 1 ? inRecord->mDate.AsString(FileDateFormat(), 0) : CxString();
    outFolders.Append(category1);
    outFolders.Append(category2);
    return date + category2 + "_" + category1;
}

CxString DxImageManager::OnGetUrlForRecord(DxRecord* inRecord)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return CxString();
    CxString category1;
    CxString category2;
    SplitKey(inRecord->mAttributes, category1, category2);
    CxString pattern = DataUrlFormat();
    pattern.ReplaceAll("%siteid;", category1, 0);
    pattern.ReplaceAll("%product;", category2, 0);
    return inRecord->mDate.AsString(pattern, 0);
}

CxString DxImageManager::OnGetQueryUrl(const DxSubscription& inSubscription)
{
    return FillQueryUrl(inSubscription,
                        [&](CxString& ioUrl)
                        {
                            CxString category1;
                            CxString category2;
                            SplitKey(inSubscription.Attribs(), category1, category2);
                            ioUrl.ReplaceAll("%category1;", category1, 0);
                            ioUrl.ReplaceAll("%category2;", category2, 0);
                        });
}

bool DxImageManager::OnUpdateConfig()
{
    const std::optional<InfoRefresh> config =
        RefreshConfigDocument(ConfigUrl(), [this](CxData& ioData) { return ParseConfig(ioData); });
    if (!config)
        return false;
    bool result = config->NewContent();
    if (const CxString url = ProductInfoUrl(); url.Length() != 0)
        result |=
            RefreshInfoDocument(url, "datainfo.xml", false, [this](CxData& ioData) { return ParseProductList(ioData); })
                .NewContent();
    EndConfigRefresh();
    return result;
}
