#include "PfEventTarget.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace pf
{

namespace detail
{
struct TargetCore
{
    mutable std::mutex mutex;
    std::vector<HandlerRef> handlers; // in installation order
    std::weak_ptr<TargetCore> parent;
    std::shared_ptr<const EventHandler> standard;
    std::atomic<bool> alive{true};
};
} // namespace detail

using detail::TargetCore;

class Handler
{
public:
    Handler(std::vector<EventTypeSpec> inTypes, EventHandler inProc, std::weak_ptr<TargetCore> inTarget)
        : mTypes(std::move(inTypes)), mProc(std::move(inProc)), mTarget(std::move(inTarget))
    {
    }

    bool Wants(const Event& inEvent) const
    {
        return std::any_of(mTypes.begin(), mTypes.end(),
                           [&](const EventTypeSpec& type)
                           { return type.eventClass == inEvent.Class() && type.eventKind == inEvent.Kind(); });
    }

    const std::vector<EventTypeSpec> mTypes;
    const EventHandler mProc;
    const std::weak_ptr<TargetCore> mTarget;
    std::atomic<bool> mRemoved{false};
};

struct HandlerCall
{
    std::shared_ptr<TargetCore> target; // keeps the target's state alive while it dispatches
    std::vector<HandlerRef> chain;      // the handlers for this event, newest first
    std::size_t next = 0;
    bool restDone = false;
    bool standardAsked = false;
};

namespace
{

OSStatus Dispatch(std::shared_ptr<TargetCore> inTarget, Event& ioEvent);

OSStatus Walk(HandlerCall& ioCall, Event& ioEvent)
{
    while (ioCall.next < ioCall.chain.size())
    {
        if (!ioCall.target->alive.load())
        {
            return kEventNotHandled;
        }
        HandlerRef handler = ioCall.chain[ioCall.next++];
        if (handler->mRemoved.load())
        {
            continue;
        }
        ioCall.restDone = false;
        const OSStatus status = handler->mProc(&ioCall, ioEvent);
        if (ioCall.restDone || status != kEventNotHandled)
        {
            return status;
        }
    }
    std::shared_ptr<const EventHandler> standard;
    if (!ioCall.standardAsked)
    {
        ioCall.standardAsked = true;
        std::lock_guard lock(ioCall.target->mutex);
        standard = ioCall.target->standard;
    }
    if (standard && ioCall.target->alive.load())
    {
        ioCall.restDone = false;
        const OSStatus status = (*standard)(&ioCall, ioEvent);
        if (ioCall.restDone || status != kEventNotHandled)
        {
            return status;
        }
    }
    std::shared_ptr<TargetCore> parent;
    {
        std::lock_guard lock(ioCall.target->mutex);
        if (!ioCall.target->alive.load())
        {
            return kEventNotHandled;
        }
        parent = ioCall.target->parent.lock();
    }
    return parent ? Dispatch(std::move(parent), ioEvent) : kEventNotHandled;
}

OSStatus Dispatch(std::shared_ptr<TargetCore> inTarget, Event& ioEvent)
{
    HandlerCall call;
    {
        std::lock_guard lock(inTarget->mutex);
        for (auto it = inTarget->handlers.rbegin(); it != inTarget->handlers.rend(); ++it)
        {
            if ((*it)->Wants(ioEvent))
            {
                call.chain.push_back(*it);
            }
        }
    }
    call.target = std::move(inTarget);
    return Walk(call, ioEvent);
}

} // namespace

EventTarget::EventTarget() : mCore(std::make_shared<TargetCore>()) {}

EventTarget::EventTarget(EventTarget* inParent) : EventTarget()
{
    SetParent(inParent);
}

EventTarget::~EventTarget()
{
    std::vector<HandlerRef> handlers;
    {
        std::lock_guard lock(mCore->mutex);
        mCore->alive.store(false);
        handlers.swap(mCore->handlers);
        mCore->parent.reset();
        mCore->standard.reset();
    }
    for (const HandlerRef& handler : handlers)
    {
        handler->mRemoved.store(true);
    }
}

HandlerRef EventTarget::InstallHandler(std::initializer_list<EventTypeSpec> inTypes, EventHandler inHandler)
{
    return InstallHandler(std::vector<EventTypeSpec>(inTypes), std::move(inHandler));
}

HandlerRef EventTarget::InstallHandler(const std::vector<EventTypeSpec>& inTypes, EventHandler inHandler)
{
    if (!inHandler)
    {
        return nullptr;
    }
    auto handler = std::make_shared<Handler>(inTypes, std::move(inHandler), mCore);
    std::lock_guard lock(mCore->mutex);
    mCore->handlers.push_back(handler);
    return handler;
}

void EventTarget::SetStandardHandler(EventHandler inHandler)
{
    auto standard = inHandler ? std::make_shared<const EventHandler>(std::move(inHandler)) : nullptr;
    std::lock_guard lock(mCore->mutex);
    mCore->standard = std::move(standard);
}

bool EventTarget::SetParent(EventTarget* inParent)
{
    std::shared_ptr<TargetCore> parent = inParent ? inParent->mCore : nullptr;
    // Walk up from the new parent; meeting ourselves would make a cycle.
    for (std::shared_ptr<TargetCore> up = parent; up;)
    {
        if (up == mCore)
        {
            return false;
        }
        std::shared_ptr<TargetCore> next;
        {
            std::lock_guard lock(up->mutex);
            next = up->parent.lock();
        }
        up = std::move(next);
    }
    std::lock_guard lock(mCore->mutex);
    mCore->parent = parent;
    return true;
}

OSStatus EventTarget::Send(Event& ioEvent)
{
    return Dispatch(mCore, ioEvent);
}

std::size_t EventTarget::CountHandlers() const
{
    std::lock_guard lock(mCore->mutex);
    return mCore->handlers.size();
}

OSStatus RemoveHandler(const HandlerRef& inHandler)
{
    if (!inHandler || inHandler->mRemoved.exchange(true))
    {
        return kParamErr;
    }
    if (std::shared_ptr<TargetCore> target = inHandler->mTarget.lock())
    {
        std::lock_guard lock(target->mutex);
        auto& handlers = target->handlers;
        handlers.erase(std::remove(handlers.begin(), handlers.end(), inHandler), handlers.end());
    }
    return kNoErr;
}

OSStatus CallNext(HandlerCallRef inCall, Event& ioEvent)
{
    if (inCall == nullptr)
    {
        return kParamErr;
    }
    const OSStatus status = Walk(*inCall, ioEvent);
    inCall->restDone = true;
    return status;
}

EventTarget& ApplicationTarget()
{
    // Never destroyed: job threads may still post while static objects are torn down at exit.
    static EventTarget* sTarget = new EventTarget;
    return *sTarget;
}

} // namespace pf
