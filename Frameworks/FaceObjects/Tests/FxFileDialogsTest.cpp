// The file dialogs and the discard-changes sheet answered by the platform's script; the sheet's texts come from the
// bundle's string table.
#include "FxFileDialogs.h"

#include "CxMime.h"
#include "CxSystem.h"
#include "FxWindow.h"
#include "PfAlerts.h"
#include "PfExporters.h"
#include "PfRunLoop.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

const std::string kBundle = std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources";

class DiscardWindow : public FxDocumentWindow
{
public:
    DiscardWindow() : FxDocumentWindow(CxRect(100, 100, 500, 400)) {}
    void OnFinishAskDiscardChanges(FxAskDiscardChangesDialog* inDialog) override
    {
        mActions.push_back(inDialog->Action());
        mVisible.push_back(pf::IsWindowVisible(inDialog->GetSheet()));
    }
    std::vector<CxSint32> mActions;
    std::vector<bool> mVisible; // the sheet while the hook ran
};

class DiscardSheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        pf::ResetWindowServerForTesting();
        CxSetBundle(CxString::FromUtf8(kBundle));
    }
    void TearDown() override
    {
        CxSetBundle("");
        pf::ResetWindowServerForTesting();
    }
    static void Run()
    {
        while (pf::DeliverNextScriptItem())
        {
        }
    }
};

TEST_F(DiscardSheetTest, TheAnswerReachesTheHandlerOnceAndTheSheetCloses)
{
    const struct
    {
        pf::ScriptItem answer;
        CxSint32 action;
    } cases[] = {{pf::script::Cancel(), 1}, {pf::script::Accept(), 8}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.action);
        auto* window = new DiscardWindow;
        window->Show();
        auto dialog = std::make_unique<FxAskDiscardChangesDialog>(window, window);
        EXPECT_EQ(window->RetainCount(), 2u);
        ASSERT_NE(dialog->GetSheet(), nullptr);
        EXPECT_FALSE(pf::IsWindowVisible(dialog->GetSheet())) << "shown only by Display";
        dialog->Display();
        EXPECT_EQ(pf::GetSheetParent(dialog->GetSheet()), window->GetRef());
        EXPECT_TRUE(pf::IsWindowVisible(dialog->GetSheet()));

        // A dry script leaves it up and unanswered.
        Run();
        EXPECT_TRUE(pf::IsWindowVisible(dialog->GetSheet()));
        EXPECT_EQ(dialog->Action(), 0);

        pf::PushScript({c.answer, c.answer});
        Run();
        EXPECT_EQ(dialog->Action(), c.action);
        EXPECT_EQ(window->mActions, std::vector<CxSint32>{c.action}) << "the second answer finds no sheet";
        EXPECT_EQ(window->mVisible, std::vector<bool>{true});
        EXPECT_FALSE(pf::IsWindowVisible(dialog->GetSheet()));

        dialog.reset();
        EXPECT_EQ(window->RetainCount(), 1u);
        window->Release();
    }
}

TEST_F(DiscardSheetTest, TheSheetAsksWithTheBundlesTextsAndDefaultsToCancel)
{
    std::unique_ptr<FxWindow> window(new DiscardWindow);
    FxAskDiscardChangesDialog dialog(window.get(), nullptr);
    pf::StandardSheetTexts texts;
    ASSERT_TRUE(pf::GetStandardSheetTexts(dialog.GetSheet(), &texts));
    EXPECT_EQ(texts.defaultText, u"Revert");
    EXPECT_EQ(texts.cancelText, u"Cancel");
    EXPECT_EQ(texts.message, u"Revert to the saved version of this document?");
    EXPECT_EQ(texts.explanation, u"The changes you made since it was last saved will be lost.");
    EXPECT_EQ(texts.defaultCommand, pf::kHICommandCancel);

    // Other commands are left alone, and every event goes on.
    pf::Event other(pf::kClassCommand, pf::kCommandProcess);
    pf::HICommand command;
    command.commandID = pf::FourCC("quit");
    other.SetParam(pf::kParamDirectObject, pf::kTypeHICommand, command);
    EXPECT_EQ(dialog.Event(nullptr, other), pf::kEventNotHandled);
    pf::Event cancel(pf::kClassCommand, pf::kCommandProcess);
    command.commandID = pf::kHICommandCancel;
    cancel.SetParam(pf::kParamDirectObject, pf::kTypeHICommand, command);
    EXPECT_EQ(dialog.Action(), 0);
    EXPECT_EQ(dialog.Event(nullptr, cancel), pf::kEventNotHandled);
    EXPECT_EQ(dialog.Action(), 1);
}

