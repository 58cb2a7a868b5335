#include "CxPreferences.h"

#include "CxParsers.h"

#include <limits>

namespace
{

// True when every unit belongs to the value: the parser must not stop inside the text, and must accept at its end.
template <typename P> bool ParseWhole(const CxString& inText, P& ioParser)
{
    for (const CxUint16* unit = inText.GetChars(); *unit != 0; ++unit)
    {
        if (ioParser.Parse(*unit))
            return false;
    }
    ioParser.Parse(0);
    return ioParser.State() == kCxParseAccepted;
}

} // namespace

CxString CxPreferences::GetStringValue(const CxString& inKey) const
{
    CxAutoLock lock(mLock);
    const auto found = mValues.find(inKey);
    return found == mValues.end() ? CxString() : found->second;
}

bool CxPreferences::GetBoolValue(const CxString& inKey) const
{
    return GetStringValue(inKey).CompareNoCase("true") == 0;
}

CxSint32 CxPreferences::GetIntegerValue(const CxString& inKey) const
{
    const CxString text = GetStringValue(inKey);
    // Eleven digits cannot wrap a 64-bit value, so the range check below sees the true value.
    CxUint32 digits = 0;
    for (const CxUint16* unit = text.GetChars(); *unit != 0; ++unit)
        digits += (*unit >= '1' && *unit <= '9') || (digits > 0 && *unit == '0');
    if (digits > 11)
        return 0;
    CxSintParser<long long> parser;
    if (!ParseWhole(text, parser))
        return 0;
    const long long value = parser.Value();
    if (value < std::numeric_limits<CxSint32>::min() || value > std::numeric_limits<CxSint32>::max())
        return 0;
    return CxSint32(value);
}

double CxPreferences::GetFloatValue(const CxString& inKey) const
{
    CxFloatParser<double> parser;
    return ParseWhole(GetStringValue(inKey), parser) ? parser.Value() : 0.0;
}

bool CxPreferences::HasValue(const CxString& inKey) const
{
    CxAutoLock lock(mLock);
    return mValues.find(inKey) != mValues.end();
}

void CxPreferences::SetStringValue(const CxString& inKey, const CxString& inValue, CxSint32 inMessage)
{
    {
        CxAutoLock lock(mLock);
        mValues.insert_or_assign(inKey, inValue);
    }
    if (inMessage != 0)
        SendMessage(inMessage, nullptr);
}

void CxPreferences::SetBoolValue(const CxString& inKey, bool inValue, CxSint32 inMessage)
{
    SetStringValue(inKey, inValue ? "true" : "false", inMessage);
}

void CxPreferences::SetIntegerValue(const CxString& inKey, CxSint32 inValue, CxSint32 inMessage)
{
    SetStringValue(inKey, CxString(inValue), inMessage);
}

void CxPreferences::SetFloatValue(const CxString& inKey, double inValue, CxSint32 inDecimals, CxSint32 inMessage)
{
    SetStringValue(inKey, CxString(inValue, inDecimals), inMessage);
}

void CxPreferences::ClearValue(const CxString& inKey)
{
    CxAutoLock lock(mLock);
    mValues.erase(inKey);
}

CxPreferences::Table CxPreferences::GetStringTable() const
{
    CxAutoLock lock(mLock);
    return mValues;
}

void CxPreferences::SetStringTable(const Table& inTable)
{
    Table copy = inTable;
    CxAutoLock lock(mLock);
    mValues.swap(copy);
}

CxPreferences& CxGetGlobalPreferences()
{
    static CxPreferences sPreferences;
    return sPreferences;
}
