#include "FxPrintSettings.h"

#include "CxCoordinates.h"
#include "CxDebug.h"
#include "CxFile.h"
#include "CxString.h"
#include "FxWindow.h"
#include "GxContext.h"
#include "PfPrint.h"

#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{

constexpr pf::FourCharCode kPropertyCreator = pf::FourCC("FACE");
constexpr pf::FourCharCode kPropertyTag = pf::FourCC("PRNT");

std::string PrintFolder()
{
    std::string folder;
    if (const char* named = std::getenv("SKYVANE_PRINT_DIR"); named != nullptr && *named != '\0')
        folder = named;
    else
        folder = CxFolder(kCxCachesFolder).Path().AsUtf8() + "/print";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return folder;
}

// The context's picture as an opaque image: the export is RGB24, bytes blue, green, red, unused.
bool ExportImage(GxContext& inContext, pf::Image& outImage)
{
    cairo_surface_t* surface = inContext.ExportToCGImage();
    if (surface == nullptr)
        return false;
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (data != nullptr && width > 0 && height > 0)
    {
        outImage.mWidth = width;
        outImage.mHeight = height;
        outImage.mPixels.resize(std::size_t(width) * std::size_t(height) * 4);
        std::uint8_t* out = outImage.mPixels.data();
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                std::uint32_t pixel = 0;
                std::memcpy(&pixel, data + std::size_t(y) * std::size_t(stride) + std::size_t(x) * 4, 4);
                *out++ = std::uint8_t(pixel >> 16);
                *out++ = std::uint8_t(pixel >> 8);
                *out++ = std::uint8_t(pixel);
                *out++ = 255;
            }
        }
    }
    cairo_surface_destroy(surface);
    return !outImage.Empty();
}

void DrawContext(pf::Canvas& ioCanvas, GxContext& inContext, const CxRect& inRect)
{
    pf::Image image;
    if (inRect.Width() <= 0 || inRect.Height() <= 0)
        return;
    inContext.MakeCurrent();
    if (!ExportImage(inContext, image))
    {
        _CxDebug(__FILE__, __LINE__, "FxPrintSettings", "the context's image could not be exported");
        return;
    }
    ioCanvas.DrawImage(
        pf::Rect{double(inRect.left), double(inRect.top), double(inRect.Width()), double(inRect.Height())}, image);
}

} // namespace

FxPrintSettings::FxPrintSettings() = default;

FxPrintSettings::~FxPrintSettings()
{
    CxAssertText(mSettings == nullptr, "mSettings == nil");
    CxAssertText(mSession == nullptr, "mSession == nil");
    CxAssertText(mUpp == nullptr, "mUpp == nil");
    CxAssertText(mContext == nullptr, "mContext == nil");
    CxAssertText(mInsetContext == nullptr, "mInsetContext == nil");
    // Leaving it would leak the job and let a sheet reach this object through the window property later.
    if (mSession != nullptr)
    {
        pf::PMSessionDismissSheet(mSession);
        if (mParent != nullptr)
            pf::RemoveWindowProperty(mParent, kPropertyCreator, kPropertyTag);
        if (mSettings != nullptr)
            PrintDone(false);
        else
            PageSetupDone(false);
    }
    if (mFormat != nullptr)
        pf::PMRelease(mFormat);
}

FxPrintSettings* FxPrintSettings::FromWindow(pf::Window* inWindow)
{
    FxPrintSettings* settings = nullptr;
    if (pf::GetWindowProperty(inWindow, kPropertyCreator, kPropertyTag, &settings, sizeof settings) != pf::kNoErr)
        settings = nullptr;
    CxAssertText(settings != nullptr, "settings != nil");
    return settings;
}

CxSint32 FxPrintSettings::RunWindowDialog(FxWindow* inParent, bool inPrint)
{
    auto dialog = [&](bool* outAccepted)
    {
        return inPrint ? pf::PMSessionPrintDialog(mSession, mSettings, mFormat, outAccepted)
                       : pf::PMSessionPageSetupDialog(mSession, mFormat, outAccepted);
    };
    bool accepted = false;
    const pf::WindowRef window = inParent != nullptr ? inParent->GetRef() : nullptr;
    if (window == nullptr || !pf::IsValidWindow(window))
    {
        // No window to carry a sheet or the property: application-modal, done at once.
        const CxSint32 status = dialog(&accepted);
        inPrint ? PrintDone(accepted) : PageSetupDone(accepted);
        return status;
    }
    FxPrintSettings* self = this;
    pf::SetWindowProperty(window, kPropertyCreator, kPropertyTag, &self, sizeof self);
    mParent = window;
    const DoneProc done = mUpp;
    if (pf::PMSessionUseSheets(mSession, window, done) == pf::kNoErr)
    {
        const CxSint32 status = dialog(&accepted);
        if (status != pf::kNoErr)
            done(mSession, window, false);
        return status;
    }
    const CxSint32 status = dialog(&accepted);
    done(mSession, window, accepted);
    return status;
}

