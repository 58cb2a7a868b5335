#include "VanePage.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

namespace
{

namespace fs = std::filesystem;

std::string Lower(std::string inText)
{
    for (char& c : inText)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return inText;
}

bool IsSpace(char inChar)
{
    return inChar == ' ' || inChar == '\t' || inChar == '\n' || inChar == '\r' || inChar == '\f';
}

void AppendUtf8(std::string& ioText, std::uint32_t inCode)
{
    if (inCode == 0 || inCode > 0x10FFFF || (inCode >= 0xD800 && inCode <= 0xDFFF))
        inCode = 0xFFFD;
    if (inCode < 0x80)
        ioText += char(inCode);
    else if (inCode < 0x800)
    {
        ioText += char(0xC0 | (inCode >> 6));
        ioText += char(0x80 | (inCode & 0x3F));
    }
    else if (inCode < 0x10000)
    {
        ioText += char(0xE0 | (inCode >> 12));
        ioText += char(0x80 | ((inCode >> 6) & 0x3F));
        ioText += char(0x80 | (inCode & 0x3F));
    }
    else
    {
        ioText += char(0xF0 | (inCode >> 18));
        ioText += char(0x80 | ((inCode >> 12) & 0x3F));
        ioText += char(0x80 | ((inCode >> 6) & 0x3F));
        ioText += char(0x80 | (inCode & 0x3F));
    }
}

// HTML's rule for a non-negative integer: leading white space, then digits; anything after them is ignored.
// -1 when there are no digits.
long SideOf(const std::string& inValue)
{
    std::size_t i = 0;
    while (i < inValue.size() && IsSpace(inValue[i]))
        ++i;
    if (i >= inValue.size() || !std::isdigit(static_cast<unsigned char>(inValue[i])))
        return -1;
    long value = 0;
    for (; i < inValue.size() && std::isdigit(static_cast<unsigned char>(inValue[i])); ++i)
        value = std::min(value * 10 + (inValue[i] - '0'), long(kVanePageMaxSide) + 1);
    return value;
}

bool EndsWith(const std::string& inText, const std::string& inEnd)
{
    return inText.size() >= inEnd.size() && inText.compare(inText.size() - inEnd.size(), inEnd.size(), inEnd) == 0;
}

// Whether an element's attributes make it one of ours.
bool IsDocumentEmbed(const std::vector<std::pair<std::string, std::string>>& inAttributes)
{
    for (const auto& [name, value] : inAttributes)
    {
        if (name == "type")
        {
            std::string type = Lower(value.substr(0, value.find(';')));
            type.erase(0, std::min(type.size(), type.find_first_not_of(" \t")));
            type.erase(type.find_last_not_of(" \t") + 1);
            if (type == "text/vanedoc")
                return true;
        }
        if (name == "src")
        {
            const std::string path = Lower(value.substr(0, value.find_first_of("?#")));
            if (EndsWith(path, ".vanedoc"))
                return true;
        }
    }
    return false;
}

} // namespace

std::string VaneDecodeEntities(const std::string& inText)
{
    std::string out;
    out.reserve(inText.size());
    for (std::size_t i = 0; i < inText.size();)
    {
        if (inText[i] != '&')
        {
            out += inText[i++];
            continue;
        }
        static const std::pair<const char*, char> kNamed[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}};
        bool named = false;
        for (const auto& [entity, character] : kNamed)
            if (inText.compare(i, std::strlen(entity), entity) == 0)
            {
                out += character;
                i += std::strlen(entity);
                named = true;
                break;
            }
        if (named)
            continue;
        if (i + 2 < inText.size() && inText[i + 1] == '#')
        {
            const bool hex = inText[i + 2] == 'x' || inText[i + 2] == 'X';
            std::size_t j = i + (hex ? 3 : 2);
            std::uint32_t code = 0;
            std::size_t digits = 0;
            for (; j < inText.size(); ++j, ++digits)
            {
                const char c = inText[j];
                int digit = -1;
                if (std::isdigit(static_cast<unsigned char>(c)))
                    digit = c - '0';
                else if (hex && std::isxdigit(static_cast<unsigned char>(c)))
                    digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
                if (digit < 0)
                    break;
                // Past the last code point it stays out of range.
                code = std::min<std::uint32_t>(code * (hex ? 16 : 10) + std::uint32_t(digit), 0x110000);
            }
            if (digits > 0)
            {
                AppendUtf8(out, code);
                i = j < inText.size() && inText[j] == ';' ? j + 1 : j;
                continue;
            }
        }
        out += inText[i++];
    }
    return out;
}

