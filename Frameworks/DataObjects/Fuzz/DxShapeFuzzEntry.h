// One fuzz input through the shape readers; shared by the libFuzzer target and the corpus replay test. The first
// byte picks the reader: 0 the shapefile reader, 1 the shape archive, 2 the point-list frame builder.
#pragma once

#include <cstddef>
#include <cstdint>

// 0 when the input gave a shape, 1 when it gave none or was refused with a caught error.
int DxShapeFuzzOne(const std::uint8_t* inData, std::size_t inSize);
