// A size-limited, level-filtered text log. The file is opened and closed for every write, so nothing stays open
// between writes; a write that takes the file past its limit empties the whole file, that line included.
#pragma once

#include "CxCriticalRegion.h"
#include "CxFile.h"
#include "CxString.h"
#include "CxTypes.h"

class CxLog
{
public:
    // The file must exist: its creator makes it. Writes to a missing file are dropped.
    explicit CxLog(const CxFile& inFile);
    CxLog(const CxLog&) = delete;
    CxLog& operator=(const CxLog&) = delete;

    // Appends the text and a line feed as 8-bit text (units above 127 as '*') when the log's level is 0 or at
    // least the message's. File errors drop the line; nothing is thrown.
    void Write(const CxString& inText, CxSint32 inLevel);
    // Empties the file; file errors are swallowed.
    void Clear();

    void SetLevel(CxSint32 inLevel);
    CxSint32 Level() const;
    // 0: no limit.
    void SetMaxSize(CxUint32 inBytes);
    // A suspended log drops every write.
    void Suspend();
    void Resume();

    // Opens the file with the desktop's opener.
    void Reveal() const;

private:
    mutable CxCriticalRegion mLock;
    CxFile mFile;
    CxSint32 mLevel = 0;
    CxUint32 mMaxSize = 102400;
    bool mSuspended = false;
};
