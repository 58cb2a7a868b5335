#include "CxUrl.h"

#include "CxDebug.h"
#include "CxSystem.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace
{

std::atomic<bool> sAbort{false};

CxCriticalRegion& AgentRegion()
{
    static CxCriticalRegion sRegion;
    return sRegion;
}

CxString& AgentText() // under AgentRegion()
{
    static CxString sAgent;
    return sAgent;
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

CURL* Easy(void* inHandle)
{
    return static_cast<CURL*>(inHandle);
}

// The header in the fixed English form HTTP requires, whatever the localised names would be.
std::string IfModifiedSinceHeader(const CxDate& inDate)
{
    const CxDateFields fields = inDate.AsFields(0);
    const int day = std::clamp<int>(fields.mDayOfWeek, 1, 7) - 1;
    const int month = std::clamp<int>(fields.mMonth, 1, 12) - 1;
    char text[80];
    std::snprintf(text, sizeof text, "If-Modified-Since: %s, %02d %s %04d %02d:%02d:%02d GMT", kDays[day],
                  int(fields.mDay), kMonths[month], int(fields.mYear), int(fields.mHour), int(fields.mMinute),
                  int(fields.mSecond));
    return text;
}

// The date of a Last-Modified value: the weekday is skipped, then day, month name, year, hour, minute, second;
// missing numbers count as 0. An empty value means now.
CxDate ParseLastModified(const CxString& inValue)
{
    if (inValue.Length() == 0)
        return CxDate();
    CxString text = inValue;
    text.ReplaceAll(":", " ", 0);
    std::vector<CxString> tokens;
    for (const CxString& token : text.Tokenize(' '))
    {
        if (token.Length() != 0)
            tokens.push_back(token);
    }
    auto number = [&](std::size_t inIndex) { return inIndex < tokens.size() ? tokens[inIndex].AsSint16() : 0; };
    CxSint16 month = 0;
    if (tokens.size() > 2)
    {
        for (CxSint16 m = 0; m < 12; ++m)
        {
            if (tokens[2] == kMonths[m])
                month = CxSint16(m + 1);
        }
    }
    if (month == 0)
        CxAssert(false);
    return CxDate(number(3), month, number(1), number(4), number(5), number(6), 0);
}

int AbortProgress(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return sAbort.load(std::memory_order_relaxed) ? 1 : 0;
}

int DebugText(CURL*, curl_infotype inType, char* inData, std::size_t inSize, void*)
{
    if (inType == CURLINFO_TEXT || inType == CURLINFO_HEADER_IN || inType == CURLINFO_HEADER_OUT)
    {
        std::string text(inData, inSize);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        _CxDebug(__FILE__, __LINE__, "msg", text.c_str());
    }
    return 0;
}

} // namespace

// libcurl's callbacks, with its own argument types.
struct CxUrlCallbacks
{
    static std::size_t WriteBody(char* inData, std::size_t inSize, std::size_t inCount, void* inUrl)
    {
        static_cast<CxUrl*>(inUrl)->mReply.append(inData, inSize * inCount);
        return inSize * inCount;
    }

    static std::size_t ReadBody(char* outData, std::size_t inSize, std::size_t inCount, void* inUrl)
    {
        CxUrl* self = static_cast<CxUrl*>(inUrl);
        const std::size_t count = std::min(inSize * inCount, self->mUpload.size() - self->mUploadOffset);
        std::memcpy(outData, self->mUpload.data() + self->mUploadOffset, count);
        self->mUploadOffset += count;
        return count;
    }

    // Redirects and retries may send the body again.
    static int SeekBody(void* inUrl, curl_off_t inOffset, int inOrigin)
    {
        CxUrl* self = static_cast<CxUrl*>(inUrl);
        if (inOrigin != SEEK_SET || inOffset < 0 || std::size_t(inOffset) > self->mUpload.size())
            return CURL_SEEKFUNC_CANTSEEK;
        self->mUploadOffset = std::size_t(inOffset);
        return CURL_SEEKFUNC_OK;
    }

    static std::size_t WriteHeader(char* inData, std::size_t inSize, std::size_t inCount, void* inUrl)
    {
        static_cast<CxUrl*>(inUrl)->ReceiveHeader(inData, inSize * inCount);
        return inSize * inCount;
    }
};

void CxUrl::InitGlobals()
{
    curl_global_init(CURL_GLOBAL_ALL);
}

void CxUrl::CleanupGlobals()
{
    curl_global_cleanup();
}

CxDate CxUrl::NullDate()
{
    return CxDate(1904, 1, 1, 0, 0, 0, 0);
}

CxUrl::CxUrl() : mIfModifiedSince(NullDate()), mLastModified(NullDate()), mBody(CxUint32(0))
{
    SetFixedOptions();
}

CxUrl::CxUrl(const CxString& inUrl) : CxUrl()
{
    mUrl = inUrl;
}

CxUrl::CxUrl(const CxUrl& inOther) : CxUrl()
{
    *this = inOther;
}

CxUrl& CxUrl::operator=(const CxUrl& inOther)
{
    if (this != &inOther)
    {
        mUrl = inOther.mUrl;
        mAuthenticationKey = inOther.mAuthenticationKey;
        mName = inOther.mName;
        mPassword = inOther.mPassword;
        mMime = inOther.mMime;
        mIfModifiedSince = inOther.mIfModifiedSince;
        mLastModified = inOther.mLastModified;
        mBody = inOther.mBody;
        mResponseCode = inOther.mResponseCode;
        mRefCon = inOther.mRefCon;
    }
    return *this;
}

CxUrl::~CxUrl()
{
    curl_easy_cleanup(Easy(mHandle));
}

void CxUrl::SetFixedOptions()
{
    mHandle = curl_easy_init();
    CURL* easy = Easy(mHandle);
    if (easy == nullptr)
    {
        CxAssert(easy != nullptr);
        return;
    }
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CxUrlCallbacks::WriteBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &CxUrlCallbacks::ReadBody);
    curl_easy_setopt(easy, CURLOPT_READDATA, this);
    curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, &CxUrlCallbacks::SeekBody);
    curl_easy_setopt(easy, CURLOPT_SEEKDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CxUrlCallbacks::WriteHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &DebugText);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &AbortProgress);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, 600L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(easy, CURLOPT_DNS_CACHE_TIMEOUT, 600L);
    // HTTP/2 would lower-case the header names, and the Last-Modified match is exact.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
}

