#include "FxDataBrowser.h"
#include "CxDebug.h"
#include "FxBuildControls.h"
#include "FxDataModel.h"
#include "FxInterfaceFile.h"
#include "PfRunLoop.h"
#include "PfSurface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace
{

using namespace pf;

const std::string kSource = SKYVANE_SOURCE_DIR;
const std::string kFixtures = kSource + "/Frameworks/FaceObjects/Tests/data";
const std::string kBundle = kSource + "/Products/Skyvane/Resources";

class BundleOverride
{
public:
    explicit BundleOverride(const std::string& inFolder)
    {
        if (const char* old = std::getenv("SKYVANE_BUNDLE"))
            mOld = old;
        ::setenv("SKYVANE_BUNDLE", inFolder.c_str(), 1);
    }
    ~BundleOverride()
    {
        if (mOld)
            ::setenv("SKYVANE_BUNDLE", mOld->c_str(), 1);
        else
            ::unsetenv("SKYVANE_BUNDLE");
    }

private:
    std::optional<std::string> mOld;
};

// Answers the opposite of every default and writes down what reaches it.
class RecordingModel : public FxDataModel
{
public:
    explicit RecordingModel(bool* outDeleted = nullptr) : mDeleted(outDeleted) {}
    ~RecordingModel() override
    {
        if (mDeleted != nullptr)
            *mDeleted = true;
    }
    std::vector<std::string> mHeard;

protected:
    void OnAttachBrowser(FxDataBrowser*) override { mHeard.push_back("attach"); }
    void OnDetachBrowser(FxDataBrowser*) override { mHeard.push_back("detach"); }
    bool OnGetItemIsActive(CxUint32) override { return false; }
    bool OnGetItemIsSelectable(CxUint32) override { return false; }
    bool OnGetItemIsEditable(CxUint32) override { return true; }
    bool OnGetItemIsContainer(CxUint32) override { return true; }
    bool OnGetContainerIsOpenable(CxUint32) override { return false; }
    bool OnGetContainerIsClosable(CxUint32) override { return false; }
    bool OnGetContainerIsSortable(CxUint32) override { return false; }
    CxUint32 OnGetItemParentContainer(CxUint32 inItem) override { return inItem + 40; }
    CxString OnGetItemProperty(CxUint32 inItem, CxUint32 inProperty) override
    {
        return CxString((std::to_string(inItem) + "/" + std::to_string(inProperty)).c_str());
    }
    // Descending by item id.
    bool OnCompareItems(CxUint32 inItem1, CxUint32 inItem2, CxUint32) override { return inItem1 > inItem2; }
    void OnSetItemProperty(CxUint32 inItem, CxUint32 inProperty, const CxString& inText) override
    {
        mHeard.push_back("set " + std::to_string(inItem) + " " + std::to_string(inProperty) + " " + inText.AsUtf8());
    }
    void OnItemSelected(CxUint32 inItem) override { mHeard.push_back("selected " + std::to_string(inItem)); }
    void OnItemDeselected(CxUint32 inItem) override { mHeard.push_back("deselected " + std::to_string(inItem)); }
    void OnItemDoubleClicked(CxUint32 inItem) override { mHeard.push_back("double " + std::to_string(inItem)); }

private:
    bool* mDeleted;
};

class FxDataBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        std::string error;
        mFile = FxInterfaceFile::OpenPath(kFixtures + "/Tables.fxui", error);
        ASSERT_TRUE(mFile) << error;
        mWindow = mFile->CreateWindow("Tables");
        ASSERT_TRUE(mWindow);
        FxBuildControls(GetContentView(mWindow));
        ShowWindow(mWindow);
    }
    void TearDown() override
    {
        if (mWindow != nullptr)
        {
            const std::vector<ViewRef> views = GetSubviews(GetContentView(mWindow));
            for (auto it = views.rbegin(); it != views.rend(); ++it)
                delete FxControl::FromRef(*it);
        }
        ResetWindowServerForTesting();
    }
    ViewRef View(std::int32_t inId) { return FindControlByID(mWindow, FourCC("FACE"), inId); }
    FxDataBrowser* Browser() { return AsFxDataBrowser(FxControl::FromRef(View(5))); }
    FxTable* Table(std::int32_t inId) { return AsFxTable(FxControl::FromRef(View(inId))); }

    BundleOverride mBundle{kBundle};
    std::unique_ptr<FxInterfaceFile> mFile;
    WindowRef mWindow = nullptr;
};

