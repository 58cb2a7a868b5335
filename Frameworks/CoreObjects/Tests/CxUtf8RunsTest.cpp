// FromUtf8 widens ASCII sixteen bytes at a time: a byte that ends the run (non-ASCII, ill-formed, or a 0 that ends
// the text) must be found at every place within and around a block.
#include "CxString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct Intrusion
{
    const char* mName;
    std::string mBytes;
    std::vector<CxUint16> mUnits;
    bool mEnds; // the text ends here
};

TEST(CxUtf8Runs, EveryPlaceInAndAroundABlock)
{
    const Intrusion intrusions[] = {
        {"zero", std::string(1, '\0'), {}, true},
        {"e-acute", "\xC3\xA9", {0x00E9}, false},
        {"euro", "\xE2\x82\xAC", {0x20AC}, false},
        {"rain", "\xF0\x9F\x8C\xA7", {0xD83C, 0xDF27}, false},
        {"stray continuation", "\x80", {0xFFFD}, false},
        {"cut lead", "\xC3", {0xFFFD}, false},
        {"delete", "\x7F", {0x7F}, false},
    };
    for (const Intrusion& intrusion : intrusions)
        for (std::size_t before = 0; before <= 40; ++before)
            for (std::size_t after : {0, 1, 15, 16, 17, 33})
            {
                std::string text;
                std::vector<CxUint16> expected;
                for (std::size_t i = 0; i < before; ++i)
                {
                    text += char('a' + i % 26);
                    expected.push_back(CxUint16('a' + i % 26));
                }
                text += intrusion.mBytes;
                if (!intrusion.mEnds)
                    expected.insert(expected.end(), intrusion.mUnits.begin(), intrusion.mUnits.end());
                for (std::size_t i = 0; i < after; ++i)
                {
                    text += char('A' + i % 26);
                    if (!intrusion.mEnds)
                        expected.push_back(CxUint16('A' + i % 26));
                }
                const CxString decoded = CxString::FromUtf8(std::string_view(text));
                ASSERT_EQ(std::vector<CxUint16>(decoded.GetChars(), decoded.GetChars() + decoded.Length()), expected)
                    << intrusion.mName << " after " << before << ", " << after << " after it";
                EXPECT_EQ(decoded.GetChars()[decoded.Length()], 0);
            }
}

} // namespace
