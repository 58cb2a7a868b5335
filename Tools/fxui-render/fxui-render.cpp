// fxui-render FILE.fxui WINDOW OUT.png [--content]: builds the window from the interface file, hidden, and writes
// what it shows as a PNG: its frame and content, or with --content the content alone. Exit status 0, or 1 with a
// message.
#include "FxInterfaceFile.h"
#include "PfCairoCanvas.h"
#include "PfRunLoop.h"
#include "PfSurface.h"
#include "PfTheme.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

using namespace pf;

namespace
{

constexpr const char* kUsage =
    "usage: fxui-render FILE.fxui WINDOW OUT.png [--content]\n"
    "\n"
    "Builds the window named WINDOW from the interface file, hidden, and draws it as the window server shows it:\n"
    "its title bar and content (the frame's size), or with --content the content alone. Controls take their\n"
    "standard look; a user pane that nothing draws shows its outline and its 'FACE'/'CLAS' class code. The image\n"
    "is written to OUT.png. A file there is replaced whole (a fresh file renamed over it), so a failed write leaves\n"
    "it as it was; its permissions, owner, ACLs and other hard links are not kept. The file a link there leads to\n"
    "is replaced the same way, the link kept, and keeps its owner, group and permissions, not its ACLs; one with\n"
    "other hard links, or whose owner or group the caller cannot give, is written through instead and keeps all\n"
    "that, but a failed write then cuts it. A device, a FIFO or a descriptor (/dev/stdout, /dev/fd/N) is written\n"
    "through (/dev/stdout sends it down a pipe), and so is a link's file where no fresh file can be made beside it\n"
    "or the rename is refused. No display is needed.\n"
    "\n"
    "Exit status: 0 when the image is written; 1 with a message for bad arguments, an unreadable or invalid file\n"
    "(a parse error names its line), an unknown window, or an image that cannot be written.\n";

int Fail(const std::string& inMessage)
{
    std::cerr << "fxui-render: " << inMessage << '\n';
    return 1;
}

// The outline and class code of a pane that has no look of its own.
void MarkUserPanes(ViewRef inView)
{
    for (ViewRef child : GetSubviews(inView))
    {
        if (GetViewKind(child) == ViewKind::kUserPane)
        {
            GetViewEventTarget(child)->InstallHandler(
                {{kClassControl, kControlDraw}},
                [child](HandlerCallRef inCall, Event& ioEvent)
                {
                    Canvas* canvas = nullptr;
                    if (ioEvent.GetParam(kParamCGContext, kTypeCGContext, canvas) != kNoErr || canvas == nullptr)
                        return CallNext(inCall, ioEvent);
                    const Rect bounds = GetViewBounds(child);
                    canvas->SetStrokeColor(Color{0.5, 0.5, 0.55, 1});
                    canvas->SetLineWidth(1);
                    canvas->StrokeRect(Rect{0.5, 0.5, bounds.w - 1, bounds.h - 1});
                    FourCharCode code = 0;
                    if (GetControlProperty(child, kFxFaceSignature, FourCC("CLAS"), &code, sizeof code) == kNoErr)
                    {
                        const std::u16string text{char16_t(code >> 24 & 0xFF), char16_t(code >> 16 & 0xFF),
                                                  char16_t(code >> 8 & 0xFF), char16_t(code & 0xFF)};
                        DrawThemeText(*canvas, u"'" + text + u"'", Rect{0, 0, bounds.w, std::min(bounds.h, 20.0)}, true,
                                      Color{0.4, 0.4, 0.45, 1}, 11);
                    }
                    return kNoErr;
                });
        }
        MarkUserPanes(child);
    }
}

} // namespace

int main(int inArgc, char** inArgv)
{
    std::vector<std::string> args;
    bool contentOnly = false;
    for (int i = 1; i < inArgc; ++i)
    {
        const std::string arg = inArgv[i];
        if (arg == "--help" || arg == "-h")
        {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--content")
            contentOnly = true;
        else if (arg.rfind("--", 0) == 0)
            return Fail("unknown option " + arg + "\n" + kUsage);
        else
            args.push_back(arg);
    }
    if (args.size() != 3)
        return Fail(std::string("expected FILE.fxui WINDOW OUT.png\n") + kUsage);

    std::string error;
    const auto file = FxInterfaceFile::OpenPath(args[0], error);
    if (!file)
        return Fail(error);
    MainLoop().ResetForTesting(ClockKind::kVirtual);
    const WindowRef window = file->CreateWindow(CxString::FromUtf8(args[1]));
    if (window == nullptr)
    {
        std::string names;
        for (const CxString& name : file->WindowNames())
            names += (names.empty() ? "" : ", ") + name.AsUtf8();
        return Fail("no window '" + args[1] + "' in " + args[0] + " (windows: " + names + ")");
    }
    MarkUserPanes(GetContentView(window));
    const Snapshot shot = TakeSnapshot(window);
    Image content = Image::FromRgba(shot.rgba.data(), shot.width, shot.height, std::size_t(shot.width) * 4);
    Image out = content;
    if (!contentOnly)
    {
        const Rect structure = GetWindowBounds(window, kWindowStructureRgn);
        const Rect inner = GetWindowBounds(window, kWindowContentRgn);
        auto canvas = CairoCanvas::MakeBitmap(std::int32_t(structure.w), std::int32_t(structure.h));
        if (!canvas)
            return Fail("the window has no size");
        DrawThemeWindowFrame(*canvas, window);
        // Images are upright in a y-up space.
        const double left = inner.x - structure.x;
        const double top = inner.y - structure.y;
        canvas->Translate(0, top + inner.h);
        canvas->Scale(1, -1);
        canvas->DrawImage(Rect{left, 0, inner.w, inner.h}, content);
        out = canvas->Snapshot();
    }
    DisposeWindow(window);
    if (out.Empty())
        return Fail("the window has no size");
    if (!WritePngFile(out, args[2], error))
        return Fail(error);
    return 0;
}
