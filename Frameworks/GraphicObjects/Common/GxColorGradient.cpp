#include "GxColorGradient.h"

#include "CxDebug.h"
#include "GxContext.h"
#include "GxSymbol.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>

namespace
{

// Without the range check of the four-double constructor: interpolated channels may stray by a rounding error.
GxColor Blend(const GxColor& inBase, const GxColor& inStep, double inCount)
{
    GxColor color;
    color.mRed = inBase.mRed + inCount * inStep.mRed;
    color.mGreen = inBase.mGreen + inCount * inStep.mGreen;
    color.mBlue = inBase.mBlue + inCount * inStep.mBlue;
    color.mAlpha = inBase.mAlpha + inCount * inStep.mAlpha;
    return color;
}

} // namespace

GxColorPoint::~GxColorPoint() = default;

void GxColorPoint::Draw(GxContext& ioContext) const
{
    if (mIndex == 1 || mIndex == 254)
    {
        const GxSymbol square(CxString("solidSquare"));
        const GxPoint raised(mPosition.mX, mPosition.mY + 5.0);
        glColor4d(0.0, 0.0, 0.0, 1.0);
        square.Draw(ioContext, raised, 6.0);
        if (!mSelected)
        {
            glColor4d(1.0, 1.0, 1.0, 1.0);
            square.Draw(ioContext, raised, 5.0);
        }
        return;
    }

    // The caller's texturing state and binding survive the marker, and the first load of the texture.
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT);
    const unsigned int texture = ioContext.GetTexture(CxString(mSelected ? "GxPlayhead" : "GxPlayheadDefault"), true);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    const double left = mPosition.mX - 8.0;
    const double bottom = mPosition.mY;
    glBegin(GL_QUADS);
    glTexCoord2d(0.0, 0.0);
    glVertex2d(left, bottom);
    glTexCoord2d(1.0, 0.0);
    glVertex2d(left + 16.0, bottom);
    glTexCoord2d(1.0, 1.0);
    glVertex2d(left + 16.0, bottom + 16.0);
    glTexCoord2d(0.0, 1.0);
    glVertex2d(left, bottom + 16.0);
    glEnd();
    glPopAttrib();
}

GxColorGradient::GxColorGradient() : GxColorGradient(GxColorTableId(kGxDefaultColors256)) {}

GxColorGradient::GxColorGradient(const GxColor& inColor)
{
    SetColorKey(1, inColor);
    SetColorKey(254, inColor);
}

GxColorGradient::GxColorGradient(GxColorTableId inId)
{
    if (inId == kGxGradientColors256)
    {
        SetColorKey(1, GxColor(CxString("#0000FFFF")));
        SetColorKey(66, GxColor(CxString("#00F1F8FF")));
        SetColorKey(126, GxColor(CxString("#1BEF00FF")));
        SetColorKey(173, GxColor(CxString("#FFFF00FF")));
        SetColorKey(254, GxColor(CxString("#FF0C00FF")));
    }
    else
    {
        SetColorKey(1, GxColor(1.0, 0.0, 0.0, 1.0));
        SetColorKey(254, GxColor(0.0, 0.0, 1.0, 1.0));
    }
}

GxColorGradient::GxColorGradient(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    for (const XmlElement* child : inXml->GetElements())
    {
        if (child->Name() != "colorKey")
            continue;
        GxColorPoint key(child->GetAttribute("index").AsSint32());
        key.SetColor(GxColor(child->GetAttribute("color")));
        const CxString smoothed = child->GetAttribute("smoothed");
        key.SetSmoothed(smoothed.Length() == 0 || smoothed.AsBool());
        mKeys.insert_or_assign(key.Index(), key);
    }
}

void GxColorGradient::SetColorKey(CxSint32 inIndex, const GxColor& inColor)
{
    GxColorPoint key(inIndex);
    key.SetColor(inColor);
    mKeys.insert_or_assign(inIndex, key);
}

void GxColorGradient::DeselectAll()
{
    for (auto& [index, key] : mKeys)
        key.Deselect();
}

GxColorTable GxColorGradient::GenerateColors() const
{
    GxColorTable table;
    table.clear();
    if (mKeys.empty())
        return table;

    // In 64 bits: keys from a damaged document may lie billions apart.
    const CxSint64 first = mKeys.begin()->first;
    const CxSint64 last = mKeys.rbegin()->first;
    if (last - first + 2 > kMaxEntries)
    {
        _CxDebugOut(__FILE__, __LINE__, "colour gradient too wide", CxString(last - first + 2).AsUtf8().c_str());
        return table;
    }

    table.push_back(mKeys.begin()->second.Color());
    for (auto a = mKeys.begin(), b = std::next(a); b != mKeys.end(); a = b++)
    {
        const GxColorPoint& from = a->second;
        const CxSint64 count = CxSint64(b->first) - a->first;
        if (!from.IsSmoothed())
        {
            for (CxSint64 i = 0; i < count; ++i)
                table.push_back(from.Color());
            continue;
        }
        const GxColor& to = b->second.Color();
        const double d = double(count);
        GxColor step;
        step.mRed = (to.mRed - from.Color().mRed) / d;
        step.mGreen = (to.mGreen - from.Color().mGreen) / d;
        step.mBlue = (to.mBlue - from.Color().mBlue) / d;
        step.mAlpha = (to.mAlpha - from.Color().mAlpha) / d;
        for (CxSint64 i = 0; i < count; ++i)
            table.push_back(Blend(from.Color(), step, double(i)));
    }
    table.push_back(mKeys.rbegin()->second.Color());
    return table;
}

void GxColorGradient::Externalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin("colorGradient");
    for (const auto& [index, key] : mKeys)
    {
        ioBuilder.Begin("colorKey");
        ioBuilder.Attribute("index", CxString(index));
        ioBuilder.Attribute("color", key.Color().AsString());
        if (!key.IsSmoothed())
            ioBuilder.Attribute("smoothed", "false");
        ioBuilder.End("colorKey");
    }
    ioBuilder.End("colorGradient");
}
