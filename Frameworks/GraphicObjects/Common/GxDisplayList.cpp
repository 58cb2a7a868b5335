#include "GxDisplayList.h"

#include "CxDebug.h"

#include <GL/gl.h>

GxDisplayList::~GxDisplayList()
{
    DeleteDisplayList();
}

void GxDisplayList::BeginDisplayList()
{
    CxAssertText(!mValid || mDisplayList == 0, "mDisplayList == 0");
    // A list still valid here would otherwise lose its name and stay in the context for good.
    DeleteDisplayList();
    mDisplayList = glGenLists(1);
    if (mDisplayList == 0)
        return;
    glNewList(mDisplayList, GL_COMPILE);
    mValid = true;
}

void GxDisplayList::EndDisplayList()
{
    glEndList();
    if (mValid && mDisplayList != 0)
        glCallList(mDisplayList);
}

void GxDisplayList::DrawList()
{
    if (mValid && mDisplayList != 0)
        glCallList(mDisplayList);
}

void GxDisplayList::DeleteDisplayList()
{
    if (mDisplayList != 0)
        glDeleteLists(mDisplayList, 1);
    mDisplayList = 0;
    mValid = false;
}
