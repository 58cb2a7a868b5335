#include "LinuxCxEvents.h"

#include "CxDebug.h"
#include "CxEvents.h"
#include "CxJob.h"
#include "PfRunLoop.h"

#include <atomic>

namespace
{
pf::HandlerRef sHandler; // main thread only
std::atomic<bool> sHandlerInstalled{false};
std::atomic<CxUint32> sHandlerCounterThingy{0};
} // namespace

CxSint32 CxInstallEventHandler()
{
    // A second installation without a removal would leave the first handler where nothing can remove it.
    if (sHandler)
    {
        pf::RemoveHandler(sHandler);
    }
    sHandlerCounterThingy.fetch_add(1);
    sHandler = pf::ApplicationTarget().InstallHandler({{kCxEventClass, kCxEventKindJobMessage}}, CxEventProc);
    sHandlerInstalled.store(sHandler != nullptr);
    return sHandler ? pf::kNoErr : pf::kParamErr;
}

CxSint32 CxRemoveEventHandler()
{
    const pf::OSStatus status = pf::RemoveHandler(sHandler);
    sHandler.reset();
    sHandlerInstalled.store(false);
    return status;
}

void CxDispatchEvent(CxJob* inJob, CxSint32 inCode)
{
    CxDispatchEvent(inJob, inJob != nullptr ? inJob->Serial() : 0, inCode);
}

void CxDispatchEvent(CxJob* inJob, CxUint32 inSerial, CxSint32 inCode)
{
    CxAssertText(sHandlerInstalled.load(), "sHandler != nil");
    pf::EventRef event = pf::MakeEvent(kCxEventClass, kCxEventKindJobMessage, 0.0);
    event->SetParam(kCxEventParamJob, pf::FourCC("JOBP"), inJob);
    event->SetParam(kCxEventParamSerial, pf::kTypeUInt32, inSerial);
    event->SetParam(kCxEventParamCode, pf::FourCC("CMSG"), inCode);
    event->SetParam(kCxEventParamGeneration, pf::kTypeUInt32, sHandlerCounterThingy.load());
    pf::MainLoop().PostResult(std::move(event));
}

void CxNoteJobQueued()
{
    pf::MainLoop().BeginWork();
}

void CxNoteJobDone()
{
    pf::MainLoop().EndWork();
}

pf::OSStatus CxEventProc(pf::HandlerCallRef, pf::Event& ioEvent)
{
    if (ioEvent.Class() != kCxEventClass || ioEvent.Kind() != kCxEventKindJobMessage)
    {
        return pf::kEventNotHandled;
    }
    CxJob* job = nullptr;
    if (ioEvent.GetParam(kCxEventParamJob, pf::FourCC("JOBP"), job) != pf::kNoErr || job == nullptr)
    {
        return pf::kEventNotHandled;
    }
    CxSint32 code = 0;
    if (ioEvent.GetParam(kCxEventParamCode, pf::FourCC("CMSG"), code) != pf::kNoErr)
    {
        code = 0;
    }
    // Posted before the handler was last installed (or without a generation): swallowed.
    CxUint32 generation = 0;
    if (ioEvent.GetParam(kCxEventParamGeneration, pf::kTypeUInt32, generation) != pf::kNoErr ||
        generation != sHandlerCounterThingy.load())
    {
        return pf::kNoErr;
    }
    // Its owner may have deleted the job after it posted: the message goes with it.
    CxUint32 serial = 0;
    const bool hasSerial = ioEvent.GetParam(kCxEventParamSerial, pf::kTypeUInt32, serial) == pf::kNoErr;
    if (!CxJob::IsLive(job, hasSerial ? &serial : nullptr))
    {
        return pf::kNoErr;
    }
    job->ReceiveMessage(code);
    return pf::kNoErr;
}
