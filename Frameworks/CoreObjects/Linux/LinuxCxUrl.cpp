#include "CxUrl.h"

#include "CxDebug.h"
#include "CxSystem.h"

#include <curl/curl.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include <strings.h>

namespace
{

std::atomic<bool> sAbort{false};
std::atomic<long> sOverallTimeout{0};
std::atomic<long> sStallWindow{0};

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

// The reasons of the latest failed requests by URL, few and bounded: a caller that learns of a failure only from a
// log line can still say why.
constexpr std::size_t kKeptReasons = 64;

CxCriticalRegion& ReasonRegion()
{
    static CxCriticalRegion sRegion;
    return sRegion;
}

std::deque<std::pair<std::string, std::string>>& Reasons() // under ReasonRegion()
{
    static std::deque<std::pair<std::string, std::string>> sReasons;
    return sReasons;
}

// An empty reason forgets the URL's.
void RecordReason(const std::string& inUrl, const std::string& inReason)
{
    CxAutoLock lock(ReasonRegion());
    auto& reasons = Reasons();
    std::erase_if(reasons, [&](const auto& inKept) { return inKept.first == inUrl; });
    if (inReason.empty())
        return;
    reasons.emplace_back(inUrl, inReason);
    if (reasons.size() > kKeptReasons)
        reasons.pop_front();
}

const std::string kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr double kFiftyYears = 50 * 365.2425 * 86400;

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
                  int(fields.mDay), kMonths[month].c_str(), int(fields.mYear), int(fields.mHour), int(fields.mMinute),
                  int(fields.mSecond));
    return text;
}

// Whether the text has the shape: 'D' a digit, 'S' a digit or a blank, 'A' a letter, '+' one letter or more,
// any other character itself.
bool Shaped(std::string_view inText, std::string_view inShape)
{
    std::size_t i = 0;
    for (const char shape : inShape)
    {
        const std::size_t start = i;
        while (shape == '+' && i < inText.size() && std::isalpha(static_cast<unsigned char>(inText[i])))
            ++i;
        if (shape == '+')
        {
            if (i == start)
                return false;
            continue;
        }
        if (i == inText.size())
            return false;
        const unsigned char c = static_cast<unsigned char>(inText[i++]);
        const bool digit = std::isdigit(c) != 0;
        if (shape == 'D' ? !digit : shape == 'S' ? !digit && c != ' ' : shape == 'A' ? !std::isalpha(c) : c != shape)
            return false;
    }
    return i == inText.size();
}

// A Last-Modified value in the three forms HTTP recipients read: IMF-fixdate "Sun, 06 Nov 1994 08:49:37 GMT",
// RFC 850 "Sunday, 06-Nov-94 08:49:37 GMT" and asctime "Sun Nov  6 08:49:37 1994". None for anything else,
// impossible dates included; an empty value means now.
std::optional<CxDate> ParseLastModified(const std::string& inValue)
{
    if (inValue.empty())
        return CxDate();
    // After the weekday each form has a fixed length; its fields lie that many characters before the end: day,
    // month, year, hour, minute, second.
    static const struct
    {
        const char* mShape;
        std::size_t mFromEnd[6];
        std::size_t mYearDigits;
    } kForms[] = {{"AAA, DD AAA DDDD DD:DD:DD GMT", {24, 21, 17, 12, 9, 6}, 4},
                  {"+, DD-AAA-DD DD:DD:DD GMT", {22, 19, 15, 12, 9, 6}, 2},
                  {"AAA AAA SD DD:DD:DD DDDD", {16, 20, 4, 13, 10, 7}, 4}};
    for (const auto& form : kForms)
    {
        if (!Shaped(inValue, form.mShape))
            continue;
        auto field = [&](int inField, std::size_t inLength)
        { return inValue.substr(inValue.size() - form.mFromEnd[inField], inLength); };
        auto number = [&](int inField)
        { return std::atoi(field(inField, inField == 2 ? form.mYearDigits : 2).c_str()); };
        const auto month = std::find(std::begin(kMonths), std::end(kMonths), field(1, 3));
        if (month == std::end(kMonths))
            return std::nullopt;
        CxDateFields fields;
        fields.mYear = CxSint16(number(2));
        fields.mMonth = CxSint16(month - std::begin(kMonths) + 1);
        fields.mDay = CxSint16(number(0));
        fields.mHour = CxSint16(number(3));
        fields.mMinute = CxSint16(number(4));
        fields.mSecond = CxSint16(number(5));
        if (form.mYearDigits == 2)
        {
            // The two-digit year nearest now that lies at most 50 years ahead.
            const CxDate now;
            fields.mYear = CxSint16(fields.mYear + now.AsFields(0).mYear / 100 * 100);
            if (CxDate(fields, 0) > now + kFiftyYears)
                fields.mYear = CxSint16(fields.mYear - 100);
            else if (CxDate(fields, 0) + kFiftyYears < now)
                fields.mYear = CxSint16(fields.mYear + 100);
        }
        // Fields out of range carry over in CxDate; a date that does not come back as given is no date.
        const CxDate date(fields, 0);
        const CxDateFields back = date.AsFields(0);
        if (back.mYear != fields.mYear || back.mMonth != fields.mMonth || back.mDay != fields.mDay ||
            back.mHour != fields.mHour || back.mMinute != fields.mMinute || back.mSecond != fields.mSecond)
            return std::nullopt;
        return date;
    }
    return std::nullopt;
}

