// A key event as the product code reads it, whatever platform form it arrived in. A plain record: every field 0
// or false by default.
#pragma once

#include "CxTypes.h"

namespace pf
{
class Event;
struct EventRecord;
} // namespace pf

class FxKeyEvent
{
public:
    FxKeyEvent() = default;
    explicit FxKeyEvent(const pf::Event& inEvent);
    explicit FxKeyEvent(const pf::EventRecord& inRecord);

    // The old-style record path hands this back to the host as the event's result.
    void Handled() { mHandled = true; }

    CxUint8 mCharCode = 0;
    CxUint32 mKeyCode = 0;
    // FxMouseEvent's modifier bits.
    CxUint32 mModifiers = 0;
    bool mHandled = false;
};
