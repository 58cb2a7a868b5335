// The test browser's page reader and the fetch of a page's srcs.
#include "VanePage.h"
#include "LoopbackServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using Attributes = std::vector<std::pair<std::string, std::string>>;

struct Expected
{
    std::string name;
    int y, width, height;
    std::string src;
    Attributes attributes;
};

struct PageCase
{
    const char* what;
    std::string page;
    std::vector<Expected> embeds;
};

TEST(VanePageTest, ReadsTheEmbedsOfDocuments)
{
    const std::vector<PageCase> cases = {
        {"attributes in page order, names in lower case, every value kept",
         R"(<EMBED Width="640" SRC='a.vanedoc' data-X=1 height = 200 dissolve>)",
         {{"embed1",
           0,
           640,
           200,
           "a.vanedoc",
           {{"width", "640"}, {"src", "a.vanedoc"}, {"data-x", "1"}, {"height", "200"}, {"dissolve", ""}}}}},
        {"defaults, ids, stacking; a repeated attribute keeps its first value",
         "<p>text</p><embed src=a.vanedoc id=one id=two>\n<embed type=\"Text/VaneDoc\" src=\"b\" width=50px>"
         "<embed src=c.VANEDOC?x=1 height=\"80\"/>",
         {{"one", 0, 300, 150, "a.vanedoc", {{"src", "a.vanedoc"}, {"id", "one"}}},
          {"embed2", 150, 50, 150, "b", {{"type", "Text/VaneDoc"}, {"src", "b"}, {"width", "50px"}}},
          {"embed3", 300, 300, 80, "c.VANEDOC?x=1", {{"src", "c.VANEDOC?x=1"}, {"height", "80"}}}}},
        {"entities and numeric references decoded; others left",
         R"(<embed src="a&amp;b.vanedoc" caption="&lt;&#65;&#x42;&gt; &quot;&eacute;&#233;&#0;&#xD800;&" x='1 > 0'>)",
         {{"embed1",
           0,
           300,
           150,
           "a&b.vanedoc",
           {{"src", "a&b.vanedoc"}, {"caption", "<AB> \"&eacute;\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD&"}, {"x", "1 > 0"}}}}},
        {"comments, other embeds and other tags skipped",
         "<!-- <embed src=hidden.vanedoc> --><embed src=movie.swf><object data=x.vanedoc></object>"
         "<embed type=application/other src=z.png><!-->--><embed src=shown.vanedoc>",
         {{"embed1", 0, 300, 150, "shown.vanedoc", {{"src", "shown.vanedoc"}}}}},
        {"a width with no digits is the default; an unclosed tag still counts",
         "<embed src=a.vanedoc width=wide height=' 90'",
         {{"embed1", 0, 300, 90, "a.vanedoc", {{"src", "a.vanedoc"}, {"width", "wide"}, {"height", " 90"}}}}},
    };
    for (const PageCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        VanePage page;
        std::string error;
        ASSERT_TRUE(VaneReadPage(c.page, page, error)) << error;
        ASSERT_EQ(page.embeds.size(), c.embeds.size());
        int height = 0;
        int width = 0;
        for (std::size_t i = 0; i < c.embeds.size(); ++i)
        {
            const VanePageEmbed& got = page.embeds[i];
            const Expected& want = c.embeds[i];
            EXPECT_EQ(got.name, want.name);
            EXPECT_EQ(got.x, 0);
            EXPECT_EQ(got.y, want.y);
            EXPECT_EQ(got.width, want.width);
            EXPECT_EQ(got.height, want.height);
            EXPECT_EQ(got.src, want.src);
            EXPECT_EQ(got.attributes, want.attributes);
            height += want.height;
            width = std::max(width, want.width);
        }
        EXPECT_EQ(page.width, width);
        EXPECT_EQ(page.height, height);
    }
}

// A reference without digits is no reference: it stays as written, as Python's html.unescape leaves it; one with
// digits is decoded with or without its semicolon.
TEST(VanePageTest, ReferencesWithoutDigitsStayAsWritten)
{
    const std::pair<const char*, const char*> rows[] = {
        {"&#;", "&#;"},     {"&#x;", "&#x;"},   {"&#X;", "&#X;"}, {"&#z", "&#z"}, {"&#", "&#"},         {"&#x", "&#x"},
        {"&#xg;", "&#xg;"}, {"a&#;b", "a&#;b"}, {"&#65", "A"},    {"&#x41", "A"}, {"&#;&#65;", "&#;A"},
    };
    for (const auto& [text, decoded] : rows)
        EXPECT_EQ(VaneDecodeEntities(text), decoded) << text;
}

