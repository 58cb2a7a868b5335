// The weather drawing tests' fixture: an offscreen 1024 x 768 context over the kit's offline environment, pixel
// probes and snapshots for people to look at.
#pragma once

#include "CxFile.h"
#include "GxColor.h"
#include "GxGLContext.h"
#include "GxGLTestSupport.h"
#include "WeatherTestKit.h"
#include "WxInspector.h"
#include "WxMap.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace wxdraw
{

class DrawTest : public wxkit::KitTest
{
protected:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;

    void SetUp() override
    {
        KitTest::SetUp();
        mContext =
            std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, kWidth, kHeight), CxRect(0, 0, kWidth, kHeight));
        ASSERT_TRUE(mContext->IsValid()) << "no headless OpenGL context (Mesa surfaceless EGL)";
    }

    void TearDown() override
    {
        mContext.reset();
        KitTest::TearDown();
    }

    // The pixel at (x, y) from the bottom left, within 2/255 of the colour.
    static void ExpectPixel(int inX, int inY, const GxColor& inColor)
    {
        GLubyte rgb[4] = {};
        glReadPixels(inX, inY, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgb);
        const double want[3] = {inColor.mRed, inColor.mGreen, inColor.mBlue};
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(rgb[c], want[c] * 255.0, 2.0) << "channel " << c << " at " << inX << "," << inY;
    }

    // <prefix><case>.png in the build tree's snapshots folder.
    void Snapshot(const std::string& inCase, const std::string& inPrefix = "wx2_")
    {
        std::filesystem::create_directories(WX2_SNAPSHOT_DIR);
        const std::string path = std::string(WX2_SNAPSHOT_DIR) + "/" + inPrefix + inCase + ".png";
        std::ofstream(path).close();
        CxFile file(CxString::FromUtf8(path), false);
        mContext->Export(CxString("image/png"), file, nullptr);
    }

    // A product's drawing as feedback, in window pixels of KitOrthoView(inCentre, inKmPerPixel).
    std::vector<gxtest::FeedbackPrimitive> Feedback(WxProduct& ioProduct, const GxPoint& inCentre, double inKmPerPixel)
    {
        wxkit::KitOrthoView(inCentre, inKmPerPixel);
        return gxtest::CaptureFeedback([&] { ioProduct.DrawProduct(*mContext); });
    }

    // The window pixel of a map point under KitOrthoView(inCentre, inKmPerPixel).
    static GxPoint ToWindow(const GxPoint& inPoint, const GxPoint& inCentre, double inKmPerPixel)
    {
        return GxPoint((inPoint.mX - inCentre.mX) / inKmPerPixel + kWidth / 2.0,
                       (inPoint.mY - inCentre.mY) / inKmPerPixel + kHeight / 2.0);
    }

    // How many of the lines begin at the window point, to 0.01 px.
    static std::ptrdiff_t LinesFrom(const std::vector<gxtest::FeedbackPrimitive>& inLines, const GxPoint& inAt)
    {
        return std::count_if(inLines.begin(), inLines.end(),
                             [&](const gxtest::FeedbackPrimitive& inL) {
                                 return std::hypot(inL.mVertices[0].mX - inAt.mX, inL.mVertices[0].mY - inAt.mY) < 0.01;
                             });
    }

    // The quads among these whose rectangle is (left, bottom, right, top), to 1e-3 px.
    static std::vector<gxtest::Quad> At(const std::vector<gxtest::Quad>& inQuads, double inL, double inB, double inR,
                                        double inT)
    {
        std::vector<gxtest::Quad> found;
        for (const gxtest::Quad& q : inQuads)
            if (std::fabs(q.mLeft - inL) + std::fabs(q.mBottom - inB) + std::fabs(q.mRight - inR) +
                    std::fabs(q.mTop - inT) <
                1e-3)
                found.push_back(q);
        return found;
    }

    // Every polygon of the legend as the rectangle it covers; with inMerge a quad split in two triangles is one.
    std::vector<gxtest::Quad> Legend(WxMap& ioMap, const GxRect& inRect, bool inActive = true, bool inMerge = true)
    {
        const auto all = gxtest::CaptureFeedback([&] { ioMap.DrawLegend(*mContext, inRect, inActive, false); });
        if (inMerge)
            return gxtest::Quads(all);
        std::vector<gxtest::Quad> covers;
        for (const auto& p : gxtest::OfToken(all, GL_POLYGON_TOKEN))
            covers.push_back(gxtest::Cover(p));
        return covers;
    }

    // A frame of the map alone, inCentre at the middle of the window, inKmPerPixel kilometres to a pixel.
    void DrawAt(WxMap& ioMap, const GxPosition& inCentre, double inKmPerPixel)
    {
        wxkit::KitOrthoView(ioMap.Projection()->Project(inCentre), inKmPerPixel);
        ioMap.BeginDraw();
        ioMap.DrawMap(*mContext);
        ioMap.EndDraw();
    }

    // The cells of a comma-separated file, row by row; none when it cannot be read.
    static std::vector<std::vector<std::string>> ReadCsv(const std::string& inPath)
    {
        std::vector<std::vector<std::string>> rows;
        std::ifstream in(inPath);
        for (std::string line, cell; std::getline(in, line);)
        {
            rows.emplace_back();
            for (std::stringstream split(line); std::getline(split, cell, ',');)
                rows.back().push_back(cell);
        }
        return rows;
    }

    // The whole window as RGBA bytes, bottom row first.
    static std::vector<GLubyte> ReadWindow()
    {
        std::vector<GLubyte> pixels(std::size_t(kWidth) * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // What a legend or popup draws in the rectangle in 2-D mode; its texts are deleted afterwards.
    std::vector<gxtest::FeedbackPrimitive> Inspect(WxInspector& ioInspector, const CxRect& inRect)
    {
        const auto all = gxtest::CaptureFeedback(
            [&]
            {
                mContext->Begin2D();
                ioInspector.OnDraw(*mContext, inRect);
                mContext->End2D();
            });
        ioInspector.DeleteTextures(*mContext);
        return all;
    }

    // The heights of the horizontal lines from inX0 to inX1 (to 1e-3 px) whose alpha is inAlpha.
    static std::vector<double> HorizontalLines(const std::vector<gxtest::FeedbackPrimitive>& inAll, double inX0,
                                               double inX1, double inAlpha)
    {
        std::vector<double> ys;
        for (const auto& l : gxtest::OfToken(inAll, GL_LINE_TOKEN))
            if (std::fabs(l.mVertices[0].mX - inX0) < 1e-3 && std::fabs(l.mVertices[1].mX - inX1) < 1e-3 &&
                std::fabs(l.mVertices[0].mY - l.mVertices[1].mY) < 1e-3 &&
                std::fabs(l.mVertices[0].mColor[3] - inAlpha) < 1e-3)
                ys.push_back(l.mVertices[0].mY);
        return ys;
    }

    // One whole frame with the legend down the left edge.
    void Frame(WxMap& ioMap)
    {
        ioMap.BeginDraw();
        ioMap.DrawMap(*mContext);
        ioMap.DrawLegend(*mContext, GxRect(0, 0, 175, kHeight), true, false);
        ioMap.EndDraw();
    }

    std::unique_ptr<GxAGLContext> mContext;
};

} // namespace wxdraw
