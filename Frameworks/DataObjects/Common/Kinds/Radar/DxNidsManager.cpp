#include "DxNidsManager.h"

#include "CxDebug.h"
#include "DxCache.h"
#include "DxCanadianRadar.h"
#include "DxFrame.h"
#include "DxImage.h"
#include "DxNidsClient.h"
#include "DxNidsLevelThree.h"
#include "DxNidsLevelTwo.h"
#include "DxNidsNetCDF.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

// The site id is the key up to its first colon, the product id the rest; a key without one is all site.
void SplitKey(const CxString& inKey, CxString& outSite, CxString& outProduct)
{
    const CxUint32 colon = inKey.Find(":");
    outSite = colon == 0 ? CxString() : inKey.Substring(0, colon - 1);
    outProduct = inKey.Substring(colon + 1, inKey.Length());
}

template <class Info> Info FindInfo(const std::vector<Info>& inInfos, CxSint16 inCode)
{
    const auto iter = std::find_if(inInfos.begin(), inInfos.end(),
                                   [inCode](const Info& inInfo) { return inInfo.ProductCode() == inCode; });
    if (iter != inInfos.end())
        return *iter;
    Info missing;
    missing.SetKmPerPixel(1.0);
    return missing;
}

} // namespace

DxNidsManager::DxNidsManager(const CxString& inId)
    : DxManager(inId), mLists(std::make_shared<const ProductLists>()), mConfigUrl(RegistryUrl())
{
    mAutoRefresh = GetAutoRefreshIgnoreValue();
    CxAssertText(mCache != nullptr, "mCache != nil");
    if (mCache != nullptr)
    {
        TakeCachedInfo("config.xml", [this](CxData& ioData) { return ParseConfig(ioData); });
        TakeCachedInfo("prodinfo.xml", [this](CxData& ioData) { return ParseProductList(ioData); });
        HoldCachedInfo("siteinfo.xml");
    }
    Register(mId, this);
    mExtensions.push_back(".nids");
    mExtensions.push_back(".nc");
}

DxNidsManager::~DxNidsManager()
{
    Close(); // before anything a running job reads goes
    Unregister(mId, this);
}

bool DxNidsManager::ParseConfig(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    try
    {
        const DxConfigParser parser(ioData);
        if (!parser.FoundRoot())
            return false;
        const CxString base = ReadDescription(parser, mConfigUrl);
        mSiteInfoUrl = JoinUrl(base, parser.StringProperty("siteInfoUrl"));
        mProductInfoUrl = JoinUrl(base, parser.StringProperty("prodInfoUrl"));
        mDataUrlFormat = UrlPattern(JoinUrl(base, parser.StringProperty("dataUrlFormat")));
        mQueryUrlFormat = parser.StringProperty("dataQueryUrlFormat");
        mQueryDateFormat = parser.StringProperty("dataQueryDateFormatString");
        mStaleThreshold = parser.SecondsProperty("staleThreshold");
        mMinimumCheckThreshold = parser.SecondsProperty("minimumCheckThreshold");
        mMimeMapping = parser.StringProperty("mimeTypeMapping");
        SetTimeResolution(60);
        if (const CxSint32 resolution = parser.SecondsProperty("dataResolution"); resolution > 0)
            SetTimeResolution(resolution);
        if (const CxSint32 seconds = parser.SintProperty("secondsResolution"); seconds > 0)
            SetTimeResolution(seconds);
        if (parser.StringProperty("archive") == "auto")
            mArchive = true;
        if (parser.StringProperty("updateCachedData") == "false")
            mUpdateCachedData = false;
        if (parser.StringProperty("searchServer") == "true")
            mSearchServer = true;
        if (const CxSint32 window = parser.SecondsProperty("realTimeDataWindow"); window > 0)
            mRealTimeDataWindow = float(window);
        SetStatus("Idle.");
        mConfigured = true;
        return true;
    }
    catch (...)
    {
        SetStatus("Invalid config.xml.");
        return false;
    }
}

bool DxNidsManager::ParseSiteList(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    try
    {
        DxTable* table = nullptr;
        const DxSiteListParser parser(ioData, table);
        std::shared_ptr<DxTable> owned(table);
        if (owned != nullptr)
            mSites = std::move(owned);
        return parser.FoundRoot();
    }
    catch (...)
    {
        SetStatus("Invalid siteinfo.xml.");
        return false;
    }
}

bool DxNidsManager::ParseProductList(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    try
    {
        // The reader leaves the lists alone unless it finds them, so it starts from the ones held.
        auto lists = std::make_shared<ProductLists>(*mLists);
        const DxNidsListParser parser(ioData, lists->mProducts, lists->mMosaics, lists->mRadials);
        if (!parser.FoundRoot())
            return false;
        mLists = std::move(lists);
        return true;
    }
    catch (...)
    {
        SetStatus("Invalid prodinfo.xml.");
        return false;
    }
}

