// Attribute values of the plug-in document.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

// The document's booleans: "visible", "selected", "legendVisible" and "archiving" accept "true" in any letter case
// (inAnyCase), "sync" and "caption" only the exact text "true". Anything else, the empty text included, is false.
bool WxReadBool(const CxString& inText, bool inAnyCase);
// A boolean as the document writes it: "true" or "false".
CxString WxWriteBool(bool inValue);

// Decimal numbers through the core parsers; text that does not parse, or none, reads as 0.
double WxReadDouble(const CxString& inText);
CxSint64 WxReadLong(const CxString& inText);

// Seconds in one of the units the map counts time in: "min" 60, "hour" 3600, "day" 86400, any other 1.
CxSint64 WxUnitSeconds(const CxString& inUnitId);

// A 64-bit count of seconds as the data clients take it, saturated to 32 bits.
CxSint32 WxClientSeconds(CxSint64 inSeconds);

// A data-defining number as document text: inDecimals decimals, or the fewest more (at most 17 significant
// digits) that read back through WxReadDouble as the same double. NaN, an unset value, writes "".
CxString WxWriteNumber(double inValue, CxSint32 inDecimals);
// A number that may be unset: "" and "nan" in any letter case read NaN; anything else as WxReadDouble.
double WxReadOptionalNumber(const CxString& inText);
