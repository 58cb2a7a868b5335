// Fixed-width integers. The system's byte layouts were made on a platform whose long is 32 bits, so "long" in
// a layout, a parser or a count is CxSint32 here, and 64-bit is long long.
#pragma once

#include <cstdint>

using CxSint8 = std::int8_t;
using CxSint16 = std::int16_t;
using CxSint32 = std::int32_t;
using CxSint64 = std::int64_t;
using CxUint8 = std::uint8_t;
using CxUint16 = std::uint16_t;
using CxUint32 = std::uint32_t;
using CxUint64 = std::uint64_t;
