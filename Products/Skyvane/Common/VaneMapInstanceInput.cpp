// The map instance's camera: the map seen from above its centre through a perspective whose angle is the zoom.
#include "VaneMapInstance.h"

#include "CxDebug.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "WxMap.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kEyeHeight = 100.0;

} // namespace

void VaneMapInstance::LookAtMap()
{
    const GxPoint focus = mMap != nullptr ? mMap->Projection()->Project(mMap->GetMapCenter()) : mFocusPoint;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(focus.mX, focus.mY, kEyeHeight, focus.mX, focus.mY, 0.0, 0.0, 1.0, 0.0);
}

void VaneMapInstance::SetPerspective(double inDegrees)
{
    if (!std::isfinite(inDegrees))
    {
        _CxDebug(__FILE__, __LINE__, "inDegrees", inDegrees);
        inDegrees = mPerspective;
    }
    const double angle = std::clamp(inDegrees, 0.1, 179.5);
    mPerspective = angle;
    mViewDepth = angle / 160.0 * 400.0;
    GxContext* context = GetContext();
    const CxRect bounds = LocalBounds();
    // A hidden embed has no area: its aspect and scale would be NaN or 0, so the camera waits for a size.
    if (context == nullptr || bounds.Width() <= 0 || bounds.Height() <= 0)
    {
        if (mMap != nullptr)
            mMap->SetFieldOfViewY(angle);
        mProjectionPending = true;
        return;
    }
    context->MakeCurrent();
    glViewport(0, 0, bounds.Width(), bounds.Height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(angle, double(bounds.Width()) / double(bounds.Height()), kEyeHeight, kEyeHeight + 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    mProjectionPending = false;
    if (mMap == nullptr)
        return;
    mMap->SetFieldOfViewY(angle);
    LookAtMap();
    GLdouble model[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x0 = 0.0, x1 = 0.0, y = 0.0, z = 0.0;
    gluProject(0.0, 0.0, 1.0, model, projection, viewport, &x0, &y, &z);
    gluProject(1.0, 0.0, 1.0, model, projection, viewport, &x1, &y, &z);
    const double scale = x1 - x0;
    if (std::isfinite(scale) && scale > 0.0)
        mMap->SetScale(scale);
}

void VaneMapInstance::AdjustZoom(const XmlElement* inRoot)
{
    if (mMap == nullptr)
        return;
    if (inRoot != nullptr && inRoot->FindInstruction(CxString("MapView")) != nullptr)
        _CxDebugOut(__FILE__, __LINE__, "MapView", "not applied yet");
    SetPerspective(mMap->FieldOfViewY());
}
