#include "DxAdvisoryManager.h"

#include "CxDebug.h"
#include "CxError.h"
#include "DxAdvisoryClient.h"
#include "DxAdvisoryParser.h"
#include "DxCache.h"
#include "DxShape.h"
#include "DxShapeFileReader.h"

namespace
{

// Outlines idle this long are freed.
constexpr double kIdleSeconds = 60.0;

// An unset URL stays unset rather than becoming the base itself.
CxString JoinSet(const CxString& inBase, const CxString& inUrl)
{
    return inUrl.Length() == 0 ? inUrl : DxManager::JoinUrl(inBase, inUrl);
}

} // namespace

DxAdvisoryManager::DxAdvisoryManager(const CxString& inId) : DxManager(inId), mConfigUrl(RegistryUrl())
{
    CxAssertText(mCache != nullptr, "mCache != nil");
    TakeCachedInfo("config.xml", [this](CxData& ioData) { return ParseConfig(ioData); });
    TakeCachedInfo("prodinfo.xml", [this](CxData& ioData) { return ParseProductList(ioData); });
    Register(mId, this);
    mExtensions.push_back(".xml");
    mPurgeTimer.AttachReceiver(this);
    mPurgeTimer.StartRepeating();
}

DxAdvisoryManager::~DxAdvisoryManager()
{
    Close(); // before anything a running job reads goes
    mPurgeTimer.StopRepeating();
    Unregister(mId, this);
}

