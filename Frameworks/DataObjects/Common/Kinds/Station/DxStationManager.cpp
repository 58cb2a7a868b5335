#include "DxStationManager.h"

#include "DxCache.h"
#include "DxConfigParsers.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxKdfParsers.h"
#include "DxParmInfo.h"

#include <algorithm>

DxStationManager::DxStationManager(const CxString& inId) : DxManager(inId), mConfigUrl(RegistryUrl())
{
    HoldCachedInfo("siteinfo.xml");
}

DxStationManager::~DxStationManager()
{
    Close(); // before anything a running job reads goes
}

bool DxStationManager::ParseSiteList(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    try
    {
        DxTable* table = nullptr;
        const DxSiteListParser parser(ioData, table);
        std::unique_ptr<DxTable> owned(table);
        if (parser.FoundRoot())
        {
            mSites = std::move(owned);
            return true;
        }
    }
    catch (...)
    {
    }
    SetStatus("Invalid siteinfo.xml.");
    return false;
}

bool DxStationManager::ParseParmList(CxData& ioData)
{
    CxAutoLock lock(mRegion);
    try
    {
        std::vector<DxParm> parms;
        std::vector<DxDerivedParm> derived;
        std::vector<DxVectorParm> vectors;
        const DxParmListParser parser(ioData, parms, derived, vectors);
        // Taken, another document would leave only the reader's stand-in, and an empty one no parameter at all.
        if (parser.FoundRoot())
        {
            mParms.swap(parms);
            mDerived.swap(derived);
            mVectors.swap(vectors);
            return true;
        }
        // No list cached yet is nothing invalid; a refresh that fetched an empty one names it.
        if (ioData.Size() == 0)
            return false;
    }
    catch (...)
    {
    }
    SetStatus("Invalid parminfo.xml.");
    return false;
}

DxTable* DxStationManager::Sites()
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

DxParm DxStationManager::FindParm(const CxString& inId)
{
    CxAutoLock lock(mRegion);
    return DxParmListParser::FindParm(mParms, inId);
}

bool DxStationManager::FindListedParm(const CxString& inId, DxParm& outParm)
{
    CxAutoLock lock(mRegion);
    const auto iter =
        std::find_if(mParms.begin(), mParms.end(), [&inId](const DxParm& inParm) { return inParm.Id() == inId; });
    if (iter == mParms.end())
        return false;
    outParm = *iter;
    return true;
}

void DxStationManager::DescribeField(DxField* ioField, const CxString& inId)
{
    DxParm listed;
    if (FindListedParm(inId, listed))
        DxSetParmInfo(ioField, listed);
}

DxDerivedParm DxStationManager::FindDerivedParm(const CxString& inId)
{
    CxAutoLock lock(mRegion);
    const auto iter = std::find_if(mDerived.begin(), mDerived.end(),
                                   [&inId](const DxDerivedParm& inParm) { return inParm.Id() == inId; });
    return iter != mDerived.end() ? *iter : DxDerivedParm(inId, CxString(), {});
}

DxVectorParm DxStationManager::FindVectorParm(const CxString& inId)
{
    CxAutoLock lock(mRegion);
    const auto iter = std::find_if(mVectors.begin(), mVectors.end(),
                                   [&inId](const DxVectorParm& inParm) { return inParm.Id() == inId; });
    if (iter != mVectors.end())
        return *iter;
    DxVectorParm missing;
    missing.SetId(inId);
    missing.SetName(inId);
    return missing;
}

std::vector<DxParm> DxStationManager::Parms()
{
    CxAutoLock lock(mRegion);
    return mParms;
}

std::vector<DxDerivedParm> DxStationManager::DerivedParms()
{
    CxAutoLock lock(mRegion);
    return mDerived;
}

std::vector<DxVectorParm> DxStationManager::VectorParms()
{
    CxAutoLock lock(mRegion);
    return mVectors;
}

bool DxStationManager::OnUpdateConfig()
{
    CxString configUrl;
    {
        CxAutoLock lock(mRegion);
        configUrl = mConfigUrl;
    }
    const std::optional<InfoRefresh> config =
        RefreshConfigDocument(configUrl, [this](CxData& ioData) { return ParseConfig(ioData); });
    if (!config)
        return false;
    CxString siteUrl;
    CxString parmUrl;
    {
        CxAutoLock lock(mRegion);
        siteUrl = mSiteInfoUrl;
        parmUrl = mParmInfoUrl;
    }
    bool result = config->NewContent();
    if (siteUrl.Length() != 0)
        result |= RefreshInfoDocument(siteUrl, "siteinfo.xml", false,
                                      [this](CxData& ioData) { return ParseSiteList(ioData); })
                      .NewContent();
    if (parmUrl.Length() != 0)
        result |= RefreshInfoDocument(parmUrl, "parminfo.xml", false,
                                      [this](CxData& ioData) { return ParseParmList(ioData); })
                      .NewContent();
    EndConfigRefresh();
    return result;
}

bool DxStationManager::HasStations(DxKdfParser& ioParser)
{
    DxTable table;
    const DxStringField* ids = ioParser.ParseField(&table, "stid") ? table.FindStringField("stid") : nullptr;
    return ids != nullptr && !ids->empty();
}
