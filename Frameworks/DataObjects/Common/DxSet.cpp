#include "DxSet.h"

#include "CxUrl.h"
#include "DxManager.h"

#include <map>
#include <optional>

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

} // namespace

DxSet::DxSet(const CxString& inId, CxSint32 inKind) : mId(inId), mKind(inKind), mKey("Skyvane: " + inId) {}

DxSet::~DxSet()
{
    delete mManager;
}

DxManager* DxSet::Manager()
{
    if (mManager == nullptr)
    {
        const auto finder = Finders().find(mKind);
        if (finder == Finders().end() || finder->second == nullptr)
            return nullptr;
        mManager = finder->second(mId);
    }
    if (mManager != nullptr)
        mManager->SetAuthenticationKey(mKey);
    return mManager;
}

void DxSet::SetFindManager(CxSint32 inKind, FindManagerProc inProc)
{
    Finders()[inKind] = inProc;
}

const CxString& DxSet::RegistryUrl()
{
    if (!Registry())
        Registry() = CxServerAddress("REGISTRY", "https://data.skyvane.org") + "/nimbrel/registry.php?id=&id;";
    return *Registry();
}

void DxSet::InstallManagerForTesting(DxManager* inManager)
{
    if (inManager != mManager)
        delete mManager;
    mManager = inManager;
}

void DxSet::RebuildRegistryUrlForTesting()
{
    Registry().reset();
}
