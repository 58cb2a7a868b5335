#include "DxLogger.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxFile.h"
#include "CxLog.h"

DxLogger& DxLogger::Instance()
{
    static DxLogger sInstance;
    return sInstance;
}

DxLogger::~DxLogger()
{
    delete mLog;
}

void DxLogger::CreateLog(const CxString& inName)
{
    CxFile file;
    try
    {
        file = CxFolder(kCxLogsFolder).CreateFile(inName);
    }
    catch (const CxError& inError)
    {
        _CxDebug(__FILE__, __LINE__, "DxLogger", inError);
        return;
    }
    AttachLog(new CxLog(file));
}

void DxLogger::AttachLog(CxLog* inLog)
{
    CxLog* old = nullptr;
    {
        std::lock_guard<std::mutex> lock(mLock);
        if (inLog == mLog)
            return;
        old = mLog;
        mLog = inLog;
    }
    delete old;
}

void DxLogger::DetachLog(CxLog* inLog)
{
    std::lock_guard<std::mutex> lock(mLock);
    CxAssert(mLog == inLog);
    if (mLog == inLog)
        mLog = nullptr;
}

void DxLogger::Write(const CxString& inMessage, CxSint32 inLevel)
{
    // Held through the write, so an attach cannot delete the log under it.
    std::lock_guard<std::mutex> lock(mLock);
    if (mLog != nullptr)
        mLog->Write(inMessage, inLevel);
}

CxLog* DxLogger::Log() const
{
    std::lock_guard<std::mutex> lock(mLock);
    return mLog;
}

void DxLog(const CxString& inMessage, CxSint32 inLevel)
{
    DxLogger::Instance().Write(inMessage, inLevel);
}
