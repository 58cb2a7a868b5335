// Filling rings through the GLU tessellator with immediate-mode OpenGL: rings with holes and self-intersections,
// odd winding. The vertex arrays handed over with PushVertexPointer, and those the tessellator makes where edges
// cross, are freed when the polygon ends. Needs a current GL context on the calling thread.
#pragma once

#include <vector>

class GLUtesselator;

class GxTesselator
{
public:
    GxTesselator();
    ~GxTesselator();
    GxTesselator(const GxTesselator&) = delete;
    GxTesselator& operator=(const GxTesselator&) = delete;

    void BeginPolygon();
    void BeginContour();
    // Both pointers must stay valid until the polygon ends; the data is what reaches glVertex3dv. A vertex with a
    // coordinate that is not finite is left out: GLU's sweep cannot order it.
    void AcceptVertex(double* inCoordinates, void* inData);
    void EndContour();
    // Tessellates and draws, then frees every vertex array.
    void EndPolygon();
    // An array allocated with new[], freed with delete[] when the polygon ends.
    void PushVertexPointer(double* inArray);

private:
    void FreeVertexArrays();

    GLUtesselator* mTesselator = nullptr;
    std::vector<double*> mVertexArrays;
};
