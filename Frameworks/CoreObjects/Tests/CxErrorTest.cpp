#include "CxError.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// What _CxThrowError threw: the class name, and whether it was caught as a file error.
struct Caught
{
    std::string mClass;
    bool mAsFileError = false;
    std::string mFile;
    CxSint32 mLine = 0;
};

std::string Narrow(const CxString& inString)
{
    std::string text;
    for (CxUint32 i = 0; i < inString.Length(); ++i)
        text += char(inString[i]);
    return text;
}

Caught Throw(CxSint16 inStatus, const char* inFile = "src/Some/Where.cpp", int inLine = 7)
{
    Caught caught;
    try
    {
        try
        {
            _CxThrowError(inStatus, inFile, inLine);
            caught.mClass = "nothing";
        }
        catch (const CxErrorFile&)
        {
            caught.mAsFileError = true;
            throw;
        }
    }
    catch (const CxError& error)
    {
        caught.mClass = Narrow(error.Class());
        caught.mFile = Narrow(error.File());
        caught.mLine = error.Line();
    }
    return caught;
}

} // namespace

TEST(CxErrorTest, StatusesOfTheTable)
{
    struct Case
    {
        CxSint16 mStatus;
        const char* mClass;
    };
    // A few plain rows, two statuses that share a class with another, and the statuses beyond the classic range;
    // -53 sits beside -52, which has no class.
    const Case cases[] = {
        {-36, "CxErrorFileIO"},          {-43, "CxErrorFileNotFound"},    {-1300, "CxErrorFileNotFound"},
        {-54, "CxErrorFilePermissions"}, {-61, "CxErrorFilePermissions"}, {-120, "CxErrorDirectoryNotFound"},
        {-1302, "CxErrorNotAFile"},      {-1309, "CxErrorFileBounds"},    {-53, "CxErrorVolumeOffLine"},
    };
    for (const Case& test : cases)
    {
        const Caught caught = Throw(test.mStatus);
        EXPECT_EQ(caught.mClass, test.mClass) << test.mStatus;
        EXPECT_TRUE(caught.mAsFileError) << test.mStatus;
        EXPECT_EQ(caught.mFile, "Where.cpp") << test.mStatus;
        EXPECT_EQ(caught.mLine, 7) << test.mStatus;
    }
}

TEST(CxErrorTest, OtherStatusesThrowAPlainError)
{
    for (CxSint16 status : {-41, -108, -32, -55, -1303, 1, 32767, -32768})
    {
        const Caught caught = Throw(status);
        EXPECT_EQ(caught.mClass, "CxError") << status;
        EXPECT_FALSE(caught.mAsFileError) << status;
    }
    EXPECT_EQ(Throw(0).mClass, "nothing");

    EXPECT_NO_THROW(_CxThrowStatus(0, "F", 1));
    auto thrown = [](CxSint32 inStatus) -> std::string
    {
        try
        {
            _CxThrowStatus(inStatus, "a/F", 3);
        }
        catch (const CxErrorFile&)
        {
            return "a file error";
        }
        catch (const CxError& error)
        {
            return Narrow(error.AsString());
        }
        return "nothing";
    };
    for (CxSint32 status : {-43, 1, -2147483647 - 1})
        EXPECT_EQ(thrown(status), "CxError: F, line 3") << status;
}

TEST(CxErrorTest, CaughtAsEachBaseClass)
{
    EXPECT_THROW(throw CxErrorInvalidDate("x/y/Decoder.cpp", 12), CxErrorDate);
    try
    {
        throw CxErrorInvalidDate("x/y/Decoder.cpp", 12);
    }
    catch (const CxError& error)
    {
        EXPECT_EQ(Narrow(error.AsString()), "CxErrorInvalidDate: Decoder.cpp, line 12");
    }

    // A copy as the base class is a plain error; the fields go along.
    const CxError error = CxErrorFileNotFound("dir/F", 120);
    EXPECT_EQ(Narrow(error.Class()), "CxError");
    CxError copy("other", 1);
    copy = error;
    EXPECT_EQ(Narrow(copy.AsString()), "CxError: F, line 120");
    EXPECT_EQ(Narrow(CxErrorFileNotFound("dir/F", 120).AsString()), "CxErrorFileNotFound: F, line 120");
    EXPECT_EQ(Narrow(CxErrorFile("F", 1).Class()), "CxErrorFile");
    EXPECT_EQ(Narrow(CxErrorDate("F", 1).Class()), "CxErrorDate");
}

TEST(CxErrorTest, TheFileNameIsThePartAfterTheLastSlash)
{
    struct Case
    {
        const char* mPath;
        const char* mFile;
    };
    const Case cases[] = {{"/work/src/CxFile.cpp", "CxFile.cpp"},
                          {"CxFile.cpp", "CxFile.cpp"},
                          {"a/b/", ""},
                          {"/", ""},
                          {"", ""},
                          {nullptr, ""},
                          {"a\\b.cpp", "a\\b.cpp"}};
    for (const Case& test : cases)
    {
        const CxError error(test.mPath, -1);
        EXPECT_EQ(Narrow(error.File()), test.mFile) << (test.mPath ? test.mPath : "null");
        EXPECT_EQ(error.Line(), -1);
    }
}

TEST(CxErrorTest, DebugValueIsTheErrorText)
{
    CxDebugCapture capture;
    _CxDebug("src/Job.cpp", 5, "inError", CxErrorFileBusy("lib/Files.cpp", 44));
    ASSERT_EQ(capture.Count(), 1u);
    EXPECT_EQ(capture.Lines()[0], "Job.cpp, line 5: inError = CxErrorFileBusy: Files.cpp, line 44");
}
