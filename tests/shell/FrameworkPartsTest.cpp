// Parts of the framework on their own: the settings stores, the recent-file list, the command
// line and the resource texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/RecentFileList.h"
#include "framework/ResourceText.h"
#include "framework/Settings.h"
#include "framework/SingleInstance.h"
#include "res/resource.h"
#include "tests/shell/TestSettings.h"

namespace tarvel::fw {
namespace {

// Both stores keep integers and texts by section and key alike.
TEST(Settings, IntegersAndTextsComeBackAsWrittenInBothStores) {
  RegistrySettings registry("Tarvel Project Tests", "Settings");
  ASSERT_TRUE(test::DeleteAllSettings(registry));
  test::MemorySettings memory;
  SettingsStore* stores[] = {&registry, &memory};
  const int numbers[] = {0, 1, -1, 300, 2147483647, -2147483647 - 1};
  const std::string texts[] = {"", "C:\\Configs\\My Pad.tvm", std::string(300, 'x'),
                               "comma, and \"quotes\""};
  for (SettingsStore* store : stores) {
    // Missing values give the default.
    EXPECT_EQ(store->GetInt("View", "Width0", 300), 300);
    EXPECT_EQ(store->GetString("Recent File List", "File1", "none"), "none");
    for (int n : numbers) {
      EXPECT_TRUE(store->WriteInt("MainWindow", "x", n));
      EXPECT_EQ(store->GetInt("MainWindow", "x", 12345), n);
    }
    for (const std::string& text : texts) {
      EXPECT_TRUE(store->WriteString("Recent File List", "File2", text.c_str()));
      EXPECT_EQ(store->GetString("Recent File List", "File2", "default"), text);
    }
    // Sections keep their keys apart.
    store->WriteInt("Options", "HideOnStartup", 1);
    store->WriteInt("View", "HideOnStartup", 2);
    EXPECT_EQ(store->GetInt("Options", "HideOnStartup", 0), 1);
    EXPECT_EQ(store->GetInt("View", "HideOnStartup", 0), 2);
  }
  // A value of another type reads as missing.
  registry.WriteString("Options", "Mixed", "7");
  EXPECT_EQ(registry.GetInt("Options", "Mixed", -5), -5);
  registry.WriteInt("Options", "Mixed2", 7);
  EXPECT_EQ(registry.GetString("Options", "Mixed2", "d"), "d");
  EXPECT_EQ(registry.KeyPath(), "Software\\Tarvel Project Tests\\Settings");
  EXPECT_TRUE(test::DeleteAllSettings(registry));
  EXPECT_EQ(registry.GetInt("Options", "HideOnStartup", -3), -3);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tarvel Project Tests");
}

TEST(RecentFileList, KeepsTheFourNewestNewestFirstWithoutDoubles) {
  RecentFileList list(ID_FILE_MRU_FILE1);
  EXPECT_EQ(list.Count(), 0);
  list.Add("C:\\a.tvm");
  list.Add("C:\\b.tvm");
  list.Add("C:\\A.TVM");  // the same file: moves up, keeps one entry
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], "C:\\A.TVM");
  EXPECT_EQ(list[1], "C:\\b.tvm");
  for (const char* path : {"C:\\c.tvm", "C:\\d.tvm", "C:\\e.tvm"}) list.Add(path);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[0], "C:\\e.tvm");
  EXPECT_EQ(list[3], "C:\\A.TVM");
  list.Add("");
  EXPECT_EQ(list[0], "C:\\e.tvm");
  list.Remove(1);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list[1], "C:\\c.tvm");
  EXPECT_EQ(list[2], "C:\\A.TVM");
  list.Remove(7);
  EXPECT_EQ(list.Count(), 3);

  test::MemorySettings settings;
  list.Save(settings);
  EXPECT_EQ(settings.GetString("Recent File List", "File1", ""), "C:\\e.tvm");
  EXPECT_EQ(settings.GetString("Recent File List", "File4", "x"), "");
  // Gaps in the stored list close up when it is read.
  settings.WriteString("Recent File List", "File1", "");
  RecentFileList read(ID_FILE_MRU_FILE1);
  read.Load(settings);
  EXPECT_EQ(read.Count(), 2);
  EXPECT_EQ(read[0], "C:\\c.tvm");
  EXPECT_TRUE(read.IsCommand(ID_FILE_MRU_FILE4));
  EXPECT_FALSE(read.IsCommand(ID_FILE_MRU_FILE4 + 1));
  EXPECT_FALSE(read.IsCommand(ID_FILE_MRU_FILE1 - 1));
}