TEST_F(DiscardSheetTest, OnlyCautionSheetsAreMade)
{
    pf::WindowRef sheet = nullptr;
    EXPECT_EQ(pf::CreateStandardSheet(1, u"m", u"e", nullptr, &sheet), pf::kParamErr);
    EXPECT_EQ(pf::CreateStandardSheet(pf::kAlertCautionAlert, u"m", u"e", nullptr, nullptr), pf::kParamErr);
    ASSERT_EQ(pf::CreateStandardSheet(pf::kAlertCautionAlert, u"m", u"e", nullptr, &sheet), pf::kNoErr);
    EXPECT_EQ(pf::DisposeStandardSheet(sheet), pf::kNoErr);
    EXPECT_EQ(pf::DisposeStandardSheet(sheet), pf::kParamErr);
    EXPECT_FALSE(pf::GetStandardSheetTexts(sheet, nullptr));
}

} // namespace

// ---- Navigation dialogs --------------------------------------------------------------------------------------

namespace
{

// What a hook saw; the dialog is gone after it.
struct Ending
{
    std::string hook;
    CxSint32 action = 0;
    std::string path; // the reply's item, "" when empty
    std::string name;
    std::string mime;
    bool pending = true;
};

class DialogWindow : public FxDocumentWindow
{
public:
    DialogWindow() : FxDocumentWindow(CxRect(100, 100, 500, 400)) {}

    void OnFinishAskReviewDocuments(FxAskReviewDocumentsDialog* inDialog) override { Record("review", inDialog, ""); }
    void OnFinishAskSaveChanges(FxAskSaveChangesDialog* inDialog) override { Record("save-changes", inDialog, ""); }
    void OnFinishGetFile(FxGetFileDialog* inDialog) override
    {
        Record("get-file", inDialog, inDialog->GetFile().GetRef().mPath);
    }
    void OnFinishPutFile(FxPutFileDialog* inDialog) override
    {
        Record("put-file", inDialog, inDialog->GetDestinationFolder().GetRef().mPath);
        mEndings.back().name = inDialog->GetFileName().AsUtf8();
        mEndings.back().mime = inDialog->GetMimeType().AsUtf8();
        if (inDialog->Action() == pf::kNavUserActionSaveAs)
        {
            inDialog->CompleteSave();
        }
    }
    void OnFinishChooseFolder(FxChooseFolderDialog* inDialog) override
    {
        Record("folder", inDialog, inDialog->GetFolder().GetRef().mPath);
    }
    void OnFinishChooseVolume(FxChooseVolumeDialog* inDialog) override
    {
        Record("volume", inDialog, inDialog->GetVolume().GetRef().mPath);
    }
    void OnFinishNewFolder(FxNewFolderDialog* inDialog) override
    {
        Record("new-folder", inDialog, inDialog->GetFolder().GetRef().mPath);
    }

    std::vector<Ending> mEndings;

private:
    void Record(const char* inHook, FxFileDialog* inDialog, const std::string& inPath)
    {
        Ending ending;
        ending.hook = inHook;
        ending.action = inDialog->Action();
        ending.path = inPath;
        ending.pending = IsFileDialogPending();
        mEndings.push_back(ending);
    }
};

std::string Narrow(const std::u16string& inText)
{
    return CxString(reinterpret_cast<const CxUint16*>(inText.data()), CxUint32(inText.size())).AsUtf8();
}

void Touch(const std::string& inPath)
{
    std::ofstream(inPath) << "x";
}

class NavDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        pf::ResetWindowServerForTesting();
        pf::ResetNavDialogsForTesting();
        pf::ResetGraphicsExportersForTesting();
        mWindow = new DialogWindow;
        mWindow->Show();
    }
    void TearDown() override
    {
        mWindow->Release();
        pf::ResetGraphicsExportersForTesting();
        pf::ResetWindowServerForTesting();
        EXPECT_EQ(pf::LiveNavDialogCount(), 0u);
    }
    static void Run()
    {
        while (pf::DeliverNextScriptItem())
        {
        }
    }
    // Runs the script; the answer ends the dialog.
    void Answer(const std::vector<pf::ScriptItem>& inItems)
    {
        pf::PushScript(inItems);
        Run();
    }

    sky::test::TempHome mHome;
    DialogWindow* mWindow = nullptr;
};

