// The canvas that draws with Cairo: into a transparent ARGB bitmap in pixels, or into PDF pages in points.
#pragma once

#include "PfCanvas.h"

#include <cstdint>
#include <memory>
#include <string>

struct _cairo;
struct _cairo_surface;
struct _cairo_font_options;

namespace pf
{

class CairoCanvas final : public Canvas
{
public:
    // Null when the size is not above 0 or Cairo cannot make the bitmap.
    static std::unique_ptr<CairoCanvas> MakeBitmap(std::int32_t inWidth, std::int32_t inHeight);
    // A PDF document whose pages have the size in points; the first page is open. Null with a message when the
    // file cannot be made.
    static std::unique_ptr<CairoCanvas> MakePdf(const std::string& inPath, double inWidth, double inHeight,
                                                std::string& outError);
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    double Width() const { return mWidth; }
    double Height() const { return mHeight; }
    // PDF: ends the page and opens the next, with a fresh state.
    void NewPage();
    // Ends the document (PDF) or flushes the bitmap; false with Cairo's message when the surface failed.
    bool Finish(std::string& outError);
    // The bitmap's pixels; empty for PDF.
    Image Snapshot() const;

    void Save() override;
    void Restore() override;
    void ConcatTransform(const Affine& inTransform) override;
    Affine Transform() const override;
    void SetFillColor(const Color& inColor) override { mFill = inColor; }
    void SetStrokeColor(const Color& inColor) override { mStroke = inColor; }
    void SetLineWidth(double inWidth) override;
    void BeginPath() override;
    void MoveTo(Point inPoint) override;
    void LineTo(Point inPoint) override;
    void AddArcToPoint(Point inP1, Point inP2, double inRadius) override;
    void AddRect(const Rect& inRect) override;
    void ClosePath() override;
    void FillPath() override;
    void StrokePath() override;
    void ClipToRect(const Rect& inRect) override;
    void DrawImage(const Rect& inRect, const Image& inImage) override;
    void DrawAxialShading(Point inStart, Point inEnd, const ShadingFunction& inFunction, bool inExtendStart,
                          bool inExtendEnd) override;
    void DrawText(const TextLayout& inLayout, Point inOrigin) override;

    // What the canvas draws text with, for callers that measure with Cairo: no hinting, grey coverage. The
    // options are the caller's to destroy.
    static struct _cairo_font_options* TextOptions();
    static void SetTextFont(_cairo* ioCairo, std::uint32_t inFontId, std::int32_t inPixelSize, const Affine& inMatrix);

private:
    CairoCanvas(_cairo_surface* inSurface, double inWidth, double inHeight, bool inPdf);
    void SetSource(const Color& inColor);

    _cairo_surface* mSurface = nullptr;
    _cairo* mCairo = nullptr;
    double mWidth = 0.0;
    double mHeight = 0.0;
    bool mPdf = false;
    // Colours are part of the saved state, as in Core Graphics; Cairo keeps one source only.
    Color mFill;
    Color mStroke;
    std::vector<std::pair<Color, Color>> mSavedColors;
};

} // namespace pf
