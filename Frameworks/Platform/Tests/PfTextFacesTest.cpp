// The text engine's faces: one per font and size whatever the number of styles, the font file mapped once, and
// shared faces used from several threads at once.
#include "PfText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{

using namespace pf;

// The lines of /proc/self/maps that name the file.
int MappingsOf(const std::string& inPath)
{
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
    {
        const std::size_t at = line.find(inPath);
        if (at != std::string::npos && at + inPath.size() == line.size())
            ++count;
    }
    return count;
}

std::string DefaultFontFile()
{
    FontFace face;
    if (!FontRegistry::Describe(FontRegistry::kDefaultFontId, face))
        return std::string();
    std::error_code error;
    const std::filesystem::path path = std::filesystem::canonical(face.mFile, error);
    return error ? face.mFile : path.string();
}

std::vector<std::uint8_t> Coverage(const TextStyleRef& inStyle, const std::u16string& inText)
{
    TextLayout layout;
    layout.Build(reinterpret_cast<const std::uint16_t*>(inText.data()), std::uint32_t(inText.size()), inStyle, 0);
    const int width = layout.EndOffset() + 4;
    const int height = layout.Ascent() + layout.Descent() + 2;
    std::vector<std::uint8_t> coverage(std::size_t(width) * std::size_t(height), 0);
    layout.Render(coverage.data(), width, height, 2, layout.Ascent() + 1);
    return coverage;
}

TEST(PfTextFaces, AThousandStylesMapTheFontFileOnceAndReleaseIt)
{
    const std::string file = DefaultFontFile();
    if (file.empty())
        GTEST_SKIP() << "no sans-serif font installed";
    ASSERT_EQ(MappingsOf(file), 0) << file;
    {
        // Many layers' texts: the same sizes again and again, and some of their own.
        std::vector<TextStyleRef> styles;
        for (int i = 0; i < 1000; ++i)
        {
            styles.push_back(TextStyle::Make(FontRegistry::kDefaultFontId, i % 10 == 0 ? 20 + i / 10 : 9 + i % 3));
            ASSERT_TRUE(styles.back()) << i;
            EXPECT_GT(Coverage(styles.back(), u"10\u00B0N 20\u00B0E").size(), 0u);
        }
        EXPECT_LE(MappingsOf(file), 1);
        EXPECT_EQ(styles[1]->Ascent(), styles[4]->Ascent());
    }
    // The last style took the last face, and the mapping with it.
    EXPECT_EQ(MappingsOf(file), 0);
}

TEST(PfTextFaces, OneFacePerFontAndSizeCountedByItsUsers)
{
    FT_FaceRec_* first = FontRegistry::OpenFace(FontRegistry::kDefaultFontId, 12);
    if (first == nullptr)
        GTEST_SKIP() << "no sans-serif font installed";
    FT_FaceRec_* again = FontRegistry::OpenFace(FontRegistry::kDefaultFontId, 12);
    FT_FaceRec_* other = FontRegistry::OpenFace(FontRegistry::kDefaultFontId, 13);
    EXPECT_EQ(again, first);
    EXPECT_NE(other, first);
    EXPECT_EQ(FontRegistry::OpenFace(FontRegistry::kDefaultFontId, 0), nullptr);
    EXPECT_EQ(FontRegistry::OpenFace(0xFFFFFF, 12), nullptr);
    FontRegistry::CloseFace(again);
    // Still held once: a style made now shares it and measures as before.
    const TextStyleRef style = TextStyle::Make(FontRegistry::kDefaultFontId, 12);
    ASSERT_TRUE(style);
    FontRegistry::CloseFace(first);
    FontRegistry::CloseFace(other);
    FontRegistry::CloseFace(nullptr);
    EXPECT_FALSE(Coverage(style, u"Hello").empty());
    EXPECT_EQ(MappingsOf(DefaultFontFile()), 1);
}

// Styles of one font and size on several threads share a face: each draws what it draws alone.
TEST(PfTextFaces, ThreadsSharingAFaceDrawWhatOneThreadDraws)
{
    const std::u16string texts[] = {u"Gridlines 45\u00B0N", u"WAVE kmph 1013 hPa", u"\u2026 pressure"};
    std::vector<std::vector<std::uint8_t>> expected;
    {
        const TextStyleRef alone = TextStyle::Make(FontRegistry::kDefaultFontId, 17);
        if (!alone)
            GTEST_SKIP() << "no sans-serif font installed";
        for (const std::u16string& text : texts)
            expected.push_back(Coverage(alone, text));
    }
    constexpr int kThreads = 4;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < 150; ++i)
                {
                    // A fresh style each round: it meets new glyphs, so it loads them while others render.
                    const TextStyleRef style = TextStyle::Make(FontRegistry::kDefaultFontId, 17);
                    const std::size_t k = std::size_t(i + t) % 3;
                    if (!style || Coverage(style, texts[k]) != expected[k])
                        ++mismatches[std::size_t(t)];
                }
            });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(mismatches[std::size_t(t)], 0) << "thread " << t;
}

} // namespace