bool VaneReadPage(const std::string& inText, VanePage& outPage, std::string& outError)
{
    outPage = VanePage{};
    std::set<std::string> names;
    int count = 0;
    auto lineAt = [&](std::size_t inAt) { return 1 + std::count(inText.begin(), inText.begin() + long(inAt), '\n'); };
    std::size_t i = 0;
    while ((i = inText.find('<', i)) != std::string::npos)
    {
        const std::size_t start = i;
        if (inText.compare(i, 4, "<!--") == 0)
        {
            const std::size_t end = inText.find("-->", i + 4);
            i = end == std::string::npos ? inText.size() : end + 3;
            continue;
        }
        ++i;
        if (i >= inText.size() || !std::isalpha(static_cast<unsigned char>(inText[i])))
        {
            // An end tag, a declaration or a lone '<': nothing of ours up to its '>'.
            if (i < inText.size() && (inText[i] == '/' || inText[i] == '!' || inText[i] == '?'))
            {
                const std::size_t end = inText.find('>', i);
                i = end == std::string::npos ? inText.size() : end + 1;
            }
            continue;
        }
        std::string tag;
        while (i < inText.size() && !IsSpace(inText[i]) && inText[i] != '/' && inText[i] != '>')
            tag += inText[i++];
        tag = Lower(tag);
        std::vector<std::pair<std::string, std::string>> attributes;
        for (;;)
        {
            while (i < inText.size() && (IsSpace(inText[i]) || inText[i] == '/'))
                ++i;
            if (i >= inText.size() || inText[i] == '>')
                break;
            std::string name(1, inText[i++]);
            while (i < inText.size() && !IsSpace(inText[i]) && inText[i] != '/' && inText[i] != '>' && inText[i] != '=')
                name += inText[i++];
            std::string value;
            std::size_t j = i;
            while (j < inText.size() && IsSpace(inText[j]))
                ++j;
            if (j < inText.size() && inText[j] == '=')
            {
                i = j + 1;
                while (i < inText.size() && IsSpace(inText[i]))
                    ++i;
                if (i < inText.size() && (inText[i] == '"' || inText[i] == '\''))
                {
                    const char quote = inText[i++];
                    const std::size_t end = std::min(inText.find(quote, i), inText.size());
                    value = inText.substr(i, end - i);
                    i = std::min(end + 1, inText.size());
                }
                else
                    while (i < inText.size() && !IsSpace(inText[i]) && inText[i] != '>')
                        value += inText[i++];
            }
            name = Lower(name);
            // As in HTML, a repeated attribute is dropped.
            if (std::none_of(attributes.begin(), attributes.end(),
                             [&](const auto& inPair) { return inPair.first == name; }))
                attributes.emplace_back(name, VaneDecodeEntities(value));
        }
        i = std::min(i + 1, inText.size());
        if (tag != "embed" || !IsDocumentEmbed(attributes))
            continue;

        if (outPage.embeds.size() >= kVanePageMaxEmbeds)
        {
            outError = "line " + std::to_string(lineAt(start)) + ": more than " + std::to_string(kVanePageMaxEmbeds) +
                       " embeds";
            return false;
        }
        VanePageEmbed embed;
        embed.name = "embed" + std::to_string(++count);
        for (const auto& [name, value] : attributes)
        {
            if (name == "id" && !value.empty())
                embed.name = value;
            else if (name == "src")
                embed.src = value;
            else if (name == "width" || name == "height")
            {
                const long side = SideOf(value);
                if (side == 0 || side > kVanePageMaxSide)
                {
                    outError = "line " + std::to_string(lineAt(start)) + ": " + name + " \"" + value +
                               "\" is not between 1 and " + std::to_string(kVanePageMaxSide);
                    return false;
                }
                if (side > 0)
                    (name == "width" ? embed.width : embed.height) = int(side);
            }
        }
        if (embed.name == "page" || !names.insert(embed.name).second)
        {
            outError = "line " + std::to_string(lineAt(start)) + ": an embed named \"" + embed.name + "\" " +
                       (embed.name == "page" ? "(the name of the whole page)" : "twice");
            return false;
        }
        if (outPage.height + embed.height > kVanePageMaxHeight)
        {
            outError = "line " + std::to_string(lineAt(start)) + ": the embeds are taller than " +
                       std::to_string(kVanePageMaxHeight) + " px together";
            return false;
        }
        embed.y = outPage.height;
        embed.attributes = std::move(attributes);
        outPage.height += embed.height;
        outPage.width = std::max(outPage.width, embed.width);
        outPage.embeds.push_back(std::move(embed));
    }
    return true;
}

