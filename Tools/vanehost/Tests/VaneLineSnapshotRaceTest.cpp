// A snapshot's name swapped between a link out of --out and a file while snapshots are taken: the file outside is
// never written.
#include "VaneLineTable.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace
{

namespace fs = std::filesystem;

// 400 snapshots in all, each run going on from the line a refusal (the name a link when looked at) ended it at.
TEST(VaneLineSnapshotRace, ALinkSwappedInIsNeverWrittenThrough)
{
    const fs::path folder = VaneRowFolder("snapshot-race");
    fs::create_directories(folder / "out");
    const std::string outside = "not a snapshot";
    std::ofstream(folder / "outside.png") << outside;

    std::atomic<bool> done{false};
    std::thread swapper(
        [&]
        {
            const fs::path name = folder / "out" / "snap.png";
            const fs::path link = folder / "out" / ".swap-link";
            const fs::path file = folder / "out" / ".swap-file";
            while (!done)
            {
                std::error_code ignored;
                fs::create_symlink("../outside.png", link, ignored);
                std::rename(link.c_str(), name.c_str());
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::ofstream(file) << "in out";
                std::rename(file.c_str(), name.c_str());
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    int taken = 0, runs = 0, refused = 0;
    while (taken < 400 && runs < 400 && !testing::Test::HasFailure())
    {
        ++runs;
        std::string script = "embed a x=0 y=0 w=10 h=10\n\n";
        for (int i = taken; i < 400; ++i)
            script += "snapshot a snap.png\n";
        std::ofstream(folder / "snap.vhs") << script;
        const VaneLineRun run = VaneRunHost(folder, "snap.vhs --home home --out out");
        if (run.status == 0)
        {
            taken = 400;
            continue;
        }
        // The only refusal: the name was a link when looked at.
        int line = 0;
        EXPECT_EQ(run.status, 2) << run.err;
        const std::size_t at = run.err.find("snap.vhs:");
        EXPECT_TRUE(at != std::string::npos && std::sscanf(run.err.c_str() + at, "snap.vhs:%d: ", &line) == 1)
            << run.err;
        EXPECT_NE(run.err.find("(a link)"), std::string::npos) << run.err;
        taken += line - 2;
        ++refused;
    }
    done = true;
    swapper.join();
    EXPECT_EQ(VaneSlurp(folder / "outside.png"), outside)
        << "after " << taken << " snapshots, " << refused << " refused";
    EXPECT_GE(taken, 400);
    VaneRemoveRowFolder(folder);
}

} // namespace
