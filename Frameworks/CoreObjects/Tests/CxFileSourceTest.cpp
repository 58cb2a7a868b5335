#include "CxData.h"
#include "CxError.h"
#include "CxFile.h"
#include "CxStream.h"

#include "CxFileTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using cx4::ReadFile;
using cx4::WriteFile;

namespace
{

class CxFileSourceTest : public ::testing::Test
{
protected:
    CxFile Make(const std::string& inName, const std::string& inBytes)
    {
        const std::string path = mHome.Path() + "/" + inName;
        WriteFile(path, inBytes);
        return CxFile(CxFileRef{path});
    }

    sky::test::TempHome mHome;
};

TEST_F(CxFileSourceTest, ReadPeekAndTheEnd)
{
    CxFile file = Make("ten", "0123456789");
    CxFileSource source(file, kCxFileAccessRead);
    EXPECT_EQ(source.Length(), 10u);
    char buffer[32] = {};
    EXPECT_EQ(source.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(source.Position(), 4u);
    EXPECT_EQ(source.Peek(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "4567");
    EXPECT_EQ(source.Position(), 4u);
    EXPECT_EQ(source.ReadChar(), '4');

    source.SetPosition(8);
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_THROW(source.Read(buffer, 20), CxErrorFileEnd);
    // What there was has been read and passed.
    EXPECT_EQ(std::string(buffer, 2), "89");
    EXPECT_EQ(source.Position(), 10u);
    EXPECT_THROW(source.ReadChar(), CxErrorFileEnd);
    EXPECT_EQ(source.Read(buffer, 0), 0u);

    source.SetPosition(6);
    EXPECT_THROW(source.Peek(buffer, 5), CxErrorFileEnd);
    EXPECT_EQ(source.Position(), 6u);
    EXPECT_THROW(source.SetPosition(11), CxErrorFileEnd);
    EXPECT_EQ(source.Position(), 6u);
    source.SetPosition(10);
    EXPECT_EQ(source.Position(), 10u);
}

TEST_F(CxFileSourceTest, WritesAndLengths)
{
    CxFile file = Make("rw", "abcdef");
    {
        CxFileSource source(file, kCxFileAccessRead | kCxFileAccessWrite);
        source.SetPosition(4);
        EXPECT_EQ(source.Write("XYZ", 3), 3u);
        EXPECT_EQ(source.Position(), 7u);
        EXPECT_EQ(source.Length(), 7u);
        source.SetLength(5);
        EXPECT_EQ(source.Position(), 5u);
        source.SetLength(8);
        EXPECT_EQ(source.Position(), 5u);
        EXPECT_EQ(source.Length(), 8u);
    }
    EXPECT_EQ(ReadFile(mHome.Path() + "/rw"), std::string("abcdX\0\0\0", 8));

    {
        CxFileSource source(file, kCxFileAccessRead);
        EXPECT_THROW(source.Write("x", 1), CxErrorFilePermissions);
        EXPECT_THROW(source.SetLength(0), CxErrorFilePermissions);
    }
    {
        CxFileSource source(file, kCxFileAccessWrite);
        EXPECT_EQ(source.Write("12", 2), 2u);
    }
    {
        // No access asked: whatever is allowed, here both.
        CxFileSource source(file, kCxFileAccessAny);
        char buffer[2];
        EXPECT_EQ(source.Read(buffer, 2), 2u);
        EXPECT_EQ(std::string(buffer, 2), "12");
        EXPECT_EQ(source.Write("!", 1), 1u);
    }
    EXPECT_EQ(ReadFile(mHome.Path() + "/rw").substr(0, 3), "12!");
}

TEST_F(CxFileSourceTest, OpeningFailuresThrow)
{
    CxFile missing(CxFileRef{mHome.Path() + "/missing"});
    EXPECT_THROW(CxFileSource(missing, kCxFileAccessRead), CxErrorFileNotFound);
    EXPECT_THROW(CxFileSource(missing, kCxFileAccessAny), CxErrorFileNotFound);
    CxFile folder(CxFileRef{mHome.Path()});
    EXPECT_THROW(CxFileSource(folder, kCxFileAccessRead), CxErrorNotAFile);
    EXPECT_THROW(CxFileSource(folder, kCxFileAccessAny), CxErrorNotAFile);
    CxFile none;
    EXPECT_THROW(CxFileSource(none, kCxFileAccessRead), CxErrorFileNotFound);
}

// The layouts themselves are the binary stream tests'; here a stream over a file, in both byte orders.
TEST_F(CxFileSourceTest, BinaryStreamReadsWhatWriteContentsWrote)
{
    CxData data(static_cast<CxUint32>(0));
    {
        CxBinaryStream out(data);
        out << static_cast<CxUint32>(0xCAFEBABE);
        out.SetEndianness(kCxLittleEndian);
        out << static_cast<CxUint32>(0x01020304);
        out << CxString("name");
    }
    CxFile file = Make("stream", "");
    file.WriteContents(data);

    CxBinaryStream in(file);
    EXPECT_EQ(in.Length(), data.Size());
    CxUint32 magic = 0;
    in >> magic;
    EXPECT_EQ(magic, 0xCAFEBABEu);
    in.SetEndianness(kCxLittleEndian);
    CxUint32 little = 0;
    in >> little;
    EXPECT_EQ(little, 0x01020304u);
    CxString name;
    in >> name;
    EXPECT_EQ(name, "name");
    EXPECT_TRUE(in.End());
    // A file stream throws at its end, as file sources do.
    EXPECT_THROW(in >> little, CxErrorFileEnd);

    CxFile missing(CxFileRef{mHome.Path() + "/missing"});
    EXPECT_THROW(CxBinaryStream stream(missing), CxErrorFileNotFound);
}

} // namespace
