// Dialogs open at once take the script's items newest first; a dialog that asks about unsaved documents has no
// place for a path, so a scripted path passes it by and reaches the file dialog open beneath it.
#include "PfNavDialog.h"

#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using namespace pf;

struct Answer
{
    NavUserAction action = kNavUserActionNone;
    NavReplyRecord reply;
};

void Procedure(NavEventCallbackMessage inSelector, NavCBRec* inParams, void* inUserData)
{
    auto* answer = static_cast<Answer*>(inUserData);
    if (inSelector == kNavCBUserAction)
    {
        answer->action = inParams->userAction;
        NavDialogGetReply(inParams->context, &answer->reply);
    }
    if (inSelector == kNavCBTerminate)
        NavDialogDispose(inParams->context);
}

using AskCreator = OSStatus (*)(const NavDialogCreationOptions*, std::uint32_t, NavEventProcPtr, void*, NavDialogRef*);

TEST(PfNavDialogStackTest, AnAskingDialogLeavesAPathToTheFileDialogBeneath)
{
    const struct
    {
        const char* what;
        AskCreator create;
        NavUserAction discarded;
    } rows[] = {
        {"save changes", NavCreateAskSaveChangesDialog, kNavUserActionDontSaveChanges},
        {"review documents", NavCreateAskReviewDocumentsDialog, kNavUserActionDiscardDocuments},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        SetDebugSink([](const std::string&) {});
        NavDialogCreationOptions options;
        options.modality = kWindowModalityWindowModal;
        options.parentWindow = CreateWindow(kDocumentWindowClass, 0, Rect{100, 100, 400, 300});
        ShowWindow(options.parentWindow);
        Answer file;
        NavDialogRef dialog = nullptr;
        ASSERT_EQ(NavCreateChooseFolderDialog(&options, Procedure, nullptr, &file, &dialog), kNoErr);
        ASSERT_EQ(NavDialogRun(dialog), kNoErr);
        options.parentWindow = CreateWindow(kDocumentWindowClass, 0, Rect{520, 100, 400, 300});
        ShowWindow(options.parentWindow);
        Answer ask;
        ASSERT_EQ(row.create(&options, kNavSaveChangesClosingDocument, Procedure, &ask, &dialog), kNoErr);
        ASSERT_EQ(NavDialogRun(dialog), kNoErr);
        ASSERT_EQ(LiveNavDialogCount(), 2u);

        PushScript({script::NavPath("/picked/folder"), script::NavDiscard(), script::Accept()});
        while (DeliverNextScriptItem())
        {
        }
        EXPECT_EQ(ask.action, row.discarded);
        EXPECT_TRUE(ask.reply.selection.empty());
        EXPECT_EQ(file.action, kNavUserActionChoose);
        ASSERT_EQ(file.reply.selection.size(), 1u);
        EXPECT_EQ(file.reply.selection[0].data, "/picked/folder");
        EXPECT_EQ(LiveNavDialogCount(), 0u);
        SetDebugSink(nullptr);
        ResetWindowServerForTesting();
    }
}

} // namespace
