#include "GxTextEngine.h"

bool GxFontRegistry::Describe(CxUint32 inId, GxFontFace& outFace)
{
    pf::FontFace face;
    if (!pf::FontRegistry::Describe(inId, face))
        return false;
    outFace.mFile = face.mFile;
    outFace.mIndex = face.mIndex;
    outFace.mFullName = CxString::FromUtf8(face.mFullName.c_str());
    outFace.mFamily = CxString::FromUtf8(face.mFamily.c_str());
    return true;
}

std::shared_ptr<GxTextStyle> GxTextStyle::Make(CxUint32 inFontId, CxSint32 inPixelSize)
{
    FT_FaceRec_* face = OpenChecked(inFontId, inPixelSize);
    if (face == nullptr)
        return nullptr;
    return std::shared_ptr<GxTextStyle>(new GxTextStyle(inFontId, inPixelSize, face));
}
