// The File commands: the offer to save, opening files that cannot be read, saving, and the
// recent-file list in the File menu; and files opened by the program in front.
#include <gtest/gtest.h>

#include "framework/DocTemplate.h"
#include "framework/FrameworkPrompts.h"
#include "model/ForegroundWatch.h"
#include "res/resource.h"
#include "tests/shell/EditingSupport.h"
#include "tests/shell/ShellTestSupport.h"

namespace tarvel::test {
namespace {

using Answer = fw::FrameworkPrompts::Answer;

class DocumentCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    services_.controllers.AddController(4);
    config_ = folder_.File("config.tvm");
    WriteBytes(config_, ConfigText({{TestGuid(1), "Pad 1", 4}, {TestGuid(9), "Old Pad", 2}}));
    app_ = std::make_unique<AppUnderTest>(services_);
    ASSERT_TRUE(app_->Start());
  }
  fw::SingleDocTemplate& Template() { return *app_->App().DocTemplate(); }
  fw::FrameWindow& Frame() { return app_->Frame(); }

  TempDir folder_;
  std::string config_;
  TestServices services_;
  std::unique_ptr<AppUnderTest> app_;
};

TEST_F(DocumentCommandsTest, ModifiedDocumentIsOfferedForSavingBeforeFileNew) {
  // The new document of the start counts as modified.
  ASSERT_TRUE(app_->Doc().IsModified());
  const std::string saved = folder_.File("offered.tvm");

  // Cancel: nothing happens.
  services_.frameworkPrompts.saveAnswers = {Answer::Cancel};
  app_->Doc().SetRowDescription(0, "kept");
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_NEW));
  ASSERT_EQ(services_.frameworkPrompts.questions.size(), 1u);
  EXPECT_EQ(services_.frameworkPrompts.questions[0], "Save changes to TarvelConfig?");
  char description[kShortTextSize] = {};
  app_->Doc().GetRowDescription(0, description);
  EXPECT_STREQ(description, "kept");

  // Yes for an untitled document: Save As, then the new document.
  services_.frameworkPrompts.saveAnswers = {Answer::Yes};
  services_.frameworkPrompts.files = {saved};
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_NEW));
  EXPECT_EQ(services_.frameworkPrompts.saveDialogs, 1);
  EXPECT_NE(ReadBytes(saved).find("kept"), std::string::npos);
  app_->Doc().GetRowDescription(0, description);
  EXPECT_STREQ(description, "");
  EXPECT_EQ(app_->Caption(), "TarvelConfig - Tarvel");
  EXPECT_EQ(app_->App().RecentFiles()[0], saved);

  // Yes, but the Save As dialog is cancelled: the document stays.
  services_.frameworkPrompts.saveAnswers = {Answer::Yes};
  app_->Doc().SetRowDescription(0, "again");
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_NEW));
  app_->Doc().GetRowDescription(0, description);
  EXPECT_STREQ(description, "again");

  // No: replaced without saving.
  services_.frameworkPrompts.saveAnswers = {Answer::No};
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_NEW));
  app_->Doc().GetRowDescription(0, description);
  EXPECT_STREQ(description, "");
}

TEST_F(DocumentCommandsTest, SavedDocumentIsNotOfferedAndANamedOneIsSavedInPlace) {
  ASSERT_EQ(Template().OpenDocumentFile(config_), fw::SingleDocTemplate::OpenResult::Opened);
  const size_t asked = services_.frameworkPrompts.questions.size();
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_NEW));
  EXPECT_EQ(services_.frameworkPrompts.questions.size(), asked);

  ASSERT_EQ(Template().OpenDocumentFile(config_), fw::SingleDocTemplate::OpenResult::Opened);
  app_->Doc().SetRowWindowClass(1, "Notepad");
  services_.frameworkPrompts.saveAnswers = {Answer::Yes};
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_NEW));
  EXPECT_EQ(services_.frameworkPrompts.questions.back(), "Save changes to config.tvm?");
  EXPECT_EQ(services_.frameworkPrompts.saveDialogs, 0);
  EXPECT_NE(ReadBytes(config_).find("Notepad"), std::string::npos);
}

