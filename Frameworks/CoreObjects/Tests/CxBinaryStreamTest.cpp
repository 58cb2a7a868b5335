#include "CxData.h"
#include "CxDebug.h"
#include "CxStream.h"
#include "CxString.h"
#include "StreamFixtures.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

namespace
{

using namespace fixtures;

std::vector<unsigned char> Bytes(CxData& ioData)
{
    CxAutoLock lock(ioData);
    const auto* bytes = static_cast<const unsigned char*>(ioData.Pointer());
    return std::vector<unsigned char>(bytes, bytes + ioData.Size());
}

CxData FromBytes(const std::vector<unsigned char>& inBytes)
{
    return CxData(inBytes.data(), CxUint32(inBytes.size()));
}

template <typename T> T FromBits(unsigned long long inBits)
{
    if constexpr (std::is_same_v<T, float>)
        return std::bit_cast<float>(CxUint32(inBits));
    else if constexpr (std::is_same_v<T, double>)
        return std::bit_cast<double>(CxUint64(inBits));
    else if constexpr (std::is_same_v<T, bool>)
        return inBits != 0;
    else
        return static_cast<T>(inBits);
}

template <typename T> unsigned long long ToBits(T inValue)
{
    if constexpr (std::is_same_v<T, float>)
        return std::bit_cast<CxUint32>(inValue);
    else if constexpr (std::is_same_v<T, double>)
        return std::bit_cast<CxUint64>(inValue);
    else if constexpr (std::is_same_v<T, bool>)
        return inValue ? 1 : 0;
    else
        return static_cast<unsigned long long>(static_cast<std::make_unsigned_t<T>>(inValue));
}

// Writes the value in the given order and reads the fixture's bytes back as the value's type.
template <typename T> void CheckLayout(const NumberLayout& inCase, CxEndianness inOrder)
{
    const std::vector<unsigned char>& expected = inOrder == kCxBigEndian ? inCase.mBig : inCase.mLittle;
    const std::string what = std::string(inCase.mLabel) + (inOrder == kCxBigEndian ? " big" : " little");

    CxData written(0u);
    {
        CxBinaryStream stream(written);
        stream.SetEndianness(inOrder);
        stream << FromBits<T>(inCase.mBits);
        EXPECT_EQ(stream.Position(), sizeof(T)) << what;
    }
    EXPECT_EQ(Bytes(written), expected) << what;

    CxData source = FromBytes(expected);
    CxBinaryStream stream(source);
    stream.SetEndianness(inOrder);
    T value{};
    stream >> value;
    EXPECT_EQ(ToBits(value), inCase.mBits) << what;
    EXPECT_TRUE(stream.End()) << what;
}

void CheckLayout(const NumberLayout& inCase, CxEndianness inOrder)
{
    switch (inCase.mKind)
    {
    case kSint8:
        return CheckLayout<signed char>(inCase, inOrder);
    case kUint8:
        return CheckLayout<unsigned char>(inCase, inOrder);
    case kChar:
        return CheckLayout<char>(inCase, inOrder);
    case kBool:
        return CheckLayout<bool>(inCase, inOrder);
    case kSint16:
        return CheckLayout<CxSint16>(inCase, inOrder);
    case kUint16:
        return CheckLayout<CxUint16>(inCase, inOrder);
    case kSint32:
        return CheckLayout<CxSint32>(inCase, inOrder);
    case kUint32:
        return CheckLayout<CxUint32>(inCase, inOrder);
    case kSint64:
        return CheckLayout<long long>(inCase, inOrder);
    case kUint64:
        return CheckLayout<unsigned long long>(inCase, inOrder);
    case kFloat:
        return CheckLayout<float>(inCase, inOrder);
    case kDouble:
        return CheckLayout<double>(inCase, inOrder);
    }
}

// 64-bit values and sizes never reach a layout as long: those overloads do not exist.
template <typename T>
concept Writable = requires(CxBinaryStream& s, T v)
{
    s << v;
};
template <typename T>
concept Readable = requires(CxBinaryStream& s, T& v)
{
    s >> v;
};

static_assert(!Writable<long> && !Writable<unsigned long> && !Writable<std::size_t> && !Writable<std::int64_t>);
static_assert(!Readable<long> && !Readable<unsigned long> && !Readable<std::size_t> && !Readable<std::int64_t>);
static_assert(Writable<std::int8_t> && Writable<std::uint32_t> && Writable<long long> && Writable<double>);
static_assert(Readable<char> && Readable<bool> && Readable<unsigned long long> && Readable<float>);

} // namespace

