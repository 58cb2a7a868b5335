// A handler that goes while its dialog is still up: the dialog ends without calling it.
#include "FxFileDialogs.h"

#include "FxWindow.h"
#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

class CountingHandler : public FxFileDialogHandler
{
public:
    explicit CountingHandler(int& outCalls) : mCalls(outCalls) {}
    void OnFinishGetFile(FxGetFileDialog*) override { ++mCalls; }
    void OnFinishChooseFolder(FxChooseFolderDialog*) override { ++mCalls; }

private:
    int& mCalls;
};

TEST(FxFileDialogHandler, AHandlerGoneWhileItsDialogShowsIsNeverCalled)
{
    pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
    pf::ResetWindowServerForTesting();
    pf::ResetNavDialogsForTesting();
    auto* window = new FxDocumentWindow(CxRect(100, 100, 500, 400));
    window->Show();
    const struct
    {
        const char* name;
        pf::ScriptItem answer;
        bool folder;
    } rows[] = {{"cancelled", pf::script::Cancel(), false}, {"chosen", pf::script::Accept(), true}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        int calls = 0;
        auto handler = std::make_unique<CountingHandler>(calls);
        FxFileDialog* dialog = row.folder ? static_cast<FxFileDialog*>(new FxChooseFolderDialog(window, handler.get()))
                                          : new FxGetFileDialog(window, handler.get());
        dialog->Display();
        ASSERT_TRUE(handler->IsFileDialogPending());
        handler.reset();
        pf::PushScript({row.answer});
        while (pf::DeliverNextScriptItem())
        {
        }
        EXPECT_EQ(calls, 0);
        EXPECT_EQ(pf::LiveNavDialogCount(), 0u) << "the dialog went at its end";
        EXPECT_EQ(window->RetainCount(), 1u);
    }
    // A handler that stays hears its dialog as before.
    int calls = 0;
    CountingHandler handler(calls);
    (new FxGetFileDialog(window, &handler))->Display();
    pf::PushScript({pf::script::Cancel()});
    while (pf::DeliverNextScriptItem())
    {
    }
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(handler.IsFileDialogPending());
    window->Release();
    pf::ResetWindowServerForTesting();
}

} // namespace
