// Wind barbs, arrows and turbulence glyphs in immediate mode.

#include "GxCoordinates.h"
#include "GxSymbol.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace
{

void Line(double inX1, double inY1, double inX2, double inY2)
{
    glVertex2d(inX1, inY1);
    glVertex2d(inX2, inY2);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// GxTurbulence

void GxTurbulence::Draw(const GxPoint& inPoint, double inScale) const
{
    if (mIntensity > 10)
        return;
    glPushAttrib(GL_CURRENT_BIT | GL_LINE_BIT);
    glLineWidth(1.0f);
    glPushMatrix();
    glTranslated(inPoint.mX, inPoint.mY, 0.0);
    glScaled(inScale, inScale, inScale);
    glTranslated(0.5, 0.0, 0.0);
    switch (mIntensity)
    {
    case 0:
        glBegin(GL_LINES);
        Line(0.0, 0.5, 1.2, 0.5);
        Line(0.0, 0.0, 1.2, 0.0);
        glEnd();
        break;
    case 1:
    case 2:
        glBegin(GL_LINES);
        Line(0.0, 1.0, 0.5, 0.0);
        glEnd();
        break;
    case 3:
    case 4:
        glBegin(GL_LINE_STRIP);
        glVertex2d(-0.5, 0.0);
        glVertex2d(0.0, 1.0);
        glVertex2d(0.5, 0.0);
        glEnd();
        break;
    case 5:
    case 6:
        glBegin(GL_LINES);
        Line(0.0, 1.0, 0.5, 0.0);
        Line(0.5, 1.0, 1.0, 0.0);
        glEnd();
        break;
    case 7:
    case 8:
        glBegin(GL_LINE_STRIP);
        glVertex2d(-1.3, 0.0);
        glVertex2d(-0.5, 0.0);
        glVertex2d(0.0, 1.0);
        glVertex2d(0.5, 0.0);
        glVertex2d(1.2, 0.0);
        glEnd();
        break;
    default: // 9 and 10
        glBegin(GL_LINE_STRIP);
        glVertex2d(-0.5, 1.0);
        glVertex2d(0.0, 2.0);
        glVertex2d(0.5, 1.0);
        glEnd();
        glBegin(GL_LINE_STRIP);
        glVertex2d(-1.3, 0.0);
        glVertex2d(-0.5, 0.0);
        glVertex2d(0.0, 1.0);
        glVertex2d(0.5, 0.0);
        glVertex2d(1.3, 0.0);
        glEnd();
        break;
    }
    glPopMatrix();
    glPopAttrib();
}

// ---------------------------------------------------------------------------------------------------------------
// GxVector drawing

void GxVector::DrawBarb(const GxPoint& inPoint, double inScale, double inIncrement) const
{
    const double speed = Magnitude();
    const double direction = DirectionAsDegrees();
    if (std::isnan(speed) || std::isnan(direction))
        return;
    // An increment that is not above 0 would divide by zero; a count past 32 bits cannot be drawn.
    if (!(inIncrement > 0.0))
        return;
    const double count = std::trunc((inIncrement / 2.0 + speed) / inIncrement);
    if (!(count >= 0.0 && count <= 2147483647.0))
        return;
    const CxSint32 n = static_cast<CxSint32>(count);
    const CxSint32 shortBarbs = n % 2;
    const CxSint32 longBarbs = (n / 2) % 5;
    const CxSint32 pennants = (n / 2) / 5;

    glPushMatrix();
    glTranslated(inPoint.mX, inPoint.mY, 0.0);
    if (n != 0)
        glRotated(-direction, 0.0, 0.0, 1.0);
    glScaled(inScale, inScale, inScale);
    if (n == 0)
    {
        // Calm: a circle of 16 segments from the top, clockwise.
        glScaled(0.44, 0.44, 0.44);
        glBegin(GL_LINE_STRIP);
        for (int i = 0; i <= 16; ++i)
        {
            const double angle = i * 22.5 * kGxPi / 180.0;
            glVertex2d(std::sin(angle), std::cos(angle));
        }
        glEnd();
    }
    else
    {
        const float stem = std::max(2.0f, pennants * 0.7f + (longBarbs + shortBarbs) * 0.3f);
        glBegin(GL_LINES);
        Line(0.0, 0.0, 0.0, stem);
        glEnd();
        glTranslated(0.0, stem, 0.0);
        for (CxSint32 i = 0; i < pennants; ++i)
        {
            glBegin(GL_TRIANGLES);
            glVertex2d(0.0, 0.0);
            glVertex2d(0.82, 0.0);
            glVertex2d(0.0, -0.48);
            glEnd();
            glTranslated(0.0, -0.6, 0.0);
        }
        if (pennants > 0)
            glTranslated(0.0, -0.1, 0.0);
        if (longBarbs + shortBarbs > 0)
        {
            double y = 0.0;
            glBegin(GL_LINES);
            for (CxSint32 i = 0; i < longBarbs; ++i)
            {
                Line(0.0, y, 0.8660254, y + 0.5);
                y -= 0.3;
            }
            if (pennants == 0 && longBarbs == 0)
                y -= 0.4;
            for (CxSint32 i = 0; i < shortBarbs; ++i)
            {
                Line(0.0, y, 0.4330127, y + 0.25);
                y -= 0.25;
            }
            glEnd();
        }
    }
    glPopMatrix();
}

void GxVector::DrawArrow(GxContext&, const GxPoint& inPoint, double inScale) const
{
    const double speed = Magnitude();
    const double direction = DirectionAsDegrees();
    if (std::isnan(speed) || std::isnan(direction) || !(speed > 0.0))
        return;
    glPushMatrix();
    glTranslated(inPoint.mX, inPoint.mY, 0.0);
    glRotated(-direction, 0.0, 0.0, 1.0);
    glScaled(inScale, inScale, inScale);
    glBegin(GL_LINES);
    Line(0.0, 0.0, 0.0, speed);
    Line(0.0, 0.0, 0.1 * speed, 0.2 * speed);
    Line(0.0, 0.0, -0.1 * speed, 0.2 * speed);
    glEnd();
    glPopMatrix();
}
