// The four names of a kind of file: MIME type, extension (with its dot), four-character creator and type codes,
// and a description. Lookups search the entries registered at run time first, then the built-in table, and always
// answer: for an unknown key, an entry holding only that key.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

class CxMimeInfo
{
public:
    CxMimeInfo() = default;
    // Four-character codes hold the first character in the most significant byte; 0 for none.
    CxMimeInfo(const CxString& inMime, const CxString& inExtension, CxUint32 inCreator, CxUint32 inType,
               const CxString& inDescription);

    static CxMimeInfo FromMime(const CxString& inMime);
    // The extension with its dot, compared exactly (letter case counts).
    static CxMimeInfo FromExtension(const CxString& inExtension);
    static CxMimeInfo FromType(CxUint32 inType);

    // Replaces a registered entry of the same MIME type, or appends. Safe against lookups on other threads.
    void Register() const;

    const CxString& Mime() const { return mMime; }
    const CxString& Extension() const { return mExtension; }
    CxUint32 Creator() const { return mCreator; }
    CxUint32 Type() const { return mType; }
    const CxString& Description() const { return mDescription; }

    // The MIME types only, exactly.
    bool IsEqualTo(const CxMimeInfo& inOther) const { return mMime == inOther.mMime; }
    bool operator==(const CxMimeInfo& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const CxMimeInfo& inOther) const { return !IsEqualTo(inOther); }

private:
    CxString mMime;
    CxString mExtension;
    CxUint32 mCreator = 0;
    CxUint32 mType = 0;
    CxString mDescription;
};