TEST(CxBinaryStreamTest, NumberLayoutsInBothOrders)
{
    for (const NumberLayout& layout : kNumberLayouts)
    {
        CheckLayout(layout, kCxBigEndian);
        CheckLayout(layout, kCxLittleEndian);
    }
}

TEST(CxBinaryStreamTest, StringLayoutsDoNotDependOnTheByteOrder)
{
    for (const StringLayout& layout : kStringLayouts)
    {
        for (CxEndianness order : {kCxBigEndian, kCxLittleEndian})
        {
            CxData written(0u);
            {
                CxBinaryStream stream(written);
                stream.SetEndianness(order);
                stream.SetEncoding(CxEncoding(layout.mEncoding));
                if (layout.mFromUnits)
                    stream << CxString(layout.mUnits.data(), CxUint32(layout.mUnits.size()));
                else
                    stream << layout.mText;
            }
            EXPECT_EQ(Bytes(written), layout.mBytes) << layout.mLabel << " order " << int(order);

            // Read back: UTF-16 gives the units again, 8-bit text its bytes sign-extended.
            CxData source = FromBytes(layout.mBytes);
            CxBinaryStream stream(source);
            stream.SetEndianness(order);
            stream.SetEncoding(CxEncoding(layout.mEncoding));
            CxString read("unchanged?");
            stream >> read;
            const CxString expected =
                layout.mEncoding == kCxEncodingUtf16
                    ? (layout.mFromUnits ? CxString(layout.mUnits.data(), CxUint32(layout.mUnits.size()))
                                         : CxString(layout.mText))
                    : CxString(reinterpret_cast<const char*>(layout.mBytes.data()));
            EXPECT_TRUE(read == expected) << layout.mLabel;
            EXPECT_TRUE(stream.End()) << layout.mLabel;
        }
    }
}

TEST(CxBinaryStreamTest, AShortReadKeepsTheRestOfTheVariable)
{
    // Two bytes 0xAB 0xCD remain for a four-byte value that held 0x11223344.
    {
        CxData source = FromBytes({0xAB, 0xCD});
        CxBinaryStream stream(source);
        CxUint32 value = 0x11223344;
        stream >> value;
        EXPECT_EQ(value, 0xABCD3344u); // the stream's first bytes are the value's most significant
        EXPECT_TRUE(stream.End());
    }
    {
        CxData source = FromBytes({0xAB, 0xCD});
        CxBinaryStream stream(source);
        stream.SetEndianness(kCxLittleEndian);
        CxUint32 value = 0x11223344;
        stream >> value;
        EXPECT_EQ(value, 0x1122CDABu);
    }
    {
        CxData source = FromBytes({0x40, 0x09, 0x21});
        CxBinaryStream stream(source);
        double value = 0.0;
        stream >> value;
        EXPECT_EQ(std::bit_cast<CxUint64>(value), 0x4009210000000000ull);
    }
    // Nothing left: nothing changes.
    {
        CxData source(0u);
        CxBinaryStream stream(source);
        long long wide = -5;
        bool flag = true;
        char letter = 'q';
        stream >> wide >> flag >> letter;
        EXPECT_EQ(wide, -5);
        EXPECT_TRUE(flag);
        EXPECT_EQ(letter, 'q');
    }
}