bool SameNameNoCase(const std::string& inLine, const char* inName)
{
    const std::size_t length = std::strlen(inName);
    return inLine.size() >= length && strncasecmp(inLine.c_str(), inName, length) == 0;
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

// The reply of one transfer as it arrives. Each status line starts it afresh, so that only the last reply of a
// redirect chain counts. Bodies are decoded here rather than by libcurl, which takes a compressed stream that
// stops short for a whole one, and they are held to the size limit as they grow.
struct CxUrlReply
{
    CxUrlReply() = default;
    CxUrlReply(const CxUrlReply&) = delete;
    CxUrlReply& operator=(const CxUrlReply&) = delete;
    ~CxUrlReply() { EndInflating(); }

    void Restart()
    {
        EndInflating();
        mBody = CxData(CxUint32(0));
        mCoding = Coding::kIdentity;
        mEnded = true;
        mFailed = false;
        mFailure.clear();
        mLastModified.reset();
    }

    void SetCoding(std::string inName)
    {
        while (!inName.empty() && (inName.back() == ' ' || inName.back() == '\t'))
            inName.pop_back();
        inName.erase(0, inName.find_first_not_of(" \t"));
        for (char& c : inName)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        EndInflating();
        mCoding = Coding::kUnknown;
        if (inName.empty() || inName == "identity")
            mCoding = Coding::kIdentity;
        // Either zlib wrapper, whatever the name says: servers mix them up.
        else if ((inName == "gzip" || inName == "x-gzip" || inName == "deflate") &&
                 inflateInit2(&mStream, MAX_WBITS + 32) == Z_OK)
            mCoding = Coding::kInflating;
        else
            mCodingName = inName;
    }

    // False, once reported, fails the transfer.
    bool Receive(const char* inBytes, std::size_t inCount, CxUint32 inLimit)
    {
        if (mFailed)
            return false;
        if (mCoding == Coding::kIdentity)
            return Append(inBytes, inCount, inLimit);
        if (mCoding == Coding::kUnknown)
            return Fail("Unknown content encoding", mCodingName.c_str());
        mStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(inBytes));
        mStream.avail_in = uInt(inCount);
        for (;;)
        {
            if (mEnded)
            {
                if (mStream.avail_in == 0)
                    return true;
                inflateReset(&mStream); // a gzip body may hold several members
                mEnded = false;
            }
            Bytef out[16384];
            mStream.next_out = out;
            mStream.avail_out = sizeof out;
            const int result = inflate(&mStream, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
                return Fail("Corrupt compressed reply", mStream.msg);
            if (!Append(reinterpret_cast<const char*>(out), sizeof out - mStream.avail_out, inLimit))
                return false;
            mEnded = result == Z_STREAM_END;
            if (result == Z_BUF_ERROR || (!mEnded && mStream.avail_in == 0 && mStream.avail_out != 0))
                return true;
        }
    }

    // Whether the body is whole: a compressed stream must have reached its end.
    bool Finish()
    {
        if (!mFailed && !mEnded)
            Fail("Compressed reply cut short", nullptr);
        return !mFailed;
    }

    bool Append(const char* inBytes, std::size_t inCount, CxUint32 inLimit)
    {
        if (inCount == 0)
            return true;
        const CxUint32 size = mBody.Size();
        if (inCount > inLimit - size)
        {
            Fail("Reply larger than its limit", nullptr);
            mFailure = "larger than " + std::to_string(inLimit) + " bytes";
            return false;
        }
        mBody.SetSize(size + CxUint32(inCount));
        CxAutoLock lock(mBody);
        std::memcpy(static_cast<char*>(mBody.Pointer()) + size, inBytes, inCount);
        return true;
    }

    bool Fail(const char* inWhy, const char* inDetail)
    {
        _CxDebugOut(__FILE__, __LINE__, inWhy, inDetail != nullptr ? inDetail : inWhy);
        mFailed = true;
        mFailure = inDetail != nullptr && *inDetail != 0 ? std::string(inWhy) + ": " + inDetail : inWhy;
        return false;
    }

    void EndInflating()
    {
        if (mCoding == Coding::kInflating)
            inflateEnd(&mStream);
        mCoding = Coding::kIdentity;
    }

    enum class Coding
    {
        kIdentity,
        kInflating,
        kUnknown
    };

    CxData mBody{CxUint32(0)};
    Coding mCoding = Coding::kIdentity;
    std::string mCodingName;
    z_stream mStream{};
    bool mEnded = true; // no compressed stream open
    bool mFailed = false;
    std::string mFailure; // why, once failed
    std::optional<CxDate> mLastModified;
};

// libcurl's callbacks, with its own argument types.
struct CxUrlCallbacks
{
    static int Progress(void* inUrl, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        const CxUrl* self = static_cast<const CxUrl*>(inUrl);
        return sAbort.load(std::memory_order_relaxed) || self->Cancelled() ? 1 : 0;
    }

    static std::size_t WriteBody(char* inData, std::size_t inSize, std::size_t inCount, void* inUrl)
    {
        CxUrl* self = static_cast<CxUrl*>(inUrl);
        return self->mReply->Receive(inData, inSize * inCount, self->mReplyLimit) ? inSize * inCount : 0;
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

CxUrl::CxUrl()
    : mIfModifiedSince(NullDate()), mLastModified(NullDate()), mBody(CxUint32(0)),
      mReply(std::make_unique<CxUrlReply>())
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
        mReason = inOther.mReason;
        mRefCon = inOther.mRefCon;
        mCancelFlag = inOther.mCancelFlag;
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
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CxUrlCallbacks::Progress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    // URLs come from remote documents: no other scheme, so no local files and no raw writes to a chosen port.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // The encodings offered are decoded by CxUrlReply; libcurl passes bodies on as they come.
    curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    const long overall = sOverallTimeout.load();
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, overall > 0 ? overall : 600L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 30L);
    const long stall = sStallWindow.load();
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, stall > 0 ? stall : 60L);
    curl_easy_setopt(easy, CURLOPT_DNS_CACHE_TIMEOUT, 600L);
    // HTTP/2 would lower-case the header names, and the Last-Modified match is exact.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
}

