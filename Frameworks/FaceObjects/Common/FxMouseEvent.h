// A mouse event as the product code reads it, whatever platform form it arrived in. A plain record: every field 0
// by default. The platform constructors are defined with the event handlers; code that only reads the record
// needs nothing but this header.
#pragma once

#include "CxCoordinates.h"
#include "CxTypes.h"

namespace pf
{
class Event;
class View;
class Window;
struct EventRecord;
} // namespace pf

class FxMouseEvent
{
public:
    enum : CxUint32
    {
        kCommand = 1,
        kControl = 2,
        kOption = 4,
        kShift = 8
    };

    FxMouseEvent() = default;
    // Button 1 at the record's global location; the click count follows the process-wide record sequence.
    explicit FxMouseEvent(const pf::EventRecord& inRecord);
    FxMouseEvent(const pf::Event& inEvent, pf::View* inView);
    // In the coordinates of the window's view under the mouse.
    FxMouseEvent(const pf::Event& inEvent, pf::Window* inWindow);

    // Reads the event's parameters (0 when absent), the location in the view's coordinates.
    void Setup(const pf::Event& inEvent, pf::View* inView);

    // 1 primary, 2 secondary, higher for further buttons.
    CxUint16 mButton = 0;
    CxUint32 mModifiers = 0;
    // Local pixels, y down.
    CxPoint mWhere;
    // The movement since the drag's previous event.
    CxPoint mDelta;
    CxSint32 mWheelDelta = 0;
    CxSint32 mVerticalScroll = 0;
    CxSint32 mHorizontalScroll = 0;
    CxUint32 mClickCount = 0;
};