TEST(VanePageTest, RefusesPagesItCannotLayOut)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<embed src=a.vanedoc id=x>\n\n<embed src=b.vanedoc id=x>", "line 3: an embed named \"x\" twice"},
        {"<embed src=a.vanedoc>\n<embed src=b.vanedoc id=embed1>", "line 2: an embed named \"embed1\" twice"},
        {"<embed src=a.vanedoc id=page>", "\"page\" (the name of the whole page)"},
        {"<embed src=a.vanedoc width=0>", "width \"0\" is not between 1 and 4096"},
        {"<embed src=a.vanedoc height=99999999999999999999>", "height \"99999999999999999999\" is not between"},
        {"<embed src=a.vanedoc height=4096 id=a><embed src=a.vanedoc height=4096 id=b>"
         "<embed src=a.vanedoc height=4096 id=c><embed src=a.vanedoc height=4096 id=d>\n<embed src=a.vanedoc height=1>",
         "line 2: the embeds are taller than 16384 px together"},
    };
    for (const auto& [text, message] : cases)
    {
        SCOPED_TRACE(text);
        VanePage page;
        std::string error;
        EXPECT_FALSE(VaneReadPage(text, page, error));
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
    VanePage page;
    std::string error;
    EXPECT_TRUE(VaneReadPage("<embed src=a.vanedoc width=4096 height=1>", page, error)) << error;
    EXPECT_TRUE(VaneReadPage(
        std::string(4, '\n') +
            "<embed src=a.vanedoc height=4096 id=a><embed src=a.vanedoc "
            "height=4096 id=b><embed src=a.vanedoc height=4096 id=c><embed src=a.vanedoc height=4096 id=d>",
        page, error))
        << error;
    EXPECT_EQ(page.height, 16384);
}

TEST(VanePageTest, AFetchIsBoundedAfterDecoding)
{
    sky::test::LoopbackServer server;
    const std::string big(2048, 'v');
    server.AddDocument("/plain.vanedoc", 200, "text/xml", big);
    server.AddDocument("/gzip.vanedoc", 200, "text/xml", big).Gzip();
    server.AddDocument("/missing.vanedoc", 404, "text/plain", "no");
    server.AddRedirectChain("/moved.vanedoc", 2, "/plain.vanedoc");
    for (const char* target : {"/plain.vanedoc", "/gzip.vanedoc", "/moved.vanedoc"})
    {
        SCOPED_TRACE(target);
        std::string body;
        std::string why;
        EXPECT_FALSE(VaneFetch(server.Url(target), body, why, 1024));
        EXPECT_EQ(why, "larger than 1024 bytes");
        EXPECT_TRUE(body.empty());
        ASSERT_TRUE(VaneFetch(server.Url(target), body, why, 2048)) << why;
        EXPECT_EQ(body, big);
    }
    std::string body;
    std::string why;
    EXPECT_FALSE(VaneFetch(server.Url("/missing.vanedoc"), body, why, 1024));
    EXPECT_EQ(why, "404 Not Found");

    // A src is fetched the same way, under the same bound.
    std::string url;
    EXPECT_FALSE(VaneGetSource(server.Url("/gzip.vanedoc"), "/", url, body, why, 1024));
    EXPECT_EQ(why, "larger than 1024 bytes");
    EXPECT_EQ(url, server.Url("/gzip.vanedoc"));
}

TEST(VanePageTest, ASrcIsAFileBesideThePageOrAnHttpUrl)
{
    const fs::path folder = fs::path(testing::TempDir()) / "vane-page-src";
    fs::create_directories(folder / "maps");
    std::ofstream(folder / "maps" / "a.vanedoc") << "<vanedoc/>";
    sky::test::ClosedPort closed;
    const std::vector<std::tuple<std::string, bool, std::string>> cases = {
        {"maps/a.vanedoc", true, "file://" + (folder / "maps" / "a.vanedoc").string()},
        {"maps/../maps/a.vanedoc", true, "file://" + (folder / "maps" / "a.vanedoc").string()},
        {(folder / "maps" / "a.vanedoc").string(), true, "file://" + (folder / "maps" / "a.vanedoc").string()},
        {"maps/b.vanedoc", false, "no such file"},
        {"maps", false, "not a file"},
        {"", false, "an empty src"},
        {"ftp"
         ":"
         "//example.org/a.vanedoc",
         false, "the scheme \"ftp\" is not fetched"},
        {"file"
         ":"
         "///etc/passwd",
         false, "the scheme \"file\" is not fetched"},
        {closed.Url("/a.vanedoc"), false, "127.0.0.1"},
    };
    for (const auto& [src, ok, text] : cases)
    {
        SCOPED_TRACE(src);
        std::string url;
        std::string data;
        std::string why;
        EXPECT_EQ(VaneGetSource(src, folder.string(), url, data, why), ok) << why;
        if (ok)
        {
            EXPECT_EQ(url, text);
            EXPECT_EQ(data, "<vanedoc/>");
        }
        else
        {
            EXPECT_NE(why.find(text), std::string::npos) << why;
            EXPECT_TRUE(data.empty());
        }
    }
    std::string url;
    std::string data;
    std::string why;
    EXPECT_FALSE(VaneGetSource("maps/a.vanedoc", folder.string(), url, data, why, 4));
    EXPECT_EQ(why, "larger than 4 bytes");
}

} // namespace
