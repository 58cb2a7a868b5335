// The handler behind CxInstallEventHandler and the layout of its events.
#pragma once

#include "CxTypes.h"
#include "PfEventTarget.h"

constexpr pf::FourCharCode kCxEventClass = pf::FourCC("CORE");
constexpr std::uint32_t kCxEventKindJobMessage = 1;
constexpr pf::FourCharCode kCxEventParamJob = pf::FourCC("JOBP");        // CxJob*, of type 'JOBP'
constexpr pf::FourCharCode kCxEventParamCode = pf::FourCC("CMSG");       // CxSint32, of type 'CMSG'
constexpr pf::FourCharCode kCxEventParamGeneration = pf::FourCC("HACK"); // CxUint32, of type 'magn'
constexpr pf::FourCharCode kCxEventParamSerial = pf::FourCC("JOBS");     // CxUint32, of type 'magn'

// Calls the job's ReceiveMessage for a ('CORE', 1) event of the current generation whose job still lives (the
// same job, by its serial, when the event carries one); a message for a deleted job is dropped.
pf::OSStatus CxEventProc(pf::HandlerCallRef inCall, pf::Event& ioEvent);
