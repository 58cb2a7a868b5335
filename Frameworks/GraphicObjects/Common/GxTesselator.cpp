#include "GxTesselator.h"

#include "CxDebug.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#ifndef CALLBACK
#define CALLBACK GLAPIENTRY
#endif

namespace
{

void CALLBACK OnBegin(GLenum inType)
{
    glBegin(inType);
}

void CALLBACK OnVertex(void* inData)
{
    glVertex3dv(static_cast<const GLdouble*>(inData));
}

void CALLBACK OnEnd()
{
    glEnd();
}

// A vertex where edges cross: a copy of its coordinates, kept until the polygon ends.
void CALLBACK OnCombine(GLdouble inCoordinates[3], void* /*inVertexData*/[4], GLfloat /*inWeight*/[4], void** outData,
                        void* inPolygonData)
{
    double* vertex = new double[3]{inCoordinates[0], inCoordinates[1], inCoordinates[2]};
    static_cast<GxTesselator*>(inPolygonData)->PushVertexPointer(vertex);
    *outData = vertex;
}

// Errors are not reported: a contour GLU cannot use simply draws nothing.
void CALLBACK OnError(GLenum) {}

} // namespace

GxTesselator::GxTesselator() : mTesselator(gluNewTess())
{
    CxAssertText(mTesselator != nullptr, "mTesselator != nil");
    if (mTesselator == nullptr)
        return;
    gluTessCallback(mTesselator, GLU_TESS_BEGIN, reinterpret_cast<_GLUfuncptr>(&OnBegin));
    gluTessCallback(mTesselator, GLU_TESS_VERTEX, reinterpret_cast<_GLUfuncptr>(&OnVertex));
    gluTessCallback(mTesselator, GLU_TESS_END, reinterpret_cast<_GLUfuncptr>(&OnEnd));
    gluTessCallback(mTesselator, GLU_TESS_ERROR, reinterpret_cast<_GLUfuncptr>(&OnError));
    gluTessCallback(mTesselator, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&OnCombine));
}

GxTesselator::~GxTesselator()
{
    if (mTesselator != nullptr)
        gluDeleteTess(mTesselator);
    FreeVertexArrays();
}

void GxTesselator::BeginPolygon()
{
    if (mTesselator != nullptr)
        gluTessBeginPolygon(mTesselator, this);
}

void GxTesselator::BeginContour()
{
    if (mTesselator != nullptr)
        gluTessBeginContour(mTesselator);
}

void GxTesselator::AcceptVertex(double* inCoordinates, void* inData)
{
    if (mTesselator == nullptr || !std::isfinite(inCoordinates[0]) || !std::isfinite(inCoordinates[1]) ||
        !std::isfinite(inCoordinates[2]))
        return;
    gluTessVertex(mTesselator, inCoordinates, inData);
}

void GxTesselator::EndContour()
{
    if (mTesselator != nullptr)
        gluTessEndContour(mTesselator);
}

void GxTesselator::EndPolygon()
{
    if (mTesselator != nullptr)
        gluTessEndPolygon(mTesselator);
    FreeVertexArrays();
}

void GxTesselator::PushVertexPointer(double* inArray)
{
    mVertexArrays.push_back(inArray);
}

void GxTesselator::FreeVertexArrays()
{
    for (double* array : mVertexArrays)
        delete[] array;
    mVertexArrays.clear();
}
