#include "GxSymbol.h"

#include "GxContext.h"
#include "GxCoordinates.h"

#include <GL/gl.h>

#include <map>

namespace
{

// Filled on first use; the function-local static makes that one-time and thread-safe.
const std::map<CxString, CxSint32>& SymbolNames()
{
    static const std::map<CxString, CxSint32> sNames = {
        {CxString("none"), kGxSymbolNone},
        {CxString("solidCircle"), kGxSymbolSolidCircle},
        {CxString("circle"), kGxSymbolCircle},
        {CxString("solidSquare"), kGxSymbolSolidSquare},
        {CxString("square"), kGxSymbolSquare},
        {CxString("solidTriangleUp"), kGxSymbolSolidTriangleUp},
        {CxString("triangleUp"), kGxSymbolTriangleUp},
        {CxString("solidTriangleDown"), kGxSymbolSolidTriangleDown},
        {CxString("triangleDown"), kGxSymbolTriangleDown},
        {CxString("solidDiamond"), kGxSymbolSolidDiamond},
        {CxString("diamond"), kGxSymbolDiamond},
        {CxString("cross"), kGxSymbolCross},
        {CxString("x"), kGxSymbolX},
        {CxString("star"), kGxSymbolStar},
        {CxString("korvel"), kGxSymbolKorvel},
        {CxString("bolt1"), kGxSymbolBolt1},
        {CxString("bolt2"), kGxSymbolBolt2},
    };
    return sNames;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// GxSymbol

GxSymbol::GxSymbol(const CxString& inName)
{
    const auto& names = SymbolNames();
    const auto found = names.find(inName);
    mOffset = found != names.end() ? found->second : names.begin()->second;
}

void GxSymbol::Draw(GxContext& ioContext, const GxPoint& inPoint, double inSize) const
{
    if (mOffset == kGxSymbolNone)
        return;
    glPushMatrix();
    glTranslated(inPoint.mX, inPoint.mY, 0.0);
    glScaled(inSize, inSize, inSize);
    const unsigned int texture = ioContext.GetSymbolTexture();
    if (texture != 0)
    {
        const double s0 = mOffset / double(kGxSymbolCellCount);
        const double s1 = (mOffset + 0.99) / double(kGxSymbolCellCount);
        glBindTexture(GL_TEXTURE_2D, texture);
        glBegin(GL_QUADS);
        glTexCoord2d(s0, 0.0);
        glVertex2d(-1.0, -1.0);
        glTexCoord2d(s1, 0.0);
        glVertex2d(1.0, -1.0);
        glTexCoord2d(s1, 1.0);
        glVertex2d(1.0, 1.0);
        glTexCoord2d(s0, 1.0);
        glVertex2d(-1.0, 1.0);
        glEnd();
    }
    glPopMatrix();
}
