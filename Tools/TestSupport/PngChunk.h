// Splicing chunks into PNG files for tests: a chunk with its length and CRC, and the "wxMl" georeference chunk.
// Header only; link ZLIB::ZLIB.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <string>

namespace sky::test
{

// A PNG chunk with its length and CRC.
inline std::string PngChunk(const char* inName, const std::string& inData)
{
    std::string body = std::string(inName, 4) + inData;
    const auto be = [](uLong inValue) {
        return std::string{char(inValue >> 24), char(inValue >> 16), char(inValue >> 8), char(inValue)};
    };
    return be(inData.size()) + body + be(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
}

// The PNG with a "wxMl" chunk of that text spliced in at the offset (33: right after the header).
inline std::string WithWxMlChunk(const std::string& inPng, const std::string& inXml, std::size_t inAt = 33)
{
    return inPng.substr(0, inAt) + PngChunk("wxMl", inXml) + inPng.substr(inAt);
}

} // namespace sky::test
