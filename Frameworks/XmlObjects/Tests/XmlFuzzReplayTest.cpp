// The fuzz target's seed corpus, replayed through the same checks, so that the target stays compiled and honest.
#include "XmlFuzzEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace
{

TEST(XmlFuzzReplayTest, SeedCorpusPasses)
{
    const std::filesystem::path corpus =
        std::filesystem::path(SKYVANE_SOURCE_DIR) / "Frameworks/XmlObjects/Fuzz/corpus";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(corpus))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u);
    for (const auto& file : files)
    {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(sky::test::XmlFuzzCheck(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
            << file.filename();
    }
}

} // namespace
