#include "DxNetCDFSupport.h"

#include "CxDebug.h"
#include "CxError.h"

namespace
{

std::mutex gNetCDFMutex;

} // namespace

DxNetCDFLock::DxNetCDFLock() : mGuard(gNetCDFMutex) {}

DxTemporaryFile::DxTemporaryFile(const CxString& inName, CxData& ioData)
{
    try
    {
        mFile = CxFolder(kCxTemporaryFolder).CreateFile(inName);
        mFile.WriteContents(ioData);
        mValid = true;
    }
    catch (const CxError& inError)
    {
        _CxDebug(__FILE__, __LINE__, "DxTemporaryFile", inError);
    }
}

DxTemporaryFile::~DxTemporaryFile()
{
    if (mFile.GetRef().IsNull())
        return;
    try
    {
        mFile.Delete();
    }
    catch (const CxError& inError)
    {
        _CxDebug(__FILE__, __LINE__, "DxTemporaryFile", inError);
    }
}
