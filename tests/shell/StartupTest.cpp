// Start-up and exit of the application: what is shown, which file is opened, the tray icon, and
// the settings that a run leaves behind.
#include <gtest/gtest.h>

#include <cstdio>

#include "model/FileOps.h"
#include "platform/win32/RunAtLogon.h"
#include "res/resource.h"
#include "tests/shell/ShellTestSupport.h"

namespace tarvel::test {
namespace {

TEST(Startup, FirstStartMakesANewDocumentWithOneRecordPerControllerAndShowsTheWindow) {
  TestServices services;
  services.controllers.AddController(12);
  services.controllers.AddController(8);
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());

  EXPECT_TRUE(IsWindowVisible(app.FrameHandle()));
  // A document without a file is called by the name of its kind.
  EXPECT_EQ(app.Caption(), "TarvelConfig - Tarvel");
  EXPECT_EQ(app.Doc().recordCount, 2);
  EXPECT_EQ(app.View().List().ItemCount(), 20);
  // A new configuration counts as modified.
  EXPECT_TRUE(app.Doc().IsModified());
  // The start-up's new document enumerated again without a window: no cooperative window.
  EXPECT_EQ(services.controllers.Controller(0).cooperativeWindow, nullptr);
  EXPECT_EQ(app.App().MainFrame(), &app.Frame());
}

TEST(Startup, HideOnStartupKeepsTheWindowHiddenAndTheTrayBringsItBack) {
  for (const int stored : {0, 1, 7}) {
    SCOPED_TRACE(stored);
    TestServices services;
    services.settings.WriteInt("Options", "HideOnStartup", stored);
    AppUnderTest app(services);
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.App().m_hideOnStartup, stored);
    EXPECT_EQ(IsWindowVisible(app.FrameHandle()) != FALSE, stored == 0);
    EXPECT_EQ(services.tray.Count(NIM_ADD), 1);

    if (stored != 0) {
      SendMessageA(app.FrameHandle(), WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
      EXPECT_TRUE(IsWindowVisible(app.FrameHandle()));
      EXPECT_FALSE(IsIconic(app.FrameHandle()));
    }
  }
}

TEST(Startup, TrayIconIsAddedOnceAtStartAndRemovedAtExit) {
  TestServices services;
  services.controllers.AddController(4);
  {
    AppUnderTest app(services);
    ASSERT_TRUE(app.Start());
    ASSERT_EQ(services.tray.calls.size(), 1u);
    const NOTIFYICONDATAA& icon = services.tray.calls[0].data;
    EXPECT_EQ(services.tray.calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(icon.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_EQ(icon.hWnd, app.FrameHandle());
    EXPECT_EQ(icon.uID, 0u);
    EXPECT_EQ(icon.uFlags, 7u);
    EXPECT_EQ(icon.uCallbackMessage, 1025u);
    EXPECT_NE(icon.hIcon, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon.hIcon, &info));
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof(mask), &mask);
    EXPECT_EQ(mask.bmWidth, GetSystemMetrics(SM_CXSMICON));
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    EXPECT_STREQ(icon.szTip, "Tarvel");

    // Nothing during the run adds it again.
    app.Frame().RouteCommand(ID_JOYSTICK_REFRESH);
    app.Frame().RouteCommand(ID_VIEW_HIDE_TO_TRAY);
    app.Frame().RouteCommand(ID_TRAY_SHOW_HIDE);
    PumpFor(&app.App(), 50);
    EXPECT_EQ(services.tray.Count(NIM_ADD), 1);
    EXPECT_EQ(services.tray.Count(NIM_DELETE), 0);

    ASSERT_TRUE(app.Close());
    EXPECT_TRUE(app.quitSeen);
  }
  ASSERT_EQ(services.tray.calls.size(), 2u);
  EXPECT_EQ(services.tray.calls[1].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(services.tray.calls[1].data.uID, 0u);
  EXPECT_EQ(services.tray.calls[1].data.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
  // The controllers were released at exit.
  EXPECT_EQ(services.controllers.LiveDevices(), 0);
  EXPECT_EQ(services.controllers.inputRefs, 0);
}

TEST(Startup, ExitStoresHideOnStartupAsToggled) {
  struct Case {
    int stored;
    int toggles;
    int expected;
  };
  const Case cases[] = {{0, 0, 0}, {0, 1, 1}, {0, 2, 0}, {1, 1, 0},
                        {1, 2, 1}, {5, 1, 0}, {5, 0, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.stored << " toggled " << c.toggles);
    TestServices services;
    services.settings.WriteInt("Options", "HideOnStartup", c.stored);
    AppUnderTest app(services);
    ASSERT_TRUE(app.Start());
    const bool shown = IsWindowVisible(app.FrameHandle()) != FALSE;
    for (int i = 0; i < c.toggles; ++i)
      EXPECT_TRUE(app.Frame().RouteCommand(ID_OPTIONS_HIDE_ON_STARTUP));
    // The option changes nothing during the run.
    EXPECT_EQ(IsWindowVisible(app.FrameHandle()) != FALSE, shown);
    ASSERT_TRUE(app.Close());
    EXPECT_EQ(services.settings.GetInt("Options", "HideOnStartup", -1), c.expected);
  }
}

TEST(Startup, StoredPlacementIsRestoredAndAPlacementOffEveryScreenIsNot) {
  TestServices services;
  services.settings.WriteInt("MainWindow", "x", 40);
  services.settings.WriteInt("MainWindow", "y", 30);
  services.settings.WriteInt("MainWindow", "cx", 500);
  services.settings.WriteInt("MainWindow", "cy", 360);
  {
    AppUnderTest app(services);
    ASSERT_TRUE(app.Start());
    RECT rect = {};
    GetWindowRect(app.FrameHandle(), &rect);
    EXPECT_EQ(rect.left, 40);
    EXPECT_EQ(rect.top, 30);
    EXPECT_EQ(rect.right - rect.left, 500);
    EXPECT_EQ(rect.bottom - rect.top, 360);
    // Moved while hidden: the rectangle at destruction is what is stored.
    app.Frame().RouteCommand(ID_VIEW_HIDE_TO_TRAY);
    SetWindowPos(app.FrameHandle(), nullptr, 70, 60, 520, 380, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(app.Close());
  }
  EXPECT_EQ(services.settings.GetInt("MainWindow", "x", 0), 70);
  EXPECT_EQ(services.settings.GetInt("MainWindow", "y", 0), 60);
  EXPECT_EQ(services.settings.GetInt("MainWindow", "cx", 0), 520);
  EXPECT_EQ(services.settings.GetInt("MainWindow", "cy", 0), 380);

  // Placements that would leave the caption bar out of reach give a window whose caption bar
  // can be grabbed on the screen.
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  struct Bad {
    const char* what;
    int x, y, cx, cy;
  };
  const Bad bad[] = {
      {"on a screen that is not there any more", -30000, -30000, 520, 380},
      {"far off, with default sizes", -30000, 40, CW_USEDEFAULT, CW_USEDEFAULT},
      {"overlapping by a few pixels until the size limit shrinks it", -100000, 40, 100010, 400},
      {"caption above the top", 40, -300, 500, 400},
      {"a few pixels of caption at the right edge", screenWidth - 5, 40, 500, 400},
      {"below the bottom", 40, screenHeight - 2, 500, 400},
      {"no size", 40, 40, 0, 0},
  };
  for (const Bad& c : bad) {
    SCOPED_TRACE(c.what);
    services.settings.WriteInt("MainWindow", "x", c.x);
    services.settings.WriteInt("MainWindow", "y", c.y);
    services.settings.WriteInt("MainWindow", "cx", c.cx);
    services.settings.WriteInt("MainWindow", "cy", c.cy);
    AppUnderTest app(services);
    ASSERT_TRUE(app.Start());
    RECT rect = {};
    GetWindowRect(app.FrameHandle(), &rect);
    const RECT caption = {rect.left, rect.top, rect.right,
                          rect.top + GetSystemMetrics(SM_CYCAPTION)};
    const RECT screen = {0, 0, screenWidth, screenHeight};
    RECT visible = {};
    ASSERT_TRUE(IntersectRect(&visible, &caption, &screen));
    EXPECT_GE(visible.right - visible.left, 64);
    EXPECT_EQ(visible.bottom - visible.top, GetSystemMetrics(SM_CYCAPTION));
    ASSERT_TRUE(app.Close());
  }
}

TEST(Startup, PlacementOfAMinimisedWindowIsWhereItComesBackTo) {
  TestServices services;
  services.settings.WriteInt("MainWindow", "x", 50);
  services.settings.WriteInt("MainWindow", "y", 40);
  services.settings.WriteInt("MainWindow", "cx", 450);
  services.settings.WriteInt("MainWindow", "cy", 300);
  {
    AppUnderTest app(services);
    ASSERT_TRUE(app.Start());
    ShowWindow(app.FrameHandle(), SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(app.FrameHandle()));
    ASSERT_TRUE(app.Close());
  }
  EXPECT_EQ(services.settings.GetInt("MainWindow", "x", 0), 50);
  EXPECT_EQ(services.settings.GetInt("MainWindow", "y", 0), 40);
  EXPECT_EQ(services.settings.GetInt("MainWindow", "cx", 0), 450);
  EXPECT_EQ(services.settings.GetInt("MainWindow", "cy", 0), 300);
}

// Which file start-up opens: one named on the command line wins over the recent-file list;
// without one, the most recent file is reopened.
TEST(Startup, CommandLineFileWinsOverTheRecentFileList) {
  TempDir folder;
  const std::string recent = folder.File("recent.tvm");
  const std::string named = folder.File("named config.tvm");
  WriteBytes(recent, ConfigText({{TestGuid(1), "Recent Pad", 3}}));
  WriteBytes(named, ConfigText({{TestGuid(2), "Named Pad", 5}}));

  struct Case {
    const char* commandLine;
    const std::string& expectedPath;
    int expectedRows;
  };
  const std::string quoted = "\"" + named + "\"";
  const Case cases[] = {{"", recent, 3}, {quoted.c_str(), named, 5}, {"/dde", recent, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandLine);
    TestServices services;
    services.settings.WriteString("Recent File List", "File1", recent.c_str());
    AppUnderTest app(services, c.commandLine);
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.Doc().GetPathName(), c.expectedPath);
    EXPECT_EQ(app.View().List().ItemCount(), c.expectedRows);
    EXPECT_FALSE(app.Doc().IsModified());
    const std::string name = c.expectedPath.substr(c.expectedPath.find_last_of('\\') + 1);
    EXPECT_EQ(app.Caption(), name + " - Tarvel");
    // The file opened goes to the top of the recent-file list.
    EXPECT_EQ(app.App().RecentFiles()[0], c.expectedPath);
    // Opening a file asks nothing about controllers that no record names.
    EXPECT_TRUE(services.prompts.questions.empty());
  }
}

TEST(Startup, ARecentFileThatCannotBeReadGivesANewDocumentOfTheAttachedControllers) {
  TempDir folder;
  const std::string wrongFormat = folder.File("wrong.tvm");
  WriteBytes(wrongFormat, "not a configuration\r\n");
  const std::string missing = folder.File("gone.tvm");
  const std::string other = folder.File("other.tvm");
  // A pipe whose server never writes: reading it would wait for ever.
  const std::string pipe = "\\\\.\\pipe\\tarvel-startup-" + std::to_string(GetCurrentProcessId());
  HANDLE server =
      CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 512, 512, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);

  for (const std::string& path : {missing, wrongFormat, pipe, std::string("COM1")}) {
    SCOPED_TRACE(path);
    TestServices services;
    services.controllers.AddController(6);
    services.settings.WriteString("Recent File List", "File1", path.c_str());
    services.settings.WriteString("Recent File List", "File2", other.c_str());
    AppUnderTest app(services);
    ASSERT_TRUE(app.Start());
    EXPECT_TRUE(IsWindowVisible(app.FrameHandle()));
    EXPECT_EQ(app.Caption(), "TarvelConfig - Tarvel");
    EXPECT_EQ(app.Doc().GetPathName(), "");
    EXPECT_EQ(app.Doc().recordCount, 1);
    EXPECT_EQ(app.View().List().ItemCount(), 6);
    EXPECT_EQ(app.App().Joysticks().slots[0].recordIndex, 0);
    // As on a first start, the new configuration counts as modified.
    EXPECT_TRUE(app.Doc().IsModified());
    // The user is told: the program's own message for a wrong format, the framework's for a
    // file that cannot be opened.
    const bool isMissing = path != wrongFormat;
    EXPECT_EQ(services.prompts.wrongFormatShown, isMissing ? 0 : 1);
    ASSERT_EQ(services.frameworkPrompts.errors.size(), isMissing ? 1u : 0u);
    if (isMissing) {
      EXPECT_NE(services.frameworkPrompts.errors[0].find(path == missing ? missing : "Cannot open"),
                std::string::npos);
    }
    // The file leaves the recent-file list, so the next start does not fail on it again.
    EXPECT_EQ(app.App().RecentFiles().Count(), 1);
    EXPECT_EQ(app.App().RecentFiles()[0], other);
    EXPECT_EQ(services.settings.GetString("Recent File List", "File1", ""), other);
  }
  CloseHandle(server);
}

TEST(Startup, ACommandLineFileThatCannotBeReadKeepsTheRecentFileList) {
  TempDir folder;
  const std::string recent = folder.File("recent.tvm");
  WriteBytes(recent, ConfigText({{TestGuid(1), "Recent Pad", 3}}));
  TestServices services;
  services.settings.WriteString("Recent File List", "File1", recent.c_str());
  AppUnderTest app(services, folder.File("missing.tvm"));
  ASSERT_TRUE(app.Start());
  EXPECT_EQ(app.Caption(), "TarvelConfig - Tarvel");
  EXPECT_EQ(app.App().RecentFiles().Count(), 1);
  EXPECT_EQ(app.App().RecentFiles()[0], recent);
}

std::string Quoted(const std::string& path) {
  std::string text = "\"";
  text += path;
  text += '"';
  return text;
}

// What a later start of the program hands over (its command line, the file as a full path).
LRESULT HandOver(HWND frame, const std::string& commandLine, ULONG_PTR id = 0x54564C31) {
  COPYDATASTRUCT data = {id, static_cast<DWORD>(commandLine.size() + 1),
                         const_cast<char*>(commandLine.c_str())};
  return SendMessageA(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

// A later start shows the window in the foreground and opens the file it names as File > Open
// does, with the offer to save first; never inside a question or dialog that is open.
TEST(Startup, ALaterStartShowsTheWindowAndOpensItsFile) {
  TempDir folder;
  const std::string first = folder.File("first.tvm");
  const std::string named = folder.File("named config.tvm");
  WriteBytes(first, ConfigText({{TestGuid(1), "First Pad", 3}}));
  WriteBytes(named, ConfigText({{TestGuid(2), "Named Pad", 5}}));
  using Answer = fw::FrameworkPrompts::Answer;
  struct Case {
    const char* what;
    bool hidden;
    bool modified;
    std::string commandLine;
    Answer answer;
    const std::string& expectedPath;
  };
  const Case cases[] = {
      {"hidden in the tray, nothing named", true, false, "", Answer::No, first},
      {"a file named, nothing to save", false, false, Quoted(named), Answer::No, named},
      {"hidden, a file named", true, false, Quoted(named), Answer::No, named},
      {"modified, not saved", false, true, Quoted(named), Answer::No, named},
      {"modified, offer cancelled", false, true, Quoted(named), Answer::Cancel, first},
      {"a file that cannot be read", false, false, Quoted(folder.File("gone.tvm")), Answer::No,
       first},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestServices services;
    services.settings.WriteInt("Options", "HideOnStartup", c.hidden ? 1 : 0);
    AppUnderTest app(services, Quoted(first));
    ASSERT_TRUE(app.Start());
    if (c.modified) app.Doc().SetRowDescription(0, "changed");
    services.frameworkPrompts.saveAnswers = {c.answer};
    EXPECT_EQ(HandOver(app.FrameHandle(), c.commandLine), TRUE);
    // Shown at once; the file is opened once the sender has its answer.
    EXPECT_TRUE(IsWindowVisible(app.FrameHandle()));
    EXPECT_EQ(GetForegroundWindow(), app.FrameHandle());
    PumpFor(&app.App(), 50);
    EXPECT_EQ(app.Doc().GetPathName(), c.expectedPath);
    EXPECT_EQ(services.frameworkPrompts.questions.size(), c.modified ? 1u : 0u);
    // Only the file that cannot be read is reported.
    const bool gone = c.commandLine.find("gone.tvm") != std::string::npos;
    EXPECT_EQ(services.frameworkPrompts.errors.size(), gone ? 1u : 0u);
  }

  // While a question of the program's is open the file waits, and is opened once it is
  // answered. Data that is not a later start's is not taken.
  TestServices services;
  AppUnderTest app(services, Quoted(first));
  ASSERT_TRUE(app.Start());
  EXPECT_EQ(HandOver(app.FrameHandle(), Quoted(named), 7), FALSE);
  HWND question = CreateWindowExA(0, "STATIC", "question", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                  app.FrameHandle(), nullptr, GetModuleHandleA(nullptr), nullptr);
  EnableWindow(app.FrameHandle(), FALSE);
  EXPECT_EQ(HandOver(app.FrameHandle(), Quoted(named)), TRUE);
  EXPECT_EQ(GetForegroundWindow(), question);
  PumpFor(&app.App(), 100);
  EXPECT_EQ(app.Doc().GetPathName(), first);
  DestroyWindow(question);
  EnableWindow(app.FrameHandle(), TRUE);
  EXPECT_TRUE(PumpUntil(&app.App(), [&] { return app.Doc().GetPathName() == named; }));
}

// Options > Start with Windows: checked while the Run entry starts this program, however the
// entry writes its path; choosing it writes the entry or removes it, and leaves the others.
TEST(Startup, StartWithWindowsFollowsAndWritesTheRunEntry) {
  const char* key = "Software\\Tarvel Project Tests\\Run";
  const std::string program = "C:\\Program Files\\Tarvel\\tarvel.exe";
  RegDeleteKeyA(HKEY_CURRENT_USER, key);
  RunAtLogon entry(key, "Tarvel", program);
  TestServices services;
  services.runAtLogon = &entry;
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  auto checked = [&] {
    fw::CmdUI ui(ID_OPTIONS_START_WITH_WINDOWS);
    EXPECT_TRUE(app.Frame().RouteUpdate(ui));
    EXPECT_TRUE(ui.enabled);
    return ui.check == 1;
  };
  auto write = [&](const char* name, DWORD type, const std::string& text) {
    HKEY run = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &run, nullptr);
    RegSetValueExA(run, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(run);
  };
  auto read = [&](const char* name) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof(text) - 1;
    const LONG found =
        RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text, &size);
    return found == ERROR_SUCCESS ? std::string(text) : std::string("(none)");
  };

  EXPECT_FALSE(checked());
  struct Case {
    DWORD type;
    const char* command;
    bool thisProgram;
  };
  const Case cases[] = {
      {REG_SZ, "\"C:\\Program Files\\Tarvel\\tarvel.exe\"", true},
      {REG_SZ, "  \"c:\\program files\\TARVEL\\Tarvel.EXE\" /min", true},
      {REG_SZ, "C:\\Program Files\\Tarvel\\tarvel.exe", true},
      {REG_SZ, "C:/Program Files/Tarvel/../Tarvel/tarvel.exe -x", true},
      {REG_EXPAND_SZ, "%ProgramFiles%\\Tarvel\\tarvel.exe", true},
      {REG_SZ, "\"C:\\Other\\tarvel.exe\"", false},
      {REG_SZ, "C:\\Program Files\\Tarvel\\tarvel.exe2", false},
      {REG_SZ, "\"C:\\Program Files\\Tarvel\\tarvel.exe", true},
      {REG_SZ, "", false},
      {REG_DWORD, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    write("Tarvel", c.type, c.command);
    EXPECT_EQ(checked(), c.thisProgram);
  }

  // Choosing it replaces an entry of another program, then removes it; another entry stays.
  write("Other", REG_SZ, "other.exe");
  write("Tarvel", REG_SZ, "\"C:\\Other\\tarvel.exe\"");
  EXPECT_TRUE(app.Frame().RouteCommand(ID_OPTIONS_START_WITH_WINDOWS));
  EXPECT_EQ(read("Tarvel"), "\"" + program + "\"");
  EXPECT_TRUE(checked());
  EXPECT_TRUE(app.Frame().RouteCommand(ID_OPTIONS_START_WITH_WINDOWS));
  EXPECT_EQ(read("Tarvel"), "(none)");
  EXPECT_FALSE(checked());
  EXPECT_EQ(read("Other"), "other.exe");
  EXPECT_TRUE(services.frameworkPrompts.errors.empty());
  // Hide on Startup is its own option.
  EXPECT_EQ(app.App().m_hideOnStartup, 0);
  RegDeleteKeyA(HKEY_CURRENT_USER, key);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tarvel Project Tests");
}

// A configuration in a folder named in any language opens from the command line, shows its
// name in the caption, saves, and reopens from the recent-file list, which keeps it as a wide
// text that 8-bit readers get too.
TEST(Startup, AConfigurationInAFolderNamedInAnyLanguageOpensSavesAndReopens) {
  TempDir temp;
  const std::string folder = temp.File("") + "Конфиги àé";
  const std::string path = folder + "\\Пульт ü.tvm";
  ASSERT_TRUE(CreateDirectoryW(WideText(folder.c_str()).c_str(), nullptr));
  auto readWide = [](const std::string& file) {
    std::string bytes;
    if (std::FILE* f = _wfopen(WideText(file.c_str()).c_str(), L"rb")) {
      char chunk[4096];
      for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
      std::fclose(f);
    }
    return bytes;
  };
  {
    std::FILE* f = _wfopen(WideText(path.c_str()).c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    const std::string text = ConfigText({{TestGuid(1), "Pad 1", 3}});
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  fw::RegistrySettings registry("Tarvel Project Tests", "Tarvel");
  ASSERT_TRUE(DeleteAllSettings(registry));
  TestServices services;
  services.controllers.AddController(3);
  {
    AppUnderTest app(services, Quoted(path), &registry);
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.Doc().GetPathName(), path);
    wchar_t caption[256] = {};
    // The caption as the system keeps and draws it (WM_GETTEXT to the 8-bit window would pass
    // it through the ANSI code page).
    InternalGetWindowText(app.FrameHandle(), caption, 256);
    EXPECT_EQ(std::wstring(caption), WideText("Пульт ü.tvm - Tarvel"));
    app.Doc().SetRowDescription(0, "saved");
    ASSERT_TRUE(app.Frame().RouteCommand(ID_FILE_SAVE));
    EXPECT_TRUE(services.frameworkPrompts.errors.empty());
    ASSERT_TRUE(app.Close());
  }
  EXPECT_NE(readWide(path).find("saved"), std::string::npos);
  const std::wstring list = L"Software\\Tarvel Project Tests\\Tarvel\\Recent File List";
  wchar_t stored[MAX_PATH] = {};
  DWORD size = sizeof(stored);
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, list.c_str(), L"File1", RRF_RT_REG_SZ, nullptr, stored,
                         &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(stored), WideText(path.c_str()));
  char ansi[MAX_PATH] = {};
  size = sizeof(ansi);
  EXPECT_EQ(
      RegGetValueA(HKEY_CURRENT_USER, "Software\\Tarvel Project Tests\\Tarvel\\Recent File List",
                   "File1", RRF_RT_REG_SZ, nullptr, ansi, &size),
      ERROR_SUCCESS);
  {
    // The next start reopens it, and so does the File menu's first recent file.
    AppUnderTest app(services, "", &registry);
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.Doc().GetPathName(), path);
    char description[kShortTextSize] = {};
    app.Doc().GetRowDescription(0, description);
    EXPECT_STREQ(description, "saved");
    app.Doc().SetRowDescription(0, "not kept");
    services.frameworkPrompts.saveAnswers = {fw::FrameworkPrompts::Answer::No};
    ASSERT_TRUE(app.Frame().RouteCommand(ID_FILE_MRU_FILE1));
    app.Doc().GetRowDescription(0, description);
    EXPECT_STREQ(description, "saved");
    HMENU file = GetSubMenu(GetMenu(app.FrameHandle()), 0);
    SendMessageA(app.FrameHandle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    wchar_t item[MAX_PATH] = {};
    GetMenuStringW(file, ID_FILE_MRU_FILE1, item, MAX_PATH, MF_BYCOMMAND);
    EXPECT_NE(std::wstring(item).find(L"\u041f\u0443\u043b\u044c\u0442 \u00fc.tvm"),
              std::wstring::npos);
  }
  EXPECT_TRUE(DeleteAllSettings(registry));
}

// One run stores every setting; the next run reads every one of them back. Through the
// registry, under a company key of the tests' own.
TEST(Startup, EverySettingGoesToTheRegistryAndComesBack) {
  fw::RegistrySettings registry("Tarvel Project Tests", "Tarvel");
  ASSERT_TRUE(DeleteAllSettings(registry));
  TempDir folder;
  const std::string saved = folder.File("saved.tvm");
  {
    TestServices services;
    services.controllers.AddController(3);
    AppUnderTest app(services, "", &registry);
    ASSERT_TRUE(app.Start());
    SetWindowPos(app.FrameHandle(), nullptr, 33, 44, 555, 366, SWP_NOZORDER | SWP_NOACTIVATE);
    const int widths[] = {210, 0, 99, 150, 321};
    for (int i = 0; i < 5; ++i) app.View().List().SetColumnWidth(i, widths[i]);
    app.Frame().RouteCommand(ID_OPTIONS_HIDE_ON_STARTUP);
    services.frameworkPrompts.files.push_back(saved);
    ASSERT_TRUE(app.Frame().RouteCommand(ID_FILE_SAVE));
    ASSERT_TRUE(app.Close());
  }
  // Read back with a store of its own, as the next start does.
  fw::RegistrySettings readBack("Tarvel Project Tests", "Tarvel");
  EXPECT_EQ(readBack.GetInt("Options", "HideOnStartup", -1), 1);
  EXPECT_EQ(readBack.GetInt("MainWindow", "x", -1), 33);
  EXPECT_EQ(readBack.GetInt("MainWindow", "y", -1), 44);
  EXPECT_EQ(readBack.GetInt("MainWindow", "cx", -1), 555);
  EXPECT_EQ(readBack.GetInt("MainWindow", "cy", -1), 366);
  const int widths[] = {210, 0, 99, 150, 321};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(readBack.GetInt("View", Numbered("Width%d", i).c_str(), -1), widths[i]);
  EXPECT_EQ(readBack.GetString("Recent File List", "File1", ""), saved);
  {
    TestServices services;
    services.controllers.AddController(3);
    AppUnderTest app(services, "", &registry);
    ASSERT_TRUE(app.Start());
    EXPECT_FALSE(IsWindowVisible(app.FrameHandle()));
    EXPECT_EQ(app.Doc().GetPathName(), saved);
    RECT rect = {};
    GetWindowRect(app.FrameHandle(), &rect);
    EXPECT_EQ(rect.left, 33);
    EXPECT_EQ(rect.top, 44);
    EXPECT_EQ(rect.right - rect.left, 555);
    EXPECT_EQ(rect.bottom - rect.top, 366);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(app.View().List().ColumnWidth(i), widths[i]);
  }
  EXPECT_TRUE(DeleteAllSettings(registry));
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tarvel Project Tests");
}

}  // namespace
}  // namespace tarvel::test
