#include "CxString.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace
{

struct Utf8Vector
{
    std::vector<CxUint8> bytes;
    int strictResult;
    std::size_t consumed;
    std::vector<CxUint16> utf16;
    std::vector<CxUint32> utf32;
    std::vector<CxUint16> replaced;
};

struct Utf16Vector
{
    std::vector<CxUint16> units;
    int strictResult;
    std::size_t consumed;
    std::vector<CxUint8> utf8;
    std::vector<CxUint32> utf32;
    int lenientResult;
    std::vector<CxUint8> lenientUtf8;
    std::vector<CxUint8> asUtf8;
};

struct CodePointVector
{
    std::vector<CxUint32> utf32;
    std::vector<CxUint16> utf16;
    std::vector<CxUint8> utf8;
};

#include "CxUtfVectors.inc"

std::string Hex(const std::vector<CxUint8>& inBytes)
{
    std::string out;
    char buffer[4];
    for (CxUint8 b : inBytes)
    {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        out += buffer;
    }
    return out;
}

// Runs one conversion into a target with room for inRoom elements.
template <typename S, typename T, typename F>
CxConversionResult Convert(F inConvert, const std::vector<S>& inSource, std::size_t inRoom, CxConversionFlags inFlags,
                           std::size_t& outConsumed, std::vector<T>& outWritten)
{
    std::vector<T> target(inRoom + 1, T(0x5A));
    const S* source = inSource.data();
    T* out = target.data();
    const CxConversionResult result =
        inConvert(&source, inSource.data() + inSource.size(), &out, target.data() + inRoom, inFlags);
    EXPECT_EQ(target[inRoom], T(0x5A)) << "wrote past the target end";
    outConsumed = std::size_t(source - inSource.data());
    outWritten.assign(target.data(), out);
    return result;
}

TEST(CxUnicode, Utf8InMatchesPythonCodecs)
{
    for (const Utf8Vector& v : kUtf8Vectors)
    {
        for (CxConversionFlags flags : {kCxStrictConversion, kCxLenientConversion})
        {
            std::size_t consumed;
            std::vector<CxUint16> units;
            EXPECT_EQ(Convert(ConvertUTF8toUTF16, v.bytes, 64, flags, consumed, units), v.strictResult) << Hex(v.bytes);
            EXPECT_EQ(consumed, v.consumed) << Hex(v.bytes);
            EXPECT_EQ(units, v.utf16) << Hex(v.bytes);

            std::vector<CxUint32> points;
            EXPECT_EQ(Convert(ConvertUTF8toUTF32, v.bytes, 64, flags, consumed, points), v.strictResult)
                << Hex(v.bytes);
            EXPECT_EQ(consumed, v.consumed) << Hex(v.bytes);
            EXPECT_EQ(points, v.utf32) << Hex(v.bytes);
        }
        const std::string text(v.bytes.begin(), v.bytes.end());
        const CxString decoded = CxString::FromUtf8(text);
        EXPECT_EQ(std::vector<CxUint16>(decoded.GetChars(), decoded.GetChars() + decoded.Length()), v.replaced)
            << Hex(v.bytes);
        // Between ASCII runs long enough to take the eight-byte path.
        const CxString padded = CxString::FromUtf8("abcdefghi" + text + "abcdefghi");
        EXPECT_EQ(std::vector<CxUint16>(padded.GetChars() + 9, padded.GetChars() + padded.Length() - 9), v.replaced)
            << Hex(v.bytes);
    }
}

TEST(CxUnicode, Utf16InMatchesPythonCodecs)
{
    for (const Utf16Vector& v : kUtf16Vectors)
    {
        std::size_t consumed;
        std::vector<CxUint8> bytes;
        EXPECT_EQ(Convert(ConvertUTF16toUTF8, v.units, 64, kCxStrictConversion, consumed, bytes), v.strictResult);
        EXPECT_EQ(consumed, v.consumed);
        EXPECT_EQ(bytes, v.utf8);

        std::vector<CxUint32> points;
        EXPECT_EQ(Convert(ConvertUTF16toUTF32, v.units, 64, kCxStrictConversion, consumed, points), v.strictResult);
        EXPECT_EQ(consumed, v.consumed);
        EXPECT_EQ(points, v.utf32);

        EXPECT_EQ(Convert(ConvertUTF16toUTF8, v.units, 64, kCxLenientConversion, consumed, bytes), v.lenientResult);
        EXPECT_EQ(bytes, v.lenientUtf8) << Hex(bytes);
        EXPECT_EQ(consumed, v.units.size() - (v.lenientResult == kCxSourceExhausted ? 1 : 0));

        const CxString s(v.units.data(), CxUint32(v.units.size()));
        const std::string utf8 = s.AsUtf8();
        EXPECT_EQ(std::vector<CxUint8>(utf8.begin(), utf8.end()), v.asUtf8) << Hex(v.asUtf8);
    }
}

TEST(CxUnicode, CodePointsRoundTrip)
{
    for (const CodePointVector& v : kCodePointVectors)
    {
        std::size_t consumed;
        std::vector<CxUint16> units;
        std::vector<CxUint8> bytes;
        std::vector<CxUint32> points;
        EXPECT_EQ(Convert(ConvertUTF32toUTF16, v.utf32, 64, kCxStrictConversion, consumed, units), kCxConversionOK);
        EXPECT_EQ(units, v.utf16);
        EXPECT_EQ(Convert(ConvertUTF32toUTF8, v.utf32, 64, kCxStrictConversion, consumed, bytes), kCxConversionOK);
        EXPECT_EQ(bytes, v.utf8);
        EXPECT_EQ(Convert(ConvertUTF16toUTF32, v.utf16, 64, kCxStrictConversion, consumed, points), kCxConversionOK);
        EXPECT_EQ(points, v.utf32);
        EXPECT_EQ(Convert(ConvertUTF8toUTF32, v.utf8, 64, kCxStrictConversion, consumed, points), kCxConversionOK);
        EXPECT_EQ(points, v.utf32);
    }
}

TEST(CxUnicode, BadUtf32IsIllegalOrReplaced)
{
    const std::vector<CxUint32> source = {0x41, 0xD800, 0x110000, 0xFFFFFFFF, 0x42};
    std::size_t consumed;
    std::vector<CxUint16> units;
    EXPECT_EQ(Convert(ConvertUTF32toUTF16, source, 16, kCxStrictConversion, consumed, units), kCxSourceIllegal);
    EXPECT_EQ(consumed, 1u);
    EXPECT_EQ(units, (std::vector<CxUint16>{0x41}));
    EXPECT_EQ(Convert(ConvertUTF32toUTF16, source, 16, kCxLenientConversion, consumed, units), kCxConversionOK);
    EXPECT_EQ(units, (std::vector<CxUint16>{0x41, 0xFFFD, 0xFFFD, 0xFFFD, 0x42}));

    std::vector<CxUint8> bytes;
    EXPECT_EQ(Convert(ConvertUTF32toUTF8, source, 32, kCxStrictConversion, consumed, bytes), kCxSourceIllegal);
    EXPECT_EQ(consumed, 1u);
    EXPECT_EQ(Convert(ConvertUTF32toUTF8, source, 32, kCxLenientConversion, consumed, bytes), kCxConversionOK);
    EXPECT_EQ(bytes, (std::vector<CxUint8>{0x41, 0xEF, 0xBF, 0xBD, 0xEF, 0xBF, 0xBD, 0xEF, 0xBF, 0xBD, 0x42}));
}

// A full target stops before the character that does not fit, never inside it.
TEST(CxUnicode, TargetFullStopsAtACharacterBoundary)
{
    const std::vector<CxUint16> pair = {0x41, 0xD834, 0xDD1E, 0x42};
    std::size_t consumed;
    std::vector<CxUint8> bytes;
    EXPECT_EQ(Convert(ConvertUTF16toUTF8, pair, 4, kCxStrictConversion, consumed, bytes), kCxTargetExhausted);
    EXPECT_EQ(consumed, 1u);
    EXPECT_EQ(bytes, (std::vector<CxUint8>{0x41}));
    EXPECT_EQ(Convert(ConvertUTF16toUTF8, pair, 5, kCxStrictConversion, consumed, bytes), kCxTargetExhausted);
    EXPECT_EQ(consumed, 3u);

    const std::vector<CxUint8> utf8 = {0x41, 0xF0, 0x9D, 0x84, 0x9E};
    std::vector<CxUint16> units;
    EXPECT_EQ(Convert(ConvertUTF8toUTF16, utf8, 2, kCxStrictConversion, consumed, units), kCxTargetExhausted);
    EXPECT_EQ(consumed, 1u);
    EXPECT_EQ(units, (std::vector<CxUint16>{0x41}));
    EXPECT_EQ(Convert(ConvertUTF8toUTF16, utf8, 0, kCxStrictConversion, consumed, units), kCxTargetExhausted);
    EXPECT_EQ(consumed, 0u);

    std::vector<CxUint32> points;
    EXPECT_EQ(Convert(ConvertUTF8toUTF32, utf8, 1, kCxStrictConversion, consumed, points), kCxTargetExhausted);
    EXPECT_EQ(consumed, 1u);
    EXPECT_EQ(Convert(ConvertUTF16toUTF32, pair, 1, kCxStrictConversion, consumed, points), kCxTargetExhausted);
    EXPECT_EQ(consumed, 1u);

    const std::vector<CxUint32> wide = {0x41, 0x1D11E};
    EXPECT_EQ(Convert(ConvertUTF32toUTF16, wide, 2, kCxStrictConversion, consumed, units), kCxTargetExhausted);
    EXPECT_EQ(consumed, 1u);
    EXPECT_EQ(Convert(ConvertUTF32toUTF8, wide, 4, kCxStrictConversion, consumed, bytes), kCxTargetExhausted);
    EXPECT_EQ(consumed, 1u);
}

// UTF-32 to UTF-16 asks for room before it looks at the next value: a full target wins over a bad value there.
TEST(CxUnicode, Utf32ToUtf16ReportsAFullTargetBeforeABadValue)
{
    for (CxUint32 bad : {0xDC00u, 0x110000u})
    {
        const std::vector<CxUint32> source = {0x41, bad};
        for (CxConversionFlags flags : {kCxStrictConversion, kCxLenientConversion})
        {
            std::size_t consumed;
            std::vector<CxUint16> units;
            EXPECT_EQ(Convert(ConvertUTF32toUTF16, source, 1, flags, consumed, units), kCxTargetExhausted) << bad;
            EXPECT_EQ(consumed, 1u);
            EXPECT_EQ(units, (std::vector<CxUint16>{0x41}));
        }
    }
}

TEST(CxUnicode, LegalSequenceCheck)
{
    const CxUint8 good[] = {0xF0, 0x9D, 0x84, 0x9E};
    const CxUint8 overlong[] = {0xC0, 0xAF};
    const CxUint8 surrogate[] = {0xED, 0xA0, 0x80};
    EXPECT_TRUE(isLegalUTF8Sequence(good, good + 4));
    EXPECT_FALSE(isLegalUTF8Sequence(good, good + 3));
    EXPECT_FALSE(isLegalUTF8Sequence(overlong, overlong + 2));
    EXPECT_FALSE(isLegalUTF8Sequence(surrogate, surrogate + 3));
    EXPECT_FALSE(isLegalUTF8Sequence(good, good));
}

// The codec vectors hold the conversions themselves.
TEST(CxUnicode, Utf8TextEndsAtItsFirstZero)
{
    EXPECT_EQ(CxString::FromUtf8(std::string_view("ab\0cd", 5)).Length(), 2u);
    EXPECT_EQ(CxString::FromUtf8(std::string_view("abcdefghij\0klmnopq", 18)).Length(), 10u);
    EXPECT_EQ(CxString::FromUtf8(static_cast<const char*>(nullptr)).Length(), 0u);
}

} // namespace
