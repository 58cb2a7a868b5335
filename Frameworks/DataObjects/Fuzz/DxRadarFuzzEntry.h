// One fuzz input through each of the Level II, radar netCDF and Canadian readers; shared by the libFuzzer targets
// and the corpus replay tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// 1 when the input gave an image, 0 when it gave none.
int DxNexrad2FuzzOne(const std::uint8_t* inData, std::size_t inSize);
int DxRadarNetCDFFuzzOne(const std::uint8_t* inData, std::size_t inSize);
int DxCanadianRadarFuzzOne(const std::uint8_t* inData, std::size_t inSize);

// Every file of a folder through one entry; the count of files that gave no image.
int DxRadarReplayCorpus(const std::string& inFolder, int (*inEntry)(const std::uint8_t*, std::size_t));