namespace
{

CxUint32 LoadBig32(const CxUint8* inBytes)
{
    return CxUint32(inBytes[0]) << 24 | CxUint32(inBytes[1]) << 16 | CxUint32(inBytes[2]) << 8 | inBytes[3];
}

// A Level III message: its header and the product description's divider, and every byte its header counts.
bool SoundLevelThree(const CxUint8* inBytes, std::size_t inSize)
{
    if (inSize >= 30 && std::memcmp(inBytes + 18, "\r\r\n", 3) == 0 && std::memcmp(inBytes + 27, "\r\r\n", 3) == 0)
        inBytes += 30, inSize -= 30;
    constexpr std::size_t kHeaderAndDescription = 120;
    if (inSize < kHeaderAndDescription || inBytes[18] != 0xFF || inBytes[19] != 0xFF)
        return false;
    const CxUint32 length = LoadBig32(inBytes + 8);
    return length >= kHeaderAndDescription && length <= inSize;
}

// A Level II volume: its header, and an LDM volume's first record whole.
bool SoundLevelTwo(const CxUint8* inBytes, std::size_t inSize)
{
    constexpr std::size_t kVolumeHeader = 24;
    if (inSize <= kVolumeHeader + 4)
        return false;
    if (inSize >= kVolumeHeader + 7 && std::memcmp(inBytes + kVolumeHeader + 4, "BZh", 3) == 0)
    {
        // The control word is negative on a volume's last record.
        const CxSint64 record = std::abs(CxSint64(CxSint32(LoadBig32(inBytes + kVolumeHeader))));
        return record > 0 && CxUint64(record) <= inSize - kVolumeHeader - 4;
    }
    return true;
}

} // namespace

DxRadarFormat DxNidsManager::FormatOf(const CxData& inData)
{
    CxData data(inData);
    data.Lock();
    const auto* bytes = static_cast<const CxUint8*>(data.Pointer());
    const std::size_t size = data.Size();
    const DxRadarFormat format = DxCanadianRadarParser::Recognizes(bytes, size) ? DxRadarFormat::kCanadian
                                 : NidsLevelTwoParser::Recognizes(bytes, size)  ? DxRadarFormat::kLevelTwo
                                 : NidsNetCDFParser::Recognizes(bytes, size)    ? DxRadarFormat::kNetCDF
                                                                                : DxRadarFormat::kLevelThree;
    data.Unlock();
    return format;
}

bool DxNidsManager::OnAcceptData(CxData& ioData, const CxString&)
{
    // The header checks of the reader the update will choose; no decode on the network thread. A product
    // without an image (a text product) is kept when its header is sound.
    const DxRadarFormat format = FormatOf(ioData);
    CxAutoLock lock(ioData);
    const auto* bytes = static_cast<const CxUint8*>(ioData.Pointer());
    const std::size_t size = ioData.Size();
    switch (format)
    {
    case DxRadarFormat::kLevelThree:
        return SoundLevelThree(bytes, size);
    case DxRadarFormat::kLevelTwo:
        return SoundLevelTwo(bytes, size);
    case DxRadarFormat::kNetCDF:
        return NidsNetCDFParser::PlausibleHeader(bytes, size);
    default:
        return true;
    }
}

std::vector<DxNidsProduct> DxNidsManager::NidsProducts()
{
    CxAutoLock lock(mRegion);
    return mLists->mProducts;
}

DxNidsProduct DxNidsManager::FindNidsProduct(const DxNidsProduct& inProduct)
{
    CxAutoLock lock(mRegion);
    const auto& products = mLists->mProducts;
    const auto iter = std::find_if(products.begin(), products.end(),
                                   [&inProduct](const DxNidsProduct& inHeld) { return inHeld.Id() == inProduct.Id(); });
    return iter != products.end() ? *iter : inProduct;
}

DxNidsMosaicInfo DxNidsManager::FindMosaicInfo(CxSint16 inCode)
{
    CxAutoLock lock(mRegion);
    return FindInfo(mLists->mMosaics, inCode);
}

DxNidsRadialInfo DxNidsManager::FindRadialInfo(CxSint16 inCode)
{
    CxAutoLock lock(mRegion);
    return FindInfo(mLists->mRadials, inCode);
}

DxTable* DxNidsManager::Sites()
{
    CxAutoLock lock(mRegion);
    if (mSites == nullptr && mCache != nullptr)
    {
        CxData data = InfoInForce("siteinfo.xml");
        if (data.Size() != 0 && !ParseSiteList(data))
            ForgetInfoInForce("siteinfo.xml");
    }
    return mSites.get();
}

std::shared_ptr<const DxTable> DxNidsManager::SiteTable()
{
    CxAutoLock lock(mRegion);
    Sites();
    return mSites;
}

