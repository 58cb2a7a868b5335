// The clipboard and its promise keeper through the face objects, over the platform's one scrap.
#include "FxDrag.h"
#include "FxScrapHandler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

using pf::FourCC;

class ScrapTest : public ::testing::Test
{
protected:
    void SetUp() override { FxScrapHandler::ClearScrap(); }
    void TearDown() override { FxScrapHandler::ClearScrap(); }
};

// Fills each promise it is asked for with the flavour's code as text.
class RecordingScrapHandler : public FxScrapHandler
{
public:
    void OnScrapSend(FxScrap& ioScrap, FxScrapFlavor& ioFlavor) override
    {
        mSent.push_back(ioFlavor.Id());
        EXPECT_EQ(ioScrap.GetScrapRef(), pf::GetCurrentScrap());
        const pf::FourCharCode type = ioFlavor.Id();
        const char text[4] = {char(type >> 24), char(type >> 16), char(type >> 8), char(type)};
        ioFlavor.SetData(text, sizeof text);
    }
    std::vector<pf::FourCharCode> mSent;
};

TEST_F(ScrapTest, FlavoursAnswerAsTheyWerePut)
{
    FxScrap scrap = FxScrapHandler::GetScrap();
    scrap.AddFlavor(FourCC("TEXT"), 3, "abc");
    scrap.AddFlavor(FourCC("EMPT"), 0, nullptr);
    scrap.AddFlavor(FourCC("PICT"), 8, nullptr);
    scrap.AddFlavor(FourCC("TEXT"), 2, "xy"); // replaces, keeps its place

    const std::vector<pf::FourCharCode> put = {FourCC("TEXT"), FourCC("EMPT"), FourCC("PICT")};
    ASSERT_EQ(scrap.CountFlavors(), put.size());
    for (std::uint32_t i = 1; i <= put.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(scrap.GetFlavorByIndex(i).Id(), put[i - 1]);
        EXPECT_TRUE(scrap.HasFlavor(put[i - 1]));
    }
    EXPECT_FALSE(scrap.HasFlavor(FourCC("none")));
    EXPECT_EQ(scrap.GetFlavorByIndex(0).Id(), 0u);
    EXPECT_EQ(scrap.GetFlavorByIndex(4).Id(), 0u);

    EXPECT_EQ(scrap.GetFlavorById(FourCC("TEXT")).Size(), 2u);
    EXPECT_EQ(scrap.GetFlavorById(FourCC("EMPT")).Size(), 0u);
    EXPECT_EQ(scrap.GetFlavorById(FourCC("none")).Size(), 0u);

    EXPECT_EQ(FxScrapHandler::ClearScrap(), pf::kNoErr);
    EXPECT_EQ(scrap.CountFlavors(), 0u);
    EXPECT_FALSE(scrap.HasFlavor(FourCC("TEXT")));
}

TEST_F(ScrapTest, GetDataReportsWhatWasRead)
{
    FxScrap scrap = FxScrapHandler::GetScrap();
    FxScrapFlavor text = scrap.AddFlavor(FourCC("TEXT"), 5, "hello");

    struct Row
    {
        pf::FourCharCode type;
        std::size_t asked;
        std::string read; // what the buffer holds after
        std::size_t reported;
    };
    const Row rows[] = {
        {FourCC("TEXT"), 8, "hello...", 5},
        {FourCC("TEXT"), 3, "hel.....", 3},
        {FourCC("TEXT"), 0, "........", 0},
        {FourCC("none"), 8, "........", 0}, // missing: buffer left alone
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.asked);
        char buffer[8];
        std::memset(buffer, '.', sizeof buffer);
        std::size_t size = 99;
        EXPECT_EQ(scrap.GetFlavorById(row.type).GetData(buffer, row.asked, &size), pf::OSStatus(row.reported));
        EXPECT_EQ(size, row.reported);
        EXPECT_EQ(std::string(buffer, sizeof buffer), row.read);
    }

    // Without outSize the status comes back.
    char buffer[8] = {};
    EXPECT_EQ(text.GetData(buffer, sizeof buffer), pf::kNoErr);
    EXPECT_EQ(scrap.GetFlavorById(FourCC("none")).GetData(buffer, sizeof buffer), pf::kNoScrapFlavorErr);
}

TEST_F(ScrapTest, APromiseIsKeptByItsHandlerOnceWhenRead)
{
    RecordingScrapHandler handler;
    FxScrap scrap = FxScrapHandler::GetScrap();
    ASSERT_EQ(pf::SetScrapPromiseKeeper(scrap.GetScrapRef(), [&handler](pf::ScrapRef inScrap, pf::FourCharCode inType)
                                        { return FxScrapHandler::ScrapPromiseKeeperProc(inScrap, inType, &handler); }),
              pf::kNoErr);
    scrap.AddFlavor(FourCC("PICT"), 4, nullptr);
    scrap.AddFlavor(FourCC("TEXT"), 2, "ok");
    EXPECT_TRUE(handler.mSent.empty()) << "promised data is fetched when read, not when put";

    // Plain data never asks the keeper.
    EXPECT_EQ(scrap.GetFlavorById(FourCC("TEXT")).Size(), 2u);
    EXPECT_TRUE(handler.mSent.empty());

    char buffer[4] = {};
    std::size_t size = 0;
    scrap.GetFlavorById(FourCC("PICT")).GetData(buffer, sizeof buffer, &size);
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(std::string(buffer, 4), "PICT");
    EXPECT_EQ(scrap.GetFlavorById(FourCC("PICT")).Size(), 4u);
    EXPECT_EQ(handler.mSent, std::vector<pf::FourCharCode>{FourCC("PICT")});
}

TEST_F(ScrapTest, AKeeperWithoutAHandlerRefuses)
{
    EXPECT_EQ(FxScrapHandler::ScrapPromiseKeeperProc(pf::GetCurrentScrap(), FourCC("PICT"), nullptr), pf::kParamErr);
}

} // namespace