void CxUrl::SetVerbose(bool inVerbose)
{
    curl_easy_setopt(Easy(mHandle), CURLOPT_VERBOSE, inVerbose ? 1L : 0L);
}

void CxUrl::SetOverallTimeout(CxSint32 inSeconds)
{
    sOverallTimeout = inSeconds;
}

void CxUrl::SetStallWindowForTesting(CxSint32 inSeconds)
{
    sStallWindow = inSeconds;
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
    mResponseCode = 0;
    mTransferSize = 0;
    mMime = CxString();
    mReason = CxString();
    mReply->Restart();
    if (easy == nullptr)
    {
        mReason = CxString("libcurl did not start");
        return CxData(CxUint32(0));
    }

    std::string login;
    if (inWithLogin)
    {
        if (mName.Length() == 0 && mAuthenticationKey.Length() != 0)
            CxReadAuthentication(mAuthenticationKey, mName, mPassword);
        if (mName.Length() != 0 && mPassword.Length() != 0)
            login = mName.AsUtf8() + ":" + mPassword.AsUtf8();
    }

    curl_slist* headers = curl_slist_append(nullptr, "Accept-Encoding: gzip, deflate");
    if (mIfModifiedSince != NullDate())
        headers = curl_slist_append(headers, IfModifiedSinceHeader(mIfModifiedSince).c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);

    CxString proxyHost, proxyUser, proxyPassword;
    CxSint32 proxyPort = 0;
    std::string proxy, proxyLogin;
    const std::string url = mUrl.AsUtf8();
    if (CxGetProxySettings(proxyHost, proxyPort, proxyUser, proxyPassword, SameNameNoCase(url, "https:")))
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
    curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(easy, CURLOPT_USERPWD, login.empty() ? nullptr : login.c_str());
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());

    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
    const CURLcode result = TransfersAborted() || Cancelled() ? CURLE_ABORTED_BY_CALLBACK : curl_easy_perform(easy);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, nullptr);

    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    mUpload.clear();

    if (result == CURLE_UNSUPPORTED_PROTOCOL)
        _CxDebugOut(__FILE__, __LINE__, "Not an http or https URL", url.c_str());
    if (result != CURLE_OK || !mReply->Finish())
    {
        // The reply's own fault first: libcurl only says that the writing stopped.
        std::string reason = mReply->mFailure;
        if (reason.empty() && result == CURLE_ABORTED_BY_CALLBACK)
            reason = "the transfer was aborted";
        if (reason.empty())
            reason = error[0] != 0 ? error : curl_easy_strerror(result);
        mReason = CxString::FromUtf8(reason);
        RecordReason(url, reason);
        // A reply cut short is no reply: nothing of it may pass for complete.
        mReply->Restart();
        return CxData(CxUint32(0));
    }
    RecordReason(url, std::string());

    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    mResponseCode = CxSint32(status);
    curl_off_t received = 0;
    curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &received);
    mTransferSize = CxUint32(std::clamp<curl_off_t>(received, 0, std::numeric_limits<CxUint32>::max()));
    const char* type = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
    mMime = type != nullptr ? CxString::FromUtf8(type) : CxString();

    if (mReply->mLastModified)
        mLastModified = *mReply->mLastModified;
    CxData body = mReply->mBody;
    mReply->Restart();
    return body;
}

