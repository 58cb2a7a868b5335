// One fuzz input through the image factory; shared by the libFuzzer target and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>

// 1 when the input gave an image, 0 when it gave none.
int DxImageFuzzOne(const std::uint8_t* inData, std::size_t inSize);
