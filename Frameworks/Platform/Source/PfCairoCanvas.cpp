#include "PfCairoCanvas.h"

#include "PfText.h"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace pf
{

namespace
{

std::uint32_t PremultipliedArgb(const Color& inColor)
{
    auto channel = [](double inValue) { return std::clamp(inValue, 0.0, 1.0); };
    const double a = channel(inColor.a);
    auto byte = [](double inValue) { return static_cast<std::uint32_t>(std::lround(inValue * 255.0)); };
    return byte(a) << 24 | byte(channel(inColor.r) * a) << 16 | byte(channel(inColor.g) * a) << 8 |
           byte(channel(inColor.b) * a);
}

// An ARGB surface holding the image; the caller destroys it.
cairo_surface_t* SurfaceOf(const Image& inImage)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, inImage.mWidth, inImage.mHeight);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        return surface;
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (std::int32_t y = 0; y < inImage.mHeight; ++y)
    {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (std::int32_t x = 0; x < inImage.mWidth; ++x)
        {
            const std::uint8_t* p = inImage.Pixel(x, y);
            const std::uint32_t a = p[3];
            auto mul = [a](std::uint32_t inValue) { return (inValue * a + 127) / 255; };
            row[x] = a << 24 | mul(p[0]) << 16 | mul(p[1]) << 8 | mul(p[2]);
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

// Cairo's face for a font id, made once from the registry's file and index and kept for the process: Cairo opens
// its own FreeType face, so the text engine's faces stay with their styles' locks.
cairo_font_face_t* FontFaceOf(std::uint32_t inFontId)
{
    static std::mutex sMutex;
    static auto* sFaces = new std::map<std::uint32_t, cairo_font_face_t*>();
    std::lock_guard<std::mutex> lock(sMutex);
    const auto found = sFaces->find(inFontId);
    if (found != sFaces->end())
        return found->second;
    FontFace face;
    cairo_font_face_t* cairoFace = nullptr;
    if (FontRegistry::Describe(inFontId, face))
    {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(face.mFile.c_str()));
        FcPatternAddInteger(pattern, FC_INDEX, face.mIndex);
        // Outlines as the engine measures them: no hinting, grey coverage.
        FcPatternAddBool(pattern, FC_HINTING, FcFalse);
        FcPatternAddBool(pattern, FC_ANTIALIAS, FcTrue);
        cairoFace = cairo_ft_font_face_create_for_pattern(pattern);
        FcPatternDestroy(pattern);
        if (cairo_font_face_status(cairoFace) != CAIRO_STATUS_SUCCESS)
        {
            cairo_font_face_destroy(cairoFace);
            cairoFace = nullptr;
        }
    }
    sFaces->emplace(inFontId, cairoFace);
    return cairoFace;
}

} // namespace

cairo_font_options_t* CairoCanvas::TextOptions()
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    return options;
}

void CairoCanvas::SetTextFont(_cairo* ioCairo, std::uint32_t inFontId, std::int32_t inPixelSize, const Affine& inMatrix)
{
    cairo_set_font_face(ioCairo, FontFaceOf(inFontId));
    // Cairo's glyphs are y down: glyph space (y up) goes through the flip, then the layout's font matrix.
    const double size = inPixelSize;
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, size * inMatrix.a, size * inMatrix.b, -size * inMatrix.c, -size * inMatrix.d, 0, 0);
    cairo_set_font_matrix(ioCairo, &matrix);
    cairo_font_options_t* options = TextOptions();
    cairo_set_font_options(ioCairo, options);
    cairo_font_options_destroy(options);
}

std::unique_ptr<CairoCanvas> CairoCanvas::MakeBitmap(std::int32_t inWidth, std::int32_t inHeight)
{
    if (inWidth <= 0 || inHeight <= 0)
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, inWidth, inHeight);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::unique_ptr<CairoCanvas>(new CairoCanvas(surface, inWidth, inHeight, false));
}