void CxUrl::SetVerbose(bool inVerbose)
{
    curl_easy_setopt(Easy(mHandle), CURLOPT_VERBOSE, inVerbose ? 1L : 0L);
}

void CxUrl::SetConnectTimeout(CxSint32 inSeconds)
{
    curl_easy_setopt(Easy(mHandle), CURLOPT_CONNECTTIMEOUT, long(inSeconds));
}

void CxUrl::SetFollowRedirect(bool inFollow)
{
    curl_easy_setopt(Easy(mHandle), CURLOPT_FOLLOWLOCATION, inFollow ? 1L : 0L);
}

CxData CxUrl::Get()
{
    return Request(Method::kGet);
}

CxData CxUrl::Post()
{
    return Request(Method::kPost);
}

CxSint32 CxUrl::Head()
{
    Request(Method::kHead);
    return mResponseCode;
}

CxData CxUrl::Request(Method inMethod)
{
    CxData reply = Fetch(inMethod, false);
    if (mResponseCode == 401 && (mName.Length() != 0 || mAuthenticationKey.Length() != 0))
        reply = Fetch(inMethod, true);
    return reply;
}

CxData CxUrl::Fetch(Method inMethod, bool inWithLogin)
{
    CURL* easy = Easy(mHandle);
    const CxDate lastModifiedBefore = mLastModified;
    mResponseCode = 0;
    mTransferSize = 0;
    mMime = CxString();
    mReply.clear();
    if (easy == nullptr)
        return CxData(CxUint32(0));

    std::string login;
    if (inWithLogin)
    {
        if (mName.Length() == 0 && mAuthenticationKey.Length() != 0)
            CxReadAuthentication(mAuthenticationKey, mName, mPassword);
        if (mName.Length() != 0 && mPassword.Length() != 0)
            login = mName.AsUtf8() + ":" + mPassword.AsUtf8();
    }

    curl_slist* headers = nullptr;
    if (mIfModifiedSince != NullDate())
        headers = curl_slist_append(headers, IfModifiedSinceHeader(mIfModifiedSince).c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);

    CxString proxyHost, proxyUser, proxyPassword;
    CxSint32 proxyPort = 0;
    std::string proxy, proxyLogin;
    if (CxGetProxySettings(proxyHost, proxyPort, proxyUser, proxyPassword))
    {
        proxy = proxyHost.AsUtf8();
        proxyLogin = proxyUser.AsUtf8() + ":" + proxyPassword.AsUtf8();
        const char* noProxy = std::getenv("no_proxy");
        if (noProxy == nullptr)
            noProxy = std::getenv("NO_PROXY");
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYPORT, long(proxyPort));
        curl_easy_setopt(easy, CURLOPT_PROXYUSERPWD, proxyLogin.c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy != nullptr ? noProxy : "");
    }
    else
    {
        // libcurl's defaults: the environment decides.
        curl_easy_setopt(easy, CURLOPT_PROXY, nullptr);
        curl_easy_setopt(easy, CURLOPT_PROXYPORT, 0L);
        curl_easy_setopt(easy, CURLOPT_PROXYUSERPWD, nullptr);
        curl_easy_setopt(easy, CURLOPT_NOPROXY, nullptr);
    }

    // HTTPGET first: it resets whatever method the previous request left.
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_NOBODY, inMethod == Method::kHead ? 1L : 0L);
    mUpload.clear();
    mUploadOffset = 0;
    if (inMethod == Method::kPost)
    {
        const CxUint32 size = mBody.Size();
        if (size != 0)
        {
            CxAutoLock lock(mBody);
            mUpload.assign(static_cast<const char*>(mBody.Pointer()), size);
        }
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, nullptr);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(mUpload.size()));
    }
    else
    {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(0));
    }

    const std::string agent = Agent().AsUtf8();
    const std::string url = mUrl.AsUtf8();
    curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(easy, CURLOPT_USERPWD, login.empty() ? nullptr : login.c_str());
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());

    const CURLcode result = TransfersAborted() ? CURLE_ABORTED_BY_CALLBACK : curl_easy_perform(easy);

    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    mUpload.clear();

    if (result != CURLE_OK)
    {
        // A reply cut short is no reply: nothing of it may pass for complete.
        mLastModified = lastModifiedBefore;
        mReply.clear();
        return CxData(CxUint32(0));
    }

    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    mResponseCode = CxSint32(status);
    curl_off_t received = 0;
    curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &received);
    mTransferSize = CxUint32(std::clamp<curl_off_t>(received, 0, std::numeric_limits<CxUint32>::max()));
    const char* type = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
    mMime = type != nullptr ? CxString::FromUtf8(type) : CxString();

    CxData body(mReply.data(), CxUint32(std::min<std::size_t>(mReply.size(), std::numeric_limits<CxUint32>::max())));
    mReply.clear();
    mReply.shrink_to_fit();
    return body;
}

