#include "VaneTransitions.h"

#include "CxSystem.h"

#include <algorithm>

CxSint16 VaneTransitionStep(CxUint32& ioLastTick, double inPerTick)
{
    const CxUint32 now = CxTickCount();
    const double pixels = inPerTick * double(CxUint32(now - ioLastTick));
    if (pixels < 1.0)
        return 0;
    ioLastTick = now;
    return CxSint16(std::min(pixels, 30000.0));
}

bool VaneSlideLegendColumn(CxRect& ioColumn, bool inShown, bool inRight, CxSint16 inWidth, CxSint16 inStep)
{
    if (!inRight)
    {
        if (!inShown)
        {
            if (ioColumn.right < 0)
                return false;
            ioColumn.Offset(CxSint16(-inStep), 0);
        }
        else if (ioColumn.left >= 0)
            return false;
        else
            ioColumn.Offset(std::min<CxSint16>(inStep, CxSint16(-ioColumn.left)), 0);
    }
    else if (!inShown)
    {
        if (ioColumn.left > inWidth)
            return false;
        ioColumn.Offset(inStep, 0);
    }
    else if (ioColumn.right <= inWidth)
        return false;
    else
        ioColumn.Offset(CxSint16(-std::min<CxSint16>(inStep, CxSint16(ioColumn.right - inWidth))), 0);
    return true;
}
