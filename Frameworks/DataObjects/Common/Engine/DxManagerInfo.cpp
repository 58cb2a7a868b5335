#include "CxUrl.h"
#include "DxCache.h"
#include "DxConfigParsers.h"
#include "DxManager.h"

#include <cstring>
#include <memory>

bool DxManager::SameAsCached(const CxString& inName, CxData& ioBody) const
{
    CxData cached = mCache->ReadInfo(inName);
    if (cached.Size() == 0 || cached.Size() != ioBody.Size())
        return false;
    CxAutoLock cachedLock(cached);
    CxAutoLock bodyLock(ioBody);
    return std::memcmp(cached.Pointer(), ioBody.Pointer(), cached.Size()) == 0;
}

DxManager::InfoRefresh DxManager::RefreshInfoDocument(const CxString& inUrl, const CxString& inName,
                                                      bool inRetryAtRegistry,
                                                      const std::function<bool(CxData&)>& inAccept)
{
    InfoRefresh result;
    const CxString registry = RegistryUrl();
    auto request = std::make_unique<CxUrl>(inUrl);
    request->SetCancelFlag(&mClosing);
    request->SetIfModifiedSince(mCache->GetInfoFileModDate(inName));
    request->SetAuthenticationKey(AuthenticationKey());
    CxData body = request->Get();
    result.mStatus = request->ResponseCode();
    LogLine(" GET " + inUrl + " -- " + CxString(result.mStatus));
    if (result.mStatus == 404 && inRetryAtRegistry && inUrl != registry)
    {
        request = std::make_unique<CxUrl>(registry);
        request->SetCancelFlag(&mClosing);
        body = request->Get();
        result.mStatus = request->ResponseCode();
        LogLine(" GET " + registry + " -- " + CxString(result.mStatus));
    }
    if (result.mStatus == 401)
        SetStatus("Authentication failed.");
    if (result.mStatus == 200 && mConfigured && SameAsCached(inName, body))
        result.mUnchanged = true;
    else if (result.mStatus == 200 && inAccept(body))
    {
        mCache->WriteInfoFile(inName, body, StampOfReply(request->LastModified()));
        result.mStored = true;
    }
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
    outConfigUrl = config.Length() == 0 ? RegistryUrl() : JoinUrl(base, config);
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
