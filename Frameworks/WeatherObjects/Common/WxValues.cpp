#include "WxValues.h"

#include <cstdint>

bool WxReadBool(const CxString& inText, bool inAnyCase)
{
    return inAnyCase ? inText.CompareNoCase("true") == 0 : inText == "true";
}

double WxReadDouble(const CxString& inText)
{
    return inText.AsDouble();
}

CxSint64 WxReadLong(const CxString& inText)
{
    return inText.AsSint64();
}

CxSint64 WxUnitSeconds(const CxString& inUnitId)
{
    if (inUnitId == "min")
        return 60;
    if (inUnitId == "hour")
        return 3600;
    if (inUnitId == "day")
        return 86400;
    return 1;
}

CxSint32 WxClientSeconds(CxSint64 inSeconds)
{
    if (inSeconds > INT32_MAX)
        return INT32_MAX;
    if (inSeconds < INT32_MIN)
        return INT32_MIN;
    return static_cast<CxSint32>(inSeconds);
}
