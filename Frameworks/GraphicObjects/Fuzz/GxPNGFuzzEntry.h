// One fuzz input through the PNG reader; shared by the libFuzzer target and the corpus replay test.
#pragma once

#include <cstddef>
#include <cstdint>

// 0 when the input was decoded, 1 when it was refused with a caught error.
int GxPngFuzzOne(const std::uint8_t* inData, std::size_t inSize);
