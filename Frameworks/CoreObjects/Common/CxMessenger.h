// The synchronous observer: a messenger calls each attached receiver in attachment order, at once, on the
// sending thread. The link is two-way, so destroying either side detaches it. Main thread only.
#pragma once

#include "CxTypes.h"

#include <cstddef>
#include <vector>

class CxReceiver;

class CxMessenger
{
public:
    CxMessenger() = default;
    // Detaches every receiver; a send of this messenger in progress ends.
    virtual ~CxMessenger();
    CxMessenger(const CxMessenger&) = delete;
    CxMessenger& operator=(const CxMessenger&) = delete;

    // Attaching twice is reported, and the receiver then gets each message twice.
    void AttachReceiver(CxReceiver* inReceiver);
    void DetachReceiver(CxReceiver* inReceiver);
    void DetachAll();

    // Nothing when suspended. A receiver attached during the send is called in it; one detached (or deleted)
    // before its turn is not.
    void SendMessage(CxSint32 inCode, void* inData);

    void SuspendMessaging();
    void ResumeMessaging();
    bool IsMessaging() const { return mSuspendCount == 0; }
    bool IsSuspended() const { return mSuspendCount != 0; }

    std::size_t CountReceivers() const;

private:
    // One per send in progress, innermost first; lets a send notice that the messenger is gone.
    struct Walk
    {
        Walk* outer;
        bool ended;
    };
    class WalkScope;

    // Detached receivers become null while a send walks the list, and are swept out after the outermost send.
    std::vector<CxReceiver*> mReceivers;
    CxUint32 mSuspendCount = 0;
    Walk* mWalk = nullptr;
    bool mHasHoles = false;
};

class CxReceiver
{
public:
    CxReceiver() = default;
    // Detaches from every messenger.
    virtual ~CxReceiver();
    CxReceiver(const CxReceiver&) = delete;
    CxReceiver& operator=(const CxReceiver&) = delete;

    virtual void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData);

    void SuspendReceiving();
    void ResumeReceiving();
    bool IsReceiving() const { return mSuspendCount == 0; }
    bool IsSuspended() const { return mSuspendCount != 0; }

    // Calls OnReceiveMessage unless suspended.
    void ReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData);

    std::size_t CountMessengers() const { return mMessengers.size(); }

private:
    friend class CxMessenger;
    void AttachMessenger(CxMessenger* inMessenger);
    void DetachMessenger(CxMessenger* inMessenger);

    std::vector<CxMessenger*> mMessengers;
    CxUint32 mSuspendCount = 0;
};
