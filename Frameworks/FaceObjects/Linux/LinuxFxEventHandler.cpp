#include "CxDebug.h"
#include "CxSystem.h"
#include "FxEventHandler.h"
#include "FxKeyEvent.h"
#include "FxMouseEvent.h"
#include "PfWindowServer.h"

#include <cmath>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{

CxUint32 MapModifiers(CxUint32 inPlatform)
{
    CxUint32 bits = 0;
    if ((inPlatform & pf::kCmdKey) != 0)
        bits |= FxMouseEvent::kCommand;
    if ((inPlatform & pf::kControlKey) != 0)
        bits |= FxMouseEvent::kControl;
    if ((inPlatform & pf::kOptionKey) != 0)
        bits |= FxMouseEvent::kOption;
    if ((inPlatform & pf::kShiftKey) != 0)
        bits |= FxMouseEvent::kShift;
    return bits;
}

template <class T> T Param(const pf::Event& inEvent, pf::FourCharCode inName, pf::FourCharCode inType)
{
    T value{};
    if (inEvent.GetParam(inName, inType, value) != pf::kNoErr)
        value = T{};
    return value;
}

CxSint16 Truncated(double inValue)
{
    return static_cast<CxSint16>(std::trunc(inValue));
}

// Old-style records share one click state, whichever window or instance they reach.
pf::EventRecord sLastRecord;
CxUint32 sClickCount = 0;

} // namespace

// ---- FxMouseEvent --------------------------------------------------------------------------------------------

FxMouseEvent::FxMouseEvent(const pf::EventRecord& inRecord)
    : mButton(1), mModifiers(MapModifiers(inRecord.modifiers)), mWhere(inRecord.where.h, inRecord.where.v)
{
    if (inRecord.what == pf::kMouseDownEvent)
    {
        if (sLastRecord.what != pf::kMouseUpEvent)
            sClickCount = 1;
        else if (inRecord.when - sLastRecord.when <= pf::GetDblTime())
            ++sClickCount;
        else
            sClickCount = 1;
    }
    else if (inRecord.what == pf::kFrameMouseMovedEvent)
        sClickCount = 0;
    mClickCount = sClickCount;
    sLastRecord = inRecord;
}

FxMouseEvent::FxMouseEvent(const pf::Event& inEvent, pf::View* inView)
{
    CxAssertText(inView != nullptr, "inViewRef != nil");
    Setup(inEvent, inView);
}

FxMouseEvent::FxMouseEvent(const pf::Event& inEvent, pf::Window* inWindow)
{
    CxAssertText(inWindow != nullptr, "inWinRef != nil");
    if (inWindow == nullptr)
        return;
    const pf::Point where = Param<pf::Point>(inEvent, pf::kParamWindowMouseLocation, pf::kTypeHIPoint);
    Setup(inEvent, pf::FindViewAt(inWindow, where));
}

void FxMouseEvent::Setup(const pf::Event& inEvent, pf::View* inView)
{
    pf::Point where = Param<pf::Point>(inEvent, pf::kParamWindowMouseLocation, pf::kTypeHIPoint);
    if (inView != nullptr)
        where = pf::ConvertPoint(where, nullptr, inView);
    mWhere = CxPoint(Truncated(where.x), Truncated(where.y));
    const pf::Point delta = Param<pf::Point>(inEvent, pf::kParamMouseDelta, pf::kTypeHIPoint);
    mDelta = CxPoint(Truncated(delta.x), Truncated(delta.y));
    mModifiers = MapModifiers(Param<CxUint32>(inEvent, pf::kParamKeyModifiers, pf::kTypeUInt32));
    mButton = Param<CxUint16>(inEvent, pf::kParamMouseButton, pf::kTypeMouseButton);
    mClickCount = Param<CxUint32>(inEvent, pf::kParamClickCount, pf::kTypeUInt32);
    mWheelDelta = Param<CxSint32>(inEvent, pf::kParamMouseWheelDelta, pf::kTypeSInt32);
    mVerticalScroll = Param<CxSint32>(inEvent, pf::kParamMouseWheelSmoothVerticalDelta, pf::kTypeSInt32);
    mHorizontalScroll = Param<CxSint32>(inEvent, pf::kParamMouseWheelSmoothHorizontalDelta, pf::kTypeSInt32);
    if (mButton == 1 && (mModifiers & kControl) != 0)
        mButton = 2;
}

// ---- FxKeyEvent ----------------------------------------------------------------------------------------------

FxKeyEvent::FxKeyEvent(const pf::Event& inEvent)
    : mCharCode(static_cast<CxUint8>(Param<char>(inEvent, pf::kParamKeyChar, pf::kTypeChar))),
      mKeyCode(Param<CxUint32>(inEvent, pf::kParamKeyCode, pf::kTypeUInt32)),
      mModifiers(MapModifiers(Param<CxUint32>(inEvent, pf::kParamKeyModifiers, pf::kTypeUInt32)))
{
}

FxKeyEvent::FxKeyEvent(const pf::EventRecord& inRecord)
    : mCharCode(static_cast<CxUint8>(inRecord.message & 0xFF)), mKeyCode((inRecord.message >> 8) & 0xFF),
      mModifiers(MapModifiers(inRecord.modifiers))
{
}

// ---- FxEventHandler ------------------------------------------------------------------------------------------

FxEventHandler::~FxEventHandler()
{
    RemoveTimer();
    RemoveHandler();
}

pf::OSStatus FxEventHandler::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    return pf::CallNext(inCall, ioEvent);
}

void FxEventHandler::InstallHandler(pf::EventTarget* inTarget, const pf::EventTypeSpec* inTypes, CxUint32 inCount)
{
    RemoveHandler();
    mTarget = inTarget;
    if (inTarget == nullptr || (inTypes == nullptr && inCount > 0))
        return;
    const std::vector<pf::EventTypeSpec> types(inTypes, inTypes + inCount);
    mHandler = inTarget->InstallHandler(types, [this](pf::HandlerCallRef inCall, pf::Event& ioEvent)
                                        { return Event(inCall, ioEvent); });
}

void FxEventHandler::RemoveHandler()
{
    if (mHandler)
        pf::RemoveHandler(mHandler);
    mHandler.reset();
}

void FxEventHandler::InstallTimer(CxUint32 inMs)
{
    RemoveTimer();
    mTimer =
        pf::MainLoop().AddTimer(pf::Nanos(0), std::chrono::milliseconds(inMs), [this](pf::TimerRef) { OnTimer(); });
}

void FxEventHandler::RemoveTimer()
{
    if (mTimer != 0)
        pf::MainLoop().RemoveTimer(mTimer);
    mTimer = 0;
}

bool FxEventHandler::HasTimer() const
{
    return mTimer != 0 && pf::MainLoop().HasTimer(mTimer);
}

void FxEventHandler::SetCursor(CxSint32 inId)
{
    if (inId >= 128)
    {
        // pf knows no bundle: the cursor's image must be there before its id is taken.
        const std::string path = CxGetBundle().AsUtf8() + "/Cursor" + std::to_string(inId) + ".png";
        struct stat info;
        const bool present =
            !CxGetBundle().AsUtf8().empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
        CxAssertText(present, "cursor != nil");
        if (!present)
            return;
    }
    pf::SetCursorId(inId);
}
