// Images against other readers: PngSuite through the toolkit's own libpng reader, libpng's malformed samples, and
// Cairo's bitmaps and PDF pages through the tools of others.
#include "PfImage.h"
#include "CxData.h"
#include "GxPNGReader.h"
#include "PfCairoCanvas.h"
#include "PfText.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using namespace pf;

std::vector<std::uint8_t> Bytes(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PfImage, OpaquePngSuiteFilesMatchTheLibpngReader)
{
    // 8-bit samples only: below 8 bits the toolkit's reader keeps the raw values, Cairo scales them.
    for (const char* name :
         {"basn0g08", "basn2c08", "basn3p08", "ftp0n3p08", "ibasn0g08", "ibasn3p08", "testorig", "vgl_5674_0098"})
    {
        SKY_NEED_TESTDATA_FILE(path, std::string("images/png/") + name + ".png");
        std::vector<std::uint8_t> bytes = Bytes(path);
        Image image;
        std::string error;
        ASSERT_TRUE(ReadPngImage(bytes.data(), bytes.size(), image, error)) << name << ": " << error;
        CxData data(bytes.data(), static_cast<CxUint32>(bytes.size()));
        GxPNGReader reader;
        const auto reference = reader.ReadImage(data);
        ASSERT_EQ(static_cast<CxUint32>(image.mWidth), reader.Width()) << name;
        ASSERT_EQ(static_cast<CxUint32>(image.mHeight), reader.Height()) << name;
        // The toolkit's reader gives the bottom row first.
        for (std::int32_t y = 0; y < image.mHeight; ++y)
        {
            const std::uint8_t* theirs =
                reference.get() + static_cast<std::size_t>(image.mHeight - 1 - y) * image.mWidth * 4;
            ASSERT_EQ(0, std::memcmp(image.Pixel(0, y), theirs, static_cast<std::size_t>(image.mWidth) * 4))
                << name << " row " << y;
        }
    }
}

TEST(PfImage, BadAndCutFilesGiveErrors)
{
    SKY_NEED_TESTDATA_FILE(good, "images/png/basn6a08.png");
    std::vector<std::vector<std::uint8_t>> inputs;
    for (const char* name : {"badadler", "badcrc", "huge_IDAT"})
        inputs.push_back(Bytes(::sky::test::TestDataFile(std::string("images/png/bad/") + name + ".png")));
    const std::vector<std::uint8_t> whole = Bytes(good);
    inputs.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    inputs.push_back({});
    inputs.push_back({'G', 'I', 'F', '8', '9', 'a'});
    for (std::size_t i = 0; i < inputs.size(); ++i)
    {
        Image image;
        std::string error;
        EXPECT_FALSE(ReadImage(inputs[i].data(), inputs[i].size(), image, error)) << i;
        EXPECT_FALSE(error.empty()) << i;
    }
}

TEST(PfImage, PngRoundTripKeepsStraightAlpha)
{
    // Half-transparent pixels survive Cairo's premultiplied form to within its rounding.
    const std::uint8_t rgba[] = {200, 100, 50, 255, 200, 100, 50, 128, 10, 20, 30, 0, 255, 255, 255, 255};
    const Image image = Image::FromRgba(rgba, 2, 2, 8);
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(WritePngImage(image, png));
    Image back;
    std::string error;
    ASSERT_TRUE(ReadImage(png.data(), png.size(), back, error)) << error;
    ASSERT_EQ(back.mPixels.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i)
    {
        if (i >= 8 && i < 12)
            continue; // fully transparent: the colour is gone
        EXPECT_NEAR(back.mPixels[i], rgba[i], 1) << i;
    }
    // A bitmap context's premultiplied pixel: 100 of 128 is 199 of 255.
    const std::uint8_t premultiplied[] = {100, 50, 0, 128};
    EXPECT_EQ(Image::FromPremultipliedRgba(premultiplied, 1, 1, 4).mPixels,
              (std::vector<std::uint8_t>{199, 100, 0, 128}));
}

