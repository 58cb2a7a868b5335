// Image test files: the shared pictures read whole, and PNG chunks spliced into them.
#pragma once

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>

namespace dxtest
{

using FileBytes = std::string;

inline FileBytes ReadAll(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return FileBytes(std::istreambuf_iterator<char>(in), {});
}

// A PNG chunk with its length and CRC.
inline FileBytes Chunk(const char* inName, const FileBytes& inData)
{
    FileBytes body = std::string(inName, 4) + inData;
    const auto be = [](uLong inValue) {
        return FileBytes{char(inValue >> 24), char(inValue >> 16), char(inValue >> 8), char(inValue)};
    };
    return be(inData.size()) + body + be(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
}

inline const char* kLegend =
    R"(<legend><row color="#FF0000FF" value="1"/><row color="#00FF00FF" value="2"/><x value="3"/></legend>)";

inline FileBytes WxMl(const char* inProjection, bool inOrigin = true)
{
    return std::string("<?xml version=\"1.0\"?><image><projection id=\"") + inProjection +
           R"("><property id="stdLon" value="-95"/><property id="stdLat1" value="25"/><property id="stdLat2" )"
           R"(value="25"/></projection><pixelSize width="4.0" height="4.5"/>)" +
           (inOrigin ? R"(<origin lat="16.5" lon="-126.25"/>)" : "") + kLegend + "</image>";
}

} // namespace dxtest
