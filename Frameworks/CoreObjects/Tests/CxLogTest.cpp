#include "CxLog.h"
#include "CxFileTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using cx4::ReadFile;
using sky::test::TempHome;

namespace
{

class CxLogTest : public ::testing::Test
{
protected:
    CxLogTest() : file(CxFolder(kCxLogsFolder).CreateFile("test.log")), path(file.Path().AsUtf8()) {}

    TempHome home;
    CxFile file;
    std::string path;
};

} // namespace

TEST_F(CxLogTest, APassedLimitEmptiesTheWholeFile)
{
    struct Case
    {
        std::size_t textLength;
        std::size_t sizeAfter;
    } cases[] = {{20, 0}, {5, 96}, {9, 100}, {10, 0}};
    for (const auto& c : cases)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(90, 'x');
        CxLog log(file);
        log.SetMaxSize(100);
        log.Write(CxString(std::string(c.textLength, 'a').c_str()), 0);
        EXPECT_EQ(std::filesystem::file_size(path), c.sizeAfter) << c.textLength;
    }
}

TEST_F(CxLogTest, LinesAreAppendedWithALineFeedAsEightBitText)
{
    CxLog log(file);
    log.Write("first", 0);
    log.Write(CxString::FromUtf8("caf\xC3\xA9 \xE2\x82\xAC"), 0);
    log.Write("", 0);
    EXPECT_EQ(ReadFile(path), "first\ncaf* *\n\n");
}

TEST_F(CxLogTest, TheLimitIs102400BytesUntilChanged)
{
    CxLog log(file);
    const std::string line(1023, 'z');
    for (int i = 0; i < 100; ++i)
        log.Write(line.c_str(), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 102400u);
    log.Write("", 0);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);

    log.SetMaxSize(0); // no limit
    for (int i = 0; i < 200; ++i)
        log.Write(line.c_str(), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 200u * 1024u);
}

TEST_F(CxLogTest, TheLevelFiltersMessagesAbove)
{
    CxLog log(file);
    EXPECT_EQ(log.Level(), 0);
    log.SetLevel(2);
    EXPECT_EQ(log.Level(), 2);
    for (CxSint32 level : {0, 1, 2, 3, 7})
        log.Write(CxString(level), level);
    EXPECT_EQ(ReadFile(path), "0\n1\n2\n");

    log.Clear();
    log.SetLevel(0);
    for (CxSint32 level : {0, 3, 1000})
        log.Write(CxString(level), level);
    EXPECT_EQ(ReadFile(path), "0\n3\n1000\n");
}

TEST_F(CxLogTest, ASuspendedLogDropsWrites)
{
    CxLog log(file);
    log.Suspend();
    log.Write("lost", 0);
    log.Resume();
    log.Write("kept", 0);
    EXPECT_EQ(ReadFile(path), "kept\n");
}

TEST_F(CxLogTest, AMissingFileTakesNothingAndRaisesNothing)
{
    CxLog log(file);
    std::filesystem::remove(path);
    EXPECT_NO_THROW(log.Write("nowhere", 0));
    EXPECT_NO_THROW(log.Clear());
    EXPECT_FALSE(std::filesystem::exists(path));

    // A file made again later takes lines again.
    std::ofstream(path, std::ios::binary).flush();
    log.Write("back", 0);
    EXPECT_EQ(ReadFile(path), "back\n");
}
