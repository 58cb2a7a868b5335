// The exceptions of the system: failures of files, folders, volumes and dates. An error carries where it was
// raised and its class; the class says what went wrong. Thrown and caught by value.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

class CxError
{
public:
    // Keeps the part of inFile after its last "/".
    CxError(const char* inFile, int inLine);
    CxError(const CxError&) = default;
    CxError& operator=(const CxError&) = default;
    virtual ~CxError();

    // The class's own name.
    virtual CxString Class() const;

    const CxString& File() const { return mFile; }
    CxSint32 Line() const { return mLine; }
    // "Class: file, line N".
    CxString AsString() const;

private:
    CxString mFile;
    CxSint32 mLine;
};

#define CX_DECLARE_ERROR_CLASS(inName, inBase)                                                                         \
    class inName : public inBase                                                                                       \
    {                                                                                                                  \
    public:                                                                                                            \
        inName(const char* inFile, int inLine) : inBase(inFile, inLine) {}                                             \
        ~inName() override = default;                                                                                  \
        CxString Class() const override { return CxString(#inName); }                                                  \
    };

// File, volume and folder errors; the base is never raised by itself.
CX_DECLARE_ERROR_CLASS(CxErrorFile, CxError)
CX_DECLARE_ERROR_CLASS(CxErrorFileIO, CxErrorFile)                // -36
CX_DECLARE_ERROR_CLASS(CxErrorBadFileName, CxErrorFile)           // -37
CX_DECLARE_ERROR_CLASS(CxErrorFileNotOpen, CxErrorFile)           // -38
CX_DECLARE_ERROR_CLASS(CxErrorFileEnd, CxErrorFile)               // -39
CX_DECLARE_ERROR_CLASS(CxErrorMarkBeforeStartOfFile, CxErrorFile) // -40
CX_DECLARE_ERROR_CLASS(CxErrorTooManyFilesOpen, CxErrorFile)      // -42
CX_DECLARE_ERROR_CLASS(CxErrorFileNotFound, CxErrorFile)          // -43, -1300
CX_DECLARE_ERROR_CLASS(CxErrorVolumeLocked, CxErrorFile)          // -44, -46
CX_DECLARE_ERROR_CLASS(CxErrorFileLocked, CxErrorFile)            // -45
CX_DECLARE_ERROR_CLASS(CxErrorFileBusy, CxErrorFile)              // -47
CX_DECLARE_ERROR_CLASS(CxErrorFileAlreadyExists, CxErrorFile)     // -48, -1301
CX_DECLARE_ERROR_CLASS(CxErrorFileAlreadyOpen, CxErrorFile)       // -49
CX_DECLARE_ERROR_CLASS(CxErrorFileParam, CxErrorFile)             // -50
CX_DECLARE_ERROR_CLASS(CxErrorFileBadRefNum, CxErrorFile)         // -51
CX_DECLARE_ERROR_CLASS(CxErrorVolumeOffLine, CxErrorFile)         // -53
CX_DECLARE_ERROR_CLASS(CxErrorFilePermissions, CxErrorFile)       // -54, -61
CX_DECLARE_ERROR_CLASS(CxErrorVolumeNotFound, CxErrorFile)        // -35, -56, -124
CX_DECLARE_ERROR_CLASS(CxErrorVolumeFull, CxErrorFile)            // -34
CX_DECLARE_ERROR_CLASS(CxErrorDirectoryFull, CxErrorFile)         // -33
CX_DECLARE_ERROR_CLASS(CxErrorDirectoryNotFound, CxErrorFile)     // -120
CX_DECLARE_ERROR_CLASS(CxErrorNotAFile, CxErrorFile)              // -1302: a folder where a file was expected
CX_DECLARE_ERROR_CLASS(CxErrorFileBounds, CxErrorFile)            // -1309

// Date errors.
CX_DECLARE_ERROR_CLASS(CxErrorDate, CxError)
CX_DECLARE_ERROR_CLASS(CxErrorInvalidDate, CxErrorDate) // a date that cannot be represented

// Nothing for 0; otherwise throws the class of the file status (the classic File Manager codes in the comments
// above), or a plain CxError for any other status.
void _CxThrowError(CxSint16 inStatus, const char* inFile, int inLine);

// Nothing for 0; otherwise throws a plain CxError (statuses of other services).
void _CxThrowStatus(CxSint32 inStatus, const char* inFile, int inLine);

// Reports the error's AsString() as a debug value.
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, const CxError& inError);
