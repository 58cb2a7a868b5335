// The product kit's client forwarding: what a data-showing product tells its data client when the map's dates,
// interval, data set or authentication change. Written once here; each product keeps its own overrides, in slot
// order, each a one-line call to these, so the class tree and the slots stay as they are. Main thread only.
#pragma once

#include "CxTypes.h"

class CxDate;
class DxClient;
class WxMap;
class WxProduct;

// A new product's client takes the map's interval, dates, displayed date and archiving; nothing without a map.
void WxStartClient(DxClient& ioClient, const WxMap* inMap);

// The client's dates, interval or displayed date change, then it asks for what it lacks.
void WxForwardDates(DxClient& ioClient, const CxDate& inStart, const CxDate& inEnd);
void WxForwardInterval(DxClient& ioClient, CxSint64 inSeconds);
void WxForwardDate(DxClient& ioClient, const CxDate& inDate);

// A new data set may update at another pace: the map's timer is worked out again; nothing without a map.
void WxForwardSetChanged(WxMap* inMap);

// A new frame's status: its date (with seconds when the set shows them) on a temporal set, else the set's name.
void WxShowFrameStatus(WxProduct& ioProduct, const DxClient& inClient);

// The product's badge follows the client's authentication.
void WxForwardAuthentication(WxProduct& ioProduct, const DxClient& inClient);
