// Runs given too little address space: whichever allocation of ours fails (a document's reading, the picture's
// read-back), the run fails with status 1, says so and leaves nothing of its own behind. Limits that reach the
// context's creation are left out: Mesa may crash there, by build.
#include "TestSupport.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

namespace
{

using namespace vanerun;

TEST(VaneRenderMemory, ARunOutOfMemoryFailsAndLeavesNothingBehind)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' shadow memory does not fit under an address-space limit";
#endif
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path());
    Write(folder / "map.vanedoc", Document(""));
    std::string hidden; // 34 MB, read into far more
    for (int i = 0; i < 200000; ++i)
        hidden += "<gridlines color=\"#8090A0FF\" width=\"1\" latInterval=\"1\" lonInterval=\"1\" startLat=\"20\" "
                  "endLat=\"50\" startLon=\"-100\" endLon=\"-70\" visible=\"false\" alpha=\"1\" selected=\"false\"/>";
    Write(folder / "large.vanedoc", Document(hidden));
    // No fonts: a font cache made under the limit would be empty, and where it lands may be the machine's.
    Write(folder / "fonts.conf", "<fontconfig><cachedir>" + (folder / "fonts").string() + "</cachedir></fontconfig>");
    // A picture of 16384 x 12000 is 786 MB, drawn and read back; a document that fails leaves the next one drawn.
    const std::string lost = "map.png: the picture could not be written (out of memory)";
    for (const auto& [megabytes, arguments, pictures, said] :
         {std::tuple{1000, "map.vanedoc --size 16384x12000", "", lost},
          {450, "large.vanedoc map.vanedoc --size 64x64", "map.png ", "large.vanedoc: failed (out of memory)"}})
    {
        SCOPED_TRACE(std::to_string(megabytes) + " MB: " + arguments);
        fs::remove_all(folder / "out");
        fs::remove_all(folder / "tmp");
        fs::create_directories(folder / "tmp");
        const Outcome run =
            Render(std::string(arguments) + " --out out", folder,
                   "ulimit -v " + std::to_string(megabytes * 1000) + " && FONTCONFIG_FILE='" +
                       (folder / "fonts.conf").string() + "' TMPDIR='" + (folder / "tmp").string() + "'");
        EXPECT_EQ(run.mStatus, 1) << run.mErr;
        std::string written;
        for (const auto& entry : fs::directory_iterator(folder / "out"))
            written += entry.path().filename().string() + " ";
        EXPECT_EQ(written, pictures);
        EXPECT_TRUE(fs::is_empty(folder / "tmp"));
        if (run.mOut.find(" drawn\n") != std::string::npos)
        {
            EXPECT_NE(run.mErr.find(said), std::string::npos) << run.mErr;
        }
    }
}

} // namespace
