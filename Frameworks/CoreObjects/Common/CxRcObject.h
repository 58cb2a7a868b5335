// Shareable bodies: a reference count that copies on any thread may raise and lower, and the smart pointer that
// keeps one reference for each holder.
#pragma once

#include "CxTypes.h"

#include <atomic>

class CxRcObject
{
public:
    void AddReference();
    // Deletes the body when the last reference goes.
    void RemoveReference();
    void MarkUnshareable() { mShareable.store(false, std::memory_order_relaxed); }
    bool IsShareable() const { return mShareable.load(std::memory_order_relaxed); }
    // More than one reference.
    bool IsShared() const { return mRefCount.load(std::memory_order_acquire) > 1; }

protected:
    CxRcObject() = default;
    // A copy is a fresh body: no references, shareable; nothing is copied.
    CxRcObject(const CxRcObject&) {}
    CxRcObject& operator=(const CxRcObject&) { return *this; }
    virtual ~CxRcObject();

private:
    // An atomic count stands in for a lock around the count: only the count and the flag are shared state here.
    std::atomic<CxSint32> mRefCount{0};
    std::atomic<bool> mShareable{true};
};

// T derives from CxRcObject and is copy-constructible (an unshareable body is copied on sharing).
template <typename T> class CxRcPointer
{
public:
    explicit CxRcPointer(T* inBody = nullptr) : mBody(inBody) { Init(); }
    CxRcPointer(const CxRcPointer& inOther) : mBody(inOther.mBody) { Init(); }
    ~CxRcPointer()
    {
        if (mBody != nullptr)
            mBody->RemoveReference();
    }

    CxRcPointer& operator=(const CxRcPointer& inOther)
    {
        if (mBody != inOther.mBody)
        {
            // Take the new reference before dropping the old, so that a body reached only through the old one
            // cannot vanish under inOther.
            T* old = mBody;
            mBody = inOther.mBody;
            Init();
            if (old != nullptr)
                old->RemoveReference();
        }
        return *this;
    }

    T* operator->() const { return mBody; }
    T& operator*() const { return *mBody; }
    T* Get() const { return mBody; }

private:
    void Init()
    {
        if (mBody == nullptr)
            return;
        if (!mBody->IsShareable())
            mBody = new T(*mBody);
        mBody->AddReference();
    }

    T* mBody;
};
