#include "CxMessenger.h"

#include "CxDebug.h"

#include <algorithm>

// ---- CxMessenger

class CxMessenger::WalkScope
{
public:
    explicit WalkScope(CxMessenger& inMessenger) : mMessenger(inMessenger), mWalk{inMessenger.mWalk, false}
    {
        mMessenger.mWalk = &mWalk;
    }

    ~WalkScope()
    {
        if (mWalk.ended)
        {
            return; // the messenger is gone
        }
        mMessenger.mWalk = mWalk.outer;
        if (mMessenger.mWalk == nullptr && mMessenger.mHasHoles)
        {
            auto& receivers = mMessenger.mReceivers;
            receivers.erase(std::remove(receivers.begin(), receivers.end(), nullptr), receivers.end());
            mMessenger.mHasHoles = false;
        }
    }

    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;

    bool Ended() const { return mWalk.ended; }

private:
    CxMessenger& mMessenger;
    Walk mWalk;
};

CxMessenger::~CxMessenger()
{
    for (Walk* walk = mWalk; walk != nullptr; walk = walk->outer)
    {
        walk->ended = true;
    }
    mWalk = nullptr;
    DetachAll();
}

void CxMessenger::AttachReceiver(CxReceiver* inReceiver)
{
    if (inReceiver == nullptr)
    {
        CxAssertText(false, "inReceiver != nil");
        return;
    }
    CxAssertText(std::find(mReceivers.begin(), mReceivers.end(), inReceiver) == mReceivers.end(),
                 "std::find(mReceivers.begin(), mReceivers.end(), inReceiver) == mReceivers.end()");
    mReceivers.push_back(inReceiver);
    inReceiver->AttachMessenger(this);
}

void CxMessenger::DetachReceiver(CxReceiver* inReceiver)
{
    auto iter = inReceiver == nullptr ? mReceivers.end() : std::find(mReceivers.begin(), mReceivers.end(), inReceiver);
    if (iter == mReceivers.end())
    {
        CxAssertText(false, "iter != mReceivers.end()");
        return;
    }
    if (mWalk != nullptr)
    {
        *iter = nullptr; // keeps the indices of a send in progress
        mHasHoles = true;
    }
    else
    {
        mReceivers.erase(iter);
    }
    inReceiver->DetachMessenger(this);
}

void CxMessenger::DetachAll()
{
    for (;;)
    {
        auto iter = std::find_if(mReceivers.begin(), mReceivers.end(), [](CxReceiver* r) { return r != nullptr; });
        if (iter == mReceivers.end())
        {
            break;
        }
        DetachReceiver(*iter);
    }
}

void CxMessenger::SendMessage(CxSint32 inCode, void* inData)
{
    if (IsSuspended())
    {
        return;
    }
    WalkScope walk(*this);
    // By index, re-reading the size: receivers appended meanwhile are reached too.
    for (std::size_t index = 0; index < mReceivers.size(); ++index)
    {
        CxReceiver* receiver = mReceivers[index];
        if (receiver == nullptr)
        {
            continue;
        }
        receiver->ReceiveMessage(this, inCode, inData);
        if (walk.Ended())
        {
            return;
        }
    }
}

void CxMessenger::SuspendMessaging()
{
    if (mSuspendCount == 0xFFFFFFFFu)
    {
        CxAssertText(false, "mSuspendCount < (CxUint32)0xFFFFFFFF");
        return;
    }
    ++mSuspendCount;
}

void CxMessenger::ResumeMessaging()
{
    if (mSuspendCount != 0)
    {
        --mSuspendCount;
    }
}

std::size_t CxMessenger::CountReceivers() const
{
    return std::size_t(std::count_if(mReceivers.begin(), mReceivers.end(), [](CxReceiver* r) { return r != nullptr; }));
}

// ---- CxReceiver

CxReceiver::~CxReceiver()
{
    while (!mMessengers.empty())
    {
        const std::size_t before = mMessengers.size();
        CxMessenger* messenger = mMessengers.front();
        messenger->DetachReceiver(this);
        if (mMessengers.size() == before)
        {
            // The messenger did not know us (reported there); drop the link anyway rather than loop.
            mMessengers.erase(mMessengers.begin());
        }
    }
}

void CxReceiver::OnReceiveMessage(CxMessenger*, CxSint32, void*) {}

void CxReceiver::SuspendReceiving()
{
    if (mSuspendCount == 0xFFFFFFFFu)
    {
        CxAssertText(false, "mSuspendCount < (CxUint32)0xFFFFFFFF");
        return;
    }
    ++mSuspendCount;
}

void CxReceiver::ResumeReceiving()
{
    if (mSuspendCount != 0)
    {
        --mSuspendCount;
    }
}

void CxReceiver::ReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData)
{
    if (IsReceiving())
    {
        OnReceiveMessage(inSender, inCode, inData);
    }
}

void CxReceiver::AttachMessenger(CxMessenger* inMessenger)
{
    CxAssertText(std::find(mMessengers.begin(), mMessengers.end(), inMessenger) == mMessengers.end(),
                 "std::find(mMessengers.begin(), mMessengers.end(), inMessenger) == mMessengers.end()");
    mMessengers.push_back(inMessenger);
}

void CxReceiver::DetachMessenger(CxMessenger* inMessenger)
{
    auto iter = std::find(mMessengers.begin(), mMessengers.end(), inMessenger);
    if (iter == mMessengers.end())
    {
        CxAssertText(false, "iter != mMessengers.end()");
        return;
    }
    mMessengers.erase(iter);
}
