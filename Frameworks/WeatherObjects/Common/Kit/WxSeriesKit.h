// The graph's counterpart of the client kit: what a data-carrying graph series tells its time-series client when
// the graph's dates or the authentication change, the names it shows, and the element attributes every such series
// reads and writes alike. Each series keeps its own overrides, in slot order, as one-line calls to these. Main
// thread only.
#pragma once

#include "CxString.h"

class CxDate;
class DxClient;
class DxSeriesClient;
class DxSeriesManager;
class DxSet;
class WxGraph;
class WxSeries;
class XmlBuilder;
class XmlElement;

// The set's series manager; null without a set or for a set of another kind.
DxSeriesManager* WxSeriesManagerOf(const DxSet* inSet);

// The station's name from the set's site list; false when the list has no name for it.
bool WxSiteName(const DxSet* inSet, const CxString& inSite, CxString& outName);

// The name with its first letter capitalised.
CxString WxCapitalized(const CxString& inName);

// A new series' client takes the graph's archiving, then always asks for the "time" column in "secs".
void WxStartSeriesClient(DxSeriesClient& ioClient, const WxGraph* inGraph);

// The dates, clipped to the data's resolution when the set has a series manager, and the graph's start as the
// displayed date; then the client asks for what it lacks.
void WxForwardSeriesDates(DxClient& ioClient, const WxGraph* inGraph, const CxDate& inStart, const CxDate& inEnd);

// The series' lock follows the client's authentication; the graph hears of a change only.
void WxForwardSeriesAuthentication(WxSeries& ioSeries, const DxClient& inClient);

// The status: with a series manager the station's name when its site list has one (else left as it is), without
// one the station id. Then the name, capitalised.
void WxShowSeriesNames(WxSeries& ioSeries, const DxSeriesClient& inClient, const CxString& inName);

// "visible" and "selected": the series changes (and tells its graph) only when the value differs.
void WxReadSeriesVisibility(WxSeries& ioSeries, const XmlElement& inXml);
void WxReadSeriesSelection(WxSeries& ioSeries, const XmlElement& inXml);

// "dataset" through DxSet::FindOrCreateSet(text, 7), then the graph's dates with its start displayed. The set's
// series manager, null when it has none: the station, parameter and selection are then not read.
DxSeriesManager* WxReadSeriesSet(DxClient& ioClient, const WxGraph* inGraph, const XmlElement& inXml);

// "visible", "selected" and "alpha" (1 decimal), with which every series element begins.
void WxWriteSeriesState(XmlBuilder& ioBuilder, const WxSeries& inSeries);
