// A font: a font id of the text engine and a size in points. Points are pixels here (72 dpi), and the text style is
// made 2 points larger than the size, the size every legend and label was laid out for.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <memory>

class XmlBuilder;
class XmlElement;

// A font at a pixel size, as the platform's text engine makes it; shared by the fonts and strings that use it.
class GxTextStyle;
using GxTextStyleRef = std::shared_ptr<GxTextStyle>;

// The classic style bits. Only bold and italic change the face; underline, condensed and extended are not drawn.
enum GxFontStyleBits : CxUint8
{
    kGxFontBold = 1,
    kGxFontItalic = 2,
    kGxFontUnderline = 4,
    kGxFontCondensed = 32,
    kGxFontExtended = 64
};

class GxFont
{
public:
    // Id 0, size 0: the default font, not valid.
    GxFont() = default;
    // The face whose full name this is; an unknown name gives the default font.
    GxFont(const CxString& inName, CxSint16 inSize);
    GxFont(CxUint32 inId, CxSint16 inSize);
    // Id and size only: the style is made again on demand.
    GxFont(const GxFont& inFont);
    GxFont& operator=(const GxFont& inFont);

    bool IsEqualTo(const GxFont& inFont) const { return mId == inFont.mId && mSize == inFont.mSize; }
    bool operator==(const GxFont& inFont) const { return IsEqualTo(inFont); }
    bool operator!=(const GxFont& inFont) const { return !IsEqualTo(inFont); }

    bool IsValid() const { return mSize > 0; }
    CxUint32 Id() const { return mId; }
    CxSint16 Size() const { return mSize; }

    // The style at size + 2, made on first use; null when it cannot be made (unknown id, size not above 0).
    const GxTextStyleRef& GetAtsuStyle() const;
    // A style of the font at size + 2 into outStyle; false, leaving outStyle alone, when none can be made.
    static bool MakeAtsuStyle(CxUint32 inId, CxSint16 inSize, GxTextStyleRef& outStyle);

    // <font name="full name" size="10"/>
    void Externalize(XmlBuilder& ioBuilder) const;
    // Reads "size" and "name"; an unknown name keeps the id. The style is made anew.
    void Internalize(const XmlElement* inXml);

private:
    mutable GxTextStyleRef mStyle;
    mutable bool mStyleTried = false;
    CxUint32 mId = 0;
    CxSint16 mSize = 0;
};

// A style from a font family (0, or any unknown number, is the default font; otherwise a font id), the classic
// style bits and a size in points, used as given. False, leaving outStyle alone, when none can be made.
bool MakeATSUIStyle(CxSint16 inFamily, CxUint8 inStyle, CxSint16 inSize, GxTextStyleRef& outStyle);
