#include "CxMime.h"
#include "CxString.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct Row
{
    const char* mMime;
    const char* mExtension;
    const char* mCreator; // "" for none
    const char* mType;
    const char* mDescription;
};

// The table as published, in its order.
const Row kRows[] = {
    {"application/netcdf", ".nc", "", "", "Network Common Data Format"},
    {"application/kts", ".kts", "", "TEXT", "Korvel Time Series"},
    {"application/kdf", ".kdf", "", "TEXT", "Korvel Data Format"},
    {"text/xkdf", ".xkdf", "", "TEXT", "Extensible Korvel Data Format"},
    {"text/xml", ".xml", "", "TEXT", "Extensible Markup Language"},
    {"text/vanedoc", ".vanedoc", "VDOC", "TEXT", "Vanelang"},
    {"text/wxml", ".wxml", "WxPL", "TEXT", "WxVane Plugin Document"},
    {"image/gif", ".gif", "prvw", "GIFf", "GIF Image"},
    {"image/jpeg", ".jpg", "prvw", "JPEG", "JPEG Image"},
    {"image/jpg", ".jpg", "prvw", "JPEG", "JPEG Image"},
    {"image/png", ".png", "prvw", "PNGf", "PNG Image"},
    {"image/x-sgi", ".sgi", "prvw", ".SGI", "SGI Image"},
    {"image/x-photoshop", ".psd", "prvw", "8BPS", "Photoshop Image"},
    {"image/x-macpaint", ".mac", "prvw", "PNTG", "MacPaint Image"},
    {"image/tiff", ".tif", "prvw", "TIFF", "TIFF Image"},
    {"image/x-targa", ".tga", "prvw", "TPIC", "Targa Image"},
    {"image/x-quicktime", ".qti", "prvw", "qtif", "QuickTime Image"},
    {"image/pdf", ".pdf", "prvw", "PDF ", "Adobe PDF"},
    {"image/x-pict", ".pict", "prvw", "PICT", "PICT Image"},
    {"image/jpeg2000-image", ".jp2", "prvw", "jp2 ", "JPEG 2000 Image"},
    {"image/x-jpeg2000-image", ".jp2", "prvw", "jp2 ", "JPEG 2000 Image"},
    {"image/jp2", ".jp2", "prvw", "jp2 ", "JPEG 2000 Image"},
    {"image/jpeg2000", ".jp2", "prvw", "jp2 ", "JPEG 2000 Image"},
    {"image/x-bmp", ".bmp", "prvw", "BMPf", "Bitmap Image"},
    {"image/nids", ".nids", "", "NIDS", "NEXRAD Level III"},
    {"image/nids-mosaic", ".nids", "", "NIDS", "NEXRAD National Mosaic"},
};

CxUint32 Code(const char* inText)
{
    return *inText == 0 ? 0 : CxString(inText).AsSignature();
}

void ExpectRow(const CxMimeInfo& inInfo, const Row& inRow, const std::string& inWhat)
{
    EXPECT_TRUE(inInfo.Mime() == inRow.mMime) << inWhat << ": " << inInfo.Mime();
    EXPECT_TRUE(inInfo.Extension() == inRow.mExtension) << inWhat;
    EXPECT_EQ(inInfo.Creator(), Code(inRow.mCreator)) << inWhat;
    EXPECT_EQ(inInfo.Type(), Code(inRow.mType)) << inWhat;
    EXPECT_TRUE(inInfo.Description() == inRow.mDescription) << inWhat;
}

} // namespace

TEST(CxMimeTest, EveryRowIsFoundByItsMime)
{
    for (const Row& row : kRows)
        ExpectRow(CxMimeInfo::FromMime(row.mMime), row, row.mMime);
    EXPECT_EQ(CxMimeInfo::FromMime("image/jpg").Type(), 0x4A504547u); // "JPEG" spelled out, not through the table
}