TEST_F(NavDialogTest, TheGetFileListShowsFoldersAndTheAddedTypes)
{
    const std::string folder = mHome.Path() + "/maps";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((folder + "/sub").c_str(), 0700), 0);
    Touch(folder + "/a.png");
    Touch(folder + "/b.xml");
    Touch(mHome.Path() + "/note.xml");
    Touch(folder + "/c");
    ASSERT_EQ(symlink((folder + "/sub").c_str(), (folder + "/link").c_str()), 0);
    ASSERT_EQ(symlink((folder + "/gone").c_str(), (folder + "/dangling").c_str()), 0);

    const struct
    {
        std::vector<const char*> types;
        std::vector<std::string> shown;
    } cases[] = {
        {{}, {"link", "sub"}},
        {{"image/png"}, {"a.png", "link", "sub"}},
        {{"text/xml", "image/png"}, {"a.png", "b.xml", "link", "sub"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.shown.size());
        auto* dialog = new FxGetFileDialog(mWindow, mWindow);
        for (const char* type : c.types)
        {
            dialog->AddType(type, "");
        }
        dialog->Display();
        // The home folder is listed before any path, through the same filter.
        const std::vector<std::string> home = pf::NavShownItems(dialog->GetDialogRef());
        EXPECT_NE(std::find(home.begin(), home.end(), "maps"), home.end());
        EXPECT_EQ(std::find(home.begin(), home.end(), "note.xml") != home.end(), c.types.size() == 2);
        Answer({pf::script::NavPath(folder)});
        EXPECT_EQ(pf::NavShownItems(dialog->GetDialogRef()), c.shown);

        // Other filter modes show everything, and so does an item that names no file.
        const pf::AEDesc text{pf::kTypeFSRef, folder + "/c"};
        const pf::NavFileOrFolderInfo file;
        EXPECT_TRUE(dialog->Filter(&text, &file, pf::kNavFilteringFavorites));
        EXPECT_TRUE(dialog->Filter(&text, nullptr, pf::kNavFilteringLocationPopup));
        const pf::AEDesc none{pf::kTypeNull, ""};
        EXPECT_TRUE(dialog->Filter(&none, nullptr, pf::kNavFilteringBrowserList));

        // A file the list hides cannot be selected, and open needs a selection.
        Answer({pf::script::NavPath(folder + "/a.png"), pf::script::NavPath(folder + "/gone"), pf::script::Accept()});
        if (c.types.empty())
        {
            EXPECT_TRUE(mWindow->mEndings.empty());
            Answer({pf::script::Cancel()});
            ASSERT_EQ(mWindow->mEndings.size(), 1u);
            EXPECT_EQ(mWindow->mEndings[0].action, pf::kNavUserActionCancel);
            EXPECT_EQ(mWindow->mEndings[0].path, "");
        }
        else
        {
            ASSERT_FALSE(mWindow->mEndings.empty());
            EXPECT_EQ(mWindow->mEndings.back().hook, "get-file");
            EXPECT_EQ(mWindow->mEndings.back().action, pf::kNavUserActionOpen);
            EXPECT_EQ(mWindow->mEndings.back().path, folder + "/a.png");
        }
    }
}

