// One fuzz input through the Level III reader; shared by the libFuzzer target and the corpus replay test.
#pragma once

#include <cstddef>
#include <cstdint>

// 1 when the input gave an image, 0 when it gave none.
int DxNidsFuzzOne(const std::uint8_t* inData, std::size_t inSize);
