// The graphics exporters' registry as a save dialog walks it.
#include "PfExporters.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace
{

using namespace pf;

class ExportersTest : public ::testing::Test
{
protected:
    void SetUp() override { ResetGraphicsExportersForTesting(); }
    void TearDown() override { ResetGraphicsExportersForTesting(); }

    // (file type, MIME, description) of each format, walking until a query fails; the failure is kept.
    static std::vector<std::tuple<FourCharCode, std::string, std::string>> Walk(OSStatus* outFailure = nullptr)
    {
        std::vector<std::tuple<FourCharCode, std::string, std::string>> seen;
        for (GraphicsExporterRef e = FindNextGraphicsExporter(0); e != 0; e = FindNextGraphicsExporter(e))
        {
            FourCharCode type = 0;
            std::size_t count = 0;
            OSStatus status = GraphicsExportGetDefaultFileType(e, &type);
            if (status == kNoErr)
                status = GraphicsExportGetFormatCount(e, &count);
            if (status != kNoErr)
            {
                if (outFailure)
                    *outFailure = status;
                break;
            }
            for (std::size_t i = 1; i <= count; ++i)
            {
                char mime[255], desc[255];
                std::size_t mimeSize = 0, descSize = 0;
                EXPECT_EQ(GraphicsExportCopyMime(e, i, mime, sizeof mime, &mimeSize), kNoErr);
                EXPECT_EQ(GraphicsExportCopyDescription(e, i, desc, sizeof desc, &descSize), kNoErr);
                seen.emplace_back(type, std::string(mime, mimeSize), std::string(desc, descSize));
            }
        }
        return seen;
    }
};

TEST_F(ExportersTest, TheBuiltInFormatsComeFirstThenTheRegisteredInOrder)
{
    const auto builtIn = Walk();
    ASSERT_EQ(builtIn.size(), 2u);
    EXPECT_EQ(std::get<0>(builtIn[0]), FourCC("PNGf"));
    EXPECT_EQ(std::get<1>(builtIn[0]), "image/png");
    EXPECT_EQ(std::get<0>(builtIn[1]), FourCC("JPEG"));
    EXPECT_EQ(std::get<1>(builtIn[1]), "image/jpeg");

    const GraphicsExporterRef fake = RegisterGraphicsExporter(
        {FourCC("TIFF"), {{"image/tiff", "TIFF"}, {"image/x-tiff", std::string(300, 'd')}}, kNoErr});
    const auto all = Walk();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[3], std::make_tuple(FourCC("TIFF"), std::string("image/x-tiff"), std::string(255, 'd')));

    // A failing exporter answers its failure to every query, and the walk ends there.
    const GraphicsExporterRef after = RegisterGraphicsExporter({FourCC("GIFf"), {{"image/gif", "GIF"}}, kNoErr});
    ASSERT_EQ(SetGraphicsExporterFailure(fake, -2000), kNoErr);
    char buffer[8];
    std::size_t copied = 0;
    EXPECT_EQ(GraphicsExportCopyMime(fake, 1, buffer, sizeof buffer, &copied), -2000);
    OSStatus failure = kNoErr;
    EXPECT_EQ(Walk(&failure).size(), 2u);
    EXPECT_EQ(failure, -2000);
    ASSERT_EQ(SetGraphicsExporterFailure(fake, kNoErr), kNoErr);
    EXPECT_EQ(Walk().size(), 5u);

    EXPECT_EQ(UnregisterGraphicsExporter(fake), kNoErr);
    EXPECT_EQ(UnregisterGraphicsExporter(fake), kParamErr);
    EXPECT_EQ(FindNextGraphicsExporter(fake), 0u) << "a gone exporter leads nowhere";
    EXPECT_EQ(Walk().size(), 3u);

    // References do not outlive a reset, nor come back after it.
    ResetGraphicsExportersForTesting();
    EXPECT_EQ(Walk().size(), 2u);
    FourCharCode type = 0;
    EXPECT_EQ(GraphicsExportGetDefaultFileType(after, &type), kParamErr);
    EXPECT_NE(RegisterGraphicsExporter({}), after);
}

TEST_F(ExportersTest, CopiesCheckTheirArguments)
{
    const GraphicsExporterRef png = FindNextGraphicsExporter(0);
    char buffer[4] = {'.', '.', '.', '.'};
    std::size_t copied = 99;
    const struct
    {
        std::size_t index;
        char* buffer;
        std::size_t capacity;
        std::size_t* copied;
        OSStatus status;
    } cases[] = {
        {0, buffer, 4, &copied, kParamErr},  {2, buffer, 4, &copied, kParamErr}, {1, buffer, 4, nullptr, kParamErr},
        {1, nullptr, 4, &copied, kParamErr}, {1, nullptr, 0, &copied, kNoErr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(GraphicsExportCopyMime(png, c.index, c.buffer, c.capacity, c.copied), c.status);
    }
    EXPECT_EQ(copied, 0u);
    EXPECT_EQ(GraphicsExportCopyMime(png, 1, buffer, sizeof buffer, &copied), kNoErr);
    EXPECT_EQ(std::string(buffer, copied), "imag");
    EXPECT_EQ(GraphicsExportGetDefaultFileType(png, nullptr), kParamErr);
    EXPECT_EQ(GraphicsExportGetFormatCount(0, &copied), kParamErr);
}

} // namespace