CxSint32 FxPrintSettings::PageSetupDialog(FxWindow* inParent, GxContext& inContext)
{
    CxAssertText(inParent != nullptr, "inParent != nil");
    CxAssertText(mUpp == nullptr, "mUpp == nil");
    CxAssertText(mSession == nullptr, "mSession == nil");
    if (mSession != nullptr)
        return pf::kParamErr;
    mUpp = &PageSetupDoneProc;
    pf::PMCreateSession(&mSession);
    InitPageFormat(inContext);
    return RunWindowDialog(inParent, false);
}

void FxPrintSettings::PageSetupDoneProc(pf::PrintSession*, pf::Window* inWindow, bool inAccepted)
{
    FxPrintSettings* settings = FromWindow(inWindow);
    if (settings == nullptr)
        return;
    settings->PageSetupDone(inAccepted);
    pf::RemoveWindowProperty(inWindow, kPropertyCreator, kPropertyTag);
}

void FxPrintSettings::PageSetupDone(bool)
{
    CxAssertText(mSession != nullptr, "mSession != nil");
    CxAssertText(mUpp != nullptr, "mUpp != nil");
    if (mSession != nullptr)
        pf::PMRelease(mSession);
    mSession = nullptr;
    mUpp = nullptr;
    mParent = nullptr;
}

CxSint32 FxPrintSettings::PrintDialog(FxWindow* inParent, GxContext& inContext, GxContext* inInset)
{
    CxAssertText(inParent != nullptr, "inParent != nil");
    CxAssertText(mUpp == nullptr, "mUpp == nil");
    CxAssertText(mSession == nullptr, "mSession == nil");
    CxAssertText(mSettings == nullptr, "mSettings == nil");
    if (mSession != nullptr || mSettings != nullptr)
        return pf::kParamErr;
    mContext = &inContext;
    mInsetContext = inInset;
    mUpp = &PrintDoneProc;
    pf::PMCreateSession(&mSession);
    InitPageFormat(inContext);
    pf::PMCreatePrintSettings(&mSettings);
    pf::PMSessionDefaultPrintSettings(mSession, mSettings);
    if (inParent != nullptr && pf::IsValidWindow(inParent->GetRef()))
    {
        const CxString title = inParent->Title();
        const CxUint16* units = title.GetChars();
        pf::PMSetJobName(mSettings, std::u16string(units, units + title.Length()));
    }
    pf::PMSetPageRange(mSettings, 1, 1);
    return RunWindowDialog(inParent, true);
}

bool FxPrintSettings::PrintDialog(FxPluginInstance*, GxContext& inContext, GxContext* inInset)
{
    mContext = &inContext;
    mInsetContext = inInset;
    mUpp = &PrintDoneProc;
    pf::PMCreateSession(&mSession);
    InitPageFormat(inContext);
    pf::PMCreatePrintSettings(&mSettings);
    pf::PMSessionDefaultPrintSettings(mSession, mSettings);
    pf::PMSetPageRange(mSettings, 1, 1);
    bool accepted = false;
    if (pf::PMSessionPrintDialog(mSession, mSettings, mFormat, &accepted) != pf::kNoErr || !accepted)
    {
        PrintDone(false);
        return false;
    }
    return true;
}

void FxPrintSettings::PrintDoneProc(pf::PrintSession*, pf::Window* inWindow, bool inAccepted)
{
    FxPrintSettings* settings = FromWindow(inWindow);
    if (settings == nullptr)
        return;
    settings->PrintDone(inAccepted);
    pf::RemoveWindowProperty(inWindow, kPropertyCreator, kPropertyTag);
}

