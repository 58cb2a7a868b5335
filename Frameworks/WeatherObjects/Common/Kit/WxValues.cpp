#include "WxValues.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

bool WxReadBool(const CxString& inText, bool inAnyCase)
{
    return inAnyCase ? inText.CompareNoCase("true") == 0 : inText == "true";
}

CxString WxWriteBool(bool inValue)
{
    return CxString(inValue ? "true" : "false");
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

CxString WxWriteNumber(double inValue, CxSint32 inDecimals)
{
    if (std::isnan(inValue))
        return CxString();
    if (std::isinf(inValue))
        return CxString(inValue < 0 ? "-inf" : "inf");
    // Digits before the point count toward the 17; |v| < 1 has none.
    const double magnitude = std::fabs(inValue);
    const int whole = magnitude >= 1.0 ? int(std::floor(std::log10(magnitude))) + 1 : 0;
    for (int decimals = std::max(inDecimals, 0); decimals <= 17 && whole + decimals <= 17; ++decimals)
    {
        CxString text(inValue, decimals);
        if (WxReadDouble(text) == inValue)
            return text;
    }
    // Beyond 17 fixed digits (very small or very large values) the shortest exact form is scientific.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", inValue);
    return CxString(buffer);
}

double WxReadOptionalNumber(const CxString& inText)
{
    if (inText.Length() == 0 || inText.CompareNoCase("nan") == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return WxReadDouble(inText);
}
