// The file dialogs at the platform layer: what their procedures hear, references and selections.
#include "PfNavDialog.h"

#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using namespace pf;

struct Heard
{
    std::vector<NavEventCallbackMessage> messages;
    std::vector<std::uint32_t> popups;
    NavUserAction action = kNavUserActionNone;
    NavReplyRecord reply;
    OSStatus replyStatus = 1;
    bool disposeOnTerminate = true;
    bool disposeOnPopup = false;
};

void Procedure(NavEventCallbackMessage inSelector, NavCBRec* inParams, void* inUserData)
{
    auto* heard = static_cast<Heard*>(inUserData);
    heard->messages.push_back(inSelector);
    if (inSelector == kNavCBPopupMenuSelect)
        heard->popups.push_back(inParams->menuItem->menuType);
    if (inSelector == kNavCBPopupMenuSelect && heard->disposeOnPopup)
        NavDialogDispose(inParams->context);
    if (inSelector == kNavCBUserAction)
    {
        heard->action = inParams->userAction;
        heard->replyStatus = NavDialogGetReply(inParams->context, &heard->reply);
    }
    // The owner lets the dialog go inside its own procedure.
    if (inSelector == kNavCBTerminate && heard->disposeOnTerminate)
        NavDialogDispose(inParams->context);
}

class PfNavDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        SetDebugSink([this](const std::string& inLine) { mLines.push_back(inLine); });
    }
    void TearDown() override
    {
        SetDebugSink(nullptr);
        ResetWindowServerForTesting();
        EXPECT_EQ(LiveNavDialogCount(), 0u);
    }
    static void Run()
    {
        while (DeliverNextScriptItem())
        {
        }
    }
    bool Logged(const std::string& inText) const
    {
        for (const std::string& line : mLines)
            if (line.find(inText) != std::string::npos)
                return true;
        return false;
    }

    std::vector<std::string> mLines;
};

TEST_F(PfNavDialogTest, APopupOutsideItsListIsNeverSelectedAndTheAnswerEndsTheRun)
{
    Heard heard;
    NavDialogCreationOptions options;
    options.popupExtension = {u"PNG Image", u"JPEG Image"};
    options.saveFileName = u"map.png";
    NavDialogRef dialog = nullptr;
    ASSERT_EQ(NavCreatePutFileDialog(&options, FourCC("TEXT"), FourCC("****"), Procedure, &heard, &dialog), kNoErr);
    // Application-modal: the run takes the whole script and returns after terminate.
    PushScript({script::NavPopup(2), script::NavPopup(-1), script::NavPopup(1), script::NavName(u"radar.jpg"),
                script::NavDiscard(), script::Accept(), script::Cancel()});
    EXPECT_EQ(NavDialogRun(dialog), kNoErr);
    EXPECT_EQ(heard.popups, std::vector<std::uint32_t>{1});
    EXPECT_TRUE(Logged("nav: popup item 2 is not in the list"));
    EXPECT_TRUE(Logged("nav-discard dropped"));
    EXPECT_EQ(heard.messages,
              (std::vector<NavEventCallbackMessage>{kNavCBPopupMenuSelect, kNavCBUserAction, kNavCBTerminate}));
    EXPECT_EQ(heard.action, kNavUserActionSaveAs);
    EXPECT_EQ(heard.replyStatus, kNoErr);
    EXPECT_TRUE(heard.reply.validRecord);
    EXPECT_EQ(heard.reply.saveFileName, u"radar.jpg");
    EXPECT_EQ(ScriptCount(), 1u) << "the cancel after the answer stays queued";
    EXPECT_EQ(LiveNavDialogCount(), 0u);
    EXPECT_EQ(ModalWindow(), nullptr);
}

TEST_F(PfNavDialogTest, ADialogDisposedMidRunEndsItsLoopUnanswered)
{
    Heard heard;
    heard.disposeOnPopup = true;
    NavDialogCreationOptions options;
    options.popupExtension = {u"PNG Image"};
    NavDialogRef dialog = nullptr;
    ASSERT_EQ(NavCreatePutFileDialog(&options, FourCC("TEXT"), FourCC("****"), Procedure, &heard, &dialog), kNoErr);
    PushScript({script::NavPopup(0), script::Accept()});
    EXPECT_EQ(NavDialogRun(dialog), kNoErr);
    EXPECT_EQ(heard.messages, std::vector<NavEventCallbackMessage>{kNavCBPopupMenuSelect});
    EXPECT_EQ(ScriptCount(), 1u) << "the accept is nobody's";
    EXPECT_EQ(ModalWindow(), nullptr);
    EXPECT_EQ(LiveNavDialogCount(), 0u);
}

