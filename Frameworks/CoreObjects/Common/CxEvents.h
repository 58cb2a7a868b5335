// Carries a job's messages to the main thread: CxJob::PostMessage posts an event that the handler installed here
// turns into the job's OnReceiveMessage, on the thread that pumps the main loop, in posting order.
#pragma once

#include "CxTypes.h"

class CxJob;

// Installs the handler on the application's target, with a new generation; events posted before are dropped.
// Installing again replaces the handler. Main thread. Answers the platform's status.
CxSint32 CxInstallEventHandler();
// Removes the handler; the generation is kept. Main thread. Answers the platform's status.
CxSint32 CxRemoveEventHandler();
// Any thread. Without a handler this is reported, and the event is posted anyway. The message counts as a job in
// flight until its handling has returned.
void CxDispatchEvent(CxJob* inJob, CxSint32 inCode);
// The same for a job that may be deleted as soon as this is called: it is not touched, its serial is given.
void CxDispatchEvent(CxJob* inJob, CxUint32 inSerial, CxSint32 inCode);
// Any thread: a job entered the queue, or left the dispatcher's hands (run, cancelled or taken out). The main loop
// counts it in flight meanwhile, so a driver of the loop can wait for the jobs as well as for their messages.
void CxNoteJobQueued();
void CxNoteJobDone();
