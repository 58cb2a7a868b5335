#include "FxInterfaceFile.h"
#include "CxDebug.h"
#include "CxSystem.h"
#include "PfRunLoop.h"
#include "PfTheme.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace
{

using namespace pf;

const std::string kFixtures = std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/FaceObjects/Tests/data";

class FxInterfaceFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        std::string error;
        mFile = FxInterfaceFile::OpenPath(kFixtures + "/All.fxui", error);
        ASSERT_TRUE(mFile) << error;
    }
    void TearDown() override { ResetWindowServerForTesting(); }
    std::unique_ptr<FxInterfaceFile> mFile;
};

std::vector<std::uint8_t> Property(ViewRef inView, const char (&inTag)[5], std::size_t inSize)
{
    std::vector<std::uint8_t> bytes(inSize);
    EXPECT_EQ(GetControlProperty(inView, FourCC("FACE"), FourCC(inTag), bytes.data(), inSize), kNoErr) << inTag;
    return bytes;
}

std::vector<std::uint8_t> Raw(const void* inBytes, std::size_t inSize)
{
    const auto* bytes = static_cast<const std::uint8_t*>(inBytes);
    return std::vector<std::uint8_t>(bytes, bytes + inSize);
}

TEST_F(FxInterfaceFileTest, EveryKindNestingAndPropertyForm)
{
    const WindowRef window = mFile->CreateWindow("All");
    ASSERT_TRUE(window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowClass(window), kDocumentWindowClass);
    EXPECT_EQ(GetWindowAttributes(window), 0x0200001Fu);
    EXPECT_EQ(GetWindowBounds(window, kWindowContentRgn), (Rect{100, 80, 480, 360}));
    EXPECT_EQ(GetWindowTitle(window), u"Every Control");

    std::set<ViewKind> kinds;
    std::vector<ViewRef> pending = GetSubviews(GetContentView(window));
    while (!pending.empty())
    {
        const ViewRef view = pending.back();
        pending.pop_back();
        kinds.insert(GetViewKind(view));
        for (ViewRef child : GetSubviews(view))
            pending.push_back(child);
    }
    EXPECT_EQ(kinds.size(), std::size_t(ViewKind::kSegmented) + 1);

    const ViewRef push = FindControlByID(window, FourCC("FACE"), 1);
    ASSERT_TRUE(push);
    EXPECT_EQ(GetControlTitle(push), u"Push");
    EXPECT_EQ(GetControlCommandID(push), FourCC("ok  "));
    EXPECT_EQ(GetViewFrame(push), (Rect{20, 20, 100, 24}));
    // Nesting: tabs, pane, group box, check box; the innermost disabled, its frame relative to the group.
    const ViewRef tabs = FindControlByID(window, FourCC("FACE"), 23);
    const ViewRef nested = FindControlByID(window, FourCC("FACE"), 26);
    ASSERT_TRUE(tabs && nested);
    EXPECT_EQ(GetSuperview(GetSuperview(GetSuperview(nested))), tabs);
    EXPECT_EQ(ViewGlobalBounds(nested), (Rect{100 + 20 + 10 + 10, 80 + 256 + 30 + 20, 120, 18}));
    EXPECT_FALSE(IsViewEnabled(nested));
    EXPECT_EQ(GetControlMaximum(tabs), 3);
    EXPECT_EQ(GetControlValue(tabs), 2);
    EXPECT_FALSE(IsViewVisible(FindControlByID(window, FourCC("FACE"), 29)));
    // The unknown kind is a user pane with its own signature.
    const ViewRef gauge = FindControlByID(window, FourCC("TEST"), 28);
    ASSERT_TRUE(gauge);
    EXPECT_EQ(GetViewKind(gauge), ViewKind::kUserPane);

    // Properties, byte for byte.
    const ViewRef pane = FindControlByID(window, FourCC("FACE"), 27);
    ASSERT_TRUE(pane);
    const FourCharCode clas = FourCC("FXCB");
    EXPECT_EQ(Property(pane, "CLAS", 4), std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&clas),
                                                                   reinterpret_cast<const std::uint8_t*>(&clas) + 4));
    const std::string icons = "fldrdocucapl";
    EXPECT_EQ(Property(pane, "ICON", 12), std::vector<std::uint8_t>(icons.begin(), icons.end()));
    EXPECT_EQ(Property(pane, "MULT", 1), std::vector<std::uint8_t>{0});
    const std::uint32_t size = 305419896;
    EXPECT_EQ(Property(pane, "SIZE", 4), std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&size),
                                                                   reinterpret_cast<const std::uint8_t*>(&size) + 4));
    EXPECT_EQ(Property(pane, "NAME", 6), (std::vector<std::uint8_t>{'V', 'a', 'n', 'e', ' ', 0xE9}));
    const std::u16string text = u"Wind \u2192 20 kt";
    EXPECT_EQ(Property(pane, "TEXT", text.size() * 2), Raw(text.data(), text.size() * 2));
    std::uint32_t truncation = 0;
    EXPECT_EQ(GetControlProperty(pane, FxControlDataCreator(5), FourCC("trun"), &truncation, 4), kNoErr);
    EXPECT_EQ(truncation, 16384u);
    EXPECT_EQ(GetViewHelpTag(pane), u"A custom pane");
    std::uint8_t secret = 0;
    EXPECT_EQ(GetControlProperty(FindControlByID(window, FourCC("FACE"), 7), kPasswordPropertyCreator,
                                 kPasswordPropertyTag, &secret, 1),
              kNoErr);
    EXPECT_EQ(secret, 1);
    // The popup button has its menu and shows the chosen item.
    const MenuRef popup = GetControlPopupMenu(FindControlByID(window, FourCC("FACE"), 10));
    ASSERT_TRUE(popup);
    EXPECT_EQ(GetMenuItemText(popup, 2), u"Second");
    EXPECT_FALSE(IsMenuItemEnabled(popup, 3));
}