TEST_F(PfNavDialogTest, ASheetNeedsAShownParentAndADialogRunsOnce)
{
    const WindowRef parent = CreateWindow(kDocumentWindowClass, 0, Rect{100, 100, 400, 300});
    Heard heard;
    heard.disposeOnTerminate = false;
    NavDialogCreationOptions options;
    options.modality = kWindowModalityWindowModal;
    options.parentWindow = parent;
    NavDialogRef dialog = nullptr;
    ASSERT_EQ(NavCreateChooseFolderDialog(&options, Procedure, nullptr, &heard, &dialog), kNoErr);
    // A hidden parent takes no sheet: the dialog runs application-modal and a dry script cancels it.
    EXPECT_EQ(NavDialogRun(dialog), kNoErr);
    EXPECT_EQ(heard.action, kNavUserActionCancel);
    EXPECT_EQ(heard.replyStatus, kUserCanceledErr);
    EXPECT_FALSE(heard.reply.validRecord);
    EXPECT_TRUE(heard.reply.selection.empty());
    EXPECT_EQ(NavDialogRun(dialog), kParamErr);
    EXPECT_TRUE(Logged("NavDialogRun: the dialog has run"));
    NavDialogDispose(dialog);
    EXPECT_EQ(LiveNavDialogCount(), 0u);

    // Gone, the reference is bad: logged, and answered empty.
    EXPECT_EQ(NavDialogRun(dialog), kParamErr);
    EXPECT_EQ(NavDialogGetUserAction(dialog), kNavUserActionNone);
    EXPECT_TRUE(Logged("NavDialogGetUserAction: bad dialog reference"));

    ShowWindow(parent);
    Heard sheetHeard;
    ASSERT_EQ(NavCreateChooseFolderDialog(&options, Procedure, nullptr, &sheetHeard, &dialog), kNoErr);
    EXPECT_EQ(NavDialogRun(dialog), kNoErr);
    ASSERT_NE(NavDialogGetWindow(dialog), nullptr);
    EXPECT_EQ(GetSheetParent(NavDialogGetWindow(dialog)), parent);
    EXPECT_TRUE(sheetHeard.messages.empty());
    PushScript({script::NavPath("/tmp"), script::Accept()});
    Run();
    EXPECT_EQ(sheetHeard.action, kNavUserActionChoose);
    ASSERT_EQ(sheetHeard.reply.selection.size(), 1u);
    EXPECT_EQ(sheetHeard.reply.selection[0].data, "/tmp");
    EXPECT_EQ(LiveNavDialogCount(), 0u);
}

TEST_F(PfNavDialogTest, SelectionsAnswerTheirItemsByIndexAndType)
{
    const AEDescList list = {{kTypeFSRef, "/tmp/a"}, {kTypeNull, ""}, {kTypeFSRef, ""}};
    const struct
    {
        std::int32_t index;
        DescType wanted;
        OSStatus status;
        OSStatus coerced; // of the item found
    } cases[] = {
        {1, kTypeWildCard, kNoErr, kNoErr},
        {1, kTypeFSRef, kNoErr, kNoErr},
        {1, kTypeNull, kErrAECoercionFail, kNoErr},
        {2, kTypeWildCard, kNoErr, kErrAECoercionFail},
        {3, kTypeWildCard, kNoErr, kErrAECoercionFail}, // no path
        {0, kTypeWildCard, kErrAEDescNotFound, kNoErr},
        {4, kTypeWildCard, kErrAEDescNotFound, kNoErr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.index);
        AEDesc found;
        EXPECT_EQ(AEGetNthDesc(list, c.index, c.wanted, &found), c.status);
        if (c.status != kNoErr)
            continue;
        std::string path;
        EXPECT_EQ(AECoerceDescToPath(found, &path), c.coerced);
        EXPECT_EQ(path, c.coerced == kNoErr ? "/tmp/a" : "");
    }
    EXPECT_EQ(AEGetNthDesc(list, 1, kTypeWildCard, nullptr), kParamErr);

    // A cancelled reply saves nothing.
    NavReplyRecord reply;
    EXPECT_EQ(NavCompleteSave(&reply, kNavTranslateInPlace), kParamErr);
    EXPECT_EQ(NavCompleteSave(nullptr, kNavTranslateInPlace), kParamErr);
}

