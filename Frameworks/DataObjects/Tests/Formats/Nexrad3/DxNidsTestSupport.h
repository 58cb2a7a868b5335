// What the Level III tests of one program share: a product's bytes and its decoding. The unit table they need is
// loaded once for the program by DxNidsLevelThreeTest.cpp's environment.
#pragma once

#include "DxNidsLevelThree.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace nidstest
{
using Bytes = std::vector<CxUint8>;

inline Bytes ReadAll(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::unique_ptr<DxIndexedImage> Decode(const Bytes& inBytes)
{
    NidsLevelThreeParser parser;
    return std::unique_ptr<DxIndexedImage>(parser.Parse(inBytes.data(), inBytes.size(), {}, {}));
}
} // namespace nidstest
