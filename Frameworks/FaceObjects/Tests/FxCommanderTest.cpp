#include "FxCommander.h"
#include "CxDebug.h"
#include "CxSystem.h"
#include "FxMenu.h"
#include "FxMouseEvent.h"
#include "PfSurface.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

using namespace pf;

const std::string kFixtures = std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/FaceObjects/Tests/data";

std::string Code(CxUint32 inId)
{
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8)
        code += char((inId >> shift) & 0xFF);
    return code;
}

// Records every command and status it sees as "name command|status code text", and handles the codes it is
// given.
class Commander : public FxCommander
{
public:
    Commander(std::string inName, std::vector<std::string>& ioTrace, std::set<CxUint32> inHandles = {})
        : mName(std::move(inName)), mTrace(ioTrace), mHandles(std::move(inHandles))
    {
    }
    void Install(EventTarget* inTarget)
    {
        const EventTypeSpec types[] = {{kClassCommand, kCommandProcess}, {kClassCommand, kCommandUpdateStatus}};
        InstallHandler(inTarget, types, 2);
    }
    void OnCommand(FxCommand& ioCommand) override
    {
        mTrace.push_back(mName + " command " + Code(ioCommand.Id()) + " " + ioCommand.Text().AsUtf8());
        if (mHandles.count(ioCommand.Id()) != 0)
            ioCommand.Handled();
    }
    void OnCommandStatus(FxCommand& ioCommand) override
    {
        mTrace.push_back(mName + " status " + Code(ioCommand.Id()) + " " + ioCommand.Text().AsUtf8());
        if (mStatus)
            mStatus(ioCommand);
    }

    std::string mName;
    std::vector<std::string>& mTrace;
    std::set<CxUint32> mHandles;
    std::function<void(FxCommand&)> mStatus;
};

// Anything with LocalToGlobal, as the window and view classes have.
struct Owner
{
    void LocalToGlobal(CxPoint& ioPoint) const { ioPoint += CxPoint(1000, 500); }
};

class FxCommanderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        CxSetBundle(CxString::FromUtf8(kFixtures));
        mWindow = CreateWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, Rect{100, 80, 300, 200});
        mField = CreateView(ViewKind::kEditText, Rect{20, 10, 100, 22});
        AddSubview(GetContentView(mWindow), mField);
        ShowWindow(mWindow);
        SelectWindow(mWindow);
    }
    void TearDown() override
    {
        CxSetBundle("");
        ResetWindowServerForTesting();
    }
    WindowRef mWindow = nullptr;
    ViewRef mField = nullptr;
    std::vector<std::string> mTrace;
};

TEST_F(FxCommanderTest, CommandsTravelTheFocusChainUntilHandled)
{
    Commander field("field", mTrace, {FourCC("ZFMP")});
    Commander window("window", mTrace, {FourCC("LGND")});
    Commander application("app", mTrace, {FourCC("quit")});
    field.Install(GetViewEventTarget(mField));
    window.Install(GetWindowEventTarget(mWindow));
    application.Install(&ApplicationTarget());
    ASSERT_EQ(SetKeyboardFocus(mWindow, mField, kControlFocusNextPart), kNoErr);
    ASSERT_EQ(GetKeyboardFocus(mWindow), mField);

    struct Row
    {
        FourCharCode code;
        OSStatus status;
        std::vector<std::string> trace;
    };
    const std::vector<Row> rows = {
        {FourCC("ZFMP"), kNoErr, {"field command ZFMP "}},
        {FourCC("LGND"), kNoErr, {"field command LGND ", "window command LGND "}},
        {FourCC("quit"), kNoErr, {"field command quit ", "window command quit ", "app command quit "}},
        {FourCC("ABOU"), kEventNotHandled, {"field command ABOU ", "window command ABOU ", "app command ABOU "}},
    };
    for (const Row& row : rows)
    {
        mTrace.clear();
        EXPECT_EQ(FxCommander::DispatchCommand(row.code), row.status) << Code(row.code);
        EXPECT_EQ(mTrace, row.trace) << Code(row.code);
    }
    // ObeyCommand starts at the commander's own target.
    mTrace.clear();
    EXPECT_EQ(window.ObeyCommand(FourCC("quit")), kNoErr);
    EXPECT_EQ(mTrace, (std::vector<std::string>{"window command quit ", "app command quit "}));
    Commander loose("loose", mTrace);
    EXPECT_EQ(loose.ObeyCommand(FourCC("quit")), kEventNotHandled);

    // A menu item with the command is named in the event, but the handler sees the bare id.
    FxMenu menu;
    menu.AppendItem("Legend", FourCC("LGND"));
    const EventRef event = FxCommander::BuildCommandEvent(FourCC("LGND"));
    HICommand command;
    ASSERT_EQ(event->GetParam(kParamDirectObject, kTypeHICommand, command), kNoErr);
    EXPECT_EQ(std::tuple(event->Class(), event->Kind(), command.attributes, command.commandID, command.menu,
                         int(command.menuItem)),
              std::tuple(kClassCommand, kCommandProcess, kHICommandFromMenu, FourCC("LGND"),
                         static_cast<void*>(menu.GetRef()), 1));
    mTrace.clear();
    EXPECT_EQ(window.ObeyCommandNow(FourCC("LGND")), kNoErr);
    EXPECT_EQ(mTrace, (std::vector<std::string>{"window command LGND "}));
}