TEST(CxBinaryStreamTest, ReadsPastTheEndLeaveThePositionAtTheEnd)
{
    CxData data = FromBytes({1, 2, 3});
    CxData share = data;
    {
        auto* source = new CxDataSource(data);
        source->SetPosition(1);
        CxBinaryStream stream(source); // takes the source where it stands
        EXPECT_EQ(stream.Position(), 1u);
        CxUint16 half = 0x1111;
        CxUint32 word = 0x22222222;
        stream >> half >> word >> word >> half;
        EXPECT_EQ(half, 0x0203u);
        EXPECT_EQ(word, 0x22222222u);
        EXPECT_EQ(stream.Position(), 3u);
        EXPECT_TRUE(stream.End());
        // Moves and writes count from the end, however far the reads went.
        EXPECT_EQ(stream.OffsetPosition(-1), 2u);
        stream << CxUint16(0xAABB);
        EXPECT_EQ(stream.Position(), 4u);
        stream >> word;
        stream << static_cast<unsigned char>(0xCC);
        EXPECT_EQ(stream.Length(), 5u);
    }
    EXPECT_EQ(Bytes(share), std::vector<unsigned char>({1, 2, 0xAA, 0xBB, 0xCC}));
}

TEST(CxBinaryStreamTest, AnyNonZeroByteReadsAsTrue)
{
    CxData source = FromBytes({0x02, 0x00, 0xFF});
    CxBinaryStream stream(source);
    bool a = false, b = true, c = false;
    stream >> a >> b >> c;
    EXPECT_TRUE(a);
    EXPECT_FALSE(b);
    EXPECT_TRUE(c);
}