TEST_F(NavDialogTest, TheFormatPopupSwitchesOnlyAnExtensionTheNameStillHas)
{
    const std::string target = mHome.Path() + "/out";
    const struct
    {
        const char16_t* typed; // null: the name as set
        const char* saved;
    } cases[] = {
        {nullptr, "map.jpg"}, {u"report", "report.jpg"},           {u"a", "a.jpg"}, // shorter than the old extension
        {u".png", ".jpg"},    {u"map.png.txt", "map.png.txt.jpg"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.saved);
        auto* dialog = new FxPutFileDialog(mWindow, mWindow);
        dialog->AddImageTypes();
        dialog->SetFileName("map", ".png");
        dialog->Display();
        const pf::NavDialogCreationOptions* options = pf::NavDialogGetOptions(dialog->GetDialogRef());
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->optionFlags, pf::kNavPreserveSaveFileExtension);
        EXPECT_EQ(options->popupExtension, (std::vector<std::u16string>{u"PNG Image", u"JPEG Image"}));
        EXPECT_EQ(pf::NavDialogGetSaveFileName(dialog->GetDialogRef()), u"map.png");
        std::vector<pf::ScriptItem> items = {pf::script::NavPath(target)};
        if (c.typed != nullptr)
        {
            items.push_back(pf::script::NavName(c.typed));
        }
        items.push_back(pf::script::NavPopup(1));
        items.push_back(pf::script::Accept());
        Answer(items);
        ASSERT_FALSE(mWindow->mEndings.empty());
        const Ending& ending = mWindow->mEndings.back();
        EXPECT_EQ(ending.action, pf::kNavUserActionSaveAs);
        EXPECT_EQ(ending.name, c.saved);
        EXPECT_EQ(ending.mime, "image/jpeg");
        EXPECT_EQ(ending.path, target);
        ASSERT_FALSE(pf::NavCompletedSaves().empty());
        EXPECT_EQ(pf::NavCompletedSaves().back().folder, target);
        EXPECT_EQ(Narrow(pf::NavCompletedSaves().back().name), c.saved);
    }
}

TEST_F(NavDialogTest, EachExportersFileTypeIsOfferedOnceUntilAFailureEndsTheWalk)
{
    const std::string longText(300, 'd');
    pf::RegisterGraphicsExporter({pf::FourCC("PNGf"), {{"image/x-other-png", "Other PNG"}}, pf::kNoErr});
    pf::RegisterGraphicsExporter(
        {pf::FourCC("TIFF"), {{"image/tiff", longText}, {"image/x-tiff", "Second TIFF"}}, pf::kNoErr});
    const pf::GraphicsExporterRef failing =
        pf::RegisterGraphicsExporter({pf::FourCC("GIFf"), {{"image/gif", "GIF Image"}}, pf::kNoErr});
    pf::RegisterGraphicsExporter({pf::FourCC("BMPf"), {{"image/bmp", "BMP Image"}}, pf::kNoErr});
    ASSERT_EQ(pf::SetGraphicsExporterFailure(failing, -2003), pf::kNoErr);

    auto* dialog = new FxPutFileDialog(mWindow, mWindow);
    dialog->AddImageTypes();
    dialog->Display();
    const std::vector<std::u16string> shown = pf::NavDialogGetOptions(dialog->GetDialogRef())->popupExtension;
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], u"PNG Image");
    EXPECT_EQ(shown[1], u"JPEG Image");
    EXPECT_EQ(shown[2], std::u16string(255, u'd'));
    const char* mimes[] = {"image/png", "image/jpeg", "image/tiff"};
    for (int i = 2; i >= 0; --i)
    {
        Answer({pf::script::NavPopup(i)});
        EXPECT_EQ(dialog->GetMimeType().AsUtf8(), mimes[i]);
    }
    Answer({pf::script::Cancel()});
}

