// What the netCDF readers share: the library's one lock and the temporary file it reads from.
#pragma once

#include "CxFile.h"
#include "CxString.h"
#include "CxTypes.h"

#include <mutex>

class CxData;

// The most cells a netCDF reader (and any grid reader) accepts.
constexpr CxUint32 kDxMaxGridCells = CxUint32(1) << 24;

// The netCDF library is not thread-safe: every call into it is made while one of these lives.
class DxNetCDFLock
{
public:
    DxNetCDFLock();
    DxNetCDFLock(const DxNetCDFLock&) = delete;
    DxNetCDFLock& operator=(const DxNetCDFLock&) = delete;

private:
    std::lock_guard<std::mutex> mGuard;
};

// A copy of some data under a name in the user's temporary folder, deleted with the owner. File errors are
// reported as debug lines and leave it invalid, with nothing left on disk.
class DxTemporaryFile
{
public:
    DxTemporaryFile(const CxString& inName, CxData& ioData);
    ~DxTemporaryFile();
    DxTemporaryFile(const DxTemporaryFile&) = delete;
    DxTemporaryFile& operator=(const DxTemporaryFile&) = delete;

    bool IsValid() const { return mValid; }
    const CxFile& File() const { return mFile; }

private:
    CxFile mFile;
    bool mValid = false;
};