struct Answer
{
    DataBrowserPropertyID property;
    bool withoutModel;
};
const Answer kFlags[] = {{1, true}, {2, true}, {3, false}, {4, false}, {5, true}, {6, true}, {7, true}};

TEST_F(FxDataBrowserTest, TheBuilderWrapsListBrowsersTablesBordersAndTheirNextSibling)
{
    ASSERT_NE(Browser(), nullptr);
    EXPECT_NE(AsFxDataBrowser(FxControl::FromRef(View(7))), nullptr) << "a browser without a style is a list";
    EXPECT_NE(AsFxHierarchy(FxControl::FromRef(View(6))), nullptr);
    EXPECT_NE(GetDataBrowserAttributes(View(5)) & 4u, 0u) << "alternating rows";
    EXPECT_NE(AsFxBorder(FxControl::FromRef(View(1))), nullptr);
    EXPECT_NE(AsFxTableCell(FxControl::FromRef(View(8))), nullptr);
    EXPECT_NE(AsFxButton(FxControl::FromRef(View(3))), nullptr) << "the sibling after a table placeholder";

    FxTable* table = Table(2);
    ASSERT_NE(table, nullptr);
    const ViewRef scroller = table->GetRef();
    EXPECT_EQ(GetViewKind(scroller), ViewKind::kScrollView);
    EXPECT_EQ(GetSuperview(scroller), GetContentView(mWindow));
    EXPECT_EQ(GetViewFrame(scroller), (Rect{20, 20, 300, 120}));
    EXPECT_TRUE(IsViewVisible(scroller));
    std::uint16_t size = 0;
    EXPECT_EQ(GetControlProperty(scroller, FxControlDataCreator(0), FourCC("size"), &size, sizeof size), kNoErr);
    EXPECT_EQ(size, 1);
    const std::vector<ViewRef> inside = GetSubviews(scroller);
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_EQ(FxControl::FromRef(inside[0]), table->Content());
    EXPECT_EQ(GetViewFrame(inside[0]), (Rect{0, 0, 300, 120}));
    std::size_t clas = 0;
    EXPECT_NE(GetControlPropertySize(inside[0], FourCC("FACE"), FourCC("CLAS"), clas), kNoErr);
    EXPECT_EQ(table->GetRowCount(), 0);
}

TEST_F(FxDataBrowserTest, CallbacksWithoutAModelAnswerTheDefaults)
{
    const ViewRef control = View(5);
    ASSERT_NE(Browser(), nullptr);
    for (const Answer& answer : kFlags)
    {
        DataBrowserItemData data;
        data.boolean = !answer.withoutModel;
        EXPECT_EQ(FxDataBrowser::ItemDataProc(control, 9, answer.property, data, false), kNoErr);
        EXPECT_EQ(data.boolean, answer.withoutModel) << answer.property;
    }
    DataBrowserItemData parent;
    parent.number = 99;
    FxDataBrowser::ItemDataProc(control, 9, 11, parent, false);
    EXPECT_EQ(parent.number, 0u);
    DataBrowserItemData column;
    column.text = u"stale";
    FxDataBrowser::ItemDataProc(control, 9, 1024, column, false);
    EXPECT_EQ(column.text, u"");
    const std::uint32_t folder = GetIconRef(FourCC("macs"), FourCC("fldr"));
    EXPECT_EQ(column.number, folder);
    ReleaseIconRef(folder);
    // Below the client's columns and not one of the flags: left alone.
    DataBrowserItemData other;
    other.text = u"kept";
    other.number = 5;
    FxDataBrowser::ItemDataProc(control, 9, 1023, other, false);
    EXPECT_EQ(other.text, u"kept");
    EXPECT_EQ(other.number, 5u);
    EXPECT_TRUE(FxDataBrowser::CompareProc(control, 2, 1, 1024));
    FxDataBrowser::NotificationProc(control, 1, kDataBrowserItemDoubleClicked);

    // A browser the toolkit does not wrap: nothing is touched.
    const ViewRef bare = CreateView(ViewKind::kDataBrowser, Rect{0, 0, 10, 10});
    DataBrowserItemData untouched;
    untouched.boolean = false;
    EXPECT_EQ(FxDataBrowser::ItemDataProc(bare, 1, 1, untouched, false), kNoErr);
    EXPECT_FALSE(untouched.boolean);
    EXPECT_FALSE(FxDataBrowser::CompareProc(bare, 1, 2, 1024));
    DisposeView(bare);
}

