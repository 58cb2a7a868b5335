#include "GxGLTestSupport.h"

#include "CxData.h"
#include "CxError.h"
#include "CxFile.h"
#include "GxColor.h"
#include "GxPNGReader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using gxtest::GLTest;

namespace
{

std::vector<std::uint8_t> ReadAll(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// RGB(A) rows of a JPEG file, top row first.
std::vector<std::uint8_t> DecodeJpeg(const std::vector<std::uint8_t>& inBytes, int& outWidth, int& outHeight)
{
    jpeg_decompress_struct info = {};
    jpeg_error_mgr errors = {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, inBytes.data(), static_cast<unsigned long>(inBytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    // Plain chroma replication: smoothing across the colour blocks' edges would blur the comparison.
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    outWidth = static_cast<int>(info.output_width);
    outHeight = static_cast<int>(info.output_height);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(outWidth) * outHeight * 3);
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW row = pixels.data() + info.output_scanline * static_cast<std::size_t>(outWidth) * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

class ExportTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        mContext->AdjustToBounds(CxRect(0, 0, kWidth, kHeight), CxRect(0, 0, kWidth, kHeight));
        // Blocks of 16 x 16 (a JPEG's colour cell) so that a JPEG keeps them nearly exact; white ones for
        // transparency.
        const GLubyte colours[4][3] = {{255, 255, 255}, {200, 30, 40}, {20, 180, 60}, {30, 60, 220}};
        glEnable(GL_SCISSOR_TEST);
        for (int by = 0; by < kHeight / 16; ++by)
        {
            for (int bx = 0; bx < kWidth / 16; ++bx)
            {
                const GLubyte* c = colours[(bx + 2 * by) % 4];
                glScissor(bx * 16, by * 16, 16, 16);
                glClearColor(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1.0f);
                glClear(GL_COLOR_BUFFER_BIT);
            }
        }
        glDisable(GL_SCISSOR_TEST);
        mPicture.resize(kWidth * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, mPicture.data()); // bottom row first
    }

    std::string MakeFile(const char* inName, const std::string& inContent = "old")
    {
        const std::string path = mHome.Path() + "/" + inName;
        std::ofstream(path) << inContent;
        return path;
    }

    static constexpr int kWidth = 64;
    static constexpr int kHeight = 32;
    sky::test::TempHome mHome;
    std::vector<GLubyte> mPicture;
};

} // namespace

TEST_F(ExportTest, PngReadsBackWithEqualPixelsAndAnSrgbChunk)
{
    const std::string path = MakeFile("map.png", std::string(100000, 'x'));
    CxFile file(CxString::FromUtf8(path), false);
    mContext->Export(CxString("image/png"), file, nullptr);

    auto bytes = ReadAll(path);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_LT(bytes.size(), 100000u); // replaced, not appended to
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin("sRGB"), std::begin("sRGB") + 4), bytes.end());
    CxData data(bytes.data(), static_cast<CxUint32>(bytes.size()));
    GxPNGReader reader;
    const auto pixels = reader.ReadImage(data);
    ASSERT_EQ(reader.Width(), static_cast<CxUint32>(kWidth));
    ASSERT_EQ(reader.Height(), static_cast<CxUint32>(kHeight));
    EXPECT_EQ(std::vector<GLubyte>(pixels.get(), pixels.get() + mPicture.size()), mPicture);

    // With white as the transparent colour, exactly the white pixels lose their alpha.
    const GxColor white(1, 1, 1, 1);
    mContext->Export(CxString("image/png"), file, &white);
    bytes = ReadAll(path);
    CxData again(bytes.data(), static_cast<CxUint32>(bytes.size()));
    const auto transparent = reader.ReadImage(again);
    int cleared = 0;
    for (std::size_t i = 0; i < mPicture.size(); i += 4)
    {
        const bool isWhite = mPicture[i] == 255 && mPicture[i + 1] == 255 && mPicture[i + 2] == 255;
        EXPECT_EQ(transparent[i + 3], isWhite ? 0 : 255) << i / 4;
        cleared += isWhite ? 1 : 0;
    }
    EXPECT_GT(cleared, 0);
}

TEST_F(ExportTest, JpegKeepsTheSizeAndNearlyThePixels)
{
    const std::string path = MakeFile("map.jpg");
    CxFile file(CxString::FromUtf8(path), false);
    mContext->Export(CxString("image/jpeg"), file, nullptr);
    int width = 0, height = 0;
    const auto rgb = DecodeJpeg(ReadAll(path), width, height);
    ASSERT_EQ(width, kWidth);
    ASSERT_EQ(height, kHeight);
    int worst = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(rgb[(y * kWidth + x) * 3 + c]) -
                                                 int(mPicture[((kHeight - 1 - y) * kWidth + x) * 4 + c])));
    EXPECT_LE(worst, 12);
}

TEST_F(ExportTest, TypesWithoutAnImageCodeDeleteTheFileOthersWithoutAnExporterLeaveIt)
{
    const std::string gone = MakeFile("gone.xyz");
    CxFile goneFile(CxString::FromUtf8(gone), false);
    mContext->Export(CxString("application/x-no-such-type"), goneFile, nullptr);
    EXPECT_FALSE(std::filesystem::exists(gone));

    for (const char* mime : {"image/gif", "image/tiff", "image/pdf"})
    {
        const std::string kept = MakeFile("kept", "untouched");
        CxFile keptFile(CxString::FromUtf8(kept), false);
        mContext->Export(CxString(mime), keptFile, nullptr);
        EXPECT_EQ(ReadAll(kept), (std::vector<std::uint8_t>{'u', 'n', 't', 'o', 'u', 'c', 'h', 'e', 'd'})) << mime;
    }
}

TEST_F(ExportTest, AnEmptyPictureDeletesTheFile)
{
    mContext->AdjustToBounds(CxRect(0, 0, 0, 0), CxRect());
    const std::string path = MakeFile("empty.png");
    CxFile file(CxString::FromUtf8(path), false);
    mContext->Export(CxString("image/png"), file, nullptr);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ExportTest, AFailedWriteLeavesNoFileAndThrows)
{
    // Files may grow to 64 bytes only: each picture is larger, so its write fails part way.
    struct rlimit saved = {};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    for (const char* mime : {"image/png", "image/jpeg"})
    {
        const std::string path = MakeFile("full");
        CxFile file(CxString::FromUtf8(path), false);
        struct rlimit small = saved;
        small.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &small);
        bool threw = false;
        try
        {
            mContext->Export(CxString(mime), file, nullptr);
        }
        catch (const CxErrorFile&)
        {
            threw = true;
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_TRUE(threw) << mime;
        EXPECT_FALSE(std::filesystem::exists(path)) << mime;
    }
    std::signal(SIGXFSZ, oldHandler);
}
