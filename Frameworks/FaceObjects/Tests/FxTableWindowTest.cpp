// A window holding tables, closed as a user closes it: every wrapper in its tree goes once, the tables' contents
// and rows with them.
#include "FxDataBrowser.h"
#include "FxWindow.h"
#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace
{

const std::string kSource = SKYVANE_SOURCE_DIR;

class FxTableWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        pf::ResetWindowServerForTesting();
        if (const char* old = std::getenv("SKYVANE_BUNDLE"))
            mOld = old;
    }
    void TearDown() override
    {
        if (mOld)
            ::setenv("SKYVANE_BUNDLE", mOld->c_str(), 1);
        else
            ::unsetenv("SKYVANE_BUNDLE");
        pf::ResetWindowServerForTesting();
    }
    static void Bundle(const std::string& inFolder) { ::setenv("SKYVANE_BUNDLE", inFolder.c_str(), 1); }

    std::optional<std::string> mOld;
};

TEST_F(FxTableWindowTest, AWindowHoldingTablesClosesWithAndWithoutRows)
{
    for (const int rows : {0, 3})
    {
        SCOPED_TRACE(rows);
        // The window from the fixtures, the rows' cells from the bundle.
        Bundle(kSource + "/Frameworks/FaceObjects/Tests/data");
        auto* window = new FxDocumentWindow(CxString("Tables"), CxString("Tables"));
        ASSERT_NE(window->GetRef(), nullptr);
        FxTable* table = AsFxTable(window->GetControlById(2));
        FxTable* other = AsFxTable(window->GetControlById(4));
        ASSERT_NE(table, nullptr);
        ASSERT_NE(other, nullptr);
        Bundle(kSource + "/Products/Skyvane/Resources");
        table->SetRowCount(rows);
        other->SetRowCount(rows == 0 ? 0 : 1);
        ASSERT_EQ(table->GetRowCount(), rows);
        const pf::ViewRef content = table->Content()->GetRef();
        const pf::ViewRef lastRow = rows == 0 ? nullptr : table->GetRow(rows)->GetRef();
        window->Show();
        EXPECT_EQ(window->Release(), 0u);
        EXPECT_FALSE(pf::IsValidView(content));
        EXPECT_TRUE(lastRow == nullptr || !pf::IsValidView(lastRow));
    }
}

} // namespace