void FxPrintSettings::PrintDone(bool inPrint)
{
    CxAssertText(mSettings != nullptr, "mSettings != nil");
    CxAssertText(mSession != nullptr, "mSession != nil");
    CxAssertText(mUpp != nullptr, "mUpp != nil");
    if (inPrint)
        PrintContext();
    if (mSettings != nullptr)
        pf::PMRelease(mSettings);
    if (mSession != nullptr)
        pf::PMRelease(mSession);
    mSettings = nullptr;
    mSession = nullptr;
    mUpp = nullptr;
    mContext = nullptr;
    mInsetContext = nullptr;
    mParent = nullptr;
}

void FxPrintSettings::InitPageFormat(GxContext& inContext)
{
    CxAssertText(mSession != nullptr, "mSession != nil");
    if (mFormat != nullptr || mSession == nullptr)
        return;
    pf::PMCreatePageFormat(&mFormat);
    pf::PMSessionDefaultPageFormat(mSession, mFormat);
    inContext.MakeCurrent();
    const CxRect bounds = inContext.ViewPortBounds();
    if (bounds.Width() > bounds.Height())
        pf::PMSetOrientation(mFormat, pf::kPMLandscape, false);
    pf::PMPrinter printer = nullptr;
    pf::PMResolution resolution;
    if (pf::PMSessionGetCurrentPrinter(mSession, &printer) == pf::kNoErr &&
        pf::PMPrinterGetPrinterResolution(printer, pf::kPMMaximumValue, &resolution) == pf::kNoErr)
        pf::PMSetResolution(mFormat, &resolution);
    pf::PMSessionValidatePageFormat(mSession, mFormat, nullptr);
}

void FxPrintSettings::PrintContext()
{
    CxAssertText(mSession != nullptr, "mSession != nil");
    CxAssertText(mSettings != nullptr, "mSettings != nil");
    CxAssertText(mFormat != nullptr, "mFormat != nil");
    CxAssertText(mContext != nullptr, "mContext != nil");
    if (mSession == nullptr || mSettings == nullptr || mFormat == nullptr || mContext == nullptr)
        return;
    mContext->MakeCurrent();
    const CxRect bounds = mContext->ViewPortBounds();
    pf::PMSessionSetSpoolFolder(mSession, PrintFolder());
    pf::Canvas* canvas = nullptr;
    if (pf::PMSessionBeginCGDocument(mSession, mSettings, mFormat) != pf::kNoErr)
    {
        _CxDebug(__FILE__, __LINE__, "FxPrintSettings", "the document could not be begun");
        return;
    }
    pf::PMSessionBeginPage(mSession, mFormat, nullptr);
    pf::PMSessionGetCGGraphicsContext(mSession, &canvas);
    pf::PMSessionValidatePageFormat(mSession, mFormat, nullptr);
    pf::PMRect adjusted;
    pf::PMGetAdjustedPageRect(mFormat, &adjusted);
    CxRect page(CxSint16(adjusted.left), CxSint16(adjusted.top), CxSint16(adjusted.right), CxSint16(adjusted.bottom));

    // The rectangles below are Core Graphics' (y up): flipping keeps the pictures upright.
    canvas->Save();
    canvas->Translate(0, page.Height());
    canvas->Scale(1, -1);
    CxSint16 insetWidth = 0;
    if (mInsetContext != nullptr)
    {
        CxAssertText(mInsetContext != mContext, "mInsetContext != mContext");
        mInsetContext->MakeCurrent();
        CxRect inset = mInsetContext->ViewPortBounds();
        inset.Offset(CxSint16(-inset.left), CxSint16(-inset.top));
        inset.right = CxSint16(inset.right * 3);
        inset.bottom = CxSint16(inset.bottom * 3);
        inset.Offset(CxSint16(page.Width() - inset.Width()), 0);
        inset.CenterOnY(page);
        DrawContext(*canvas, *mInsetContext, inset);
        insetWidth = inset.Width();
    }
    // An inset wider than the page leaves no room, never a negative width.
    page.right = CxSint16(std::max<int>(page.left, page.right - insetWidth - 10));
    if (bounds.Width() <= 0 || bounds.Height() <= 0)
    {
        _CxDebug(__FILE__, __LINE__, "FxPrintSettings", "the context is empty: no image printed");
    }
    else
    {
        const double scale = std::min(double(page.Width()) / bounds.Width(), double(page.Height()) / bounds.Height());
        CxRect image(0, 0, CxSint16(bounds.Width() * scale), CxSint16(bounds.Height() * scale));
        image.CenterOn(page);
        DrawContext(*canvas, *mContext, image);
    }
    canvas->Restore();
    pf::PMSessionEndPage(mSession);
    pf::PMSessionEndDocument(mSession);
}
