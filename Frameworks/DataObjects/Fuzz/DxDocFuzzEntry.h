// One fuzz input through the station, grid, advisory, configuration and query readers; shared by the libFuzzer
// targets and the replay test. Each returns 1 when the input read as a document of its kind, else 0.
#pragma once

#include <cstddef>
#include <cstdint>

// The first byte picks the reader: 0 Kdf (and KTS), 1 XKDF, 2 XML grid, 3 netCDF grid; the rest is the file.
int DxGridReadersFuzzOne(const std::uint8_t* inData, std::size_t inSize);
// An advisory document, built for every phenomenon in degrees, with no outline archive.
int DxAdvisoryFuzzOne(const std::uint8_t* inData, std::size_t inSize);
// The first byte picks the reader: 0 config.xml (as the registry's replies too), 1 parameters, 2 sites,
// 3 radar products, 4 images, 5 shapes, 6 advisories.
int DxConfigReadersFuzzOne(const std::uint8_t* inData, std::size_t inSize);
// A query reply through a manager's date reader.
int DxQueryDatesFuzzOne(const std::uint8_t* inData, std::size_t inSize);