TEST_F(FxCommanderTest, AnIgnoredCommandChangesNothing)
{
    Commander ignoring("ignoring", mTrace);
    FxCommander::SetQuitting(true);
    FxCommander::SetUpdating(true);
    EXPECT_EQ(ignoring.ObeyCommandNow(FourCC("ABOU")), kEventNotHandled);
    EXPECT_EQ(mTrace, (std::vector<std::string>{"ignoring command ABOU "}));
    EXPECT_TRUE(FxCommander::Quitting() && FxCommander::Updating());
    // Clearing quitting clears updating as well.
    FxCommander::SetQuitting(false);
    EXPECT_FALSE(FxCommander::Updating());

    const FxCommand command(FourCC("ABOU"));
    EXPECT_EQ(command.AsString().AsUtf8(), "cmd = " + std::to_string(FourCC("ABOU")) + " menu = 0");
    EXPECT_FALSE(command.WasHandled());
}

// A popup asks the focus for each item's status: the rest of the chain first, never for an item without command.
TEST_F(FxCommanderTest, StatusUpdatesPassOnFirstAndSkipCommandZero)
{
    Commander window("window", mTrace);
    Commander application("app", mTrace);
    application.Install(&ApplicationTarget());
    window.Install(GetWindowEventTarget(mWindow));
    window.mStatus = [](FxCommand& ioCommand)
    {
        if (ioCommand.Id() == FourCC("open"))
            ioCommand.Disable();
        if (ioCommand.Id() == FourCC("svas"))
            ioCommand.SetText(CxString::FromUtf8("Save a Copy…"));
    };

    FxMenu menu;
    menu.AppendItem("Open", FourCC("open"));
    menu.AppendItem("Nothing", 0);
    menu.AppendItem("Save", FourCC("svas"));
    EXPECT_EQ(menu.Popup(static_cast<Owner*>(nullptr), CxPoint(5, 5), 0), 0u);
    EXPECT_EQ(mTrace, (std::vector<std::string>{"app status open Open", "window status open Open",
                                                "app status svas Save", "window status svas Save"}));
    EXPECT_FALSE(menu.ItemIsEnabled(1));
    EXPECT_EQ(menu.GetItemText(3), CxString::FromUtf8("Save a Copy…"));

    // A menu without wrapper: the bare id, no text.
    const MenuRef raw = CreateMenu(300, 0);
    InsertMenuItem(raw, 0, u"Print", FourCC("PRNT"), 0);
    mTrace.clear();
    PopUpMenuSelect(raw, Point{}, 0);
    EXPECT_EQ(mTrace, (std::vector<std::string>{"app status PRNT ", "window status PRNT "}));
    EXPECT_EQ(FxMenu::FromRef(raw), nullptr);
    EXPECT_EQ(FxMenu::FromRef(nullptr), nullptr);
    ReleaseMenu(raw);
}

