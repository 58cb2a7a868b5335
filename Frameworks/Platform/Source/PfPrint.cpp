#include "PfPrint.h"

#include "PfCairoCanvas.h"
#include "PfStandIns.h"
#include "PfWindowServerState.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace pf
{

class PrintObject
{
public:
    PrintObject();
    virtual ~PrintObject();
    PrintObject(const PrintObject&) = delete;
    PrintObject& operator=(const PrintObject&) = delete;
    std::uint32_t mCount = 1;
};

class PageFormat final : public PrintObject
{
public:
    PMOrientation mOrientation = kPMPortrait;
    PMResolution mResolution;
};

class PrintSettings final : public PrintObject
{
public:
    std::u16string mJobName;
    std::uint32_t mFirst = 1;
    std::uint32_t mLast = 0x7FFFFFFF;
};

class Printer
{
};

namespace
{

// Draws on the PDF and keeps the same operations for the job's record.
class TeeCanvas final : public Canvas
{
public:
    TeeCanvas(Canvas& inA, Canvas& inB) : mA(inA), mB(inB) {}
    void Save() override
    {
        Both([](Canvas& c) { c.Save(); });
    }
    void Restore() override
    {
        Both([](Canvas& c) { c.Restore(); });
    }
    void ConcatTransform(const Affine& inT) override
    {
        Both([&](Canvas& c) { c.ConcatTransform(inT); });
    }
    Affine Transform() const override { return mB.Transform(); }
    void SetFillColor(const Color& inC) override
    {
        Both([&](Canvas& c) { c.SetFillColor(inC); });
    }
    void SetStrokeColor(const Color& inC) override
    {
        Both([&](Canvas& c) { c.SetStrokeColor(inC); });
    }
    void SetLineWidth(double inW) override
    {
        Both([&](Canvas& c) { c.SetLineWidth(inW); });
    }
    void BeginPath() override
    {
        Both([](Canvas& c) { c.BeginPath(); });
    }
    void MoveTo(Point inP) override
    {
        Both([&](Canvas& c) { c.MoveTo(inP); });
    }
    void LineTo(Point inP) override
    {
        Both([&](Canvas& c) { c.LineTo(inP); });
    }
    void AddArcToPoint(Point inP1, Point inP2, double inR) override
    {
        Both([&](Canvas& c) { c.AddArcToPoint(inP1, inP2, inR); });
    }
    void AddRect(const Rect& inR) override
    {
        Both([&](Canvas& c) { c.AddRect(inR); });
    }
    void ClosePath() override
    {
        Both([](Canvas& c) { c.ClosePath(); });
    }
    void FillPath() override
    {
        Both([](Canvas& c) { c.FillPath(); });
    }
    void StrokePath() override
    {
        Both([](Canvas& c) { c.StrokePath(); });
    }
    void ClipToRect(const Rect& inR) override
    {
        Both([&](Canvas& c) { c.ClipToRect(inR); });
    }
    void DrawImage(const Rect& inR, const Image& inI) override
    {
        Both([&](Canvas& c) { c.DrawImage(inR, inI); });
    }
    void DrawAxialShading(Point inS, Point inE, const ShadingFunction& inF, bool inXs, bool inXe) override
    {
        Both([&](Canvas& c) { c.DrawAxialShading(inS, inE, inF, inXs, inXe); });
    }
    void DrawText(const TextLayout& inL, Point inO) override
    {
        Both([&](Canvas& c) { c.DrawText(inL, inO); });
    }

private:
    template <typename F> void Both(F inF)
    {
        inF(mA);
        inF(mB);
    }
    Canvas& mA;
    Canvas& mB;
};

struct PrintState
{
    PrinterSetup setup;
    std::vector<PrintJob> jobs;
    std::vector<PrintSession*> sheets; // oldest first
    std::size_t live = 0;
    Printer printer;
};

PrintState& Print()
{
    static PrintState sState;
    return sState;
}

} // namespace

class PrintSession final : public PrintObject
{
public:
    ~PrintSession() override;

    WindowRef mSheetParent = nullptr;
    PMSheetDoneProc mDone = nullptr;
    WindowRef mSheet = nullptr;
    TakerRef mTaker = 0;
    std::string mFolder;
    OSStatus mError = kNoErr;
    // The document under way.
    PrintJob mJob;
    std::unique_ptr<CairoCanvas> mPdf;
    std::unique_ptr<RecordingCanvas> mRecord;
    std::unique_ptr<TeeCanvas> mTee;
};

PrintObject::PrintObject()
{
    ++Print().live;
}

PrintObject::~PrintObject()
{
    --Print().live;
}

namespace
{

template <typename T> OSStatus Create(T** outObject)
{
    if (outObject == nullptr)
        return kParamErr;
    *outObject = new T;
    return kNoErr;
}

void TakeDownSheet(PrintSession* inSession)
{
    auto& sheets = Print().sheets;
    sheets.erase(std::remove(sheets.begin(), sheets.end(), inSession), sheets.end());
    PopScriptTaker(inSession->mTaker);
    inSession->mTaker = 0;
    HideSheetWindow(inSession->mSheet);
    DisposeWindow(inSession->mSheet);
    inSession->mSheet = nullptr;
}

// The sheet holds the session until its answer has been given.
void AnswerSheet(PrintSession* inSession, bool inAccepted)
{
    const WindowRef parent = inSession->mSheetParent;
    const PMSheetDoneProc done = inSession->mDone;
    TakeDownSheet(inSession);
    inSession->mSheetParent = nullptr;
    inSession->mDone = nullptr;
    if (done != nullptr)
        done(inSession, parent, inAccepted);
    PMRelease(inSession);
}

// Application-modal: items before the answer are delivered as usual; a dry script cancels.
bool RunModalDialog()
{
    const WindowRef dialog = CreateWindow(kMovableModalWindowClass, 0, Rect{570, 300, 300, 200});
    ShowWindow(dialog);
    bool accepted = false;
    const TakerRef taker = PushScriptTaker(
        [&](const ScriptItem& inItem)
        {
            if (inItem.kind != ScriptKind::kAccept && inItem.kind != ScriptKind::kCancel)
                return false;
            accepted = inItem.kind == ScriptKind::kAccept;
            QuitAppModalLoopForWindow(dialog);
            return true;
        });
    if (RunAppModalLoopForWindow(dialog) != kNoErr)
        accepted = false;
    PopScriptTaker(taker);
    DisposeWindow(dialog);
    return accepted;
}

OSStatus RunDialog(PrintSession* inSession, bool* outAccepted)
{
    if (inSession == nullptr || outAccepted == nullptr)
        return kParamErr;
    *outAccepted = false;
    if (inSession->mSheetParent != nullptr && inSession->mSheet == nullptr)
    {
        const WindowRef sheet = CreateWindow(kSheetWindowClass, 0, Rect{0, 0, 300, 200});
        if (ShowSheetWindow(sheet, inSession->mSheetParent) == kNoErr)
        {
            InstallInputSource();
            inSession->mSheet = sheet;
            PMRetain(inSession);
            Print().sheets.push_back(inSession);
            inSession->mTaker = PushScriptTaker(
                [inSession](const ScriptItem& inItem)
                {
                    if (inItem.kind != ScriptKind::kAccept && inItem.kind != ScriptKind::kCancel)
                        return false;
                    AnswerSheet(inSession, inItem.kind == ScriptKind::kAccept);
                    return true;
                });
            return kNoErr;
        }
        DisposeWindow(sheet);
        const WindowRef parent = inSession->mSheetParent;
        const PMSheetDoneProc done = inSession->mDone;
        inSession->mSheetParent = nullptr;
        inSession->mDone = nullptr;
        const bool accepted = RunModalDialog();
        if (done != nullptr)
            done(inSession, parent, accepted);
        return kNoErr;
    }
    *outAccepted = RunModalDialog();
    return kNoErr;
}

std::string Utf8(const std::u16string& inText)
{
    std::string out;
    for (std::size_t i = 0; i < inText.size(); ++i)
    {
        std::uint32_t c = inText[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < inText.size() && inText[i + 1] >= 0xDC00 && inText[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (inText[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80)
            out += char(c);
        else if (c < 0x800)
            out += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        else if (c < 0x10000)
            out += {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        else
            out += {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)), char(0x80 | ((c >> 6) & 0x3F)),
                    char(0x80 | (c & 0x3F))};
    }
    return out;
}

std::string FileStem(const std::u16string& inJobName)
{
    std::string stem = Utf8(inJobName);
    for (char& c : stem)
    {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    }
    // A name the file system refuses would lose the job: keep room for " <n>.pdf", cut at a character.
    constexpr std::size_t kMaxStem = 240;
    if (stem.size() > kMaxStem)
    {
        std::size_t end = kMaxStem;
        while (end > 0 && (static_cast<unsigned char>(stem[end]) & 0xC0) == 0x80)
            --end;
        stem.resize(end);
    }
    return stem.empty() ? std::string("untitled") : stem;
}

// Claims the first free name by creating it, so that no other job takes it meanwhile.
std::string ClaimFile(const std::string& inFolder, const std::string& inStem)
{
    for (int n = 1; n < 10000; ++n)
    {
        const std::string path = inFolder + "/" + inStem + (n == 1 ? std::string() : " " + std::to_string(n)) + ".pdf";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0)
        {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            return std::string();
    }
    return std::string();
}

void PaperOf(PMOrientation inOrientation, double& outWidth, double& outHeight)
{
    const PrinterSetup& setup = Print().setup;
    outWidth = inOrientation == kPMLandscape ? setup.paperHeight : setup.paperWidth;
    outHeight = inOrientation == kPMLandscape ? setup.paperWidth : setup.paperHeight;
}

} // namespace

PrintSession::~PrintSession()
{
    if (mPdf)
    {
        std::string error;
        mPdf->Finish(error);
        ::unlink(mJob.path.c_str());
    }
}

OSStatus PMCreateSession(PMPrintSession* outSession)
{
    return Create(outSession);
}

OSStatus PMCreatePageFormat(PMPageFormat* outFormat)
{
    return Create(outFormat);
}

OSStatus PMCreatePrintSettings(PMPrintSettings* outSettings)
{
    return Create(outSettings);
}

namespace
{
OSStatus Retain(PrintObject* inObject)
{
    if (inObject == nullptr)
        return kParamErr;
    ++inObject->mCount;
    return kNoErr;
}

OSStatus Release(PrintObject* inObject)
{
    if (inObject == nullptr)
        return kParamErr;
    if (--inObject->mCount == 0)
        delete inObject;
    return kNoErr;
}
} // namespace

OSStatus PMRetain(PMPrintSession inObject)
{
    return Retain(inObject);
}
OSStatus PMRetain(PMPageFormat inObject)
{
    return Retain(inObject);
}
OSStatus PMRetain(PMPrintSettings inObject)
{
    return Retain(inObject);
}
OSStatus PMRelease(PMPrintSession inObject)
{
    return Release(inObject);
}
OSStatus PMRelease(PMPageFormat inObject)
{
    return Release(inObject);
}
OSStatus PMRelease(PMPrintSettings inObject)
{
    return Release(inObject);
}

OSStatus PMSessionDefaultPageFormat(PMPrintSession inSession, PMPageFormat ioFormat)
{
    if (inSession == nullptr || ioFormat == nullptr)
        return kParamErr;
    ioFormat->mOrientation = kPMPortrait;
    ioFormat->mResolution = PMResolution();
    return kNoErr;
}

OSStatus PMSessionDefaultPrintSettings(PMPrintSession inSession, PMPrintSettings ioSettings)
{
    if (inSession == nullptr || ioSettings == nullptr)
        return kParamErr;
    ioSettings->mJobName.clear();
    ioSettings->mFirst = 1;
    ioSettings->mLast = 0x7FFFFFFF;
    return kNoErr;
}

OSStatus PMSetOrientation(PMPageFormat ioFormat, PMOrientation inOrientation, bool)
{
    if (ioFormat == nullptr || (inOrientation != kPMPortrait && inOrientation != kPMLandscape))
        return kParamErr;
    ioFormat->mOrientation = inOrientation;
    return kNoErr;
}

OSStatus PMGetOrientation(PMPageFormat inFormat, PMOrientation* outOrientation)
{
    if (inFormat == nullptr || outOrientation == nullptr)
        return kParamErr;
    *outOrientation = inFormat->mOrientation;
    return kNoErr;
}

OSStatus PMSetResolution(PMPageFormat ioFormat, const PMResolution* inResolution)
{
    if (ioFormat == nullptr || inResolution == nullptr)
        return kParamErr;
    ioFormat->mResolution = *inResolution;
    return kNoErr;
}

OSStatus PMGetResolution(PMPageFormat inFormat, PMResolution* outResolution)
{
    if (inFormat == nullptr || outResolution == nullptr)
        return kParamErr;
    *outResolution = inFormat->mResolution;
    return kNoErr;
}

OSStatus PMSessionValidatePageFormat(PMPrintSession inSession, PMPageFormat ioFormat, bool* outChanged)
{
    if (inSession == nullptr || ioFormat == nullptr)
        return kParamErr;
    const PMResolution before = ioFormat->mResolution;
    auto clamp = [](double inDpi) { return inDpi >= 72.0 && inDpi <= 300.0 ? inDpi : inDpi > 300.0 ? 300.0 : 72.0; };
    ioFormat->mResolution.hRes = clamp(before.hRes);
    ioFormat->mResolution.vRes = clamp(before.vRes);
    if (outChanged != nullptr)
        *outChanged = before.hRes != ioFormat->mResolution.hRes || before.vRes != ioFormat->mResolution.vRes;
    return kNoErr;
}

OSStatus PMGetAdjustedPageRect(PMPageFormat inFormat, PMRect* outRect)
{
    if (inFormat == nullptr || outRect == nullptr)
        return kParamErr;
    double width = 0.0;
    double height = 0.0;
    PaperOf(inFormat->mOrientation, width, height);
    const double margin = Print().setup.margin;
    *outRect = PMRect{0.0, 0.0, std::max(0.0, height - 2 * margin), std::max(0.0, width - 2 * margin)};
    return kNoErr;
}

OSStatus PMSessionGetCurrentPrinter(PMPrintSession inSession, PMPrinter* outPrinter)
{
    if (inSession == nullptr || outPrinter == nullptr)
        return kParamErr;
    *outPrinter = &Print().printer;
    return kNoErr;
}

OSStatus PMPrinterGetPrinterResolution(PMPrinter inPrinter, PMTag inTag, PMResolution* outResolution)
{
    if (inPrinter == nullptr || outResolution == nullptr)
        return kParamErr;
    const double dpi = inTag == kPMMaximumValue ? 300.0 : 72.0;
    *outResolution = PMResolution{dpi, dpi};
    return inTag == kPMMaximumValue || inTag == kPMMinimumValue || inTag == kPMDefaultValue ? kNoErr : kParamErr;
}

OSStatus PMSetJobName(PMPrintSettings ioSettings, const std::u16string& inName)
{
    if (ioSettings == nullptr)
        return kParamErr;
    ioSettings->mJobName = inName;
    return kNoErr;
}

OSStatus PMGetJobName(PMPrintSettings inSettings, std::u16string* outName)
{
    if (inSettings == nullptr || outName == nullptr)
        return kParamErr;
    *outName = inSettings->mJobName;
    return kNoErr;
}

OSStatus PMSetPageRange(PMPrintSettings ioSettings, std::uint32_t inFirst, std::uint32_t inLast)
{
    if (ioSettings == nullptr || inFirst == 0 || inLast < inFirst)
        return kParamErr;
    ioSettings->mFirst = inFirst;
    ioSettings->mLast = inLast;
    return kNoErr;
}

OSStatus PMGetPageRange(PMPrintSettings inSettings, std::uint32_t* outFirst, std::uint32_t* outLast)
{
    if (inSettings == nullptr || outFirst == nullptr || outLast == nullptr)
        return kParamErr;
    *outFirst = inSettings->mFirst;
    *outLast = inSettings->mLast;
    return kNoErr;
}

OSStatus PMSessionUseSheets(PMPrintSession inSession, WindowRef inParent, PMSheetDoneProc inDone)
{
    if (inSession == nullptr || !IsValidWindow(inParent))
        return kParamErr;
    if (!Print().setup.sheets)
        return kPMNotImplemented;
    inSession->mSheetParent = inParent;
    inSession->mDone = inDone;
    return kNoErr;
}

OSStatus PMSessionPageSetupDialog(PMPrintSession inSession, PMPageFormat ioFormat, bool* outAccepted)
{
    if (ioFormat == nullptr)
        return kParamErr;
    return RunDialog(inSession, outAccepted);
}

OSStatus PMSessionPrintDialog(PMPrintSession inSession, PMPrintSettings ioSettings, PMPageFormat inFormat,
                              bool* outAccepted)
{
    if (ioSettings == nullptr || inFormat == nullptr)
        return kParamErr;
    return RunDialog(inSession, outAccepted);
}

OSStatus PMSessionDismissSheet(PMPrintSession inSession)
{
    if (inSession == nullptr || inSession->mSheet == nullptr)
        return kParamErr;
    TakeDownSheet(inSession);
    inSession->mSheetParent = nullptr;
    inSession->mDone = nullptr;
    PMRelease(inSession);
    return kNoErr;
}

OSStatus PMSessionSetSpoolFolder(PMPrintSession inSession, const std::string& inFolder)
{
    if (inSession == nullptr || inFolder.empty())
        return kParamErr;
    inSession->mFolder = inFolder;
    return kNoErr;
}

OSStatus PMSessionBeginCGDocument(PMPrintSession inSession, PMPrintSettings inSettings, PMPageFormat inFormat)
{
    if (inSession == nullptr || inSettings == nullptr || inFormat == nullptr || inSession->mPdf)
        return kParamErr;
    PrintJob job;
    job.orientation = inFormat->mOrientation;
    job.resolution = inFormat->mResolution;
    PaperOf(job.orientation, job.width, job.height);
    job.path =
        inSession->mFolder.empty() ? std::string() : ClaimFile(inSession->mFolder, FileStem(inSettings->mJobName));
    if (job.path.empty())
    {
        Log("print: no file in \"" + inSession->mFolder + "\": " + std::strerror(errno));
        return inSession->mError = kPMGeneralError;
    }
    std::string error;
    inSession->mPdf = CairoCanvas::MakePdf(job.path, job.width, job.height, error);
    if (!inSession->mPdf)
    {
        Log("print: " + error);
        ::unlink(job.path.c_str());
        return inSession->mError = kPMGeneralError;
    }
    inSession->mJob = std::move(job);
    return inSession->mError = kNoErr;
}

OSStatus PMSessionBeginPage(PMPrintSession inSession, PMPageFormat inFormat, const PMRect*)
{
    if (inSession == nullptr || inFormat == nullptr || !inSession->mPdf || inSession->mTee)
        return kParamErr;
    const double margin = Print().setup.margin;
    inSession->mRecord = std::make_unique<RecordingCanvas>(inSession->mJob.width, inSession->mJob.height);
    inSession->mTee = std::make_unique<TeeCanvas>(*inSession->mPdf, *inSession->mRecord);
    inSession->mTee->Save();
    inSession->mTee->Translate(margin, margin);
    return kNoErr;
}

OSStatus PMSessionGetCGGraphicsContext(PMPrintSession inSession, Canvas** outCanvas)
{
    if (inSession == nullptr || outCanvas == nullptr || !inSession->mTee)
        return kParamErr;
    *outCanvas = inSession->mTee.get();
    return kNoErr;
}

OSStatus PMSessionEndPage(PMPrintSession inSession)
{
    if (inSession == nullptr || !inSession->mTee)
        return kParamErr;
    inSession->mTee->Restore();
    inSession->mTee.reset();
    inSession->mJob.operations = inSession->mRecord->Operations();
    inSession->mRecord.reset();
    return kNoErr;
}

OSStatus PMSessionEndDocument(PMPrintSession inSession)
{
    if (inSession == nullptr || !inSession->mPdf)
        return kParamErr;
    if (inSession->mTee)
        PMSessionEndPage(inSession);
    std::string error;
    const bool written = inSession->mPdf->Finish(error);
    inSession->mPdf.reset();
    if (!written)
    {
        Log("print: " + error);
        ::unlink(inSession->mJob.path.c_str());
        return inSession->mError = kPMGeneralError;
    }
    Log("print: wrote " + inSession->mJob.path);
    Print().jobs.push_back(std::move(inSession->mJob));
    inSession->mJob = PrintJob();
    return kNoErr;
}

void SetPrinterForTesting(const PrinterSetup& inSetup)
{
    Print().setup = inSetup;
}

const std::vector<PrintJob>& PrintJobs()
{
    return Print().jobs;
}

std::size_t LivePrintObjects()
{
    return Print().live;
}

std::size_t PrintSheetCount()
{
    return Print().sheets.size();
}

void ResetPrintingForTesting()
{
    Print().setup = PrinterSetup();
    Print().jobs.clear();
    Print().sheets.clear();
}

void ForgetPrintSheets()
{
    Print().sheets.clear();
}

bool PrintSheetsPending()
{
    return !Print().sheets.empty();
}

void CancelNewestPrintSheet()
{
    if (!Print().sheets.empty())
    {
        Log("print: the script is exhausted, the sheet is cancelled");
        AnswerSheet(Print().sheets.back(), false);
    }
}

} // namespace pf