// HOME as a test sets it, given back as it was.
class ScopedHome
{
public:
    explicit ScopedHome(const char* inValue)
    {
        if (const char* old = std::getenv("HOME"))
            mOld = old;
        inValue != nullptr ? setenv("HOME", inValue, 1) : unsetenv("HOME");
    }
    ~ScopedHome() { mOld ? setenv("HOME", mOld->c_str(), 1) : unsetenv("HOME"); }

private:
    std::optional<std::string> mOld;
};

// A save dialog starts in the home folder; with HOME unset or empty, at the root.
TEST_F(PfNavDialogTest, ASaveDialogStartsAtHomeOrTheRoot)
{
    const std::pair<const char*, const char*> kHomes[] = {{nullptr, "/"}, {"", "/"}, {"/tmp", "/tmp"}};
    for (const auto& [home, start] : kHomes)
    {
        SCOPED_TRACE(home != nullptr ? home : "(unset)");
        ScopedHome scoped(home);
        Heard heard;
        NavDialogCreationOptions options;
        options.saveFileName = u"map.vanedoc";
        NavDialogRef dialog = nullptr;
        ASSERT_EQ(NavCreatePutFileDialog(&options, FourCC("TEXT"), FourCC("****"), Procedure, &heard, &dialog), kNoErr);
        PushScript({script::Accept()});
        EXPECT_EQ(NavDialogRun(dialog), kNoErr);
        ASSERT_EQ(heard.replyStatus, kNoErr);
        ASSERT_EQ(heard.reply.selection.size(), 1u);
        EXPECT_EQ(heard.reply.selection[0].data, start);
    }
}

// A new folder is made under the name typed, as the same characters in UTF-8: one to four bytes each, a pair of
// surrogates as one character, a lone surrogate as U+FFFD.
TEST_F(PfNavDialogTest, ANewFolderKeepsItsNameInUtf8)
{
    const std::filesystem::path home = std::filesystem::temp_directory_path() / ("pf-nav-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    ScopedHome scoped(home.c_str());
    const std::pair<std::u16string, std::string> kNames[] = {
        {u"Wetter \u20AC.vanedoc", "Wetter \xE2\x82\xAC.vanedoc"},
        {u"\u00DCbersicht", "\xC3\x9C"
                            "bersicht"},
        {u"\u65E5\u672C\uFFFD", "\xE6\x97\xA5\xE6\x9C\xAC\xEF\xBF\xBD"},
        {u"\u0800\u07FF", "\xE0\xA0\x80\xDF\xBF"},
        {u"Karte \U0001F30D", "Karte \xF0\x9F\x8C\x8D"},
        {std::u16string(u"a") + char16_t(0xD800) + u"b", "a\xEF\xBF\xBD"
                                                         "b"}};
    for (const auto& [name, utf8] : kNames)
    {
        SCOPED_TRACE(utf8);
        Heard heard;
        NavDialogCreationOptions options;
        options.saveFileName = name;
        NavDialogRef dialog = nullptr;
        ASSERT_EQ(NavCreateNewFolderDialog(&options, Procedure, &heard, &dialog), kNoErr);
        PushScript({script::Accept()});
        EXPECT_EQ(NavDialogRun(dialog), kNoErr);
        ASSERT_EQ(heard.replyStatus, kNoErr);
        ASSERT_EQ(heard.reply.selection.size(), 1u);
        EXPECT_EQ(heard.reply.selection[0].data, home.string() + "/" + utf8);
        EXPECT_TRUE(std::filesystem::is_directory(home / utf8));
    }
    std::filesystem::remove_all(home);
}

} // namespace