namespace
{

struct Fetch
{
    std::string body;
    std::size_t limit = 0;
    bool over = false;
    std::string status; // the last status line's code and phrase
    const std::function<bool()>* stop = nullptr;
    bool stopped = false;

    static std::size_t Write(char* inData, std::size_t inSize, std::size_t inCount, void* inFetch)
    {
        Fetch* self = static_cast<Fetch*>(inFetch);
        const std::size_t length = inSize * inCount;
        if (length > self->limit - self->body.size())
        {
            self->over = true;
            return 0;
        }
        self->body.append(inData, length);
        return length;
    }

    static std::size_t Header(char* inData, std::size_t inSize, std::size_t inCount, void* inFetch)
    {
        const std::string line(inData, inSize * inCount);
        if (line.rfind("HTTP/", 0) == 0)
        {
            const std::size_t space = line.find(' ');
            std::string status = space == std::string::npos ? std::string() : line.substr(space + 1);
            status.erase(status.find_last_not_of("\r\n") + 1);
            static_cast<Fetch*>(inFetch)->status = status;
        }
        return inSize * inCount;
    }

    static int Progress(void* inFetch, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        Fetch* self = static_cast<Fetch*>(inFetch);
        self->stopped = (*self->stop)();
        return self->stopped ? 1 : 0;
    }
};

} // namespace

bool VaneFetch(const std::string& inUrl, std::string& outBody, std::string& outWhy, std::size_t inLimit,
               long inTimeoutSeconds, const std::function<bool()>& inStop)
{
    static std::once_flag sInit;
    std::call_once(sInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    outBody.clear();
    CURL* easy = curl_easy_init();
    if (easy == nullptr)
    {
        outWhy = "libcurl did not start";
        return false;
    }
    Fetch fetch;
    fetch.limit = inLimit;
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(easy, CURLOPT_URL, inUrl.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 3L);
    // Every encoding libcurl knows, decoded before the bound counts the bytes.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Fetch::Write);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &fetch);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Fetch::Header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &fetch);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, inTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, std::min(inTimeoutSeconds, 30L));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "vanehost");
    if (inStop)
    {
        fetch.stop = &inStop;
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Fetch::Progress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &fetch);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    }
    const CURLcode code = curl_easy_perform(easy);
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(easy);
    if (fetch.stopped)
    {
        outWhy = "stopped";
        return false;
    }
    if (fetch.over)
    {
        outWhy = "larger than " + std::to_string(inLimit) + " bytes";
        return false;
    }
    if (code != CURLE_OK)
    {
        outWhy = error[0] != '\0' ? error : curl_easy_strerror(code);
        return false;
    }
    if (status != 200)
    {
        outWhy = fetch.status.empty() ? std::to_string(status) : fetch.status;
        return false;
    }
    outBody = std::move(fetch.body);
    return true;
}

bool VaneGetSource(const std::string& inSrc, const std::string& inBase, std::string& outUrl, std::string& outData,
                   std::string& outWhy, std::size_t inLimit)
{
    outData.clear();
    outUrl = inSrc;
    if (inSrc.empty())
    {
        outWhy = "an empty src";
        return false;
    }
    // A scheme: a letter, then letters, digits, '+', '-' or '.', then ':'.
    std::size_t colon = 0;
    if (std::isalpha(static_cast<unsigned char>(inSrc[0])))
    {
        std::size_t j = 1;
        while (j < inSrc.size() && (std::isalnum(static_cast<unsigned char>(inSrc[j])) || inSrc[j] == '+' ||
                                    inSrc[j] == '-' || inSrc[j] == '.'))
            ++j;
        if (j < inSrc.size() && inSrc[j] == ':')
            colon = j;
    }
    if (colon > 0)
    {
        const std::string scheme = Lower(inSrc.substr(0, colon));
        if (scheme != "http" && scheme != "https")
        {
            outWhy = "the scheme \"" + scheme + "\" is not fetched (http and https only)";
            return false;
        }
        return VaneFetch(inSrc, outData, outWhy, inLimit);
    }
    const fs::path path = fs::absolute(fs::path(inBase) / inSrc).lexically_normal();
    outUrl = "file://" + path.string();
    std::error_code error;
    if (!fs::is_regular_file(path, error))
    {
        outWhy = fs::exists(path, error) ? "not a file" : "no such file";
        return false;
    }
    if (fs::file_size(path, error) > inLimit)
    {
        outWhy = "larger than " + std::to_string(inLimit) + " bytes";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    if (!in)
    {
        outWhy = std::string("cannot read it: ") + std::strerror(errno);
        return false;
    }
    outData = buffer.str();
    return true;
}
