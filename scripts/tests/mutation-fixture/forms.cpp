// Sites whose mutant would equal the original or could not be built: lines marked "not drawn" must give no mutant.
// The lines marked "drawn" are their near twins that still must.
#include <array>
#include <cstddef>
#include <string>

namespace pf
{
using OSStatus = int;
enum
{
    kNoErr,
    kFailed
};
} // namespace pf

using NPError = short;
#define NPERR_NO_ERROR 0

// `return {};` gives these already.
pf::OSStatus Handled()
{
    return pf::kNoErr; // not drawn
}

pf::OSStatus HandledFromTop()
{
    return ::pf::kNoErr; // not drawn
}

NPError Started()
{
    return NPERR_NO_ERROR; // not drawn
}

NPError Stopped()
{
    return NPError(NPERR_NO_ERROR); // not drawn
}

std::string Nothing()
{
    return std::string(); // not drawn
}

pf::OSStatus Failed()
{
    return pf::kFailed; // drawn
}

// A lambda whose return type is deduced cannot return `{}`; one with a return type can.
auto gTwice = [](int inValue) { return inValue + inValue; }; // not drawn
auto gThrice = [](int inValue) -> auto
{
    return inValue * inValue; // not drawn
};
auto gNested = [](int inValue)
{
    const auto same = [inValue]() -> int { return inValue; }; // drawn
    return same() + inValue;                                  // not drawn
};

// A constant's initialiser must stay a constant expression: a table read past its end is not one.
constexpr std::size_t kLevels = 16; // not drawn
constexpr auto kRuns = []
{
    std::array<int, kLevels> runs{};
    for (std::size_t level = 0; level < runs.size(); ++level) // not drawn
        runs[level] = int(level) * 17;                        // not drawn
    return runs;                                              // not drawn
}();
constexpr int kWidths[]{3, 5};             // not drawn
constexpr std::size_t kBytes(kLevels * 4); // not drawn
