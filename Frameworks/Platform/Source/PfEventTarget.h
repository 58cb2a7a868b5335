// Event targets and their handler chains. Handlers are asked newest first until one answers something other
// than kEventNotHandled; then the target's standard handler, if any; then the parent target the same way.
#pragma once

#include "PfEvent.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace pf
{

struct EventTypeSpec
{
    FourCharCode eventClass;
    std::uint32_t eventKind;
};

struct HandlerCall;
using HandlerCallRef = HandlerCall*;
using EventHandler = std::function<OSStatus(HandlerCallRef inCall, Event& ioEvent)>;

class Handler;
using HandlerRef = std::shared_ptr<Handler>;

namespace detail
{
struct TargetCore;
}

class EventTarget
{
public:
    EventTarget();
    explicit EventTarget(EventTarget* inParent);
    // Destroying a target while it dispatches is safe: the walk in progress stops after the running handler.
    ~EventTarget();
    EventTarget(const EventTarget&) = delete;
    EventTarget& operator=(const EventTarget&) = delete;

    HandlerRef InstallHandler(std::initializer_list<EventTypeSpec> inTypes, EventHandler inHandler);
    HandlerRef InstallHandler(const std::vector<EventTypeSpec>& inTypes, EventHandler inHandler);

    // The window server's default behaviour: asked after every installed handler, before the parent, so a
    // handler's CallNext reaches it. Null removes it.
    void SetStandardHandler(EventHandler inHandler);

    // Null detaches. A parent that would close a cycle is refused (false).
    bool SetParent(EventTarget* inParent);

    OSStatus Send(Event& ioEvent);

    std::size_t CountHandlers() const;

private:
    std::shared_ptr<detail::TargetCore> mCore;
};

// Safe at any time, also from inside the handler being removed or while its target dispatches.
// A null or already removed handler answers kParamErr.
OSStatus RemoveHandler(const HandlerRef& inHandler);

// Runs the rest of the chain (and the parents) for the event; the calling handler's answer is then final.
OSStatus CallNext(HandlerCallRef inCall, Event& ioEvent);

// The application's target, where posted events go.
EventTarget& ApplicationTarget();

} // namespace pf