void CxUrl::ReceiveHeader(const char* inLine, std::size_t inLength)
{
    static const std::string kLastModified("Last-Modified: ");
    while (inLength > 0 && (inLine[inLength - 1] == '\n' || inLine[inLength - 1] == '\r'))
        --inLength;
    const std::string line(inLine, inLength);
    if (line.compare(0, 5, "HTTP/") == 0)
        mReply->Restart(); // a redirect's or an interim reply's headers are not the final reply's
    else if (SameNameNoCase(line, "Content-Encoding:"))
        mReply->SetCoding(line.substr(std::strlen("Content-Encoding:")));
    else if (line.compare(0, kLastModified.size(), kLastModified) == 0)
    {
        const std::string value = line.substr(kLastModified.size());
        mReply->mLastModified = ParseLastModified(value);
        if (!mReply->mLastModified)
            _CxDebugOut(__FILE__, __LINE__, "Unreadable Last-Modified", value.c_str());
    }
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

CxString CxUrl::LastReason(const CxString& inUrl)
{
    const std::string url = inUrl.AsUtf8();
    CxAutoLock lock(ReasonRegion());
    for (const auto& [kept, reason] : Reasons())
        if (kept == url)
            return CxString::FromUtf8(reason);
    return CxString();
}

CxString CxServerAddress(const CxString& inName, const CxString& inFallback)
{
    CxString name = inName;
    name.Uppercase();
    const std::string variable = "SKYVANE_SERVER_" + name.AsUtf8();
    const char* value = std::getenv(variable.c_str());
    return value != nullptr && value[0] != '\0' ? CxString::FromUtf8(value) : inFallback;
}
