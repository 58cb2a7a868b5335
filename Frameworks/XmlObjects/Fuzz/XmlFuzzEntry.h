// One fuzz input: parsed whole and in two chunks, copied, written and parsed again. The fuzz target and the
// replay test share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sky::test
{

// "" when every check holds, else what failed.
std::string XmlFuzzCheck(const std::uint8_t* inData, std::size_t inSize);

} // namespace sky::test