TEST(RecentFileList, MenuTextsAreNumberedShortenedAndEscaped) {
  struct Case {
    const char* path;
    const char* shortened;
  };
  const Case cases[] = {
      {"C:\\short.tvm", "C:\\short.tvm"},
      {"C:\\Users\\Player\\Documents\\Games\\Pads\\my pad.tvm",
       "C:\\...\\Documents\\Games\\Pads\\my pad.tvm"},
      {"C:\\a-very-long-folder-name-that-alone-is-too-long\\pad.tvm", "C:\\...\\pad.tvm"},
      {"\\\\server\\share\\folder\\sub\\deeper\\deepest\\pad.tvm",
       "\\\\server\\share\\...\\deepest\\pad.tvm"},
      {"C:\\x\\a-file-name-that-is-far-too-long-to-fit-anywhere.tvm",
       "a-file-name-that-is-far-too-long-to-fit-anywhere.tvm"},
  };
  for (const Case& c : cases) {
    const std::string shortened = AbbreviatePath(c.path, 40);
    EXPECT_EQ(shortened, c.shortened);
    if (std::string(c.path).size() > 40 && shortened.find("...") != std::string::npos) {
      EXPECT_LE(shortened.size(), 40u);
    }
  }
  RecentFileList list(ID_FILE_MRU_FILE1);
  list.Add("C:\\Rock & Roll.tvm");
  EXPECT_EQ(list.MenuText(0), "&1 C:\\Rock && Roll.tvm");
  EXPECT_EQ(list.MenuText(1), "");
}

