#include "GxMesh.h"
#include "GxTextEngine.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

// Job threads may lay text out and plan tiles while the main thread does the same with shared styles.
TEST(GxTextThreads, SharedStylesAndTheRegistry)
{
    const GxTextStyleRef shared = GxTextStyle::Make(0, 14);
    ASSERT_TRUE(shared);
    const std::u16string text = u"Wind 25 kt \U0001D400 gusting 40";
    std::vector<CxSint32> widths(4, -1);
    std::vector<CxUint32> serifIds(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < 20; ++i)
                {
                    GxTextLayout layout;
                    layout.Build(reinterpret_cast<const CxUint16*>(text.data()), static_cast<CxUint32>(text.size()),
                                 shared, 60 + t * 10);
                    std::vector<CxUint8> coverage(64 * 24, 0);
                    layout.Render(coverage.data(), 64, 24, 0, 18);
                    widths[t] = layout.EndOffset();
                    GxFontRegistry::FindFullName("DejaVu Serif", serifIds[t]);
                    const GxTextStyleRef own = GxTextStyle::Make(GxFontRegistry::FindStyled(0, i % 2 == 0, true), 9);
                    GxMesh mesh;
                    mesh.SetOverlapping(true);
                    mesh.SetWidth(300 + t);
                    mesh.SetHeight(200);
                    mesh.Tile();
                }
            });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < 4; ++t)
    {
        EXPECT_GT(widths[t], 0);
        EXPECT_LE(widths[t], 60 + t * 10);
        EXPECT_EQ(serifIds[t], serifIds[0]);
    }
    EXPECT_NE(serifIds[0], 0u);
}
