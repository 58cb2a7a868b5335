// A failed allocation inside the GL driver while a map draws: the driver may still hold the locks of the call it
// left, so no GL or EGL call of ours may follow, then or at exit. This program's glCallList throws on cue; after
// that, each deleting or binding call below ends the process with a failure instead of reaching the driver. The
// frameworks are linked in, so their calls reach these definitions. The program holds this one test.
#include "TestSupport.h"
#include "VaneRender.h"

#include <gtest/gtest.h>

#define EGL_NO_X11
#include <EGL/egl.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

namespace
{

std::atomic<bool> gThrown{false};
std::atomic<int> gCalls{0};

template <typename Function> Function Next(const char* inName)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, inName));
}

// Forwards while nothing has thrown; afterwards the call is the fault.
template <typename Function> Function Guarded(const char* inName)
{
    if (gThrown)
    {
        std::fprintf(stderr, "%s called after the drawing threw\n", inName);
        std::fflush(stderr);
        _exit(1);
    }
    return Next<Function>(inName);
}

} // namespace

extern "C"
{

    void glCallList(GLuint inList)
    {
        // The third list drawn is the contour's: after the gridlines' and the gradient's, whose texture exists by then.
        if (++gCalls == 3)
        {
            gThrown = true;
            throw std::bad_alloc();
        }
        Guarded<void (*)(GLuint)>("glCallList")(inList);
    }

    void glDeleteLists(GLuint inList, GLsizei inRange)
    {
        Guarded<void (*)(GLuint, GLsizei)>("glDeleteLists")(inList, inRange);
    }

    void glDeleteTextures(GLsizei inCount, const GLuint* inNames)
    {
        Guarded<void (*)(GLsizei, const GLuint*)>("glDeleteTextures")(inCount, inNames);
    }

    void glDeleteFramebuffers(GLsizei inCount, const GLuint* inNames)
    {
        Guarded<void (*)(GLsizei, const GLuint*)>("glDeleteFramebuffers")(inCount, inNames);
    }

    void glDeleteRenderbuffers(GLsizei inCount, const GLuint* inNames)
    {
        Guarded<void (*)(GLsizei, const GLuint*)>("glDeleteRenderbuffers")(inCount, inNames);
    }

    void glBindFramebuffer(GLenum inTarget, GLuint inName)
    {
        Guarded<void (*)(GLenum, GLuint)>("glBindFramebuffer")(inTarget, inName);
    }

    EGLBoolean eglMakeCurrent(EGLDisplay inDisplay, EGLSurface inDraw, EGLSurface inRead, EGLContext inContext)
    {
        return Guarded<EGLBoolean (*)(EGLDisplay, EGLSurface, EGLSurface, EGLContext)>("eglMakeCurrent")(
            inDisplay, inDraw, inRead, inContext);
    }

    EGLBoolean eglDestroyContext(EGLDisplay inDisplay, EGLContext inContext)
    {
        return Guarded<EGLBoolean (*)(EGLDisplay, EGLContext)>("eglDestroyContext")(inDisplay, inContext);
    }

} // extern "C"

namespace
{

namespace fs = std::filesystem;

TEST(VaneRenderDrawingThrow, NoGlCallFollowsAndTheRunCleansUp)
{
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path());
    fs::create_directories(folder / "tmp");
    const char* tmp = std::getenv("TMPDIR");
    const std::string saved = tmp != nullptr ? tmp : "";
    setenv("TMPDIR", (folder / "tmp").c_str(), 1);
    VaneOptions options;
    options.mDocuments = {(fs::path(SKYVANE_SOURCE_DIR) / "Products/Skyvane/Demo/europe-pressure.vanedoc").string()};
    options.mOut = (folder / "out").string();
    options.mWidth = 128;
    options.mHeight = 96;
    {
        // As main holds it: the scratch folder goes with it.
        const VaneSession session;
        EXPECT_EQ(VaneRender(options), kVaneFailed);
    }
    saved.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", saved.c_str(), 1);
    EXPECT_TRUE(gThrown);
    EXPECT_TRUE(fs::is_empty(folder / "tmp"));
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

} // namespace
