#include "CxLog.h"

#include "CxError.h"

#include <memory>

CxLog::CxLog(const CxFile& inFile) : mFile(inFile) {}

void CxLog::Write(const CxString& inText, CxSint32 inLevel)
{
    const CxString line = inText + "\n";
    const std::unique_ptr<char[]> bytes(line.AsCString());
    CxAutoLock lock(mLock);
    if (mSuspended || (mLevel != 0 && mLevel < inLevel))
        return;
    try
    {
        CxFileSource file(mFile, kCxFileAccessWrite);
        file.SetPosition(file.Length());
        file.Write(bytes.get(), line.Length());
        if (mMaxSize != 0 && file.Length() > mMaxSize)
            file.SetLength(0);
    }
    catch (const CxError&)
    {
        // A missing file or a full disk: the line is lost, the caller goes on.
    }
}

void CxLog::Clear()
{
    CxAutoLock lock(mLock);
    try
    {
        CxFileSource file(mFile, kCxFileAccessWrite);
        file.SetLength(0);
    }
    catch (const CxError&)
    {
    }
}

void CxLog::SetLevel(CxSint32 inLevel)
{
    CxAutoLock lock(mLock);
    mLevel = inLevel;
}

CxSint32 CxLog::Level() const
{
    CxAutoLock lock(mLock);
    return mLevel;
}

void CxLog::SetMaxSize(CxUint32 inBytes)
{
    CxAutoLock lock(mLock);
    mMaxSize = inBytes;
}

void CxLog::Suspend()
{
    CxAutoLock lock(mLock);
    mSuspended = true;
}

void CxLog::Resume()
{
    CxAutoLock lock(mLock);
    mSuspended = false;
}

void CxLog::Reveal() const
{
    mFile.Reveal();
}
