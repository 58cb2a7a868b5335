// A string over units it does not own reads like any other, never frees them, and takes an array of its own
// before it changes; its copies and the strings it is moved into behave alike.
#include "CxString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>

namespace
{

// Units in storage the strings must never free: ASan reports a delete[] of them.
struct Owner
{
    explicit Owner(const char16_t* inText)
    {
        length = CxUint32(std::char_traits<char16_t>::length(inText));
        std::memcpy(units, inText, (length + 1) * sizeof(CxUint16));
    }
    CxUint16 units[64];
    CxUint32 length;
};

TEST(CxStringOver, ReadsAndChangesWithoutFreeingItsUnits)
{
    Owner owner(u"a text longer than seven units");
    const CxString expected(u"a text longer than seven units");
    {
        CxString over = CxString::Over(owner.units, owner.length);
        EXPECT_EQ(over, expected);
        EXPECT_EQ(over.Length(), owner.length);
        EXPECT_EQ(over.GetChars(), static_cast<const CxUint16*>(owner.units));

        const CxString copy(over);
        EXPECT_EQ(copy, expected);
        EXPECT_NE(copy.GetChars(), static_cast<const CxUint16*>(owner.units));

        // Appending moves the text into an array of its own, leaving the owner's units as they were.
        over += CxString(u", and more");
        EXPECT_EQ(over, CxString(u"a text longer than seven units, and more"));
        EXPECT_EQ(CxString(reinterpret_cast<const CxUint16*>(owner.units)), expected);

        CxString moved = CxString::Over(owner.units, owner.length);
        CxString target(std::move(moved));
        EXPECT_EQ(target, expected);
        target = CxString(u"short");
        EXPECT_EQ(target, CxString(u"short"));
        target = CxString::Over(owner.units, owner.length);
        target.Assign(nullptr);
        EXPECT_EQ(target.Length(), 0u);
    }
    EXPECT_EQ(CxString(reinterpret_cast<const CxUint16*>(owner.units)), expected);
}

TEST(CxStringOver, Utf8IntoCallerUnits)
{
    CxUint16 units[32];
    std::fill(std::begin(units), std::end(units), CxUint16(0xAAAA));
    const std::string_view text("Z\xC3\xBCrich \xE2\x98\x80 \xF0\x9F\x8C\xA7 ok");
    const CxUint32 length = CxString::FromUtf8(text, units);
    EXPECT_EQ(CxString::Over(units, length), CxString::FromUtf8(text));
    EXPECT_EQ(units[length], 0);
    EXPECT_EQ(units[length + 1], 0xAAAA);
}

} // namespace
