#include "WxClientKit.h"

#include "DxClients.h"
#include "DxSet.h"
#include "WxMap.h"
#include "WxProduct.h"
#include "WxValues.h"

void WxStartClient(DxClient& ioClient, const WxMap* inMap)
{
    if (inMap == nullptr)
        return;
    ioClient.SetInterval(WxClientSeconds(inMap->StepSeconds()));
    ioClient.SetDates(inMap->StartDate(), inMap->EndDate());
    ioClient.SetDisplayDate(inMap->Date());
    ioClient.SetArchiving(inMap->IsArchiving());
}

void WxForwardDates(DxClient& ioClient, const CxDate& inStart, const CxDate& inEnd)
{
    ioClient.SetDates(inStart, inEnd);
    ioClient.RefreshClient();
}

void WxForwardInterval(DxClient& ioClient, CxSint64 inSeconds)
{
    ioClient.SetInterval(WxClientSeconds(inSeconds));
    ioClient.RefreshClient();
}

void WxForwardDate(DxClient& ioClient, const CxDate& inDate)
{
    ioClient.SetDisplayDate(inDate);
    ioClient.RefreshClient();
}

void WxForwardSetChanged(WxMap* inMap)
{
    if (inMap != nullptr)
        inMap->CalculateTimerInterval();
}

void WxShowFrameStatus(WxProduct& ioProduct, const DxClient& inClient)
{
    if (inClient.IsTemporal())
        ioProduct.SetStatusDate(inClient.FrameDate(), inClient.ShowsSeconds());
    else if (inClient.Set() != nullptr)
        ioProduct.SetStatus(inClient.Set()->Name());
}

void WxForwardAuthentication(WxProduct& ioProduct, const DxClient& inClient)
{
    ioProduct.SetAuthenticationFailed(!inClient.IsAuthenticated());
}