TEST_F(FxCommanderTest, InterfaceFileMenusFindAndChangeTheirItems)
{
    auto file = std::make_unique<FxMenu>("All", "File");
    ASSERT_NE(file->GetRef(), nullptr);
    ASSERT_EQ(file->CountItems(), 5);
    FxMenu* recent = file->GetItemSubMenu(4);
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(FxMenu::FromRef(recent->GetRef()), recent);
    EXPECT_EQ(FxMenu::FromRef(file->GetRef()), file.get());

    // Keys: the file gives the platform's menu modifiers; the toolkit reads its own bits.
    EXPECT_EQ(file->GetItemKey(2), u'S');
    EXPECT_EQ(file->GetItemModifiers(2), CxUint32(FxMouseEvent::kCommand | FxMouseEvent::kShift));
    EXPECT_EQ(file->GetItemModifiers(1), CxUint32(FxMouseEvent::kCommand));

    file->SetCommandText(FourCC("rec1"), "Boston");
    EXPECT_EQ(recent->GetItemText(1), CxString("Boston"));
    EXPECT_EQ(file->GetCommandText(FourCC("rec1")), CxString("Boston"));
    EXPECT_EQ(file->GetCommandText(FourCC("none")), CxString());
    file->DisableCommand(FourCC("rec1"));
    EXPECT_FALSE(recent->ItemIsEnabled(1));
    EXPECT_FALSE(file->CommandIsEnabled(FourCC("rec1")));
    file->EnableCommand(FourCC("rec1"));
    EXPECT_TRUE(file->CommandIsEnabled(FourCC("rec1")));

    EXPECT_TRUE(file->ItemIsSeparator(3));
    file->SetItemText(3, "Three");
    EXPECT_FALSE(file->ItemIsSeparator(3));
    EXPECT_EQ(file->GetItemText(3), CxString("Three"));

    // Popups: a chosen item answers its command, no choice 0; the point is made global by the owner.
    struct Row
    {
        std::vector<ScriptItem> script;
        CxUint32 command;
    };
    const std::vector<Row> rows = {
        {{script::Choose(2)}, FourCC("svas")}, {{script::Choose(0)}, 0}, {{}, 0}, {{script::Choose(9)}, 0}};
    Owner owner;
    for (const Row& row : rows)
    {
        PushScript(row.script);
        EXPECT_EQ(file->Popup(&owner, CxPoint(10, 20), 1), row.command) << ScriptCount();
        EXPECT_EQ(GetGlobalMouse(), (Point{1010, 520}));
        EXPECT_EQ(ScriptCount(), 0u);
    }
    // The plug-in form converts through the current port and never touches the instance.
    const PortRef port = GetWindowPort(mWindow);
    SetPortOrigin(port, Point{-30, 0});
    SetPort(port);
    PushScript(script::Choose(5));
    EXPECT_EQ(file->Popup(reinterpret_cast<FxPluginInstance*>(0x10), CxPoint(10, 20), 0), FourCC("clos"));
    EXPECT_EQ(GetGlobalMouse(), (Point{140, 100}));

    // Deleting the wrapper frees the menu and its submenu.
    const MenuRef fileRef = file->GetRef();
    const MenuRef recentRef = recent->GetRef();
    file.reset();
    EXPECT_FALSE(IsValidMenu(fileRef));
    EXPECT_FALSE(IsValidMenu(recentRef));
}

TEST_F(FxCommanderTest, MenusBuiltInCodeKeepAPopupsMaximum)
{
    FxMenu menu;
    EXPECT_EQ(GetMenuId(menu.GetRef()), 666);
    EXPECT_EQ(GetMenuTitle(menu.GetRef()), u"Menu");
    EXPECT_NE(GetMenuItemAttributes(menu.GetRef(), 0) & kMenuAttrAutoDisable, 0u);

    const ViewRef popup = CreateView(ViewKind::kPopupButton, Rect{10, 10, 100, 20});
    AddSubview(GetContentView(mWindow), popup);
    SetControlPopupMenu(popup, menu.GetRef());
    struct Row
    {
        const char* step;
        std::function<void()> change;
        std::int32_t count;
        std::vector<std::string> texts;
    };
    const std::vector<Row> rows = {
        {"append", [&] { menu.AppendItem("A", FourCC("aaaa")); }, 1, {"A"}},
        {"append", [&] { menu.AppendItem("C", FourCC("cccc"), FxMouseEvent::kShift, u'C'); }, 2, {"A", "C"}},
        {"insert after 1", [&] { menu.InsertItem(1, "B", FourCC("bbbb")); }, 3, {"A", "B", "C"}},
        {"insert first", [&] { menu.InsertSeparator(0); }, 4, {"", "A", "B", "C"}},
        {"insert beyond the end", [&] { menu.InsertItem(9, "X", 0); }, 4, {"", "A", "B", "C"}},
        {"append separator", [&] { menu.AppendSeparator(); }, 5, {"", "A", "B", "C", ""}},
        {"remove 2", [&] { menu.RemoveItem(2); }, 4, {"", "B", "C", ""}},
        {"remove 0", [&] { menu.RemoveItem(0); }, 4, {"", "B", "C", ""}},
        {"remove all", [&] { menu.RemoveAll(); }, 0, {}},
    };
    for (const Row& row : rows)
    {
        row.change();
        std::vector<std::string> texts;
        for (int index = 1; index <= menu.CountItems(); ++index)
            texts.push_back(menu.GetItemText(index).AsUtf8());
        EXPECT_EQ(texts, row.texts) << row.step;
        EXPECT_EQ(GetControlMaximum(popup), row.count) << row.step;
    }

    // Every modifier combination goes to the menu's bits and back.
    menu.AppendItem("K", FourCC("kkkk"));
    for (CxUint32 modifiers = 0; modifiers < 16; ++modifiers)
    {
        menu.SetItemKey(1, modifiers, u'k');
        EXPECT_EQ(menu.GetItemModifiers(1), modifiers);
    }
    menu.SetItemKey(1, FxMouseEvent::kCommand | FxMouseEvent::kOption, u'k');
    EXPECT_EQ(GetMenuItemModifiers(menu.GetRef(), 1), kMenuOptionModifier);
    menu.SetItemKey(1, FxMouseEvent::kControl, u'k');
    EXPECT_EQ(GetMenuItemModifiers(menu.GetRef(), 1), kMenuNoCommandModifier | kMenuControlModifier);

    bool dynamic = false;
    bool notPrevious = false;
    menu.SetItemDynamic(1, true, false);
    menu.GetItemDynamic(1, dynamic, notPrevious);
    EXPECT_TRUE(dynamic && !notPrevious);
    menu.SetItemDynamic(1, false, true);
    menu.GetItemDynamic(1, dynamic, notPrevious);
    EXPECT_TRUE(!dynamic && notPrevious);

    // A submenu takes its item's text as title and goes with its item.
    auto* sub = new FxMenu;
    menu.SetItemSubMenu(1, sub);
    EXPECT_EQ(menu.GetItemSubMenu(1), sub);
    EXPECT_EQ(GetMenuTitle(sub->GetRef()), u"K");
    const MenuRef subRef = sub->GetRef();
    menu.RemoveItem(1);
    EXPECT_FALSE(IsValidMenu(subRef));
}

