// A control's end takes every wrapper of its tree, and the date and time fields' downcasts.
#include "FxControl.h"
#include "FxWindow.h"
#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace
{

using namespace pf;

class FxControlEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        mWindow = new FxDocumentWindow(CxRect(100, 100, 500, 400));
        ASSERT_NE(mWindow->GetRef(), nullptr);
    }
    void TearDown() override
    {
        mWindow->Release();
        ResetWindowServerForTesting();
    }
    ViewRef AddView(ViewRef inParent, ViewKind inKind)
    {
        const ViewRef view = CreateView(inKind, Rect{0, 0, 80, 20});
        AddSubview(inParent != nullptr ? inParent : GetContentView(mWindow->GetRef()), view);
        return view;
    }

    FxDocumentWindow* mWindow = nullptr;
};

// Tells when it goes.
class CountedButton : public FxButton
{
public:
    CountedButton(ViewRef inView, int& outEnds) : FxButton(inView), mEnds(outEnds) {}
    ~CountedButton() override { ++mEnds; }

private:
    int& mEnds;
};

// A control deleted on its own, with a wrapper under a plain pane: the wrapper goes with it, once, and its view.
TEST_F(FxControlEndTest, AControlDeletedAloneTakesWrappersUnderPlainViews)
{
    int ends = 0;
    const ViewRef outer = AddView(nullptr, ViewKind::kUserPane);
    auto* pane = new FxControl(outer);
    const ViewRef plain = AddView(outer, ViewKind::kUserPane);
    const ViewRef inner = AddView(plain, ViewKind::kPushButton);
    new CountedButton(inner, ends);
    const ViewRef beside = AddView(outer, ViewKind::kPushButton);
    new CountedButton(beside, ends);
    delete pane;
    EXPECT_EQ(ends, 2);
    EXPECT_FALSE(IsValidView(inner));
    EXPECT_FALSE(IsValidView(outer));
}

// A time field is made as a date field's subclass, yet only the time downcast answers it.
TEST_F(FxControlEndTest, DateAndTimeFieldsAnswerOnlyTheirOwnDowncast)
{
    const CxRect bounds(10, 10, 120, 32);
    const struct
    {
        std::function<FxControl*()> make;
        bool date;
        bool time;
    } rows[] = {
        {[&] { return new FxEditDate(mWindow, bounds); }, true, false},
        {[&] { return new FxEditTime(mWindow, bounds); }, false, true},
        {[&] { return new FxEditText(mWindow, bounds); }, false, false},
    };
    for (const auto& row : rows)
    {
        FxControl* control = row.make();
        ASSERT_NE(control->GetRef(), nullptr);
        EXPECT_EQ(AsFxEditDate(control) != nullptr, row.date);
        EXPECT_EQ(AsFxEditTime(control) != nullptr, row.time);
        EXPECT_EQ(AsFxEditDate(control), row.date ? dynamic_cast<FxEditDate*>(control) : nullptr);
    }
    EXPECT_EQ(AsFxEditDate(nullptr), nullptr);
}

} // namespace
