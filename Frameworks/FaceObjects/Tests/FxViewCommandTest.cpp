// Commands sent to a graphic: its own OnCommand hears them first, and what it leaves climbs to its window.
#include "FxView.h"
#include "FxWindow.h"

#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace pf;

std::vector<std::string> gHeard;

std::string Code(CxUint32 inCode)
{
    return std::string{char(inCode >> 24), char(inCode >> 16), char(inCode >> 8), char(inCode)};
}

class CommandWindow : public FxDocumentWindow
{
public:
    CommandWindow() : FxDocumentWindow(CxRect(100, 100, 300, 250)) {}
    void OnCommand(FxCommand& ioCommand) override
    {
        gHeard.push_back("window " + Code(ioCommand.Id()));
        ioCommand.SetHandled(ioCommand.Id() != FourCC("none"));
    }
};

// Handles 'mine' only.
class CommandGraphic : public FxGraphic
{
public:
    explicit CommandGraphic(ViewRef inView) : FxGraphic(FxViewInfo{inView}) {}
    void OnCommand(FxCommand& ioCommand) override
    {
        gHeard.push_back("graphic " + Code(ioCommand.Id()));
        ioCommand.SetHandled(ioCommand.Id() == FourCC("mine"));
    }
};

TEST(FxViewCommandTest, AGraphicsCommandsReachItThenItsWindow)
{
    MainLoop().ResetForTesting(ClockKind::kVirtual);
    ResetWindowServerForTesting();
    std::unique_ptr<FxWindow> window(new CommandWindow);
    const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{10, 10, 50, 50});
    AddSubview(GetContentView(window->GetRef()), pane);
    auto* graphic = new CommandGraphic(pane);
    const struct
    {
        FourCharCode command;
        OSStatus status;
        std::vector<std::string> heard;
    } rows[] = {
        {FourCC("mine"), kNoErr, {"graphic mine"}},
        {FourCC("else"), kNoErr, {"graphic else", "window else"}},
        {FourCC("none"), kEventNotHandled, {"graphic none", "window none"}},
    };
    for (const auto& row : rows)
    {
        gHeard.clear();
        EXPECT_EQ(graphic->ObeyCommand(row.command), row.status) << Code(row.command);
        EXPECT_EQ(gHeard, row.heard) << Code(row.command);
    }
    // Straight to the graphic's handling, with no handler after it: only its own command is handled.
    for (const auto& [command, status] : {std::pair{FourCC("mine"), kNoErr}, {FourCC("else"), kEventNotHandled}})
    {
        gHeard.clear();
        EXPECT_EQ(graphic->Event(nullptr, *FxCommander::BuildCommandEvent(command)), status) << Code(command);
        EXPECT_EQ(gHeard, std::vector<std::string>{"graphic " + Code(command)});
    }
    window.reset();
    ResetWindowServerForTesting();
}

} // namespace
