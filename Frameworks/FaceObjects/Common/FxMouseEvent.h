// A mouse event as the product code reads it, whatever platform form it arrived in. A plain record: every field 0
// by default; the platform constructors come with the event handlers.
#pragma once

#include "CxCoordinates.h"
#include "CxTypes.h"

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