// A command without a menu is never enabled (it used to ask a null menu).
TEST_F(FxCommanderTest, ACommandWithoutMenuIsNotEnabled)
{
    FxCommand command(FourCC("ABOU"));
    CxDebugCapture capture;
    EXPECT_FALSE(command.IsEnabled());
    EXPECT_TRUE(capture.Contains("mMenu != nil"));
    command.Enable();
    command.SetText("About");
    EXPECT_EQ(command.Text(), CxString("About"));
    EXPECT_FALSE(command.IsEnabled());
}

// A menu missing from its file leaves a wrapper that changes nothing (every call used to reach a null menu).
TEST_F(FxCommanderTest, AWrapperWithoutMenuAnswersEmpty)
{
    CxDebugCapture capture;
    for (const char* nib : {"All", "NoSuchFile"})
    {
        FxMenu menu(nib, "NoSuchMenu");
        EXPECT_EQ(menu.GetRef(), nullptr) << nib;
        menu.AppendItem("A", FourCC("aaaa"), 0, u'a');
        menu.InsertItem(0, "B", FourCC("bbbb"));
        menu.AppendSeparator();
        menu.SetItemText(1, "C");
        menu.SetItemKey(1, 1, u'c');
        menu.SetItemCommandId(1, FourCC("cccc"));
        menu.SetItemSubMenu(1, nullptr);
        menu.EnableItem(1);
        menu.SetCommandText(FourCC("aaaa"), "D");
        menu.RemoveItem(1);
        menu.RemoveAll();
        bool dynamic = true;
        bool notPrevious = true;
        menu.GetItemDynamic(1, dynamic, notPrevious);
        EXPECT_EQ(std::tuple(menu.CountItems(), menu.GetItemText(1), menu.GetItemCommandId(1), menu.GetItemKey(1),
                             menu.GetItemModifiers(1), menu.ItemIsSeparator(1), menu.ItemIsEnabled(1),
                             menu.CommandIsEnabled(FourCC("aaaa")), menu.GetCommandText(FourCC("aaaa")),
                             menu.GetItemSubMenu(1), dynamic, notPrevious),
                  std::tuple(0, CxString(), 0u, u'\0', 0u, false, false, false, CxString(), nullptr, false, false))
            << nib;
        PushScript(script::Choose(1));
        EXPECT_EQ(menu.Popup(static_cast<Owner*>(nullptr), CxPoint(0, 0), 0), 0u) << nib;
        ResetWindowServerForTesting();
    }
    // Nothing reached the window server with a bad reference.
    EXPECT_FALSE(capture.Contains("bad menu reference"));
}

} // namespace
