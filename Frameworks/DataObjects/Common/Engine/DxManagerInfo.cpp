#include "CxUrl.h"
#include "DxCache.h"
#include "DxConfigParsers.h"
#include "DxManager.h"

#include <cstring>
#include <memory>

namespace
{

std::string BytesOf(CxData& ioData)
{
    if (ioData.Size() == 0)
        return {};
    CxAutoLock lock(ioData);
    return std::string(static_cast<const char*>(ioData.Pointer()), ioData.Size());
}

} // namespace

std::optional<DxManager::InfoCopy> DxManager::FindInfoInForce(const CxString& inName) const
{
    CxAutoLock lock(mRegion);
    const auto found = mInfoInForce.find(inName);
    if (found == mInfoInForce.end())
        return std::nullopt;
    return found->second;
}

void DxManager::SetInfoInForce(const CxString& inName, const std::string& inBytes, const CxDate& inDate,
                               const CxString& inUrl)
{
    CxAutoLock lock(mRegion);
    mInfoInForce[inName] = InfoCopy{inBytes, inDate, inUrl};
}

bool DxManager::TakeCachedInfo(const CxString& inName, const std::function<bool(CxData&)>& inAccept)
{
    const CxDate date = mCache->GetInfoFileModDate(inName);
    CxData data = mCache->ReadInfo(inName);
    const std::string bytes = BytesOf(data);
    if (!inAccept(data))
        return false;
    if (!bytes.empty())
        SetInfoInForce(inName, bytes, date);
    return true;
}

void DxManager::HoldCachedInfo(const CxString& inName)
{
    const CxDate date = mCache->GetInfoFileModDate(inName);
    CxData data = mCache->ReadInfo(inName);
    if (data.Size() != 0)
        SetInfoInForce(inName, BytesOf(data), date);
}

CxData DxManager::InfoInForce(const CxString& inName) const
{
    const std::optional<InfoCopy> copy = FindInfoInForce(inName);
    if (!copy || copy->mBytes.empty())
        return CxData();
    return CxData(copy->mBytes.data(), CxUint32(copy->mBytes.size()));
}

void DxManager::ForgetInfoInForce(const CxString& inName)
{
    CxAutoLock lock(mRegion);
    mInfoInForce.erase(inName);
}

DxManager::InfoRefresh DxManager::RefreshInfoDocument(const CxString& inUrl, const CxString& inName,
                                                      bool inRetryAtRegistry,
                                                      const std::function<bool(CxData&)>& inAccept)
{
    InfoRefresh result;
    const std::optional<InfoCopy> inForce = FindInfoInForce(inName);
    const CxString registry = RegistryUrl();
    auto request = std::make_unique<CxUrl>(inUrl);
    request->SetCancelFlag(&mClosing);
    const bool sameUrl = inForce && inForce->mUrl.Length() != 0 && inForce->mUrl == inUrl;
    request->SetIfModifiedSince(sameUrl ? inForce->mDate : sMissingDate);
    request->SetAuthenticationKey(AuthenticationKey());
    CxData body = request->Get();
    result.mStatus = request->ResponseCode();
    LogLine(" GET " + inUrl + " -- " + CxString(result.mStatus));
    CxString servedBy = inUrl;
    if (result.mStatus == 404 && inRetryAtRegistry && inUrl != registry)
    {
        request = std::make_unique<CxUrl>(registry);
        request->SetCancelFlag(&mClosing);
        body = request->Get();
        result.mStatus = request->ResponseCode();
        LogLine(" GET " + registry + " -- " + CxString(result.mStatus));
        servedBy = registry;
    }
    if (result.mStatus == 401)
        SetStatus("Authentication failed.");
    if (result.mStatus != 200)
        return result;
    const std::string bytes = BytesOf(body);
    const CxDate served = StampOfReply(request->LastModified());
    result.mUnchanged = inForce && inForce->mBytes == bytes;
    if (result.mUnchanged && mConfigured)
    {
        // Nothing new, but now known to come from here: the next request may send the condition.
        SetInfoInForce(inName, bytes, served, servedBy);
        return result;
    }
    if (!inAccept(body))
    {
        if (!Status().AsUtf8().starts_with("Invalid "))
            SetStatus("Invalid " + inName + ".");
        return result;
    }
    SetInfoInForce(inName, bytes, served, servedBy);
    result.mTaken = true;
    // What arrived is cached, whatever the reader did with its block.
    CxData stored(bytes.data(), CxUint32(bytes.size()));
    result.mStored = mCache->WriteInfoFile(inName, stored, served);
    if (!result.mStored)
        LogLine(" " + inName + " read but not stored: the copy read stays in force");
    return result;
}

CxString DxManager::ReadDescription(const DxConfigParser& inParser, CxString& outConfigUrl)
{
    mName = inParser.StringProperty("name");
    mProviderName = inParser.StringProperty("provider");
    mProviderUrl = inParser.UrlProperty("provider");
    mSourceName = inParser.StringProperty("source");
    mSourceUrl = inParser.UrlProperty("source");
    mContactName = inParser.StringProperty("contact");
    mContactUrl = inParser.UrlProperty("contact");
    const CxString base = inParser.StringProperty("baseUrl");
    const CxString config = inParser.StringProperty("configUrl");
    if (config.Length() != 0)
        outConfigUrl = JoinUrl(base, config);
    return base;
}

CxString DxManager::FillQueryUrl(const DxSubscription& inSubscription, const std::function<void(CxString&)>& inKeys)
{
    CxString url;
    CxString format;
    double stale = 0.0;
    {
        CxAutoLock lock(mRegion);
        url = mQueryUrlFormat;
        format = mQueryDateFormat;
        stale = mStaleThreshold;
    }
    if (inKeys)
        inKeys(url);
    url.ReplaceAll("%startDate;", (inSubscription.StartDate() - stale).AsString(format, 0), 0);
    url.ReplaceAll("%endDate;", inSubscription.EndDate().AsString(format, 0), 0);
    url.ReplaceAll(" ", "%20", 0);
    return url;
}

std::optional<DxManager::InfoRefresh> DxManager::RefreshConfigDocument(const CxString& inConfigUrl,
                                                                       const std::function<bool(CxData&)>& inParse)
{
    if (!Online())
        return std::nullopt;
    SetStatus("Updating configuration.");
    const InfoRefresh config = RefreshInfoDocument(inConfigUrl, "config.xml", true, inParse);
    if (config.mStatus == 0)
    {
        SetStatus("Configuration host unreachable.");
        return std::nullopt;
    }
    return config;
}

void DxManager::EndConfigRefresh()
{
    // A document of this refresh that did not read keeps saying so: the previous one is still in force.
    const CxString status = Status();
    if (status != "Authentication failed." && !status.AsUtf8().starts_with("Invalid "))
        SetStatus("Idle.");
}