TEST_F(FxInterfaceFileTest, MenusHoldItemsSeparatorsKeysAndSubmenus)
{
    const MenuRef file = mFile->CreateMenu("File");
    ASSERT_TRUE(file);
    EXPECT_EQ(GetMenuId(file), 128);
    ASSERT_EQ(CountMenuItems(file), 5);
    EXPECT_EQ(GetMenuItemText(file, 1), u"Open\u2026");
    EXPECT_EQ(GetMenuItemCommandID(file, 1), FourCC("open"));
    EXPECT_EQ(GetMenuItemKey(file, 1), u'O');
    EXPECT_EQ(GetMenuItemModifiers(file, 2), 1);
    EXPECT_NE(GetMenuItemAttributes(file, 3) & kMenuItemSeparator, 0u);
    const MenuRef recent = GetMenuItemSubmenu(file, 4);
    ASSERT_TRUE(recent);
    EXPECT_EQ(GetMenuItemText(file, 4), u"Recent");
    EXPECT_EQ(GetMenuItemCommandID(recent, 1), FourCC("rec1"));
    EXPECT_EQ(GetMenuItemKey(file, 5), u'W');
    EXPECT_TRUE(IsMenuItemEnabled(file, 1) && IsMenuItemEnabled(file, 5) && IsMenuItemEnabled(recent, 1));
    EXPECT_FALSE(mFile->CreateMenu("Nothing"));
}

TEST_F(FxInterfaceFileTest, TwoWindowsOfOneNameStayIndependent)
{
    const WindowRef a = mFile->CreateWindow("All");
    const WindowRef b = mFile->CreateWindow("All");
    ASSERT_TRUE(a && b);
    ASSERT_NE(a, b);
    SetControlValue(FindControlByID(a, FourCC("FACE"), 12), 90);
    EXPECT_EQ(GetControlValue(FindControlByID(b, FourCC("FACE"), 12)), 25);
    DisposeWindow(a);
    EXPECT_TRUE(IsValidWindow(b));
    EXPECT_TRUE(IsValidView(FindControlByID(b, FourCC("FACE"), 12)));
    EXPECT_FALSE(mFile->CreateWindow("Missing"));
    EXPECT_EQ(GetWindowClass(mFile->CreateWindow("Small")), kUtilityWindowClass);
    EXPECT_EQ(GetWindowClass(mFile->CreateWindow("Dialog")), kMovableModalWindowClass);
}

TEST_F(FxInterfaceFileTest, BadFilesAndUnknownItems)
{
    const struct
    {
        const char* mText;
        const char* mError;
    } cases[] = {
        {"<?fxui version=\"1.0\"?>\n<interface>\n<window name=\"x\">\n</interface>", "line 4: "},
        {"<interface/>", "no <?fxui"},
        {"<?fxui version=\"2.0\"?><interface/>", "no <?fxui"},
        {"<?fxui version=\"1.0\"?><panel/>", "root is not <interface>"},
        {"", "not an interface file"},
    };
    for (const auto& c : cases)
    {
        std::string error;
        EXPECT_FALSE(FxInterfaceFile::Parse(c.mText, std::strlen(c.mText), error)) << c.mText;
        EXPECT_NE(error.find(c.mError), std::string::npos) << c.mText << " -> " << error;
    }

    CxDebugCapture capture;
    const char* odd = "<?fxui version=\"1.0\"?><interface><gadget/><window name=\"w\" colour=\"red\" "
                      "bounds=\"1,2,3\"><control kind=\"pushButton\" shape=\"round\"><sparkle/><property "
                      "creator=\"FACE\" tag=\"ICON\" fourccs=\"abcdefgh\"/></control></window>"
                      "<window name=\"u\" bounds=\"1,2x3,4\"/><window name=\"v\" bounds=\"a,2,3,4\"/>"
                      "<window name=\"t\" bounds=\"1,2,3,4x\"/></interface>";
    std::string error;
    auto file = FxInterfaceFile::Parse(odd, std::strlen(odd), error);
    ASSERT_TRUE(file) << error;
    for (const char* name : {"w", "u", "v", "t"})
        ASSERT_TRUE(file->CreateWindow(name)) << name;
    for (const char* line : {"<gadget>", "'colour'", "\"1,2,3\"", "\"1,2x3,4\"", "\"a,2,3,4\"", "\"1,2,3,4x\"",
                             "'shape'", "<sparkle>", "four-character codes"})
        EXPECT_TRUE(capture.Contains(line)) << line;

    // By name from the bundle.
    CxSetBundle(CxString::FromUtf8(kFixtures));
    EXPECT_TRUE(FxInterfaceFile::Open("All"));
    EXPECT_FALSE(FxInterfaceFile::Open("Absent"));
    EXPECT_TRUE(capture.Contains("Absent.fxui"));
    CxSetBundle("");
}

} // namespace
