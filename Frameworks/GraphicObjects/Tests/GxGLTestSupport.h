// Helpers of the drawing tests: a headless 64 x 64 context and a capture of what OpenGL's feedback mode reports.
#pragma once

#include "CxCoordinates.h"
#include "GxGLContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace gxtest
{

struct FeedbackVertex
{
    double mX = 0;
    double mY = 0;
    double mZ = 0;
    double mColor[4] = {};
    double mTexture[4] = {};
};

struct FeedbackPrimitive
{
    GLenum mToken = 0; // GL_POINT_TOKEN, GL_LINE_TOKEN (a reset token counts as a line), GL_POLYGON_TOKEN
    std::vector<FeedbackVertex> mVertices;
};

// Runs inDraw in feedback mode and returns the primitives in window coordinates, colour and texture coordinates
// included.
inline std::vector<FeedbackPrimitive> CaptureFeedback(const std::function<void()>& inDraw)
{
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    inDraw();
    const GLint count = glRenderMode(GL_RENDER);
    EXPECT_GE(count, 0) << "feedback buffer overflow";
    std::vector<FeedbackPrimitive> primitives;
    GLint i = 0;
    auto vertex = [&]()
    {
        FeedbackVertex v;
        v.mX = buffer[i++];
        v.mY = buffer[i++];
        v.mZ = buffer[i++];
        for (double& c : v.mColor)
            c = buffer[i++];
        for (double& t : v.mTexture)
            t = buffer[i++];
        return v;
    };
    while (i < count)
    {
        const auto token = static_cast<GLenum>(buffer[i++]);
        FeedbackPrimitive primitive;
        primitive.mToken = token;
        int vertices = 0;
        switch (token)
        {
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN:
            vertices = 1;
            break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            primitive.mToken = GL_LINE_TOKEN;
            vertices = 2;
            break;
        case GL_POLYGON_TOKEN:
            vertices = static_cast<int>(buffer[i++]);
            break;
        case GL_PASS_THROUGH_TOKEN:
            ++i;
            continue;
        default:
            ADD_FAILURE() << "unknown feedback token " << token;
            return primitives;
        }
        for (int k = 0; k < vertices; ++k)
            primitive.mVertices.push_back(vertex());
        primitives.push_back(primitive);
    }
    return primitives;
}

inline std::vector<FeedbackPrimitive> OfToken(const std::vector<FeedbackPrimitive>& inAll, GLenum inToken)
{
    std::vector<FeedbackPrimitive> result;
    for (const auto& p : inAll)
        if (p.mToken == inToken)
            result.push_back(p);
    return result;
}

// The rectangle a feedback polygon covers, with its colour and texture coordinates at the corners.
struct Quad
{
    double mLeft, mBottom, mRight, mTop;
    std::vector<double> mColor;
    double mSLeft, mTBottom, mSRight, mTTop; // s at the left and right, t at the bottom and top

    std::array<double, 4> Box() const { return {mLeft, mBottom, mRight, mTop}; }
    std::array<double, 4> Texture() const { return {mSLeft, mTBottom, mSRight, mTTop}; }
};

inline Quad Cover(const FeedbackPrimitive& inPolygon)
{
    Quad quad{1e9, 1e9, -1e9, -1e9, {}, 0, 0, 0, 0};
    for (const auto& v : inPolygon.mVertices)
    {
        quad.mLeft = std::min(quad.mLeft, v.mX);
        quad.mBottom = std::min(quad.mBottom, v.mY);
        quad.mRight = std::max(quad.mRight, v.mX);
        quad.mTop = std::max(quad.mTop, v.mY);
    }
    for (const auto& v : inPolygon.mVertices)
    {
        (v.mX == quad.mLeft ? quad.mSLeft : quad.mSRight) = v.mTexture[0];
        (v.mY == quad.mBottom ? quad.mTBottom : quad.mTTop) = v.mTexture[1];
    }
    const auto& c = inPolygon.mVertices.front().mColor;
    quad.mColor.assign(c, c + 4);
    return quad;
}

// Quads as feedback reports them: whole, or as triangles that share the quad's rectangle.
inline std::vector<Quad> Quads(const std::vector<FeedbackPrimitive>& inAll)
{
    std::vector<Quad> quads;
    for (const FeedbackPrimitive& polygon : OfToken(inAll, GL_POLYGON_TOKEN))
    {
        const Quad quad = Cover(polygon);
        if (!quads.empty() && quads.back().mLeft == quad.mLeft && quads.back().mBottom == quad.mBottom &&
            quads.back().mRight == quad.mRight && quads.back().mTop == quad.mTop && polygon.mVertices.size() == 3)
            continue;
        quads.push_back(quad);
    }
    return quads;
}

// A fresh 64 x 64 context, current, cleared to transparent black, with the model-view and projection at identity.
class GLTest : public ::testing::Test
{
protected:
    static constexpr int kSize = 64;

    void SetUp() override
    {
        mContext = std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, kSize, kSize), CxRect(0, 0, kSize, kSize));
        ASSERT_TRUE(mContext->IsValid()) << "no headless OpenGL context (Mesa surfaceless EGL)";
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    void TearDown() override { mContext.reset(); }

    // Model coordinates equal window coordinates: the origin sits at the bottom left of the picture.
    static void WindowOrigin()
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kSize, 0, kSize, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    // Model coordinates equal window coordinates minus 32: the origin sits in the middle of the picture.
    static void CentreOrigin()
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-kSize / 2.0, kSize / 2.0, -kSize / 2.0, kSize / 2.0, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    // The RGBA bytes of the pixel at (x, y), counted from the bottom left.
    static std::vector<GLubyte> Pixel(int inX, int inY)
    {
        std::vector<GLubyte> rgba(4);
        glReadPixels(inX, inY, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    std::unique_ptr<GxAGLContext> mContext;
};

} // namespace gxtest