TEST_F(FxDataBrowserTest, CallbacksWithAModelPassItsAnswersAndTheUsersDoing)
{
    FxDataBrowser* browser = Browser();
    ASSERT_NE(browser, nullptr);
    const ViewRef control = View(5);
    auto* model = new RecordingModel;
    browser->AttachModel(model);
    for (const Answer& answer : kFlags)
    {
        DataBrowserItemData data;
        data.boolean = answer.withoutModel;
        FxDataBrowser::ItemDataProc(control, 9, answer.property, data, false);
        EXPECT_EQ(data.boolean, !answer.withoutModel) << answer.property;
    }
    // Through the platform, as the browser shows it.
    DataBrowserItemData data;
    EXPECT_EQ(GetDataBrowserItemData(control, 9, 11, data), kNoErr);
    EXPECT_EQ(data.number, 49u);
    EXPECT_EQ(GetDataBrowserItemData(control, 9, 1030, data), kNoErr);
    EXPECT_EQ(data.text, u"9/1030");
    DataBrowserItemData edited;
    edited.text = u"Ren\u00e9";
    FxDataBrowser::ItemDataProc(control, 9, 1030, edited, true);
    FxDataBrowser::ItemDataProc(control, 9, 4, edited, true); // not a client column: not passed on
    EXPECT_FALSE(FxDataBrowser::CompareProc(control, 1, 2, 1030));
    EXPECT_TRUE(FxDataBrowser::CompareProc(control, 2, 1, 1030));

    const CxUint32 items[] = {1, 2, 3};
    browser->AddItems(0, 3, items, 0);
    SetDataBrowserSortProperty(control, 1030, true);
    EXPECT_EQ(DisplayedRows(control), (std::vector<DataBrowserItemID>{3, 2, 1}));
    NotifyDataBrowser(control, 2, kDataBrowserItemSelected);
    NotifyDataBrowser(control, 2, kDataBrowserItemDeselected);
    NotifyDataBrowser(control, 3, kDataBrowserItemDoubleClicked);
    NotifyDataBrowser(control, 3, kDataBrowserContainerOpened);
    browser->SelectItem(1);
    EXPECT_EQ(GetDataBrowserSelectedItems(control), (std::vector<DataBrowserItemID>{1}));
    const std::string set = "set 9 1030 Ren" + std::string("\xC3\xA9");
    EXPECT_EQ(model->mHeard,
              (std::vector<std::string>{"attach", set, "selected 2", "deselected 2", "double 3", "selected 1"}));
    const CxUint32 gone[] = {2};
    browser->RemoveItems(0, 1, gone);
    EXPECT_EQ(CountDataBrowserItems(control, 0), 2u);
    browser->RemoveItems(0, 0, gone);
    EXPECT_EQ(CountDataBrowserItems(control, 0), 2u) << "an empty list removes nothing";
}

TEST_F(FxDataBrowserTest, ModelsComeAndGo)
{
    FxDataBrowser* browser = Browser();
    ASSERT_NE(browser, nullptr);
    const ViewRef control = View(5);
    RecordingModel first;
    browser->AttachModel(&first);
    EXPECT_EQ(first.GetBrowser(), browser);
    const CxUint32 items[] = {4, 5};
    browser->AddItems(0, 2, items, 0);

    auto* second = new RecordingModel;
    browser->AttachModel(second);
    EXPECT_EQ(first.mHeard, (std::vector<std::string>{"attach", "detach"}));
    EXPECT_EQ(first.GetBrowser(), nullptr);
    EXPECT_EQ(CountDataBrowserItems(control, 0), 0u) << "detaching removes the items";
    EXPECT_EQ(browser->Model(), second);

    // Kept as the platform has it: a foreign model is not told, and the browser forgets its own.
    RecordingModel foreign;
    {
        CxDebugCapture capture;
        browser->DetachModel(&foreign);
        EXPECT_TRUE(capture.Contains("mModel == inModel"));
    }
    EXPECT_EQ(browser->Model(), nullptr);
    EXPECT_TRUE(foreign.mHeard.empty());
    EXPECT_EQ(second->GetBrowser(), browser);
    EXPECT_EQ(second->mHeard, (std::vector<std::string>{"attach"}));
    delete second;

    bool deleted = false;
    browser->AttachModel(new RecordingModel(&deleted));
    delete browser;
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(IsValidView(control));

    // The model's own assertions are logged, nothing more; the pointer is only compared.
    RecordingModel lone;
    auto* other = reinterpret_cast<FxDataBrowser*>(&lone);
    CxDebugCapture capture;
    lone.DetachBrowser(other);
    EXPECT_TRUE(capture.Contains("mBrowser == inBrowser"));
    lone.AttachBrowser(other);
    EXPECT_FALSE(capture.Contains("!mBrowser"));
    lone.AttachBrowser(other);
    EXPECT_TRUE(capture.Contains("!mBrowser"));
    EXPECT_EQ(lone.GetBrowser(), other);
    EXPECT_EQ(lone.mHeard, (std::vector<std::string>{"detach", "attach", "attach"}));
}

