// A click on any cell of the gradient grid, the first included, gives the gradient stored there.
#include "FxGradientPicker.h"

#include "CxFile.h"
#include "CxPreferences.h"
#include "FxWindow.h"
#include "PfRunLoop.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace
{

using namespace pf;

// Two keys of one colour, as the file holds them.
std::string Cell(const char* inColor)
{
    return std::string("<colorGradient><colorKey index=\"1\" color=\"") + inColor +
           "\"/><colorKey index=\"254\" color=\"" + inColor + "\"/></colorGradient>";
}

TEST(FxGradientGridClickTest, EveryCellGivesItsOwnGradient)
{
    sky::test::TempHome home;
    MainLoop().ResetForTesting(ClockKind::kVirtual);
    ResetWindowServerForTesting();
    CxFolder(kCxPreferencesFolder).CreateFile(CxString("FxGradientPickerPrefs.xml"));
    std::ofstream(home.Path() + "/.config/skyvane/FxGradientPickerPrefs.xml", std::ios::binary)
        << "<FxGradientPickerPrefs>" << Cell("#000000FF") << Cell("#FF0000FF") << Cell("#0000FFFF")
        << "</FxGradientPickerPrefs>";
    auto window = std::make_unique<FxDocumentWindow>(CxRect(100, 100, 300, 200));
    const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{10, 10, 105, 21});
    AddSubview(GetContentView(window->GetRef()), pane);
    auto* grid = new FxGradientGrid(pane);
    ASSERT_EQ(grid->Gradients().size(), 3u);
    const struct
    {
        Point where;
        int cell;
        GxColor color;
    } rows[] = {
        {{2, 2}, 0, GxColor(0, 0, 0, 1)},
        {{34, 20}, 0, GxColor(0, 0, 0, 1)},
        {{36, 2}, 1, GxColor(1, 0, 0, 1)},
        {{104, 20}, 2, GxColor(0, 0, 1, 1)},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(grid->OnHitTest(row.where), FxGradientGrid::kGridPart) << row.cell;
        EXPECT_EQ(grid->Clicked(), row.cell);
        EXPECT_EQ(grid->GetClickedGradient(), GxColorGradient(row.color)) << row.cell;
    }
    // Space clicks the selected cell, the first one until an arrow moves it.
    grid->OnHitTest(Point{104, 20});
    EXPECT_EQ(grid->Selected(), 0);
    grid->OnTextInput(u' ');
    EXPECT_EQ(grid->GetClickedGradient(), GxColorGradient(GxColor(0, 0, 0, 1)));
    window.reset();
    ResetWindowServerForTesting();
}

} // namespace