std::unique_ptr<CairoCanvas> CairoCanvas::MakePdf(const std::string& inPath, double inWidth, double inHeight,
                                                  std::string& outError)
{
    if (!(inWidth > 0.0) || !(inHeight > 0.0))
    {
        outError = "the page size must be above 0";
        return nullptr;
    }
    cairo_surface_t* surface = cairo_pdf_surface_create(inPath.c_str(), inWidth, inHeight);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    {
        outError = inPath + ": " + cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::unique_ptr<CairoCanvas>(new CairoCanvas(surface, inWidth, inHeight, true));
}

CairoCanvas::CairoCanvas(cairo_surface_t* inSurface, double inWidth, double inHeight, bool inPdf)
    : mSurface(inSurface), mCairo(cairo_create(inSurface)), mWidth(inWidth), mHeight(inHeight), mPdf(inPdf)
{
    cairo_set_fill_rule(mCairo, CAIRO_FILL_RULE_WINDING);
    cairo_set_line_width(mCairo, 1.0);
}

CairoCanvas::~CairoCanvas()
{
    cairo_destroy(mCairo);
    cairo_surface_destroy(mSurface);
}

void CairoCanvas::NewPage()
{
    if (!mPdf)
        return;
    cairo_show_page(mCairo);
    while (!mSavedColors.empty())
        Restore();
    cairo_identity_matrix(mCairo);
    cairo_reset_clip(mCairo);
    cairo_new_path(mCairo);
    mFill = mStroke = Color{};
}

bool CairoCanvas::Finish(std::string& outError)
{
    cairo_surface_flush(mSurface);
    if (mPdf)
        cairo_surface_finish(mSurface);
    const cairo_status_t status = cairo_surface_status(mSurface);
    if (status != CAIRO_STATUS_SUCCESS)
    {
        outError = cairo_status_to_string(status);
        return false;
    }
    return true;
}

Image CairoCanvas::Snapshot() const
{
    if (mPdf)
        return Image{};
    cairo_surface_flush(mSurface);
    const int width = cairo_image_surface_get_width(mSurface);
    const int height = cairo_image_surface_get_height(mSurface);
    const int stride = cairo_image_surface_get_stride(mSurface);
    const unsigned char* data = cairo_image_surface_get_data(mSurface);
    Image image;
    image.mWidth = width;
    image.mHeight = height;
    image.mPixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    std::uint8_t* out = image.mPixels.data();
    for (int y = 0; y < height; ++y)
    {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x, out += 4)
        {
            const std::uint32_t pixel = row[x];
            const std::uint32_t a = pixel >> 24;
            auto un = [a](std::uint32_t inValue) { return a == 0 ? 0u : std::min(255u, (inValue * 255 + a / 2) / a); };
            out[0] = static_cast<std::uint8_t>(un(pixel >> 16 & 0xFF));
            out[1] = static_cast<std::uint8_t>(un(pixel >> 8 & 0xFF));
            out[2] = static_cast<std::uint8_t>(un(pixel & 0xFF));
            out[3] = static_cast<std::uint8_t>(a);
        }
    }
    return image;
}

void CairoCanvas::Save()
{
    cairo_save(mCairo);
    mSavedColors.emplace_back(mFill, mStroke);
}

void CairoCanvas::Restore()
{
    if (mSavedColors.empty())
        return;
    // The path is not part of the state, in Cairo as in Core Graphics.
    cairo_restore(mCairo);
    mFill = mSavedColors.back().first;
    mStroke = mSavedColors.back().second;
    mSavedColors.pop_back();
}

void CairoCanvas::ConcatTransform(const Affine& inTransform)
{
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, inTransform.a, inTransform.b, inTransform.c, inTransform.d, inTransform.tx,
                      inTransform.ty);
    cairo_transform(mCairo, &matrix);
}

