#include "WxSeriesKit.h"

#include "CxCriticalRegion.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxSeriesClient.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "WxGraph.h"
#include "WxSeries.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

DxSeriesManager* WxSeriesManagerOf(const DxSet* inSet)
{
    return inSet == nullptr ? nullptr : const_cast<DxSet*>(inSet)->SeriesManager();
}

bool WxSiteName(const DxSet* inSet, const CxString& inSite, CxString& outName)
{
    DxSeriesManager* manager = WxSeriesManagerOf(inSet);
    if (manager == nullptr)
        return false;
    CxAutoLock lock(manager->Region());
    DxTable* sites = manager->Sites();
    const DxStringField* names = sites == nullptr ? nullptr : sites->FindStringField(CxString("name"));
    const CxSint32 row = names == nullptr ? -1 : sites->Lookup(inSite);
    if (row < 0 || std::size_t(row) >= names->size())
        return false;
    outName = (*names)[std::size_t(row)];
    return true;
}

CxString WxCapitalized(const CxString& inName)
{
    CxString text = inName;
    if (text.Length() != 0 && text[0] >= u'a' && text[0] <= u'z')
        text[0] = static_cast<CxUint16>(text[0] - u'a' + u'A');
    return text;
}

void WxStartSeriesClient(DxSeriesClient& ioClient, const WxGraph* inGraph)
{
    if (inGraph != nullptr)
        ioClient.SetArchiving(inGraph->IsArchiving());
    ioClient.AddParm(
        DxParm(CxString("time"), CxString("time"), kDxTypeFloat, DxUnit(CxString("secs")), DxUnitSet(), 0.0));
}

void WxForwardSeriesDates(DxClient& ioClient, const WxGraph* inGraph, const CxDate& inStart, const CxDate& inEnd)
{
    CxDate start = inStart;
    CxDate end = inEnd;
    if (const DxSeriesManager* manager = WxSeriesManagerOf(ioClient.Set()))
    {
        start = manager->ClipDateToDataResolution(start);
        end = manager->ClipDateToDataResolution(end);
    }
    ioClient.SetDates(start, end);
    if (inGraph != nullptr)
        ioClient.SetDisplayDate(inGraph->StartDate());
    ioClient.RefreshClient();
}

void WxForwardSeriesAuthentication(WxSeries& ioSeries, const DxClient& inClient)
{
    const bool failed = !inClient.IsAuthenticated();
    if (failed == ioSeries.IsAuthenticationFailed())
        return;
    ioSeries.SetAuthenticationFailed(failed);
    ioSeries.SeriesDataChanged();
}

void WxShowSeriesNames(WxSeries& ioSeries, const DxSeriesClient& inClient, const CxString& inName)
{
    CxString station;
    if (WxSeriesManagerOf(inClient.Set()) == nullptr)
        ioSeries.SetStatus(inClient.Site());
    else if (WxSiteName(inClient.Set(), inClient.Site(), station))
        ioSeries.SetStatus(station);
    ioSeries.SetName(WxCapitalized(inName));
}

void WxReadSeriesVisibility(WxSeries& ioSeries, const XmlElement& inXml)
{
    const bool visible = WxReadBool(inXml.GetAttribute("visible"), false);
    if (visible != ioSeries.IsVisible())
        ioSeries.SetVisibility(visible);
}

void WxReadSeriesSelection(WxSeries& ioSeries, const XmlElement& inXml)
{
    const bool selected = WxReadBool(inXml.GetAttribute("selected"), false);
    if (selected != ioSeries.IsSelected())
        ioSeries.SetSelected(selected);
}

DxSeriesManager* WxReadSeriesSet(DxClient& ioClient, const WxGraph* inGraph, const XmlElement& inXml)
{
    ioClient.SetSet(DxSet::FindOrCreateSet(inXml.GetAttribute("dataset"), 7));
    if (inGraph != nullptr)
    {
        ioClient.SetDates(inGraph->StartDate(), inGraph->EndDate());
        ioClient.SetDisplayDate(inGraph->StartDate());
    }
    return WxSeriesManagerOf(ioClient.Set());
}

void WxWriteSeriesState(XmlBuilder& ioBuilder, const WxSeries& inSeries)
{
    ioBuilder.Attribute(CxString("visible"), WxWriteBool(inSeries.IsVisible()));
    ioBuilder.Attribute(CxString("selected"), WxWriteBool(inSeries.IsSelected()));
    ioBuilder.Attribute(CxString("alpha"), CxString(inSeries.Alpha(), 1));
}
