// A failed allocation inside the GL driver while a map draws may leave the driver's locks held: no GL or EGL call
// of ours may follow, then or at exit. Here glCallList throws on cue, and afterwards each call below ends the
// process with a failure (the frameworks are linked in, so their calls reach these definitions). One test only.
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
#include <filesystem>
#include <new>

namespace
{

std::atomic<bool> gThrown{false};

template <typename Function> Function Guarded(const char* inName)
{
    if (gThrown)
    {
        std::fprintf(stderr, "%s called after the drawing threw\n", inName);
        _exit(1);
    }
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, inName));
}

} // namespace

#define GUARDED(Result, Name, Parameters, Arguments)                                                                   \
    extern "C" Result Name Parameters                                                                                  \
    {                                                                                                                  \
        return Guarded<Result(*) Parameters>(#Name) Arguments;                                                         \
    }
GUARDED(void, glDeleteLists, (GLuint inList, GLsizei inRange), (inList, inRange))
GUARDED(void, glDeleteTextures, (GLsizei inCount, const GLuint* inNames), (inCount, inNames))
GUARDED(void, glDeleteFramebuffers, (GLsizei inCount, const GLuint* inNames), (inCount, inNames))
GUARDED(void, glDeleteRenderbuffers, (GLsizei inCount, const GLuint* inNames), (inCount, inNames))
GUARDED(void, glBindFramebuffer, (GLenum inTarget, GLuint inName), (inTarget, inName))
GUARDED(EGLBoolean, eglMakeCurrent, (EGLDisplay inDisplay, EGLSurface inDraw, EGLSurface inRead, EGLContext inContext),
        (inDisplay, inDraw, inRead, inContext))
GUARDED(EGLBoolean, eglDestroyContext, (EGLDisplay inDisplay, EGLContext inContext), (inDisplay, inContext))

extern "C" void glCallList(GLuint inList)
{
    // The third list drawn is the contour's, after the gradient's: display lists and a texture exist by then.
    static std::atomic<int> sCalls{0};
    if (++sCalls == 3)
    {
        gThrown = true;
        throw std::bad_alloc();
    }
    Guarded<void (*)(GLuint)>("glCallList")(inList);
}

TEST(VaneRenderDrawingThrow, NoGlCallFollowsAndTheRunCleansUp)
{
    namespace fs = std::filesystem;
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path());
    fs::create_directories(folder / "tmp");
    setenv("TMPDIR", (folder / "tmp").c_str(), 1);
    VaneOptions options;
    options.mDocuments = {std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Demo/europe-pressure.vanedoc"};
    options.mOut = (folder / "out").string();
    {
        const VaneSession session; // as main holds it: the scratch folder goes with it
        EXPECT_EQ(VaneRender(options), kVaneFailed);
    }
    EXPECT_TRUE(gThrown);
    EXPECT_TRUE(fs::is_empty(folder / "tmp"));
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}
