// Basic types of the platform layer: statuses and four-character codes. The numbers are the desktop platform's,
// kept so that code and logs read the same on every platform.
#pragma once

#include <cstdint>

namespace pf
{

using OSStatus = std::int32_t;
using FourCharCode = std::uint32_t;

// 'CORE' without the multi-character literal (which compilers warn about and may lay out differently).
constexpr FourCharCode FourCC(const char (&inCode)[5])
{
    return (FourCharCode(static_cast<unsigned char>(inCode[0])) << 24) |
           (FourCharCode(static_cast<unsigned char>(inCode[1])) << 16) |
           (FourCharCode(static_cast<unsigned char>(inCode[2])) << 8) |
           FourCharCode(static_cast<unsigned char>(inCode[3]));
}

constexpr OSStatus kNoErr = 0;
constexpr OSStatus kParamErr = -50;
constexpr OSStatus kEventParameterNotFound = -9870;
constexpr OSStatus kEventNotHandled = -9874;

// Parameter type codes.
constexpr FourCharCode kTypeSInt32 = FourCC("long");
constexpr FourCharCode kTypeUInt32 = FourCC("magn");
constexpr FourCharCode kTypeVoidPtr = FourCC("ptr ");

} // namespace pf
