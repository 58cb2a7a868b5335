// How much of a plug-in's area the drivers let a context hold, asked of GL once it can answer. A query that finds
// no context to ask gives no limit that time and is asked again the next time; an answer is kept for the process.
// Main thread only.
#pragma once

#include "CxCoordinates.h"

#include <climits>

// The largest framebuffer a port context holds (GL's renderbuffer and viewport limits), asked of the current
// context; 0x7FFF a side while none is current.
CxPoint FxFramebufferLimits();

struct FxSurfaceLimits
{
    int mWidth = INT_MAX; // the pbuffer's, within the viewport's
    int mHeight = INT_MAX;
    int mViewportWidth = INT_MAX;
    int mViewportHeight = INT_MAX;
};

// The largest pbuffer of the config (EGLConfig) and GL's largest viewport, asked of the context (EGLContext on the
// display) made current without a surface; whatever was current before is current again afterwards. INT_MAX for a
// limit that could not be asked.
FxSurfaceLimits FxPbufferLimits(void* inDisplay, void* inConfig, void* inContext);
