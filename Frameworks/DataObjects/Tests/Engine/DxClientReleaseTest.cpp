// A new configuration may name another data file of the same Last-Modified as the one drawn. A client released and
// invalidated for it reads the next file of its frame's date whatever that date says, and keeps its frame drawn
// until then.
#include "DxManagerTestSupport.h"

#include <chrono>

namespace
{

using namespace dxenginetest;

class DxClientReleaseTest : public DxManagerTest
{
protected:
    // The file of the date replaced by another of the same modification date, as a new download would leave it.
    void Replace(const CxDate& inDate, const std::string& inText, fs::file_time_type inStamp)
    {
        Seed(inDate, inText);
        fs::last_write_time(Cached(inDate), inStamp);
    }
};

TEST_F(DxClientReleaseTest, AReleasedClientReadsTheNextFileOfItsDateWhateverItsDate)
{
    const fs::file_time_type stamp = fs::last_write_time(Seed(kT, "round 0"));
    TestClient client("stn");
    Attach(client, kT, kT, kT);
    ASSERT_TRUE(Pump([&] { return client.Table() != nullptr; }));
    ASSERT_TRUE(Settle());
    for (int round = 1; round <= 50; ++round)
    {
        SCOPED_TRACE(round);
        const int frames = client.mFrames;
        mManager->RefreshAllClients();
        EXPECT_NE(client.Frame(), nullptr);
        Replace(kT, "round " + std::to_string(round), stamp);
        {
            CxAutoLock lock(mManager->Region());
            mManager->RequestUpdate(DxRecord(kT, "stn"));
        }
        // Never blank while the new file is on its way.
        ASSERT_TRUE(Pump(
            [&]
            {
                EXPECT_NE(client.Frame(), nullptr);
                return client.mFrames > frames;
            }));
        ASSERT_TRUE(Settle());
        EXPECT_NE(client.Frame(), nullptr);
        // Only once: a later file of that date and Last-Modified is the one drawn.
        const int taken = client.mFrames;
        {
            CxAutoLock lock(mManager->Region());
            mManager->RequestUpdate(DxRecord(kT, "stn"));
        }
        ASSERT_TRUE(Settle());
        EXPECT_EQ(client.mFrames, taken);
    }
}

} // namespace