TEST(CommandLine, TheFirstPlainArgumentNamesTheFileToOpen) {
  struct Case {
    const char* arguments;
    bool open;
    const char* file;
  };
  const Case cases[] = {
      {"", false, ""},
      {"   ", false, ""},
      {"pad.tvm", true, "pad.tvm"},
      {"\"C:\\My Configs\\pad one.tvm\"", true, "C:\\My Configs\\pad one.tvm"},
      {"/dde", false, ""},
      {"-x first.tvm second.tvm", true, "first.tvm"},
      {"C:\\a\\b.tvm /p", true, "C:\\a\\b.tvm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const CommandLineInfo info = CommandLineInfo::Parse(c.arguments);
    EXPECT_EQ(info.shellCommand == CommandLineInfo::ShellCommand::FileOpen, c.open);
    EXPECT_EQ(info.fileName, c.file);
  }
  EXPECT_EQ(CommandLineInfo::Parse(nullptr).fileName, "");
  // The arguments of a whole wide command line, as UTF-8: a file named in any language.
  EXPECT_EQ(ArgumentsOfCommandLine(
                L"\"C:\\Program Files\\tarvel.exe\"  \"D:\\\u041f\u0443\u043b\u044c\u0442.tvm\""),
            "\"D:\\Пульт.tvm\"");
  EXPECT_EQ(ArgumentsOfCommandLine(L"tarvel.exe caf\u00e9.tvm /x"), "café.tvm /x");
  EXPECT_EQ(ArgumentsOfCommandLine(L"\"C:\\a b\\tarvel.exe\""), "");
  EXPECT_EQ(ArgumentsOfCommandLine(L"tarvel"), "");
}

// What a window of the running copy receives from a later start.
std::vector<std::string> handedOver;
LRESULT CALLBACK HandOverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::string commandLine;
  if (message == WM_COPYDATA && SingleInstance::ReadHandOver(lParam, &commandLine)) {
    handedOver.push_back(commandLine);
    return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The first start holds the session's mutex; a later one hands its command line to the first
// one's window, waits for a window still to come, and takes over when the first has ended.
TEST(SingleInstance, ALaterStartHandsItsCommandLineToTheFirstOrTakesOverWhenItEnds) {
  const std::string name = "Tarvel Project Tests.Instance." + std::to_string(GetCurrentProcessId());
  const char* windowClass = "TarvelTestsHandOver";
  WNDCLASSA wc = {};
  wc.lpfnWndProc = HandOverProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = windowClass;
  RegisterClassA(&wc);
  handedOver.clear();

  // The first copy runs on a thread of its own (a mutex is its owner thread's again and again),
  // making its window only after a while; it ends when told.
  HANDLE end = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread first([&] {
    SingleInstance instance(name.c_str());
    EXPECT_EQ(instance.ClaimOrHandOver(windowClass, "", 100), SingleInstance::Outcome::First);
    SetEvent(started);
    Sleep(300);
    HWND window = CreateWindowExA(0, windowClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    MSG msg;
    while (MsgWaitForMultipleObjects(1, &end, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    DestroyWindow(window);
  });
  WaitForSingleObject(started, 5000);
  {
    // No window yet within the time given: no answer.
    SingleInstance early(name.c_str());
    EXPECT_EQ(early.ClaimOrHandOver(windowClass, "\"early\"", 100),
              SingleInstance::Outcome::NoAnswer);
  }
  for (const char* commandLine : {"\"C:\\Configs\\My Pad.tvm\"", ""}) {
    SingleInstance later(name.c_str());
    EXPECT_EQ(later.ClaimOrHandOver(windowClass, commandLine, 5000),
              SingleInstance::Outcome::HandedOver);
  }
  EXPECT_EQ(handedOver, std::vector<std::string>({"\"C:\\Configs\\My Pad.tvm\"", ""}));

  // A later start waiting while the first ends becomes the first.
  SingleInstance waiting(name.c_str());
  SetEvent(end);
  first.join();
  EXPECT_EQ(waiting.ClaimOrHandOver("NoSuchWindowClass", "", 5000), SingleInstance::Outcome::First);
  CloseHandle(end);
  CloseHandle(started);

  // Only a later start's data is a command line; text without its zero ends with the data.
  char unterminated[3] = {'a', 'b', 'c'};
  COPYDATASTRUCT data = {0x54564C31, 2, unterminated};
  std::string text;
  EXPECT_TRUE(SingleInstance::ReadHandOver(reinterpret_cast<LPARAM>(&data), &text));
  EXPECT_EQ(text, "ab");
  data.dwData = 7;
  EXPECT_FALSE(SingleInstance::ReadHandOver(reinterpret_cast<LPARAM>(&data), &text));
  data = {0x54564C31, 1u << 20, unterminated};
  EXPECT_FALSE(SingleInstance::ReadHandOver(reinterpret_cast<LPARAM>(&data), &text));

  // A file named relative to the later start's folder goes over as a full path.
  char folder[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, folder);
  const std::string expected = std::string("\"") + folder +
                               (folder[std::strlen(folder) - 1] == '\\' ? "" : "\\") + "pad.tvm\"";
  EXPECT_EQ(CommandLineForHandOver("/x pad.tvm"), expected);
  EXPECT_EQ(CommandLineForHandOver("/dde"), "");
}

// Every icon has an image of its own for each size that Windows asks for at 100 % to 300 %.
TEST(Resources, EveryIconHasItsImagesAt16To48Pixels) {
#pragma pack(push, 2)
  struct GroupEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
  };
#pragma pack(pop)
  for (const int icon : {IDR_MAINFRAME, IDI_TRAY}) {
    SCOPED_TRACE(icon);
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(icon), MAKEINTRESOURCEA(14));
    ASSERT_NE(found, nullptr);
    const auto* directory = static_cast<const WORD*>(LockResource(LoadResource(nullptr, found)));
    const auto* entries = reinterpret_cast<const GroupEntry*>(directory + 3);
    std::vector<int> sizes;
    for (int i = 0; i < directory[2]; ++i) {
      EXPECT_EQ(entries[i].width, entries[i].height);
      sizes.push_back(entries[i].width);
    }
    EXPECT_EQ(sizes, std::vector<int>({16, 20, 24, 32, 48}));
  }
}

TEST(ResourceText, StringsComeFromTheProgramsStringTable) {
  const std::string templateString = LoadResourceString(IDR_MAINFRAME);
  EXPECT_EQ(TextPart(templateString, 0), "Tarvel");
  EXPECT_EQ(TextPart(templateString, 1), "TarvelConfig");
  EXPECT_EQ(TextPart(templateString, 3), "Tarvel Config (*.tvm)");
  EXPECT_EQ(TextPart(templateString, 4), ".tvm");
  EXPECT_EQ(TextPart(templateString, 6), "Tarvel Document");
  EXPECT_EQ(TextPart(templateString, 7), "");
  EXPECT_EQ(LoadResourceString(IDS_APP_TITLE), "Tarvel");
  EXPECT_EQ(LoadResourceString(IDS_IDLE_MESSAGE), "Ready");
  EXPECT_EQ(LoadResourceString(IDS_NEW_JOYSTICK),
            "New joystick named \"%1\" was discovered.\n\nDo you want to add it to your "
            "configuration?");
  EXPECT_EQ(FormatString1(LoadResourceString(IDS_NEW_JOYSTICK), "Pad 1").substr(0, 25),
            "New joystick named \"Pad 1");
  EXPECT_EQ(LoadResourceString(ID_VIEW_HIDE_TO_TRAY), "");
  EXPECT_EQ(LoadResourceString(1), "");
  // The fallback only where the string table has nothing.
  EXPECT_EQ(LoadResourceString(IDS_IDLE_MESSAGE, "Idle"), "Ready");
  EXPECT_EQ(LoadResourceString(1, "Idle"), "Idle");
}

}  // namespace
}  // namespace tarvel::fw