TEST(CxBinaryStreamTest, PositionsAreClampedToTheBuffer)
{
    CxData source = FromBytes({1, 2, 3, 4, 5});
    CxBinaryStream stream(source);
    struct Step
    {
        bool mAbsolute;
        CxSint64 mArgument;
        CxUint32 mExpected;
    };
    const Step steps[] = {
        {true, 9, 5},                   // beyond the length
        {true, 2, 2},   {false, 4, 5},  // 2 + 4 stops at the end
        {false, -3, 2}, {false, -7, 0}, // before the start stops at 0
        {false, 0, 0},  {true, 5, 5},   {false, -2147483647 - 1, 0},
    };
    for (const Step& step : steps)
    {
        const CxUint32 result = step.mAbsolute ? stream.SetPosition(CxUint32(step.mArgument))
                                               : stream.OffsetPosition(CxSint32(step.mArgument));
        EXPECT_EQ(result, step.mExpected) << step.mArgument;
        EXPECT_EQ(stream.Position(), step.mExpected);
        EXPECT_EQ(stream.End(), step.mExpected == 5);
    }

    // SetLength clamps the position and zero-fills when growing.
    stream.SetPosition(4);
    EXPECT_EQ(stream.SetLength(3), 3u);
    EXPECT_EQ(stream.Position(), 3u);
    EXPECT_EQ(stream.SetLength(6), 6u);
    EXPECT_EQ(stream.Position(), 3u);
    stream.SetPosition(0);
    unsigned char all[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(stream.Peek(all, 10), 6u);
    EXPECT_EQ(stream.Position(), 0u); // Peek does not move
    EXPECT_EQ(std::vector<unsigned char>(all, all + 6), std::vector<unsigned char>({1, 2, 3, 0, 0, 0}));
}

TEST(CxBinaryStreamTest, AsciiAndUtf16Reading)
{
    {
        CxData source = FromBytes({'a', 'b', 0, 'c'});
        CxBinaryStream stream(source);
        EXPECT_TRUE(stream.ReadAscii() == "ab");
        EXPECT_EQ(stream.Position(), 3u);
        EXPECT_TRUE(stream.ReadAscii() == "c"); // the end without a 0 byte
        EXPECT_TRUE(stream.End());
        EXPECT_TRUE(stream.ReadAscii() == "");
    }
    {
        // Longer than the reader's chunk, to cross its seams.
        std::vector<unsigned char> bytes(700, 'x');
        bytes[600] = 0;
        CxData source = FromBytes(bytes);
        CxBinaryStream stream(source);
        EXPECT_EQ(stream.ReadAscii().Length(), 600u);
        EXPECT_EQ(stream.Position(), 601u);
        EXPECT_EQ(stream.ReadAscii().Length(), 99u);
    }
    {
        // Units up to a 0 unit; then to the end; a lone trailing byte is passed.
        CxData source = FromBytes({'h', 0, 'i', 0, 0, 0, 0xAC, 0x20, 'z'});
        CxBinaryStream stream(source);
        EXPECT_TRUE(stream.ReadUtf16() == "hi");
        EXPECT_EQ(stream.Position(), 6u);
        const CxString rest = stream.ReadUtf16();
        ASSERT_EQ(rest.Length(), 1u);
        EXPECT_EQ(rest[0], 0x20AC);
        EXPECT_TRUE(stream.End());
    }
    {
        std::vector<unsigned char> bytes;
        for (int i = 0; i < 300; ++i)
            bytes.insert(bytes.end(), {CxUint8('a' + i % 26), 0});
        bytes.insert(bytes.end(), {0, 0, 'q', 0});
        CxData source = FromBytes(bytes);
        CxBinaryStream stream(source);
        EXPECT_EQ(stream.ReadUtf16().Length(), 300u);
        EXPECT_EQ(stream.Position(), 602u);
    }
}

TEST(CxBinaryStreamTest, AnUnknownEncodingMovesNothing)
{
    CxDebugCapture capture;
    CxData data = FromBytes({'a', 0});
    CxBinaryStream stream(data);
    stream.SetEncoding(CxEncoding(3));
    CxString text("kept");
    stream >> text;
    EXPECT_TRUE(text == "kept");
    EXPECT_EQ(stream.Position(), 0u);
    EXPECT_GT(capture.Count(), 0u);

    capture.Clear();
    stream << CxString("x");
    EXPECT_GT(capture.Count(), 0u);
    capture.Clear();
    stream << "x"; // 8-bit text: silently nothing
    EXPECT_EQ(capture.Count(), 0u);
    EXPECT_EQ(stream.Length(), 2u);
    EXPECT_EQ(stream.Position(), 0u);
}

TEST(CxDataSourceTest, ReadCharStopsAtTheEnd)
{
    CxData data = FromBytes({0x41, 0xE9});
    CxDataSource source(data);
    EXPECT_EQ(source.ReadChar(), 0x41);
    EXPECT_EQ(source.ReadChar(), static_cast<signed char>(0xE9));
    EXPECT_EQ(source.Position(), 2u);
    EXPECT_EQ(source.ReadChar(), 0);
    EXPECT_EQ(source.Position(), 2u);
}

TEST(CxDataSourceTest, NullPointersAreReported)
{
    CxDebugCapture capture;
    CxData data = FromBytes({1, 2, 3});
    CxDataSource source(data);
    EXPECT_EQ(source.Peek(nullptr, 2), 0u);
    EXPECT_EQ(source.Read(nullptr, 2), 0u);
    EXPECT_EQ(source.Write(nullptr, 2), 0u);
    EXPECT_EQ(source.Position(), 0u);
    EXPECT_EQ(source.Length(), 3u);
    EXPECT_EQ(capture.Count(), 3u);
}

TEST(CxDataSourceTest, ABufferPinnedElsewhereCutsAWriteShort)
{
    CxDebugCapture capture;
    CxData data = FromBytes({1, 2, 3});
    CxDataSource first(data);
    CxDataSource second(data); // both pin the block
    first.SetPosition(2);
    const unsigned char bytes[] = {7, 8, 9};
    EXPECT_EQ(first.Write(bytes, 3), 1u);
    EXPECT_GT(capture.Count(), 0u);
    EXPECT_EQ(data.Size(), 3u);
    unsigned char read[3] = {};
    EXPECT_EQ(second.Read(read, 3), 3u);
    EXPECT_EQ(std::vector<unsigned char>(read, read + 3), std::vector<unsigned char>({1, 2, 7}));
}

TEST(CxDataSourceTest, TheBufferStaysLockedWhileTheSourceLives)
{
    CxDebugCapture capture;
    CxData data = FromBytes({1, 2, 3});
    {
        CxDataSource source(data);
        data.SetSize(1);
        EXPECT_EQ(data.Size(), 3u);
        EXPECT_GT(capture.Count(), 0u);
    }
    capture.Clear();
    data.SetSize(1);
    EXPECT_EQ(data.Size(), 1u);
    EXPECT_EQ(capture.Count(), 0u);
}