TEST_F(DocumentCommandsTest, ClosingAModifiedDocumentOffersToSaveAndCancelKeepsTheWindow) {
  services_.frameworkPrompts.saveAnswers = {Answer::Cancel};
  SendMessageA(app_->FrameHandle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(app_->FrameHandle()));
  EXPECT_EQ(services_.frameworkPrompts.questions.size(), 1u);
  // Ending the Windows session asks too.
  services_.frameworkPrompts.saveAnswers = {Answer::Cancel};
  EXPECT_EQ(SendMessageA(app_->FrameHandle(), WM_QUERYENDSESSION, 0, 0), FALSE);

  services_.frameworkPrompts.saveAnswers = {Answer::No};
  EXPECT_TRUE(app_->Close());
  EXPECT_EQ(services_.frameworkPrompts.questions.size(), 3u);
}

TEST_F(DocumentCommandsTest, ExitWhileAQuestionIsOpenNeitherAsksAgainNorCloses) {
  // A modal question of the program's disables the main window; the tray menu's Exit still
  // reaches it.
  HWND question = CreateWindowExA(0, "STATIC", "question", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                  app_->FrameHandle(), nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(question, nullptr);
  EnableWindow(app_->FrameHandle(), FALSE);
  services_.frameworkPrompts.saveAnswers = {Answer::No};
  EXPECT_TRUE(app_->Frame().RouteCommand(ID_APP_EXIT));
  SendMessageA(app_->FrameHandle(), WM_CLOSE, 0, 0);
  PumpFor(&app_->App(), 50);
  EXPECT_TRUE(IsWindow(app_->FrameHandle()));
  EXPECT_TRUE(services_.frameworkPrompts.questions.empty());

  // Answered: Exit works again, and asks once.
  DestroyWindow(question);
  EnableWindow(app_->FrameHandle(), TRUE);
  SendMessageA(app_->FrameHandle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(services_.frameworkPrompts.questions.size(), 1u);
  EXPECT_FALSE(IsWindow(app_->FrameHandle()));
}

TEST_F(DocumentCommandsTest, OpeningAFileThatCannotBeReadKeepsTheDocumentItsPathAndTitle) {
  ASSERT_EQ(Template().OpenDocumentFile(config_), fw::SingleDocTemplate::OpenResult::Opened);
  ASSERT_EQ(app_->Doc().recordCount, 2);
  const std::string wrong = folder_.File("wrong.tvm");
  WriteBytes(wrong, "TVM3\r\n");
  const std::string empty = folder_.File("empty.tvm");
  WriteBytes(empty, "");
  const std::string missing = folder_.File("missing.tvm");
  const std::string large = folder_.File("large.tvm");
  WriteBytes(large, "TVM2\r\n" + std::string(16u << 20, ' '));
  const std::string longPath = folder_.File(std::string(MAX_PATH, 'x') + ".tvm");
  const std::string port = "COM1";
  // Under Wine: a plain file that opens, then fails to read.
  const std::string failsReading = "Z:\\proc\\self\\mem";

  struct Case {
    const std::string& path;
    int wrongFormatMessages;
    int errorMessages;
    int tooLargeMessages;
  };
  const Case cases[] = {{wrong, 1, 0, 0},       {empty, 1, 0, 0},    {missing, 0, 1, 0},
                        {large, 0, 0, 1},       {longPath, 0, 1, 0}, {port, 0, 1, 0},
                        {failsReading, 0, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const int wrongBefore = services_.prompts.wrongFormatShown;
    const int largeBefore = services_.prompts.tooLargeShown;
    const size_t errorsBefore = services_.frameworkPrompts.errors.size();
    services_.frameworkPrompts.files = {c.path};
    EXPECT_TRUE(Frame().RouteCommand(ID_FILE_OPEN));
    EXPECT_EQ(services_.prompts.wrongFormatShown - wrongBefore, c.wrongFormatMessages);
    EXPECT_EQ(services_.prompts.tooLargeShown - largeBefore, c.tooLargeMessages);
    EXPECT_EQ(services_.frameworkPrompts.errors.size() - errorsBefore,
              static_cast<size_t>(c.errorMessages));
    EXPECT_EQ(app_->Doc().GetPathName(), config_);
    EXPECT_EQ(app_->Caption(), "config.tvm - Tarvel");
    EXPECT_EQ(app_->Doc().recordCount, 2);
    EXPECT_EQ(app_->View().List().ItemCount(), 6);
    EXPECT_EQ(app_->App().RecentFiles()[0], config_);
  }
  // The Open dialog offers the configurations first.
  ASSERT_FALSE(services_.frameworkPrompts.filters.empty());
  const std::string& filter = services_.frameworkPrompts.filters[0];
  EXPECT_EQ(filter.substr(0, filter.find('\0')), "Tarvel Config (*.tvm)");
  EXPECT_EQ(std::string(filter.c_str() + filter.find('\0') + 1), "*.tvm");
}

TEST_F(DocumentCommandsTest, SaveAsNamesTheDocumentAndAFailedSaveSaysSo) {
  const std::string target = folder_.File("renamed.tvm");
  services_.frameworkPrompts.files = {target};
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_SAVE_AS));
  EXPECT_EQ(app_->Caption(), "renamed.tvm - Tarvel");
  EXPECT_FALSE(app_->Doc().IsModified());
  EXPECT_EQ(ReadBytes(target).rfind("TVM2\r\n", 0), 0u);
  // A document without a file is offered under its title; a named one under its path.
  ASSERT_EQ(services_.frameworkPrompts.proposedNames.size(), 1u);
  EXPECT_EQ(services_.frameworkPrompts.proposedNames[0], "TarvelConfig.tvm");

  // A folder that does not exist: the user is told, and nothing changes.
  app_->Doc().SetRowDescription(0, "changed");
  const std::string impossible = folder_.File("no such folder\\x.tvm");
  services_.frameworkPrompts.files = {impossible};
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_SAVE_AS));
  ASSERT_EQ(services_.frameworkPrompts.errors.size(), 1u);
  EXPECT_NE(services_.frameworkPrompts.errors[0].find(impossible), std::string::npos);
  EXPECT_TRUE(app_->Doc().IsModified());
  EXPECT_EQ(app_->Caption(), "renamed.tvm - Tarvel");
  EXPECT_EQ(app_->Doc().GetPathName(), target);
  ASSERT_EQ(services_.frameworkPrompts.proposedNames.size(), 2u);
  EXPECT_EQ(services_.frameworkPrompts.proposedNames[1], target);

  // A path longer than the system's file calls take: refused as opening refuses it, said so,
  // and nothing is left in the folder.
  const std::string tooLong = folder_.File(std::string(MAX_PATH, 'y') + ".tvm");
  services_.frameworkPrompts.files = {tooLong};
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_SAVE_AS));
  ASSERT_EQ(services_.frameworkPrompts.errors.size(), 2u);
  EXPECT_NE(services_.frameworkPrompts.errors[1].find("too long"), std::string::npos);
  EXPECT_TRUE(app_->Doc().IsModified());
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(folder_.File("y*").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(DocumentCommandsTest, AFileNamedWithoutItsFolderIsKnownByItsFullPath) {
  const std::string full = folder_.File("relative.tvm");
  WriteBytes(full, ConfigText({{TestGuid(1), "Pad 1", 4}}));
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA(folder_.File("").c_str()));
  const auto opened = Template().OpenDocumentFile("relative.tvm");
  SetCurrentDirectoryA(before);

  ASSERT_EQ(opened, fw::SingleDocTemplate::OpenResult::Opened);
  EXPECT_EQ(app_->Doc().GetPathName(), full);
  EXPECT_EQ(app_->App().RecentFiles()[0], full);
  EXPECT_EQ(services_.settings.GetString("Recent File List", "File1", ""), full);
  EXPECT_EQ(app_->Caption(), "relative.tvm - Tarvel");
}

