#include "CxUtilities.h"

#include "CxDebug.h"

#include <cmath>
#include <cstring>

bool CxIsNan(float inValue)
{
    return std::isnan(inValue);
}

bool CxIsNan(double inValue)
{
    return std::isnan(inValue);
}

bool CxNotNan(float inValue)
{
    return !std::isnan(inValue);
}

bool CxNotNan(double inValue)
{
    return !std::isnan(inValue);
}

double CxMinNotNan(double inA, double inB)
{
    if (std::isnan(inA))
        return inB;
    if (!std::isnan(inB) && inB < inA)
        return inB;
    return inA;
}

double CxMaxNotNan(double inA, double inB)
{
    if (std::isnan(inA))
        return inB;
    if (!std::isnan(inB) && inA < inB)
        return inB;
    return inA;
}

double CxCopysign(double inX, double inY)
{
    CxUint64 x;
    CxUint64 y;
    std::memcpy(&x, &inX, sizeof x);
    std::memcpy(&y, &inY, sizeof y);
    const CxUint64 kSignBit = 1ULL << 63;
    x = (x & ~kSignBit) | (y & kSignBit);
    double result;
    std::memcpy(&result, &x, sizeof result);
    return result;
}

double CxNextAfter(double inX, double inY)
{
    if (inX == inY)
        return inX;
    return std::nextafter(inX, inY);
}

float CxNextAfter(float inX, float inY)
{
    if (inX == inY)
        return inX;
    return std::nextafter(inX, inY);
}

CxUint8 CxCharToHex(CxUint16 inUnit)
{
    if (inUnit >= '0' && inUnit <= '9')
        return CxUint8(inUnit - '0');
    if (inUnit >= 'A' && inUnit <= 'F')
        return CxUint8(inUnit - 'A' + 10);
    if (inUnit >= 'a' && inUnit <= 'f')
        return CxUint8(inUnit - 'a' + 10);
    return 0;
}

char CxHexToChar(CxUint8 inValue)
{
    return "0123456789ABCDEF"[inValue & 0x0F];
}

void CxTwist(CxSint16& ioValue)
{
    ioValue = CxSint16(__builtin_bswap16(CxUint16(ioValue)));
}

void CxTwist(CxUint16& ioValue)
{
    ioValue = __builtin_bswap16(ioValue);
}

void CxTwist(CxSint32& ioValue)
{
    ioValue = CxSint32(__builtin_bswap32(CxUint32(ioValue)));
}

void CxTwist(CxUint32& ioValue)
{
    ioValue = __builtin_bswap32(ioValue);
}

void CxTwist(CxSint64& ioValue)
{
    ioValue = CxSint64(__builtin_bswap64(CxUint64(ioValue)));
}

void CxTwist(CxUint64& ioValue)
{
    ioValue = __builtin_bswap64(ioValue);
}

void CxTwist(float& ioValue)
{
    CxUint32 bits;
    std::memcpy(&bits, &ioValue, sizeof bits);
    bits = __builtin_bswap32(bits);
    std::memcpy(&ioValue, &bits, sizeof bits);
}

void CxTwist(double& ioValue)
{
    CxUint64 bits;
    std::memcpy(&bits, &ioValue, sizeof bits);
    bits = __builtin_bswap64(bits);
    std::memcpy(&ioValue, &bits, sizeof bits);
}

namespace
{

template <typename T> void FillWith(void* inPtr, T inValue, CxUint32 inCount)
{
    if (inPtr == nullptr)
    {
        _CxAssert(__FILE__, __LINE__, "inPtr != nil");
        return;
    }
    if (inCount % sizeof(inValue) != 0)
        _CxAssert(__FILE__, __LINE__, "inCount % sizeof(inValue) == 0");
    // Whole values only, so nothing lands past inCount; memcpy because the target need not be aligned.
    auto* out = static_cast<unsigned char*>(inPtr);
    const CxUint32 n = inCount / CxUint32(sizeof(T));
    for (CxUint32 i = 0; i < n; ++i)
        std::memcpy(out + i * sizeof(T), &inValue, sizeof(T));
}

} // namespace

void CxMemoryFill(void* inPtr, signed char inValue, CxUint32 inCount)
{
    if (inPtr == nullptr)
    {
        _CxAssert(__FILE__, __LINE__, "inPtr != nil");
        return;
    }
    std::memset(inPtr, static_cast<unsigned char>(inValue), inCount);
}

void CxMemoryFill(void* inPtr, unsigned char inValue, CxUint32 inCount)
{
    if (inPtr == nullptr)
    {
        _CxAssert(__FILE__, __LINE__, "inPtr != nil");
        return;
    }
    std::memset(inPtr, inValue, inCount);
}

void CxMemoryFill(void* inPtr, CxSint16 inValue, CxUint32 inCount)
{
    FillWith(inPtr, inValue, inCount);
}

void CxMemoryFill(void* inPtr, CxUint16 inValue, CxUint32 inCount)
{
    FillWith(inPtr, inValue, inCount);
}

void CxMemoryFill(void* inPtr, CxSint32 inValue, CxUint32 inCount)
{
    FillWith(inPtr, inValue, inCount);
}

void CxMemoryFill(void* inPtr, CxUint32 inValue, CxUint32 inCount)
{
    FillWith(inPtr, inValue, inCount);
}

bool CxIsMatch(CxUint16 inUnit, CxSeek inClass)
{
    const bool isLetter = (inUnit >= 'A' && inUnit <= 'Z') || (inUnit >= 'a' && inUnit <= 'z');
    const bool isDigit = inUnit >= '0' && inUnit <= '9';
    const bool isControlSpace = inUnit == '\t' || inUnit == '\n' || inUnit == '\r';
    switch (inClass)
    {
    case kCxSeekLineEnd:
        return inUnit == '\r' || inUnit == '\n';
    case kCxSeekDigit:
        return isDigit;
    case kCxSeekNumber:
        return isDigit || inUnit == '-';
    case kCxSeekLetter:
        return isLetter;
    case kCxSeekNotLetter:
        return !isLetter;
    case kCxSeekWhitespace:
        return inUnit == ' ' || isControlSpace;
    case kCxSeekNotWhitespace:
        return !(inUnit == ' ' || isControlSpace);
    case kCxSeekControlWhitespace:
        return isControlSpace;
    }
    _CxAssert(__FILE__, __LINE__, "false");
    return false;
}

bool CxIsMatch(char inChar, CxSeek inClass)
{
    // Sign-extended like every other 8-bit text, so bytes from 0x80 match the same classes as their units.
    return CxIsMatch(CxUint16(static_cast<signed char>(inChar)), inClass);
}