std::string Output(const std::string& inCommand)
{
    std::string out;
    if (FILE* pipe = ::popen(inCommand.c_str(), "r"))
    {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// JPEGs against djpeg: the same RGB where djpeg decodes the file (baseline, progressive, arithmetic), an error where
// it refuses (12-bit).
TEST(PfImage, JpegFilesMatchDjpeg)
{
    if (Output("command -v djpeg").empty())
        GTEST_SKIP() << "libjpeg-turbo-progs is not installed";
    for (const char* name : {"testorig", "testimgint", "testimgari", "monkey12"})
    {
        SKY_NEED_TESTDATA_FILE(path, std::string("images/jpeg/") + name + ".jpg");
        const std::string pnm = Output("djpeg -pnm '" + path + "' 2>/dev/null");
        const std::vector<std::uint8_t> bytes = Bytes(path);
        Image image;
        std::string error;
        const bool read = ReadImage(bytes.data(), bytes.size(), image, error);
        ASSERT_EQ(read, !pnm.empty()) << name << ": " << error;
        if (!read)
            continue;
        int width = 0, height = 0, consumed = 0;
        ASSERT_EQ(std::sscanf(pnm.c_str(), "P6 %d %d 255%n", &width, &height, &consumed), 2) << name;
        ASSERT_TRUE(width == image.mWidth && height == image.mHeight) << name;
        const std::size_t count = std::size_t(width) * height, start = std::size_t(consumed) + 1;
        ASSERT_EQ(pnm.size(), start + count * 3) << name;
        std::size_t differing = 0;
        for (std::size_t i = 0; i < count; ++i)
            differing +=
                std::memcmp(&image.mPixels[i * 4], &pnm[start + i * 3], 3) != 0 || image.mPixels[i * 4 + 3] != 255;
        EXPECT_EQ(differing, 0u) << name;
    }
}

// A greyscale JPEG (one component, made by cjpeg) reads as djpeg's grey in each of red, green and blue.
TEST(PfImage, GreyJpegMatchesDjpeg)
{
    if (Output("command -v cjpeg").empty() || Output("command -v djpeg").empty())
        GTEST_SKIP() << "libjpeg-turbo-progs is not installed";
    const std::string base = ::testing::TempDir() + "pf_grey_" + std::to_string(::getpid());
    const int width = 48, height = 20;
    {
        std::ofstream pgm(base + ".pgm", std::ios::binary);
        pgm << "P5 " << width << " " << height << " 255\n";
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pgm.put(char((x * 5 + y * 3) % 256));
    }
    std::system(("cjpeg -grayscale -quality 95 '" + base + ".pgm' > '" + base + ".jpg' 2>/dev/null").c_str());
    const std::vector<std::uint8_t> bytes = Bytes(base + ".jpg");
    const std::string pnm = Output("djpeg -pnm '" + base + ".jpg' 2>/dev/null");
    std::remove((base + ".pgm").c_str());
    std::remove((base + ".jpg").c_str());
    int w = 0, h = 0, consumed = 0;
    ASSERT_EQ(std::sscanf(pnm.c_str(), "P5 %d %d 255%n", &w, &h, &consumed), 2);
    const std::size_t count = std::size_t(width) * height, start = std::size_t(consumed) + 1;
    ASSERT_EQ(pnm.size(), start + count);
    Image image;
    std::string error;
    ASSERT_TRUE(ReadImage(bytes.data(), bytes.size(), image, error)) << error;
    ASSERT_TRUE(image.mWidth == width && image.mHeight == height);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c)
            differing += image.mPixels[i * 4 + c] != std::uint8_t(pnm[start + i]);
    EXPECT_EQ(differing, 0u);
}

TEST(PfImage, PdfPagesHaveTheirSizeAndText)
{
    if (Output("command -v pdfinfo").empty())
        GTEST_SKIP() << "poppler-utils is not installed";
    const std::string path = ::testing::TempDir() + "pf_canvas_" + std::to_string(::getpid()) + ".pdf";
    std::string error;
    auto canvas = CairoCanvas::MakePdf(path, 612, 792, error);
    ASSERT_TRUE(canvas) << error;
    canvas->FillRect({72, 72, 100, 100});
    canvas->NewPage();
    const std::u16string text = u"Weather at Vane Field";
    TextLayout layout;
    layout.SetFontMatrix(Affine{1, 0, 0, -1, 0, 0});
    layout.Build(reinterpret_cast<const std::uint16_t*>(text.data()), std::uint32_t(text.size()),
                 TextStyle::Make(FontRegistry::kDefaultFontId, 14), 0);
    canvas->DrawText(layout, {72, 100});
    ASSERT_TRUE(canvas->Finish(error)) << error;
    EXPECT_THAT(Output("pdftotext -f 2 '" + path + "' -"), ::testing::HasSubstr("Weather at Vane Field"));
    const std::string info = Output("pdfinfo '" + path + "'");
    EXPECT_THAT(info, ::testing::ContainsRegex("Pages: +2\n"));
    EXPECT_THAT(info, ::testing::ContainsRegex("Page size: +612 x 792 pts"));
    std::remove(path.c_str());

    EXPECT_FALSE(CairoCanvas::MakePdf("/nonexistent-folder/x.pdf", 612, 792, error));
    EXPECT_FALSE(error.empty());
}

} // namespace
