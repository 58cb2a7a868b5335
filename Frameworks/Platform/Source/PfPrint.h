// The print service: one printer, the job's session, page format and print settings (reference-counted), the
// page-setup and print dialogs answered by the script's accept and cancel items, and a spool that writes each
// accepted job as one PDF file. Main thread only. Frameworks/Platform/README.md
#pragma once

#include "PfRecordingCanvas.h"
#include "PfTypes.h"
#include "PfWindowServer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pf
{

class PrintSession;
class PageFormat;
class PrintSettings;
class Printer;
using PMPrintSession = PrintSession*;
using PMPageFormat = PageFormat*;
using PMPrintSettings = PrintSettings*;
using PMPrinter = Printer*;

enum PMOrientation : std::uint16_t
{
    kPMPortrait = 1,
    kPMLandscape = 2
};

enum PMTag : std::uint32_t
{
    kPMMinimumValue = FourCC("minv"),
    kPMDefaultValue = FourCC("dval"),
    kPMMaximumValue = FourCC("maxv")
};

struct PMResolution
{
    double hRes = 72.0;
    double vRes = 72.0;
};

struct PMRect
{
    double top = 0.0;
    double left = 0.0;
    double bottom = 0.0;
    double right = 0.0;
};

constexpr OSStatus kPMCancel = 128;
constexpr OSStatus kPMGeneralError = -30870;
constexpr OSStatus kPMNotImplemented = -30873;

// Called once per sheet, from the script's delivery, with the sheet's parent.
using PMSheetDoneProc = void (*)(PMPrintSession inSession, WindowRef inParent, bool inAccepted);

// Each starts with a count of 1; the object goes at 0. Null answers kParamErr.
OSStatus PMCreateSession(PMPrintSession* outSession);
OSStatus PMCreatePageFormat(PMPageFormat* outFormat);
OSStatus PMCreatePrintSettings(PMPrintSettings* outSettings);
OSStatus PMRetain(PMPrintSession inObject);
OSStatus PMRetain(PMPageFormat inObject);
OSStatus PMRetain(PMPrintSettings inObject);
OSStatus PMRelease(PMPrintSession inObject);
OSStatus PMRelease(PMPageFormat inObject);
OSStatus PMRelease(PMPrintSettings inObject);

// Portrait at 72 dpi; job name empty, pages 1 to the last.
OSStatus PMSessionDefaultPageFormat(PMPrintSession inSession, PMPageFormat ioFormat);
OSStatus PMSessionDefaultPrintSettings(PMPrintSession inSession, PMPrintSettings ioSettings);
// The lock is not kept.
OSStatus PMSetOrientation(PMPageFormat ioFormat, PMOrientation inOrientation, bool inLock);
OSStatus PMGetOrientation(PMPageFormat inFormat, PMOrientation* outOrientation);
OSStatus PMSetResolution(PMPageFormat ioFormat, const PMResolution* inResolution);
OSStatus PMGetResolution(PMPageFormat inFormat, PMResolution* outResolution);
// Brings the resolution within the printer's (72 to 300 dpi); outChanged (may be null) tells whether it moved.
OSStatus PMSessionValidatePageFormat(PMPrintSession inSession, PMPageFormat ioFormat, bool* outChanged);
// The imageable area with its origin at (0, 0), in points: the paper less its margins, turned in landscape.
OSStatus PMGetAdjustedPageRect(PMPageFormat inFormat, PMRect* outRect);

OSStatus PMSessionGetCurrentPrinter(PMPrintSession inSession, PMPrinter* outPrinter);
// Minimum and default 72 dpi, maximum 300.
OSStatus PMPrinterGetPrinterResolution(PMPrinter inPrinter, PMTag inTag, PMResolution* outResolution);

OSStatus PMSetJobName(PMPrintSettings ioSettings, const std::u16string& inName);
OSStatus PMGetJobName(PMPrintSettings inSettings, std::u16string* outName);
OSStatus PMSetPageRange(PMPrintSettings ioSettings, std::uint32_t inFirst, std::uint32_t inLast);
OSStatus PMGetPageRange(PMPrintSettings inSettings, std::uint32_t* outFirst, std::uint32_t* outLast);

// The next dialog of the session becomes a sheet on the window; kPMNotImplemented when sheets are unavailable.
OSStatus PMSessionUseSheets(PMPrintSession inSession, WindowRef inParent, PMSheetDoneProc inDone);
// As a sheet: shows it and answers at once (outAccepted false); the done procedure gets the answer later. A sheet
// that cannot be shown runs application-modal and calls the done procedure before returning. Otherwise the
// dialog runs application-modal and answers the script's accept (true) or cancel, or false when the script runs
// dry.
OSStatus PMSessionPageSetupDialog(PMPrintSession inSession, PMPageFormat ioFormat, bool* outAccepted);
OSStatus PMSessionPrintDialog(PMPrintSession inSession, PMPrintSettings ioSettings, PMPageFormat inFormat,
                              bool* outAccepted);
// Takes the session's sheet down without calling its done procedure (its owner is going).
OSStatus PMSessionDismissSheet(PMPrintSession inSession);

// Where the session's documents go; the folder must exist.
OSStatus PMSessionSetSpoolFolder(PMPrintSession inSession, const std::string& inFolder);
// Opens "<job name>.pdf" ("untitled" without one; '/' and control characters become '_'), else "<job name>
// 2.pdf" and so on: a file is never overwritten. One page per document.
OSStatus PMSessionBeginCGDocument(PMPrintSession inSession, PMPrintSettings inSettings, PMPageFormat inFormat);
OSStatus PMSessionBeginPage(PMPrintSession inSession, PMPageFormat inFormat, const PMRect* inUnused);
// The page's canvas: y down, one unit a point, its origin at the imageable area's top-left. Valid until the page
// ends.
OSStatus PMSessionGetCGGraphicsContext(PMPrintSession inSession, Canvas** outCanvas);
OSStatus PMSessionEndPage(PMPrintSession inSession);
// Writes the file, logs a line naming it and keeps the job's record.
OSStatus PMSessionEndDocument(PMPrintSession inSession);

// ---- Tests ---------------------------------------------------------------------------------------------------

struct PrinterSetup
{
    double paperWidth = 612.0; // US Letter, portrait, in points
    double paperHeight = 792.0;
    double margin = 18.0; // on every side
    bool sheets = true;
};
void SetPrinterForTesting(const PrinterSetup& inSetup);

struct PrintJob
{
    std::string path;
    double width = 0.0; // the page, turned in landscape
    double height = 0.0;
    PMOrientation orientation = kPMPortrait;
    PMResolution resolution;
    std::vector<Operation> operations; // what was drawn, in page coordinates
};
const std::vector<PrintJob>& PrintJobs();
// Sessions, formats and settings alive.
std::size_t LivePrintObjects();
// Sheets up now.
std::size_t PrintSheetCount();
// Forgets the jobs and the sheets' bookkeeping and restores the default printer.
void ResetPrintingForTesting();

} // namespace pf
