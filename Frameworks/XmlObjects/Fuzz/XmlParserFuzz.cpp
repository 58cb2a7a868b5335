// libFuzzer target: parse, write, parse again (see XmlFuzzEntry).
#include "XmlFuzzEntry.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    const std::string failure = sky::test::XmlFuzzCheck(inData, inSize);
    if (!failure.empty())
    {
        std::fprintf(stderr, "xml_parser_fuzz: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