TEST(CxMimeTest, SharedKeysGiveTheFirstRowAndUnknownKeysNone)
{
    struct Case
    {
        const char* mExtension; // or null for a type lookup
        const char* mType;
        const char* mMime;
    };
    const Case cases[] = {
        {".jpg", nullptr, "image/jpeg"},
        {".jp2", nullptr, "image/jpeg2000-image"},
        {".nids", nullptr, "image/nids"},
        {".nc", nullptr, "application/netcdf"},
        {".png", nullptr, "image/png"},
        {nullptr, "TEXT", "application/kts"},
        {nullptr, "NIDS", "image/nids"},
        {nullptr, "jp2 ", "image/jpeg2000-image"},
        {nullptr, "PDF ", "image/pdf"},
        {nullptr, "JPEG", "image/jpeg"},
        {".PNG", nullptr, ""},
        {"", nullptr, ""}, // letter case counts
        {nullptr, "text", ""},
        {nullptr, "", "application/netcdf"}, // type 0: the first row without one
    };
    for (const Case& test : cases)
    {
        const CxMimeInfo info = test.mExtension != nullptr ? CxMimeInfo::FromExtension(test.mExtension)
                                                           : CxMimeInfo::FromType(Code(test.mType));
        EXPECT_TRUE(info.Mime() == test.mMime)
            << (test.mExtension ? test.mExtension : test.mType) << ": " << info.Mime();
    }
}

TEST(CxMimeTest, UnknownKeysGiveAnEntryHoldingOnlyTheKey)
{
    ExpectRow(CxMimeInfo::FromExtension(".PNG"), Row{"", ".PNG", "", "", ""}, ".PNG");
    ExpectRow(CxMimeInfo::FromMime("IMAGE/PNG"), Row{"IMAGE/PNG", "", "", "", ""}, "IMAGE/PNG");
    ExpectRow(CxMimeInfo::FromType(Code("text")), Row{"", "", "", "text", ""}, "text");
}

TEST(CxMimeTest, EqualityComparesTheMimeOnly)
{
    const CxMimeInfo a("image/png", ".png", 0, 0, "one");
    const CxMimeInfo b("image/png", ".other", 1, 2, "two");
    const CxMimeInfo c("image/PNG", ".png", 0, 0, "one");
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a.IsEqualTo(b));
    EXPECT_TRUE(a != c);
    const CxMimeInfo empty;
    EXPECT_TRUE(empty.Mime() == "" && empty.Extension() == "" && empty.Description() == "");
    EXPECT_EQ(empty.Creator() + empty.Type(), 0u);
}

TEST(CxMimeTest, RegisteredEntriesComeFirstAndReplaceEachOther)
{
    const CxMimeInfo builtIn = CxMimeInfo::FromMime("image/png");

    CxMimeInfo("image/png", ".pngx", Code("ABCD"), Code("PNGx"), "mine").Register();
    EXPECT_TRUE(CxMimeInfo::FromExtension(".pngx").Description() == "mine");
    EXPECT_TRUE(CxMimeInfo::FromMime("image/png").Description() == "mine");
    EXPECT_TRUE(CxMimeInfo::FromType(Code("PNGx")).Mime() == "image/png");
    EXPECT_TRUE(CxMimeInfo::FromExtension(".png").Description() == "PNG Image"); // the row still answers .png

    // A second entry of the same MIME type replaces the first.
    CxMimeInfo("image/png", ".pngy", 0, 0, "second").Register();
    EXPECT_TRUE(CxMimeInfo::FromMime("image/png").Description() == "second");
    EXPECT_TRUE(CxMimeInfo::FromExtension(".pngx").Mime() == "");
    EXPECT_TRUE(CxMimeInfo::FromExtension(".pngy").Description() == "second");

    // Registered entries win shared keys too, and a new MIME type is appended.
    CxMimeInfo("video/quicktime", ".jpg", 0, Code("TEXT"), "movie").Register();
    EXPECT_TRUE(CxMimeInfo::FromExtension(".jpg").Mime() == "video/quicktime");
    EXPECT_TRUE(CxMimeInfo::FromType(Code("TEXT")).Mime() == "video/quicktime");
    EXPECT_TRUE(CxMimeInfo::FromMime("image/jpeg").Extension() == ".jpg");

    // Leave the table as the other tests expect it.
    builtIn.Register();
    CxMimeInfo("video/quicktime", ".mov", 0, Code("MooV"), "movie").Register();
    EXPECT_TRUE(CxMimeInfo::FromExtension(".jpg").Mime() == "image/jpeg");
    ExpectRow(CxMimeInfo::FromMime("image/png"), kRows[10], "restored");
}
