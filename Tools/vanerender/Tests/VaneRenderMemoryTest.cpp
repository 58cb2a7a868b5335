// Runs given too little address space: whichever allocation fails (the context, a job thread, a document's reading,
// the picture's read-back), the run fails with status 1, says so and leaves nothing of its own behind.
#include "TestSupport.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

#include <set>

namespace
{

using namespace vanerun;

std::string Gridlines(int inCount, const std::string& inVisible)
{
    std::string layers;
    for (int i = 0; i < inCount; ++i)
        layers += "<gridlines color=\"#8090A0FF\" width=\"1\" latInterval=\"1\" lonInterval=\"1\" startLat=\"20\" "
                  "endLat=\"50\" startLon=\"-100\" endLon=\"-70\" visible=\"" +
                  inVisible + "\" alpha=\"1\" selected=\"false\"/>";
    return Document(layers);
}

TEST(VaneRenderMemory, ARunOutOfMemoryFailsAndLeavesNothingBehind)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' shadow memory does not fit under an address-space limit";
#endif
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path());
    Write(folder / "map.vanedoc", Gridlines(1, "true"));
    // 34 MB of hidden layers, read into far more.
    Write(folder / "large.vanedoc", Gridlines(200000, "false"));
    // No fonts: a font cache made under the limit would be empty, and where it lands may be the machine's.
    Write(folder / "fonts.conf", "<fontconfig><cachedir>" + (folder / "fonts").string() + "</cachedir></fontconfig>");
    struct Row
    {
        int mMegabytes;
        std::string mArguments;
        std::set<std::string> mPictures;
        std::string mSaid; // once a map is drawn
    };
    // A picture of 16384 x 12000 is 786 MB, drawn and read back; a document that fails leaves the next one drawn.
    const Row rows[] = {
        {250, "map.vanedoc --size 16384x12000", {}, "map.png: the picture could not be written (out of memory)"},
        {500, "map.vanedoc --size 16384x12000", {}, "map.png: the picture could not be written (out of memory)"},
        {1000, "map.vanedoc --size 16384x12000", {}, "map.png: the picture could not be written (out of memory)"},
        {1500, "map.vanedoc --size 16384x12000", {}, "map.png: the picture could not be written (out of memory)"},
        {450, "large.vanedoc map.vanedoc --size 64x64", {"map.png"}, "large.vanedoc: failed (out of memory)"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::to_string(row.mMegabytes) + " MB: " + row.mArguments);
        fs::remove_all(folder / "out");
        fs::remove_all(folder / "tmp");
        fs::create_directories(folder / "tmp");
        const Outcome run =
            Render(row.mArguments + " --out out", folder,
                   "ulimit -v " + std::to_string(row.mMegabytes * 1000) + " && FONTCONFIG_FILE='" +
                       (folder / "fonts.conf").string() + "' TMPDIR='" + (folder / "tmp").string() + "'");
        EXPECT_EQ(run.mStatus, 1) << run.mErr;
        std::set<std::string> pictures;
        for (const auto& entry : fs::directory_iterator(folder / "out"))
            pictures.insert(entry.path().filename().string());
        EXPECT_EQ(pictures, row.mPictures);
        EXPECT_TRUE(fs::is_empty(folder / "tmp"));
        if (run.mOut.find(" drawn\n") != std::string::npos)
        {
            EXPECT_NE(run.mErr.find(row.mSaid), std::string::npos) << run.mErr;
        }
    }
}

} // namespace