TEST_F(FxDataBrowserTest, SelectionFlagsWithResetBecomeSingleSelection)
{
    struct Row
    {
        std::uint32_t before;
        std::uint32_t after;
    };
    for (const Row row : {Row{4, 6}, Row{4 | 1 | 8, 6}, Row{1, 1}, Row{0, 0}})
    {
        const ViewRef again = CreateView(ViewKind::kDataBrowser, Rect{0, 0, 10, 10});
        SetDataBrowserSelectionFlags(again, row.before);
        auto* browser = new FxDataBrowser(again);
        EXPECT_EQ(GetDataBrowserSelectionFlags(again), row.after) << row.before;
        delete browser;
    }
}

// The y of each row, first to last.
std::vector<double> RowTops(FxTable* inTable)
{
    std::vector<double> tops;
    for (int row = 1; row <= inTable->GetRowCount(); ++row)
    {
        FxControl* cell = inTable->GetRow(row);
        tops.push_back(cell != nullptr ? GetViewFrame(cell->GetRef()).y : -1);
    }
    return tops;
}

TEST_F(FxDataBrowserTest, RowsStackAndTellTheScroller)
{
    FxTable* table = Table(2);
    ASSERT_NE(table, nullptr);
    const ViewRef scroller = table->GetRef();
    const ViewRef content = table->Content()->GetRef();
    table->SetRowCount(3);
    ASSERT_EQ(table->GetRowCount(), 3);
    EXPECT_EQ(RowTops(table), (std::vector<double>{0, 24, 48}));
    for (int row = 1; row <= 3; ++row)
    {
        ASSERT_NE(AsFxTableCell(table->GetRow(row)), nullptr);
        EXPECT_EQ(table->GetRow(row)->Id(), -row);
        EXPECT_TRUE(IsViewVisible(table->GetRow(row)->GetRef()));
        EXPECT_NE(AsFxStaticText(table->GetRow(row)->GetControlByIndex(1)), nullptr) << "the cell's controls";
    }
    EXPECT_EQ(table->GetRow(4), nullptr);
    EXPECT_EQ(table->GetRow(0), nullptr);

    const ScrollInfo info = GetScrollViewInfo(scroller);
    EXPECT_EQ(info.imageSize, (Point{300, 72}));
    EXPECT_EQ(info.viewSize, (Point{300, 120}));
    EXPECT_EQ(info.lineSize, (Point{24, 24}));
    EXPECT_EQ(info.origin, (Point{0, 0}));
    EXPECT_EQ(ScrollViewScrollTo(scroller, Point{5, 30}), kNoErr);
    EXPECT_EQ(GetViewFrame(content), (Rect{-5, -30, 300, 120}));
    EXPECT_EQ(table->Content()->Origin(), (Point{5, 30}));
    EXPECT_EQ(GetScrollViewInfo(scroller).origin, (Point{0, 0})) << "not the bounds origin";

    // The same count: only the notification and the way back to the top.
    std::vector<std::uint32_t> heard;
    const std::vector<FxControl*> rows = {table->GetRow(1), table->GetRow(2), table->GetRow(3)};
    HandlerRef onScroller = GetViewEventTarget(scroller)->InstallHandler({{kClassScrollable, kScrollableInfoChanged}},
                                                                         [&](HandlerCallRef, Event& ioEvent)
                                                                         {
                                                                             heard.push_back(ioEvent.Kind());
                                                                             return kEventNotHandled;
                                                                         });
    HandlerRef onContent = GetViewEventTarget(content)->InstallHandler({{kClassScrollable, kScrollableScrollTo}},
                                                                       [&](HandlerCallRef, Event& ioEvent)
                                                                       {
                                                                           heard.push_back(ioEvent.Kind());
                                                                           return kEventNotHandled;
                                                                       });
    table->SetRowCount(3);
    EXPECT_EQ(heard, (std::vector<std::uint32_t>{kScrollableInfoChanged, kScrollableScrollTo}));
    EXPECT_EQ(GetViewFrame(content), (Rect{0, 0, 300, 120}));
    EXPECT_EQ(table->Content()->Origin(), (Point{0, 0}));
    EXPECT_EQ((std::vector<FxControl*>{table->GetRow(1), table->GetRow(2), table->GetRow(3)}), rows);
    RemoveHandler(onScroller);
    RemoveHandler(onContent);

    // Rows go from the last; more than there are removes what is there.
    table->SetRowCount(1);
    EXPECT_EQ(table->GetRow(1), rows[0]);
    EXPECT_EQ(table->GetRowCount(), 1);
    table->Content()->RemoveRows(5);
    EXPECT_EQ(table->GetRowCount(), 0);
    EXPECT_EQ(table->Content()->RowCount(), 0);
    EXPECT_EQ(GetScrollViewInfo(scroller).imageSize, (Point{300, 0}));
    table->Content()->RemoveRows(-2);
    table->SetRowCount(-1);
    EXPECT_EQ(table->GetRowCount(), 0);
}