TEST_F(DocumentCommandsTest, RecentFilesReplaceTheMenuPlaceholderAndOpen) {
  HMENU file = GetSubMenu(GetMenu(app_->FrameHandle()), 0);
  auto refresh = [&] {
    SendMessageA(app_->FrameHandle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  };
  auto itemText = [&](UINT id) {
    char text[256] = {};
    GetMenuStringA(file, id, text, sizeof(text), MF_BYCOMMAND);
    return std::string(text);
  };
  refresh();
  EXPECT_EQ(itemText(ID_FILE_MRU_FILE1), "Recent File");
  EXPECT_EQ(GetMenuState(file, ID_FILE_MRU_FILE1, MF_BYCOMMAND) & MF_GRAYED,
            static_cast<UINT>(MF_GRAYED));

  // Five files opened or saved: the four newest are listed, newest first.
  std::string paths[5];
  for (int i = 0; i < 5; ++i) {
    paths[i] = folder_.File(Numbered("file%d.tvm", i));
    WriteBytes(paths[i], ConfigText({{TestGuid(1), "Pad 1", 4}}));
    ASSERT_EQ(Template().OpenDocumentFile(paths[i]), fw::SingleDocTemplate::OpenResult::Opened);
  }
  refresh();
  EXPECT_EQ(GetMenuItemCount(file), 4 + 1 + 4 + 1 + 1);
  for (int i = 0; i < 4; ++i) {
    const UINT id = ID_FILE_MRU_FILE1 + i;
    EXPECT_EQ(itemText(id).substr(0, 3), Numbered("&%d ", i + 1));
    EXPECT_EQ(GetMenuState(file, id, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(app_->App().RecentFiles()[i], paths[4 - i]);
    EXPECT_EQ(
        services_.settings.GetString("Recent File List", Numbered("File%d", i + 1).c_str(), ""),
        paths[4 - i]);
  }
  // The third entry opens its file and moves to the top.
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_MRU_FILE3));
  EXPECT_EQ(app_->Doc().GetPathName(), paths[2]);
  EXPECT_EQ(app_->App().RecentFiles()[0], paths[2]);

  // An entry whose file has gone is removed when chosen.
  DeleteFileA(paths[3].c_str());
  ASSERT_EQ(app_->App().RecentFiles()[1], paths[4]);
  ASSERT_EQ(app_->App().RecentFiles()[2], paths[3]);
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_MRU_FILE3));
  EXPECT_EQ(app_->App().RecentFiles().Count(), 3);
  EXPECT_EQ(app_->Doc().GetPathName(), paths[2]);
  refresh();
  EXPECT_EQ(GetMenuState(file, ID_FILE_MRU_FILE4, MF_BYCOMMAND), static_cast<UINT>(-1));

  // A cancelled offer to save keeps the entry.
  app_->Doc().SetRowDescription(0, "changed");
  services_.frameworkPrompts.saveAnswers = {Answer::Cancel};
  EXPECT_TRUE(Frame().RouteCommand(ID_FILE_MRU_FILE2));
  EXPECT_EQ(app_->App().RecentFiles().Count(), 3);
}