DxNidsSite DxNidsManager::FindNidsSite(const DxNidsSite& inSite)
{
    CxAutoLock lock(mRegion);
    const DxTable* sites = Sites();
    const DxStringField* ids = sites != nullptr ? sites->FindStringField("stid") : nullptr;
    const DxStringField* names = sites != nullptr ? sites->FindStringField("name") : nullptr;
    const CxSint32 row = ids != nullptr ? sites->Lookup(inSite.Id()) : -1;
    if (row < 0 || names == nullptr || std::size_t(row) >= names->size() || std::size_t(row) >= ids->size())
        return inSite;
    return DxNidsSite((*ids)[row], (*names)[row]);
}

CxString DxNidsManager::ConfigUrl()
{
    CxAutoLock lock(mRegion);
    return mConfigUrl;
}

CxString DxNidsManager::SiteInfoUrl()
{
    CxAutoLock lock(mRegion);
    return mSiteInfoUrl;
}

CxString DxNidsManager::ProductInfoUrl()
{
    CxAutoLock lock(mRegion);
    return mProductInfoUrl;
}

CxString DxNidsManager::DataUrlFormat()
{
    CxAutoLock lock(mRegion);
    return mDataUrlFormat;
}

DxFrame* DxNidsManager::OnBuildFrameForClient(DxRecord*, const CxString&, CxData& inData, DxClient* inClient)
{
    auto* client = dynamic_cast<DxNidsClient*>(inClient);
    std::shared_ptr<const ProductLists> lists;
    {
        CxAutoLock lock(mRegion);
        lists = mLists;
    }
    std::unique_ptr<DxFrame> frame;
    switch (FormatOf(inData))
    {
    case DxRadarFormat::kLevelThree:
        frame.reset(NidsLevelThreeParser().Parse(inData, lists->mMosaics, lists->mRadials));
        break;
    // The reader gets the table it reads as its own copy, not the manager's lock.
    case DxRadarFormat::kLevelTwo:
        if (client != nullptr)
        {
            const std::shared_ptr<const DxTable> sites = SiteTable();
            frame.reset(NidsLevelTwoParser().Parse(inData, client->Site().Id(), client->Product().Id(), sites.get()));
        }
        break;
    case DxRadarFormat::kNetCDF:
        frame.reset(NidsNetCDFParser().Parse(inData));
        break;
    case DxRadarFormat::kCanadian:
        frame.reset(DxCanadianRadarParser().Parse(inData, lists->mRadials));
        break;
    }
    if (dynamic_cast<DxImage*>(frame.get()) == nullptr)
        return nullptr;
    return frame.release();
}

CxString DxNidsManager::OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return CxString();
    CxString site;
    CxString product;
    SplitKey(inRecord->mAttributes, site, product);
    outFolders.push_back(site);
    outFolders.push_back(product);
    return inRecord->mDate.AsString(FileDateFormat(), 0) + product + "_" + site;
}

CxString DxNidsManager::OnGetUrlForRecord(DxRecord* inRecord)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return CxString();
    CxString site;
    CxString product;
    SplitKey(inRecord->mAttributes, site, product);
    CxString pattern = DataUrlFormat();
    pattern.ReplaceAll("%siteid;", site, 0);
    pattern.ReplaceAll("%product;", product, 0);
    pattern.ReplaceAll("%threelettersiteid;", site.Substring(1, site.Length()), 0);
    return inRecord->mDate.AsString(pattern, 0);
}

CxString DxNidsManager::OnGetQueryUrl(const DxSubscription& inSubscription)
{
    return FillQueryUrl(inSubscription,
                        [&](CxString& ioUrl)
                        {
                            CxString site;
                            CxString product;
                            SplitKey(inSubscription.Attribs(), site, product);
                            ioUrl.ReplaceAll("%siteid;", site, 0);
                            ioUrl.ReplaceAll("%product;", product, 0);
                        });
}

bool DxNidsManager::OnUpdateConfig()
{
    const std::optional<InfoRefresh> config =
        RefreshConfigDocument(ConfigUrl(), [this](CxData& ioData) { return ParseConfig(ioData); });
    if (!config)
        return false;
    // Each list is asked for whatever became of the configuration; a document counts when it was read and taken
    // in and differs from the copy in force.
    const auto refresh = [this](const CxString& inUrl, const char* inName, bool (DxNidsManager::*inParse)(CxData&))
    {
        const auto parse = [this, inParse](CxData& ioData) { return (this->*inParse)(ioData); };
        return inUrl.Length() != 0 && RefreshInfoDocument(inUrl, inName, false, parse).NewContent();
    };
    bool result = config->NewContent();
    result |= refresh(SiteInfoUrl(), "siteinfo.xml", &DxNidsManager::ParseSiteList);
    result |= refresh(ProductInfoUrl(), "prodinfo.xml", &DxNidsManager::ParseProductList);
    EndConfigRefresh();
    return result;
}
