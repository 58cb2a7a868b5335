// The data log: one text file where the data managers record their network requests, so that a user can see what
// was fetched and with which result. Every write goes through DxLog.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <mutex>

class CxLog;

// The process-wide owner of the data log; silent while no log is attached.
class DxLogger
{
public:
    static DxLogger& Instance();

    DxLogger(const DxLogger&) = delete;
    DxLogger& operator=(const DxLogger&) = delete;

    // Makes (or reopens) the file of that name in the user's log folder and attaches a log on it. A file error
    // is reported as a debug line and attaches nothing.
    void CreateLog(const CxString& inName);
    // Takes ownership; the log attached before is deleted. The same log again does nothing.
    void AttachLog(CxLog* inLog);
    // Gives the attached log back to the caller; any other log is reported and the attached one kept.
    void DetachLog(CxLog* inLog);
    // Through the attached log, if any.
    void Write(const CxString& inMessage, CxSint32 inLevel);
    // The attached log or null; it stays valid only until the next attach.
    CxLog* Log() const;

private:
    DxLogger() = default;
    ~DxLogger();

    // Job threads write while the main thread may attach: the pointer is read and replaced only under it.
    mutable std::mutex mLock;
    CxLog* mLog = nullptr; // owned
};

// The one entry to the data log.
void DxLog(const CxString& inMessage, CxSint32 inLevel);