TEST_F(NavDialogTest, AMimeTypeOutsideTheListIsEmptyAndLeavesTheName)
{
    auto* dialog = new FxPutFileDialog(mWindow, mWindow);
    EXPECT_EQ(dialog->GetMimeType().Length(), 0u) << "no types";
    dialog->AddMovieType();
    dialog->SetFileName("clip", ".vanedoc");
    dialog->Display();
    Answer({pf::script::NavPopup(0)});
    EXPECT_EQ(dialog->GetMimeType().AsUtf8(), "video/quicktime");
    EXPECT_EQ(dialog->GetFileName().AsUtf8(), "clip.mov");
    const CxMimeInfo movie = CxMimeInfo::FromMime("video/quicktime");
    EXPECT_EQ(movie.Extension().AsUtf8(), ".mov");
    EXPECT_EQ(movie.Type(), pf::FourCC("MooV"));
    EXPECT_EQ(movie.Creator(), pf::FourCC("TVOD"));

    // The popup's list may be emptied while it shows; the platform never picks past its own list.
    dialog->ClearTypes();
    EXPECT_EQ(dialog->GetMimeType().Length(), 0u);
    pf::NavMenuItemSpec choice;
    pf::NavCBRec params;
    params.menuItem = &choice;
    dialog->PopupMenuSelect(&params);
    EXPECT_EQ(dialog->GetFileName().AsUtf8(), "clip.mov");
    Answer({pf::script::NavPopup(3)});
    EXPECT_EQ(dialog->PopupSelection(), 0);
    Answer({pf::script::Cancel()});
    ASSERT_EQ(mWindow->mEndings.size(), 1u);
    EXPECT_EQ(mWindow->mEndings[0].action, pf::kNavUserActionCancel);
    EXPECT_EQ(mWindow->mEndings[0].path, "") << "a cancelled dialog has no item";
}

// Logs the end of its life beside the handler's hook.
class LoggingFolderDialog : public FxChooseFolderDialog
{
public:
    LoggingFolderDialog(FxWindow* inParent, FxFileDialogHandler* inHandler, std::vector<std::string>& ioLog)
        : FxChooseFolderDialog(inParent, inHandler), mLog(ioLog)
    {
    }
    ~LoggingFolderDialog() override { mLog.push_back("deleted"); }
    void Finish() override
    {
        mLog.push_back("finish");
        FxChooseFolderDialog::Finish();
    }

private:
    std::vector<std::string>& mLog;
};

TEST_F(NavDialogTest, ADialogEndsItsHandlersWaitFinishesThenGoes)
{
    std::vector<std::string> log;
    auto* dialog = new LoggingFolderDialog(mWindow, mWindow, log);
    const pf::NavDialogCreationOptions& options = dialog->GetCreationOptions();
    EXPECT_EQ(options.modality, pf::kWindowModalityWindowModal);
    EXPECT_EQ(options.parentWindow, mWindow->GetRef());
    EXPECT_EQ(options.preferenceKey, 1u);
    EXPECT_TRUE(options.clientName.empty());
    EXPECT_EQ(mWindow->RetainCount(), 2u);
    EXPECT_FALSE(mWindow->IsFileDialogPending());

    dialog->Display();
    EXPECT_TRUE(mWindow->IsFileDialogPending());
    const pf::WindowRef sheet = pf::NavDialogGetWindow(dialog->GetDialogRef());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(pf::GetSheetParent(sheet), mWindow->GetRef());
    Run(); // a sheet waits out a dry script
    EXPECT_TRUE(mWindow->IsFileDialogPending());
    EXPECT_EQ(mWindow->RetainCount(), 2u);

    const std::string chosen = mHome.Path();
    Answer({pf::script::NavPath(chosen), pf::script::Accept(), pf::script::Accept()});
    EXPECT_EQ(log, (std::vector<std::string>{"finish", "deleted"}));
    ASSERT_EQ(mWindow->mEndings.size(), 1u) << "the second accept finds no dialog";
    EXPECT_FALSE(mWindow->mEndings[0].pending) << "the wait ends before the hook";
    EXPECT_EQ(mWindow->mEndings[0].action, pf::kNavUserActionChoose);
    EXPECT_EQ(mWindow->mEndings[0].path, chosen);
    EXPECT_EQ(mWindow->RetainCount(), 1u);
    EXPECT_EQ(pf::LiveNavDialogCount(), 0u);
}

TEST_F(NavDialogTest, ADialogDeletedWhileItShowsEndsTheWait)
{
    auto* dialog = new FxGetFileDialog(mWindow, mWindow);
    dialog->Display();
    const pf::WindowRef sheet = pf::NavDialogGetWindow(dialog->GetDialogRef());
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(mWindow->IsFileDialogPending());
    delete dialog;
    EXPECT_FALSE(mWindow->IsFileDialogPending());
    EXPECT_FALSE(pf::IsValidWindow(sheet));
    EXPECT_EQ(mWindow->RetainCount(), 1u);
    Answer({pf::script::Cancel()}); // nobody's now
    EXPECT_TRUE(mWindow->mEndings.empty());
}

