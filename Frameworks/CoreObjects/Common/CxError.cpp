#include "CxError.h"

#include "CxDebug.h"

#include <cstring>

CxError::CxError(const char* inFile, int inLine) : mLine(inLine)
{
    if (inFile != nullptr)
    {
        const char* slash = std::strrchr(inFile, '/');
        mFile = CxString(slash != nullptr ? slash + 1 : inFile);
    }
}

CxError::~CxError() = default;

CxString CxError::Class() const
{
    return CxString("CxError");
}

CxString CxError::AsString() const
{
    return Class() + ": " + mFile + ", line " + CxString(mLine);
}

void _CxThrowError(CxSint16 inStatus, const char* inFile, int inLine)
{
    switch (inStatus)
    {
    case 0:
        return;
    case -36:
        throw CxErrorFileIO(inFile, inLine);
    case -37:
        throw CxErrorBadFileName(inFile, inLine);
    case -38:
        throw CxErrorFileNotOpen(inFile, inLine);
    case -39:
        throw CxErrorFileEnd(inFile, inLine);
    case -40:
        throw CxErrorMarkBeforeStartOfFile(inFile, inLine);
    case -42:
        throw CxErrorTooManyFilesOpen(inFile, inLine);
    case -43:
    case -1300:
        throw CxErrorFileNotFound(inFile, inLine);
    case -44:
    case -46:
        throw CxErrorVolumeLocked(inFile, inLine);
    case -45:
        throw CxErrorFileLocked(inFile, inLine);
    case -47:
        throw CxErrorFileBusy(inFile, inLine);
    case -48:
    case -1301:
        throw CxErrorFileAlreadyExists(inFile, inLine);
    case -49:
        throw CxErrorFileAlreadyOpen(inFile, inLine);
    case -50:
        throw CxErrorFileParam(inFile, inLine);
    case -51:
        throw CxErrorFileBadRefNum(inFile, inLine);
    case -53:
        throw CxErrorVolumeOffLine(inFile, inLine);
    case -54:
    case -61:
        throw CxErrorFilePermissions(inFile, inLine);
    case -35:
    case -56:
    case -124:
        throw CxErrorVolumeNotFound(inFile, inLine);
    case -34:
        throw CxErrorVolumeFull(inFile, inLine);
    case -33:
        throw CxErrorDirectoryFull(inFile, inLine);
    case -120:
        throw CxErrorDirectoryNotFound(inFile, inLine);
    case -1302:
        throw CxErrorNotAFile(inFile, inLine);
    case -1309:
        throw CxErrorFileBounds(inFile, inLine);
    default:
        throw CxError(inFile, inLine);
    }
}

void _CxThrowStatus(CxSint32 inStatus, const char* inFile, int inLine)
{
    if (inStatus != 0)
        throw CxError(inFile, inLine);
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, const CxError& inError)
{
    _CxDebug(inFile, inLine, inName, inError.AsString());
}