TEST_F(FxDataBrowserTest, TwoTablesKeepTheirOwnRows)
{
    FxTable* first = Table(2);
    FxTable* second = Table(4);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    first->SetRowCount(2);
    second->SetRowCount(2);
    second->SetRowCount(1);
    EXPECT_EQ(first->GetRowCount(), 2);
    EXPECT_NE(first->GetRow(2), nullptr);
    EXPECT_EQ(second->GetRowCount(), 1);
    EXPECT_EQ(second->GetRow(2), nullptr);
    EXPECT_EQ(GetSuperview(first->GetRow(2)->GetRef()), first->Content()->GetRef());
}

TEST_F(FxDataBrowserTest, RowsOfDifferentHeightsArePlacedByTheirOwnHeight)
{
    FxTable* table = Table(2);
    ASSERT_NE(table, nullptr);
    table->SetRowCount(1);
    const ViewRef short_row = table->GetRow(1)->GetRef();
    SetViewFrame(short_row, Rect{0, 0, 300, 20});
    {
        BundleOverride tall(kFixtures + "/TallCells");
        table->SetRowCount(2);
    }
    ASSERT_EQ(table->GetRowCount(), 2);
    EXPECT_EQ(GetViewFrame(table->GetRow(2)->GetRef()), (Rect{0, 30, 300, 30})) << "1 x its own height";
    // Measured with the last row's height.
    const ScrollInfo info = GetScrollViewInfo(table->GetRef());
    EXPECT_EQ(info.imageSize, (Point{300, 60}));
    EXPECT_EQ(info.lineSize, (Point{30, 30}));
}

TEST_F(FxDataBrowserTest, AMissingCellFileAddsNoRows)
{
    FxTable* table = Table(2);
    ASSERT_NE(table, nullptr);
    BundleOverride empty(kFixtures + "/NoSuchFolder");
    CxDebugCapture capture;
    table->SetRowCount(2);
    EXPECT_EQ(table->GetRowCount(), 0);
    EXPECT_EQ(table->Content()->RowCount(), 0);
    EXPECT_GT(capture.Count(), 0u);
}

TEST_F(FxDataBrowserTest, RowsAlternateInsideAGreyBorder)
{
    FxTable* table = Table(2);
    ASSERT_NE(table, nullptr);
    table->SetRowCount(3);
    const Snapshot shot = TakeSnapshot(mWindow);
    constexpr std::uint32_t kWhite = 0xFFFFFFFF;
    constexpr std::uint32_t kBlue = 0xECF3FEFF;
    constexpr std::uint32_t kGrey = 0xBEBEBEFF;
    // The table's content starts at (20, 20); rows are 24 high; the text lies at x 28 to 312.
    EXPECT_EQ(shot.Pixel(316, 30), kWhite);
    EXPECT_EQ(shot.Pixel(316, 55), kBlue);
    EXPECT_EQ(shot.Pixel(22, 50), kBlue);
    EXPECT_EQ(shot.Pixel(316, 80), kWhite);
    EXPECT_EQ(shot.Pixel(316, 120), kWhite) << "the content below the rows";
    for (const auto& [x, y] : {std::pair{19, 80}, std::pair{320, 80}, std::pair{170, 19}, std::pair{170, 140}})
        EXPECT_EQ(shot.Pixel(x, y), kGrey) << x << "," << y;
    EXPECT_NE(shot.Pixel(18, 80), kGrey) << "a 1-pixel line";
    EXPECT_NE(shot.Pixel(321, 80), kGrey);
    EXPECT_EQ(shot.Pixel(370, 140), kBlue) << "a cell of even id from the interface file";
}

} // namespace