TEST_F(NavDialogTest, WithoutAParentTheDialogRunsModalAndADryScriptCancels)
{
    auto* dialog = new FxGetFileDialog(nullptr, mWindow);
    EXPECT_EQ(dialog->GetCreationOptions().modality, pf::kWindowModalityAppModal);
    EXPECT_EQ(dialog->GetCreationOptions().parentWindow, nullptr);
    dialog->AddType("image/png", "PNG Image");
    const std::string file = mHome.Path() + "/a.png";
    Touch(file);
    pf::PushScript(pf::script::NavPath(file));
    dialog->Display(); // returns after the dialog has gone
    ASSERT_EQ(mWindow->mEndings.size(), 1u);
    EXPECT_EQ(mWindow->mEndings[0].action, pf::kNavUserActionCancel);
    EXPECT_EQ(mWindow->mEndings[0].path, "") << "a cancelled dialog has no item, whatever was selected";
    EXPECT_FALSE(mWindow->IsFileDialogPending());
    EXPECT_EQ(pf::LiveNavDialogCount(), 0u);
    EXPECT_EQ(pf::ModalWindow(), nullptr);
}

TEST_F(NavDialogTest, QuestionsAnswerWithThePlatformsActions)
{
    const struct
    {
        CxUint32 documents; // 0: one document's save-changes dialog
        pf::ScriptItem answer;
        CxSint32 action;
    } cases[] = {
        {0, pf::script::Accept(), 6}, {0, pf::script::NavDiscard(), 7},  {0, pf::script::Cancel(), 1},
        {3, pf::script::Accept(), 9}, {3, pf::script::NavDiscard(), 10}, {3, pf::script::Cancel(), 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.action);
        mWindow->mEndings.clear();
        FxFileDialog* dialog = c.documents == 0
                                   ? static_cast<FxFileDialog*>(new FxAskSaveChangesDialog(nullptr, mWindow))
                                   : new FxAskReviewDocumentsDialog(nullptr, mWindow, c.documents);
        // Items that are not the question's stay unanswered: nav-path is dropped, the answer ends it.
        pf::PushScript({pf::script::NavPath("/"), c.answer});
        dialog->Display();
        ASSERT_EQ(mWindow->mEndings.size(), 1u);
        EXPECT_EQ(mWindow->mEndings[0].hook, c.documents == 0 ? "save-changes" : "review");
        EXPECT_EQ(mWindow->mEndings[0].action, c.action);
    }
}

TEST_F(NavDialogTest, FoldersVolumesAndNewFoldersAnswerPaths)
{
    // Without a path the dialogs answer where they start.
    pf::PushScript(pf::script::Accept());
    (new FxChooseVolumeDialog(nullptr, mWindow))->Display();
    pf::PushScript(pf::script::Accept());
    (new FxChooseFolderDialog(nullptr, mWindow))->Display();
    pf::PushScript({pf::script::NavName(u"charts"), pf::script::Accept()});
    (new FxNewFolderDialog(nullptr, mWindow))->Display();
    // A folder that cannot be made leaves the dialog up; a dry script then cancels it.
    pf::PushScript({pf::script::NavPath(mHome.Path() + "/no/such/place"), pf::script::Accept()});
    (new FxNewFolderDialog(nullptr, mWindow))->Display();
    ASSERT_EQ(mWindow->mEndings.size(), 4u);
    EXPECT_EQ(mWindow->mEndings[0].hook, "volume");
    EXPECT_EQ(mWindow->mEndings[0].path, "/");
    EXPECT_EQ(mWindow->mEndings[1].path, mHome.Path());
    EXPECT_EQ(mWindow->mEndings[2].action, pf::kNavUserActionNewFolder);
    EXPECT_EQ(mWindow->mEndings[2].path, mHome.Path() + "/charts");
    struct stat info;
    EXPECT_TRUE(stat((mHome.Path() + "/charts").c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    EXPECT_EQ(mWindow->mEndings[3].action, pf::kNavUserActionCancel);
    EXPECT_EQ(mWindow->mEndings[3].path, "");
}

} // namespace
