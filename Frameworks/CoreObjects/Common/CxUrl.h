// One HTTP request (GET, POST, HEAD) over a libcurl easy handle, made synchronously on the calling thread. Failure
// never throws: the status is 0 when no complete reply arrived, and the body is then empty. Only http and https
// URLs are fetched, and followed in redirects.
#pragma once

#include "CxData.h"
#include "CxDate.h"
#include "CxString.h"
#include "CxTypes.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

struct CxUrlReply;

class CxUrl
{
public:
    // libcurl's global set-up and clean-up, once per process around every request.
    static void InitGlobals();
    static void CleanupGlobals();

    CxUrl();
    explicit CxUrl(const CxString& inUrl);
    // A new handle with the other's request and last reply; the transfer size starts at 0.
    CxUrl(const CxUrl& inOther);
    // Copies the request and the last reply; keeps this object's handle and transfer size.
    CxUrl& operator=(const CxUrl& inOther);
    ~CxUrl();

    // The URLs only.
    friend bool operator==(const CxUrl& inA, const CxUrl& inB) { return inA.mUrl == inB.mUrl; }
    friend bool operator!=(const CxUrl& inA, const CxUrl& inB) { return !(inA == inB); }

    // 1904-01-01 00:00:00 UTC: no If-Modified-Since, and the Last-Modified date before one has arrived.
    static CxDate NullDate();

    void SetUrl(const CxString& inUrl) { mUrl = inUrl; }
    // The key under which the login is stored; read when a server first answers 401 and no name is set.
    void SetAuthenticationKey(const CxString& inKey) { mAuthenticationKey = inKey; }
    void SetName(const CxString& inName) { mName = inName; }
    void SetPassword(const CxString& inPassword) { mPassword = inPassword; }
    void SetIfModifiedSince(const CxDate& inDate) { mIfModifiedSince = inDate; }
    void SetBody(const CxData& inBody) { mBody = inBody; }
    void SetRefCon(CxUint32 inRefCon) { mRefCon = inRefCon; }

    const CxString& AsString() const { return mUrl; }
    const CxString& AuthenticationKey() const { return mAuthenticationKey; }
    const CxString& Name() const { return mName; }
    const CxString& Password() const { return mPassword; }
    // The last reply's content type; "" when it had none.
    const CxString& Mime() const { return mMime; }
    // The last HTTP status; 0 when no complete reply arrived.
    CxSint32 ResponseCode() const { return mResponseCode; }
    const CxDate& IfModifiedSince() const { return mIfModifiedSince; }
    // The last Last-Modified date received; a reply without one, or a failed transfer, leaves it.
    const CxDate& LastModified() const { return mLastModified; }
    const CxData& Body() const { return mBody; }
    CxUint32 RefCon() const { return mRefCon; }
    // Bytes of the last reply body as received (clamped to 32 bits).
    CxUint32 TransferSize() const { return mTransferSize; }
    // Why the last request had no complete reply, in libcurl's words or the reply's ("larger than N bytes");
    // "" when it had one, whatever its status.
    const CxString& Reason() const { return mReason; }
    // The reason of the latest request of that URL in this process, when it failed and is among the last few
    // failures; "" otherwise. For callers that learn of a failure from a log line.
    static CxString LastReason(const CxString& inUrl);

    void SetVerbose(bool inVerbose);
    void SetConnectTimeout(CxSint32 inSeconds);
    void SetFollowRedirect(bool inFollow);
    // The most a reply body may hold once decoded; a larger one fails the transfer as it arrives.
    static constexpr CxUint32 kDefaultReplyLimit = 256u << 20;
    void SetReplyLimit(CxUint32 inBytes) { mReplyLimit = inBytes; }
    CxUint32 ReplyLimit() const { return mReplyLimit; }
    // While the flag (owned by the caller, outliving the request) is set, this request's transfer ends within
    // about a second, or at once when it has not begun, with status 0; null for none.
    void SetCancelFlag(const std::atomic<bool>* inFlag) { mCancelFlag = inFlag; }

    // Each is tried first without credentials; after a 401, once more with the login when a name or a key is
    // set, and that second reply counts.
    CxData Get();
    // The request body is Body().
    CxData Post();
    // The status.
    CxSint32 Head();

    // The user agent of every request; set at start-up, before any request.
    static void SetAgent(const CxString& inAgent);
    // "product/version (platform; N; processor; system; locale[; extra])".
    static void SetAgentWithProduct(const CxString& inProduct, const CxString& inVersion, const CxString& inExtra);
    static CxString Agent();

    void OpenInBrowser() const;
    static void OpenInBrowser(const CxString& inUrl);

    // Any thread. While set, running transfers end within about a second and new ones at once, with status 0.
    static void AbortTransfers(bool inAbort);
    static bool TransfersAborted();
    // The overall time-out of every request made after the call, in seconds; 0 restores 600.
    static void SetOverallTimeout(CxSint32 inSeconds);
    static void SetOverallTimeoutForTesting(CxSint32 inSeconds) { SetOverallTimeout(inSeconds); }
    // A transfer that moves less than a byte a second for this long ends with status 0, so a trickling server
    // cannot hold a job thread for the whole overall time-out. Tests only: seconds for requests made after the
    // call; 0 restores 60.
    static void SetStallWindowForTesting(CxSint32 inSeconds);

private:
    enum class Method
    {
        kGet,
        kPost,
        kHead
    };

    void SetFixedOptions();
    CxData Request(Method inMethod);
    CxData Fetch(Method inMethod, bool inWithLogin);
    void ReceiveHeader(const char* inLine, std::size_t inLength);
    bool Cancelled() const { return mCancelFlag != nullptr && mCancelFlag->load(std::memory_order_relaxed); }

    friend struct CxUrlCallbacks;

    void* mHandle = nullptr; // CURL*
    CxString mUrl;
    CxString mAuthenticationKey;
    CxString mName;
    CxString mPassword;
    CxString mMime;
    CxDate mIfModifiedSince;
    CxDate mLastModified;
    CxData mBody;
    CxSint32 mResponseCode = 0;
    CxString mReason;
    CxUint32 mRefCon = 0;
    CxUint32 mTransferSize = 0;
    CxUint32 mReplyLimit = kDefaultReplyLimit;
    const std::atomic<bool>* mCancelFlag = nullptr;

    // One transfer's buffers.
    std::unique_ptr<CxUrlReply> mReply;
    std::string mUpload;
    std::size_t mUploadOffset = 0;
};

// A server's address: $SKYVANE_SERVER_<NAME> (the name upper-cased) when set and not empty, else the fallback.
CxString CxServerAddress(const CxString& inName, const CxString& inFallback);