void CxUrl::ReceiveHeader(const char* inLine, std::size_t inLength)
{
    static const CxString kName("Last-Modified: ");
    while (inLength > 0 && (inLine[inLength - 1] == '\n' || inLine[inLength - 1] == '\r'))
        --inLength;
    const CxString line(inLine, CxUint32(inLength));
    if (!line.BeginsWith(kName))
        return;
    mLastModified = ParseLastModified(line.Substring(kName.Length(), line.Length()));
}

void CxUrl::SetAgent(const CxString& inAgent)
{
    CxAutoLock lock(AgentRegion());
    AgentText() = inAgent;
}

void CxUrl::SetAgentWithProduct(const CxString& inProduct, const CxString& inVersion, const CxString& inExtra)
{
    const char* platform = "libcurl";
    switch (CxSystemPlatform())
    {
    case 0:
        platform = "Macintosh";
        break;
    case 1:
        platform = "Windows";
        break;
    case 2:
        platform = "Linux";
        break;
    default:
        break;
    }
    CxString agent = inProduct + "/" + inVersion + " (" + platform + "; N; " + CxSystemCpu() + "; " +
                     CxSystemVersion() + "; " + CxSystemLocale();
    if (inExtra.Length() != 0)
        agent += CxString("; ") + inExtra;
    agent += ")";
    SetAgent(agent);
}

CxString CxUrl::Agent()
{
    CxAutoLock lock(AgentRegion());
    return AgentText();
}

void CxUrl::OpenInBrowser() const
{
    OpenInBrowser(mUrl);
}

void CxUrl::OpenInBrowser(const CxString& inUrl)
{
    CxLaunchUrlInBrowser(inUrl);
}

void CxUrl::AbortTransfers(bool inAbort)
{
    sAbort.store(inAbort);
}

bool CxUrl::TransfersAborted()
{
    return sAbort.load();
}

CxString CxServerAddress(const CxString& inName, const CxString& inFallback)
{
    CxString name = inName;
    name.Uppercase();
    const std::string variable = "SKYVANE_SERVER_" + name.AsUtf8();
    const char* value = std::getenv(variable.c_str());
    return value != nullptr && value[0] != '\0' ? CxString::FromUtf8(value) : inFallback;
}
