// Fixed-width integers. The system's byte layouts were made on a platform whose long is 32 bits, so "long" in
// a layout, a parser or a count is CxSint32 here, and 64-bit is long long. The 64-bit aliases are long long (not
// int64_t, which is long on this platform) so that the long overloads deleted in byte-layout code never catch them.
#pragma once

#include <cstdint>

using CxSint8 = std::int8_t;
using CxSint16 = std::int16_t;
using CxSint32 = std::int32_t;
using CxSint64 = long long;
using CxUint8 = std::uint8_t;
using CxUint16 = std::uint16_t;
using CxUint32 = std::uint32_t;
using CxUint64 = unsigned long long;

static_assert(sizeof(CxSint64) == 8 && sizeof(CxUint64) == 8, "64-bit aliases must be 8 bytes");
