// Numeric character references in a page's attributes, read as the UTF-8 of their code points: the bytes are the
// Unicode standard's (table 3-6), and a number past U+10FFFF, however long, is the replacement character.
#include "VanePage.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(VanePageReferenceTest, EachCodePointReadsAsItsUtf8)
{
    const struct
    {
        const char* reference;
        const char* utf8;
    } rows[] = {
        {"&#x7F;", "\x7F"},
        {"&#x80;", "\xC2\x80"},
        {"&#x7FF;", "\xDF\xBF"},
        {"&#x800;", "\xE0\xA0\x80"},
        {"&#xFFFF;", "\xEF\xBF\xBF"},
        {"&#x10000;", "\xF0\x90\x80\x80"},
        {"&#x1F600;", "\xF0\x9F\x98\x80"},
        {"&#128512;", "\xF0\x9F\x98\x80"},
        {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"},
        {"&#1114111;", "\xF4\x8F\xBF\xBF"},
        {"&#x110000;", "\xEF\xBF\xBD"},
        {"&#1114112;", "\xEF\xBF\xBD"},
        {"&#99999999;", "\xEF\xBF\xBD"},
        {"&#xFFFFFFFFFF;", "\xEF\xBF\xBD"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.reference);
        VanePage page;
        std::string error;
        ASSERT_TRUE(VaneReadPage(std::string("<embed src=a.vanedoc caption=\"<") + row.reference + ">\">", page, error))
            << error;
        ASSERT_EQ(page.embeds.size(), 1u);
        ASSERT_EQ(page.embeds[0].attributes.size(), 2u);
        EXPECT_EQ(page.embeds[0].attributes[1].second, std::string("<") + row.utf8 + ">");
    }
}

} // namespace
