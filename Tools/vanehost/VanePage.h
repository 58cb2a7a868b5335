// A web page of embedded documents as the test browser reads it: its <embed> elements whose type is text/vanedoc
// or whose src ends in .vanedoc, laid out top to bottom, and the fetch that gets each src. Only what such a page
// needs of HTML: attribute syntax, comments and character references.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct VanePageEmbed
{
    std::string name; // the id, else "embed<N>" by page order
    int x = 0;
    int y = 0;
    int width = 300;
    int height = 150;
    std::string src;
    // Every attribute as the page gives it, in page order; names in lower case, values decoded.
    std::vector<std::pair<std::string, std::string>> attributes;
};

struct VanePage
{
    std::vector<VanePageEmbed> embeds;
    int width = 0;  // the widest embed
    int height = 0; // the embeds' heights added
};

// The largest width or height an embed may ask for, and the tallest page of them.
constexpr int kVanePageMaxSide = 4096;
constexpr int kVanePageMaxHeight = 16384;
// The most embeds a run makes, the page's and the script's together: each holds a plug-in instance and its
// drawing, megabytes apiece.
constexpr std::size_t kVanePageMaxEmbeds = 256;

// Reads the page's text. False with the reason (and its line) in outError for a page it cannot lay out: two
// embeds of one name, a name the script keeps ("page"), a side above kVanePageMaxSide, embeds taller than
// kVanePageMaxHeight together or more than kVanePageMaxEmbeds of them.
bool VaneReadPage(const std::string& inText, VanePage& outPage, std::string& outError);

// The text with &amp; &lt; &gt; &quot; and numeric references decoded; anything else stays as it is.
std::string VaneDecodeEntities(const std::string& inText);

// The largest reply a fetch accepts, decoded.
constexpr std::size_t kVaneFetchLimit = std::size_t(256) << 20;

// Fetches an http or https URL: redirects followed, the body decoded, at most inLimit bytes of it. Any answer but
// 200 is a failure: a document or a page is the body of a 200, and a 204 or a 304 would read as an empty one.
// False with the reason in outWhy ("304 Not Modified", "larger than N bytes", libcurl's message, "stopped").
// inStop, when given, is asked about once a second while the transfer lasts; true ends it.
bool VaneFetch(const std::string& inUrl, std::string& outBody, std::string& outWhy,
               std::size_t inLimit = kVaneFetchLimit, long inTimeoutSeconds = 30,
               const std::function<bool()>& inStop = nullptr);

// Gets a src of a page in the folder inBase: a path relative to it (or absolute) is read, an http or https URL
// fetched. False with the reason for any other scheme, a missing file or a failed fetch. outUrl is what the
// stream is called: the file's URL or the src.
bool VaneGetSource(const std::string& inSrc, const std::string& inBase, std::string& outUrl, std::string& outData,
                   std::string& outWhy, std::size_t inLimit = kVaneFetchLimit);