// The question whether to replace a file comes from the file dialog itself and borrows its title.
TEST(FileDialogs, SaveAsAsksUnderItsOwnTitleBeforeReplacingAFile) {
  TempDir folder;
  const std::string taken = folder.File("taken.tvm");
  WriteBytes(taken, "TVM2\r\n");
  fw::Win32FrameworkPrompts prompts("Tarvel");

  std::string questionCaption;
  HWND fileDialog = nullptr;
  // The file dialog: press Save with the name it was given.
  WindowWatch save(DialogCalled("Save As"), [&](HWND dialog) {
    fileDialog = dialog;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  // The question that follows: note it, answer No, and cancel the file dialog.
  WindowWatch replace(
      [&]() -> HWND {
        struct Search {
          HWND fileDialog;
          HWND found;
        } search = {fileDialog, nullptr};
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM param) -> BOOL {
              auto* s = reinterpret_cast<Search*>(param);
              char cls[32] = {};
              GetClassNameA(window, cls, sizeof cls);
              if (window == s->fileDialog || !IsWindowVisible(window) ||
                  std::string(cls) != "#32770" || GetDlgItem(window, IDYES) == nullptr)
                return TRUE;
              s->found = window;
              return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
      },
      [&](HWND box) {
        char text[512] = {};
        GetWindowTextA(box, text, sizeof text);
        questionCaption = text;
        ClickButton(box, IDNO);
        PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      });

  const std::string filter("Tarvel Config (*.tvm)\0*.tvm\0", 28);
  std::string path = taken;
  EXPECT_FALSE(prompts.ChooseFileToSave(nullptr, filter, "tvm", &path));
  ASSERT_TRUE(save.Fired());
  ASSERT_TRUE(replace.Fired()) << "no question before replacing " << taken;
  EXPECT_EQ(questionCaption, "Save As");
  EXPECT_EQ(ReadBytes(taken), "TVM2\r\n");
}

// The window in front as a test sets it; a change is seen at the next tick.
class ScriptedForeground final : public ForegroundWatch {
 public:
  bool Start(ForegroundListener*, bool) override { return true; }
  void Stop() override {}
  ForegroundWindow Current() override {
    changed = false;
    return now;
  }
  bool WindowChanged() override { return changed; }
  void Bring(const char* program) {
    now = {ForegroundWindow::Kind::Program, program, ""};
    changed = true;
  }
  ForegroundWindow now;
  bool changed = false;
};

TEST(ProfileSwitchingTest, TheProgramInFrontOpensItsFileLetsKeysGoAndReportsWhatFails) {
  TempDir folder;
  TestServices services;
  ScriptedForeground foreground;
  services.foreground = &foreground;
  services.controllers.AddController(2);
  const std::string racing = folder.File("racing.tvm");
  WriteBytes(racing, Lines(Join({{"TVM2"},
                                 Block(TestGuid(1), "Pad 1",
                                       {V2Button(1, 1, 0x52, 0x13, 0), V2Button(2, 0, 0, 0, 0)}),
                                 {"Button1Action = Hold"}})));
  const std::string mine = folder.File("mine.tvm");
  WriteBytes(mine, ConfigText({{TestGuid(1), "Pad 1", 2}}));
  services.settings.WriteInt("Profiles", "Count", 3);
  services.settings.WriteString("Profiles", "Rule1", ("racing.exe||" + racing).c_str());
  services.settings.WriteString("Profiles", "Rule2",
                                ("broken.exe||" + folder.File("missing.tvm")).c_str());
  services.settings.WriteString("Profiles", "Rule3", ("capture.exe||" + mine).c_str());
  AppUnderTest app(services, "\"" + mine + "\"");
  ASSERT_TRUE(app.Start());
  ASSERT_EQ(app.Doc().GetPathName(), mine);
  auto balloons = [&] {
    int n = 0;
    for (const RecordingTray::Call& call : services.tray.calls)
      if (call.message == NIM_MODIFY && (call.data.uFlags & NIF_INFO) != 0) ++n;
    return n;
  };

  foreground.Bring("RACING.EXE");
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return app.Doc().GetPathName() == racing; }));
  EXPECT_EQ(app.Caption(), "racing.tvm, for RACING.EXE - Tarvel");
  EXPECT_EQ(app.Frame().MessageText(), "racing.tvm, for RACING.EXE");
  EXPECT_STREQ(app.App().m_trayIcon.szTip, "Tarvel: racing.tvm, for RACING.EXE");
  EXPECT_FALSE(app.Doc().IsModified());
  EXPECT_EQ(app.App().RecentFiles()[0], mine) << "a profile does not enter the recent files";

  // Button 1 holds R; a program whose file cannot be read lets it go, keeps the file and says
  // so once, however often it is looked at.
  services.controllers.Controller(0).Press(0);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return app.Doc().HoldsKeys(); }));
  services.keys.Clear();
  foreground.Bring("broken.exe");
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return balloons() == 1; }));
  EXPECT_EQ(services.keys.sent, (std::vector<std::string>{"event 52 sc 13 up"}));
  PumpFor(&app.App(), 1200);
  EXPECT_EQ(balloons(), 1);
  EXPECT_EQ(app.Doc().GetPathName(), racing);

  // No switch while a key is being captured for a row; it comes once capture ends.
  app.Doc().SetKeyCapture(true, 0);
  foreground.Bring("capture.exe");
  PumpFor(&app.App(), 100);
  EXPECT_EQ(app.Doc().GetPathName(), racing);
  app.Doc().SetKeyCapture(false, 0);
  EXPECT_TRUE(PumpUntil(&app.App(), [&] { return app.Doc().GetPathName() == mine; }));
  EXPECT_EQ(app.Caption(), "mine.tvm, for capture.exe - Tarvel");

  // Unsaved changes hold a switch and say so; a program without a rule takes the wait back.
  app.Doc().SetRowDescription(0, "edited");
  foreground.Bring("racing.exe");
  EXPECT_TRUE(PumpUntil(&app.App(), [&] {
    return app.Frame().MessageText() == "Profile switching waits: unsaved changes";
  }));
  EXPECT_EQ(app.Doc().GetPathName(), mine);
  foreground.Bring("other.exe");
  EXPECT_TRUE(PumpUntil(&app.App(),
                        [&] { return app.Frame().MessageText() == "mine.tvm, for capture.exe"; }));
  services.frameworkPrompts.saveAnswers = {Answer::No};
  EXPECT_TRUE(app.Close());
}

}  // namespace
}  // namespace tarvel::test