bool DxAdvisoryManager::ParseConfig(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    bool result = false;
    try
    {
        const DxConfigParser parser(ioData);
        if (!parser.FoundRoot())
            return false;
        const CxString base = ReadDescription(parser, mConfigUrl);
        mProductListUrl = JoinSet(base, parser.StringProperty("prodInfoUrl"));
        mDataUrlFormat = JoinSet(base, parser.StringProperty("dataUrlFormat"));
        if (const CxString advisoryBase = parser.StringProperty("advisoryBaseUrl"); advisoryBase.Length() != 0)
            mAdvisoryBaseUrl = JoinUrl(base, advisoryBase);
        mShapeResource = parser.StringProperty("shapeResource");
        if (parser.StringProperty("archive") == "auto")
            mArchive = true;
        if (parser.StringProperty("autoClosePolygons") == "false")
            mAutoClose = false;
        if (parser.StringProperty("updateCachedData") == "false")
            mUpdateCachedData = false;
        mQueryUrlFormat = parser.StringProperty("dataQueryUrlFormat");
        mQueryDateFormat = parser.StringProperty("dataQueryDateFormatString");
        if (const CxSint32 stale = parser.SecondsProperty("staleThreshold"); stale != 0)
            mStaleThreshold = stale;
        if (const CxSint32 threshold = parser.SecondsProperty("minimumCheckThreshold"); threshold != 0)
            mMinimumCheckThreshold = threshold;
        if (const CxSint32 resolution = parser.SecondsProperty("dataResolution"); resolution > 0)
            SetTimeResolution(resolution);
        if (const CxSint32 offset = parser.SecondsProperty("dataResolutionOffset"); offset != 0)
            mDataResolutionOffset = offset;
        mMimeMapping = parser.StringProperty("mimeTypeMapping");
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

bool DxAdvisoryManager::ParseProductList(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    try
    {
        if (DxAdvisoryListParser(ioData, mAdvisories).FoundRoot())
            return true;
    }
    catch (...)
    {
    }
    SetStatus("Invalid prodinfo.xml.");
    return false;
}

std::vector<DxAdvisory> DxAdvisoryManager::AdvisoryInfo()
{
    CxAutoLock lock(mRegion);
    return mAdvisories;
}

CxUint32 DxAdvisoryManager::CountAdvisoryInfo()
{
    CxAutoLock lock(mRegion);
    return CxUint32(mAdvisories.size());
}

CxString DxAdvisoryManager::GetProductName(const CxString& inId)
{
    CxAutoLock lock(mRegion);
    for (const DxAdvisory& advisory : mAdvisories)
        if (advisory.Id() == inId)
            return advisory.Name();
    return "Unknown";
}

CxString DxAdvisoryManager::GetProductColorString(const CxString& inId)
{
    CxAutoLock lock(mRegion);
    for (const DxAdvisory& advisory : mAdvisories)
        if (advisory.Id() == inId)
            return advisory.Color();
    return "#000000";
}

CxString DxAdvisoryManager::GetAdvisoryBaseUrl()
{
    CxAutoLock lock(mRegion);
    return mAdvisoryBaseUrl;
}

bool DxAdvisoryManager::AutoClosePolygons()
{
    CxAutoLock lock(mRegion);
    return mAutoClose;
}

std::unique_ptr<DxShape> DxAdvisoryManager::RequestPolygon(const CxString& inId)
{
    CxAutoLock lock(mRegion);
    try
    {
        if (mOutlines == nullptr)
        {
            CxFile file = mCache->FindResourceFile(mShapeResource);
            if (!file.IsValid())
                return nullptr;
            mOutlines = std::make_unique<DxShapeArchiveParser>(file);
        }
        if (const DxShape* outline = mOutlines->GetShapeForId(inId))
            return std::make_unique<DxShape>(*outline);
    }
    catch (const CxError& inError)
    {
        // An unreadable outline drops that area only; the rest of the document still builds.
        CxDebug(inError.AsString());
    }
    return nullptr;
}

void DxAdvisoryManager::PurgeShapeArchive()
{
    CxAutoLock lock(mRegion);
    if (mOutlines != nullptr)
        mOutlines->PurgeShapes(CxDate() - kIdleSeconds);
}

CxUint32 DxAdvisoryManager::CountHeldOutlines()
{
    CxAutoLock lock(mRegion);
    return mOutlines != nullptr ? mOutlines->CountShapes() : 0;
}

void DxAdvisoryManager::OnReceiveMessage(CxMessenger*, CxSint32 inCode, void*)
{
    if (inCode == kPurgeMessage)
        PurgeShapeArchive();
}

bool DxAdvisoryManager::OnAcceptData(CxData& ioData, const CxString&)
{
    // A document the reader parses, with the zone list every frame starts from.
    const DxAdvisoryParser parser(ioData);
    return parser.Parsed() && parser.Root() != nullptr && parser.Root()->FindElement("lcz") != nullptr;
}

DxFrame* DxAdvisoryManager::OnBuildFrameForClient(DxRecord* inRecord, const CxString&, CxData& inData,
                                                  DxClient* inClient)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    auto* client = dynamic_cast<DxAdvisoryClient*>(inClient);
    if (inRecord == nullptr || client == nullptr)
        return nullptr;
    const CxDate date = GetTimeResolution() < 1 ? sMissingDate : inRecord->mDate;
    DxAdvisoryParser parser(inData);
    std::unique_ptr<DxShape> shape = parser.Parse(this, client, AutoClosePolygons());
    if (shape == nullptr)
        return nullptr;
    shape->SetDate(date);
    return shape.release();
}

// One document for an untimed set, named by the set: the cache takes no empty name.
CxString DxAdvisoryManager::OnGetFilenameForRecord(DxRecord* inRecord, CxStringList&)
{
    if (GetTimeResolution() < 1)
        return mId;
    return inRecord->Date().AsString(FileDateFormat(), 0);
}

CxString DxAdvisoryManager::OnGetUrlForRecord(DxRecord* inRecord)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return CxString();
    CxString url = inRecord->mDate.AsString(mDataUrlFormat, 0);
    url.ReplaceAll(" ", "%20", 0);
    return url;
}

CxString DxAdvisoryManager::OnGetQueryUrl(const DxSubscription& inSubscription)
{
    return FillQueryUrl(inSubscription);
}

bool DxAdvisoryManager::OnUpdateConfig()
{
    CxString configUrl;
    CxString listUrl;
    {
        CxAutoLock lock(mRegion);
        configUrl = mConfigUrl;
    }
    const std::optional<InfoRefresh> config =
        RefreshConfigDocument(configUrl, [this](CxData& ioData) { return ParseConfig(ioData); });
    if (!config)
        return false;
    {
        CxAutoLock lock(mRegion);
        listUrl = mProductListUrl;
    }
    bool result = config->NewContent();
    if (listUrl.Length() != 0 &&
        RefreshInfoDocument(listUrl, "prodinfo.xml", false, [this](CxData& ioData) { return ParseProductList(ioData); })
            .NewContent())
        result = true;
    EndConfigRefresh();
    return result;
}
