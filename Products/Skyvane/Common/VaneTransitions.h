#pragma once

#include "CxCoordinates.h"
#include "CxTypes.h"

// The whole pixels a transition moving inPerTick pixels a tick has due since ioLastTick, capped; 0 when none is
// due yet. ioLastTick moves on only when some are, so slow ticks add up. Unsigned differences stay right across
// the tick counter's wrap.
CxSint16 VaneTransitionStep(CxUint32& ioLastTick, double inPerTick);

// One slide step of a legend column inside a view inWidth wide: towards flush with its side when shown, past
// that side when hidden. False when it is already there, so the caller stops its timer.
bool VaneSlideLegendColumn(CxRect& ioColumn, bool inShown, bool inRight, CxSint16 inWidth, CxSint16 inStep);