Affine CairoCanvas::Transform() const
{
    cairo_matrix_t m;
    cairo_get_matrix(mCairo, &m);
    return Affine{m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void CairoCanvas::SetLineWidth(double inWidth)
{
    cairo_set_line_width(mCairo, std::max(0.0, inWidth));
}

void CairoCanvas::SetSource(const Color& inColor)
{
    cairo_set_source_rgba(mCairo, inColor.r, inColor.g, inColor.b, inColor.a);
}

void CairoCanvas::BeginPath()
{
    cairo_new_path(mCairo);
}

void CairoCanvas::MoveTo(Point inPoint)
{
    cairo_move_to(mCairo, inPoint.x, inPoint.y);
}

void CairoCanvas::LineTo(Point inPoint)
{
    cairo_line_to(mCairo, inPoint.x, inPoint.y);
}

void CairoCanvas::AddArcToPoint(Point inP1, Point inP2, double inRadius)
{
    if (!cairo_has_current_point(mCairo))
        return MoveTo(inP1);
    Point current;
    cairo_get_current_point(mCairo, &current.x, &current.y);
    const ArcToPoint arc = ArcToPoint::Make(current, inP1, inP2, inRadius);
    if (arc.mIsLine)
        return LineTo(inP1);
    // Cairo draws the line to the arc's start itself.
    if (arc.mSweep > 0)
        cairo_arc(mCairo, arc.mCentre.x, arc.mCentre.y, arc.mRadius, arc.mStartAngle, arc.mStartAngle + arc.mSweep);
    else
        cairo_arc_negative(mCairo, arc.mCentre.x, arc.mCentre.y, arc.mRadius, arc.mStartAngle,
                           arc.mStartAngle + arc.mSweep);
}

void CairoCanvas::AddRect(const Rect& inRect)
{
    cairo_rectangle(mCairo, inRect.x, inRect.y, inRect.w, inRect.h);
}

void CairoCanvas::ClosePath()
{
    if (cairo_has_current_point(mCairo))
        cairo_close_path(mCairo);
}

void CairoCanvas::FillPath()
{
    SetSource(mFill);
    cairo_fill(mCairo);
}

void CairoCanvas::StrokePath()
{
    SetSource(mStroke);
    cairo_stroke(mCairo);
}

void CairoCanvas::ClipToRect(const Rect& inRect)
{
    // Cairo clips with the current path and consumes it; Core Graphics leaves the path alone.
    cairo_path_t* path = cairo_copy_path(mCairo);
    cairo_new_path(mCairo);
    cairo_rectangle(mCairo, inRect.x, inRect.y, inRect.w, inRect.h);
    cairo_clip(mCairo);
    cairo_append_path(mCairo, path);
    cairo_path_destroy(path);
}

void CairoCanvas::DrawImage(const Rect& inRect, const Image& inImage)
{
    if (inImage.Empty() || inRect.Empty())
        return;
    cairo_surface_t* surface = SurfaceOf(inImage);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
    {
        cairo_path_t* path = cairo_copy_path(mCairo);
        cairo_save(mCairo);
        // Row 0 goes to the rectangle's maximum y.
        cairo_translate(mCairo, inRect.x, inRect.Bottom());
        cairo_scale(mCairo, inRect.w / inImage.mWidth, -inRect.h / inImage.mHeight);
        cairo_set_source_surface(mCairo, surface, 0, 0);
        cairo_pattern_set_extend(cairo_get_source(mCairo), CAIRO_EXTEND_PAD);
        cairo_new_path(mCairo);
        cairo_rectangle(mCairo, 0, 0, inImage.mWidth, inImage.mHeight);
        cairo_fill(mCairo);
        cairo_restore(mCairo);
        cairo_new_path(mCairo);
        cairo_append_path(mCairo, path);
        cairo_path_destroy(path);
    }
    cairo_surface_destroy(surface);
}

void CairoCanvas::DrawAxialShading(Point inStart, Point inEnd, const ShadingFunction& inFunction, bool inExtendStart,
                                   bool inExtendEnd)
{
    if (!inFunction)
        return;
    Point start = inStart;
    Point end = inEnd;
    cairo_user_to_device(mCairo, &start.x, &start.y);
    cairo_user_to_device(mCairo, &end.x, &end.y);
    const double dx = end.x - start.x;
    const double dy = end.y - start.y;
    const double length2 = dx * dx + dy * dy;
    if (length2 == 0.0)
        return;

    cairo_path_t* path = cairo_copy_path(mCairo);
    cairo_save(mCairo);
    cairo_identity_matrix(mCairo);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(mCairo, &x1, &y1, &x2, &y2);
    const int left = std::max(0, static_cast<int>(std::floor(x1)));
    const int top = std::max(0, static_cast<int>(std::floor(y1)));
    const int right = std::min(static_cast<int>(std::ceil(mWidth)), static_cast<int>(std::ceil(x2)));
    const int bottom = std::min(static_cast<int>(std::ceil(mHeight)), static_cast<int>(std::ceil(y2)));
    if (right > left && bottom > top)
    {
        // One sample per device pixel, at its centre: a stepped function keeps its steps.
        cairo_surface_t* samples = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, right - left, bottom - top);
        if (cairo_surface_status(samples) == CAIRO_STATUS_SUCCESS)
        {
            cairo_surface_flush(samples);
            unsigned char* data = cairo_image_surface_get_data(samples);
            const int stride = cairo_image_surface_get_stride(samples);
            for (int y = top; y < bottom; ++y)
            {
                auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y - top) * stride);
                for (int x = left; x < right; ++x)
                {
                    const double t = ((x + 0.5 - start.x) * dx + (y + 0.5 - start.y) * dy) / length2;
                    std::uint32_t pixel = 0;
                    if (t < 0.0)
                        pixel = inExtendStart ? PremultipliedArgb(inFunction(0.0)) : 0;
                    else if (t > 1.0)
                        pixel = inExtendEnd ? PremultipliedArgb(inFunction(1.0)) : 0;
                    else
                        pixel = PremultipliedArgb(inFunction(t));
                    row[x - left] = pixel;
                }
            }
            cairo_surface_mark_dirty(samples);
            cairo_set_source_surface(mCairo, samples, left, top);
            cairo_pattern_set_filter(cairo_get_source(mCairo), CAIRO_FILTER_NEAREST);
            cairo_paint(mCairo);
        }
        cairo_surface_destroy(samples);
    }
    cairo_restore(mCairo);
    cairo_new_path(mCairo);
    cairo_append_path(mCairo, path);
    cairo_path_destroy(path);
}

void CairoCanvas::DrawText(const TextLayout& inLayout, Point inOrigin)
{
    if (!inLayout.Style())
        return;
    const std::vector<TextLayout::GlyphPlacement> placements = inLayout.Placements();
    const Affine& matrix = inLayout.FontMatrix();
    cairo_save(mCairo);
    SetSource(mFill);
    // One run per face: fallback glyphs come from other fonts.
    for (std::size_t first = 0; first < placements.size();)
    {
        std::size_t last = first;
        std::vector<cairo_glyph_t> glyphs;
        for (; last < placements.size() && placements[last].mFontId == placements[first].mFontId; ++last)
        {
            const double pen = static_cast<double>(placements[last].mPen) / 64.0;
            glyphs.push_back(
                cairo_glyph_t{placements[last].mIndex, inOrigin.x + matrix.a * pen, inOrigin.y + matrix.b * pen});
        }
        if (FontFaceOf(placements[first].mFontId) != nullptr)
        {
            SetTextFont(mCairo, placements[first].mFontId, inLayout.Style()->PixelSize(), matrix);
            cairo_show_glyphs(mCairo, glyphs.data(), static_cast<int>(glyphs.size()));
        }
        first = last;
    }
    cairo_restore(mCairo);
}

} // namespace pf
