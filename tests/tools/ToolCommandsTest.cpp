#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/ToolCommands.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tarvel {
namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun RunTool(std::vector<const char*> args) {
  args.insert(args.begin(), "tarvelcfg");
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunTarvelcfg(static_cast<int>(args.size()), args.data(), out, err);
  return {status, out.str(), err.str()};
}

std::string TempPath(const char* name) { return ::testing::TempDir() + "tarvelcfg_" + name; }

std::string WriteFile(const char* name, const std::string& content) {
  const std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

constexpr const char* kOneDevice =
    "TVM1\r\n"
    "[{6F1D2B60-D5A0-11CF-BFC7-444553540000},{C2161234-0000-0000-0000-504944564944},Pad]\r\n"
    "NumberOfButtons = 2\r\n"
    "Button1 = 1,65,30,2,Fire, aim\r\n"
    "Button2 = 0,0,0,0,\r\n";

TEST(ToolCommandsTest, CommandLinesThatAreNotUnderstoodGiveUsage) {
  const std::vector<std::vector<const char*>> commandLines = {
      {},
      {"check"},
      {"dump"},
      {"upgrade", "in.tvm"},
      {"check", "a.tvm", "b.tvm"},
      {"upgrade", "a", "b", "c"},
      {"frob", "a.tvm"},
      {"CHECK", "a.tvm"},
      {"--version"},
  };
  for (const auto& args : commandLines) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.status, kExitUsage) << (args.empty() ? "(none)" : args[0]);
    EXPECT_NE(run.err.find("usage: tarvelcfg check FILE"), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
  const ToolRun help = RunTool({"--help"});
  EXPECT_EQ(help.status, kExitLoaded);
  EXPECT_NE(help.out.find("usage: tarvelcfg check FILE"), std::string::npos);
  EXPECT_EQ(help.err, "");
}

TEST(ToolCommandsTest, MissingFileFailsEveryCommandWithStatusOne) {
  const std::string missing = TempPath("no_such_file.tvm");
  std::remove(missing.c_str());
  const std::string out = TempPath("from_missing.tvm");
  std::remove(out.c_str());
  for (const char* command : {"check", "dump", "upgrade"}) {
    std::vector<const char*> args = {command, missing.c_str()};
    if (std::string(command) == "upgrade") args.push_back(out.c_str());
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.status, kExitFileError) << command;
    EXPECT_EQ(run.out, "") << command;
    EXPECT_EQ(run.err, "tarvelcfg: cannot open " + missing + "\n") << command;
  }
  EXPECT_FALSE(std::ifstream(out).good());

  const std::string directory = ::testing::TempDir();
  const ToolRun run = RunTool({"check", directory.c_str()});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_EQ(run.err, "tarvelcfg: cannot open " + directory + ": it is a directory\n");
}

TEST(ToolCommandsTest, WrongFormatIsReportedOnceWithStatusTwo) {
  const std::string files[] = {
      WriteFile("empty.tvm", ""),
      WriteFile("lower.tvm", "tvm2\r\n"),
      WriteFile("three.tvm", "TVM3\r\n"),
  };
  const std::string out = TempPath("from_wrong.tvm");
  std::remove(out.c_str());
  for (const std::string& file : files) {
    for (const char* command : {"check", "dump", "upgrade"}) {
      std::vector<const char*> args = {command, file.c_str()};
      if (std::string(command) == "upgrade") args.push_back(out.c_str());
      const ToolRun run = RunTool(args);
      EXPECT_EQ(run.status, kExitWrongFormat) << command << ' ' << file;
      EXPECT_EQ(run.out, "") << command << ' ' << file;
      EXPECT_EQ(run.err, "Wrong file format!\n") << command << ' ' << file;
    }
  }
  EXPECT_FALSE(std::ifstream(out).good());
}

TEST(ToolCommandsTest, CheckAndDumpOfALoadedFile) {
  const std::string file = WriteFile("one.tvm", kOneDevice);
  const ToolRun check = RunTool({"check", file.c_str()});
  EXPECT_EQ(check.status, kExitLoaded);
  EXPECT_EQ(check.out,
            "version 1: 1 record, 2 buttons, 1 assigned key; 0 blocks dropped, "
            "0 blocks passed over, 0 buttons left cleared\n");
  EXPECT_EQ(check.err, "");

  const ToolRun dump = RunTool({"dump", file.c_str()});
  EXPECT_EQ(dump.status, kExitLoaded);
  EXPECT_EQ(dump.err, "");
  EXPECT_EQ(dump.out,
            "{\"version\": 1, \"records\": [{\"name\": \"Pad\", "
            "\"instanceGuid\": \"{6F1D2B60-D5A0-11CF-BFC7-444553540000}\", "
            "\"productGuid\": \"{C2161234-0000-0000-0000-504944564944}\", "
            "\"buttonCount\": 2, \"buttons\": ["
            "{\"assigned\": 1, \"virtualKey\": 65, \"scanCode\": 30, \"modifiers\": 2, "
            "\"windowClass\": \"\", \"description\": \"Fire, aim\", \"keyText\": \"Ctrl + A\"}, "
            "{\"assigned\": 0, \"virtualKey\": 0, \"scanCode\": 0, \"modifiers\": 0, "
            "\"windowClass\": \"\", \"description\": \"\", \"keyText\": \"\"}]}]}\n");
}

TEST(ToolCommandsTest, UpgradeWritesTheCurrentVersion) {
  const std::string in = WriteFile("upgrade_in.tvm", kOneDevice);
  const std::string out = TempPath("upgrade_out.tvm");
  std::remove(out.c_str());
  const ToolRun run = RunTool({"upgrade", in.c_str(), out.c_str()});
  EXPECT_EQ(run.status, kExitLoaded);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(
      ReadFile(out),
      "TVM2\r\n"
      "[{6F1D2B60-D5A0-11CF-BFC7-444553540000},{C2161234-0000-0000-0000-504944564944},Pad]\r\n"
      "NumberOfButtons = 2\r\n"
      "Button1 = 1,65,30,2,0,,9,Fire, aim\r\n"
      "Button2 = 0,0,0,0,0,,0,\r\n");
  // The input is left as it was; upgrading in place replaces it.
  EXPECT_EQ(ReadFile(in), kOneDevice);
  const ToolRun inPlace = RunTool({"upgrade", in.c_str(), in.c_str()});
  EXPECT_EQ(inPlace.status, kExitLoaded);
  EXPECT_EQ(ReadFile(in), ReadFile(out));
}

// What check reports of text outside the blocks, and whether upgrade, which would lose what the
// reader leaves out, writes anything.
TEST(ToolCommandsTest, LostTextIsReportedAndStopsAnUpgradeNotesDoNot) {
  const std::string header =
      "[{6F1D2B60-D5A0-11CF-BFC7-444553540000},{C2161234-0000-0000-0000-504944564944},Pad]";
  struct Case {
    const char* what;
    std::string file;
    const char* reported;  // a line of check's output, or "" for none
    bool upgraded;
  };
  const Case cases[] = {
      {"a clean file",
       "TVM2\r\n" + header + "\r\nNumberOfButtons = 1\r\nButton1 = 1,65,0,0,0,,0,\r\n", "", true},
      {"a note after the version mark and between blocks",
       "TVM2 my pad\r\n" + header +
           "\r\nNumberOfButtons = 1\r\nButton1 = 1,65,0,0,0,,0,\r\nnotes\r\n",
       "line 5: ignored: not part of any device block", true},
      {"a button line past the count",
       "TVM2\r\n" + header +
           "\r\nNumberOfButtons = 1\r\nButton1 = 1,65,0,0,0,,0,\r\nButton2 = 1,66,0,0,0,,0,\r\n",
       "line 5: ignored, though it looks like configuration: not part of any device block", false},
      {"CR alone as line end, in a file without LF: read as lines",
       "TVM2\r" + header + "\rNumberOfButtons = 1\rButton1 = 1,65,0,0,0,,0,\r", "", true},
      {"a lone CR inside a line of a file with LF line ends",
       "TVM2\r" + header + "\r\nNumberOfButtons = 1\r\nButton1 = 1,65,0,0,0,,0,\r\n",
       "line 1: ignored, though it looks like configuration: text after the version mark", false},
      {"a window class longer than its field: said, and upgraded as the program keeps it",
       "TVM2\r\n" + header + "\r\nNumberOfButtons = 1\r\nButton1 = 1,65,0,0,70," +
           std::string(70, 'C') + ",0,\r\n",
       "line 4: button 1 of device 1: the window class is cut to 63 characters", true},
      {"a header where the count belongs",
       "TVM2\r\n" + header + "\r\n" + header +
           "\r\nNumberOfButtons = 1\r\nButton1 = 1,65,0,0,0,,0,\r\n",
       "line 3: device block dropped: another device header where \"NumberOfButtons\" belongs; "
       "both "
       "blocks are lost",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string in = WriteFile("lost_in.tvm", c.file);
    const ToolRun check = RunTool({"check", in.c_str()});
    EXPECT_EQ(check.status, kExitLoaded);
    if (*c.reported != '\0') {
      EXPECT_NE(check.out.find(std::string(c.reported) + "\n"), std::string::npos) << check.out;
    } else {
      EXPECT_EQ(check.out.find("line "), std::string::npos) << check.out;
    }

    const std::string out = TempPath("lost_out.tvm");
    std::remove(out.c_str());
    const ToolRun upgrade = RunTool({"upgrade", in.c_str(), in.c_str()});
    EXPECT_EQ(upgrade.status, c.upgraded ? kExitLoaded : kExitWouldLose) << upgrade.err;
    if (!c.upgraded) {
      // In place: the file stays as it was.
      EXPECT_EQ(ReadFile(in), c.file);
      EXPECT_NE(upgrade.err.find("nothing written"), std::string::npos) << upgrade.err;
    }
  }
}

// What is no plain file is never read, so never waited on: a pipe with no writer, a folder.
// Larger than any configuration: said as such.
TEST(ToolCommandsTest, OnlyPlainFilesOfAtMost16MiBAreRead) {
  const std::string folder = TempPath("kinds");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  const std::string body = std::string(kOneDevice).substr(6);
  const std::string fits =
      "TVM1\r\n" + std::string((16u << 20) - body.size() - 8, ' ') + "\r\n" + body;
  struct Case {
    const char* name;
    std::string content;  // "" : made below
    int status;
    std::string err;  // after "tarvelcfg: cannot open PATH"
  };
  std::vector<Case> cases = {{"exactly16MiB.tvm", fits, kExitLoaded, ""},
                             {"over16MiB.tvm", fits + " ", kExitFileError, ": larger than 16 MiB"}};
#ifndef _WIN32
  cases.push_back({"fifo.tvm", "", kExitFileError, ": it is not a plain file"});
  ASSERT_EQ(mkfifo((folder + "/fifo.tvm").c_str(), 0644), 0);
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder + "/" + c.name;
    if (!c.content.empty()) {
      std::ofstream(path, std::ios::binary) << c.content;
      ASSERT_EQ(c.content.size() <= (16u << 20), c.status == kExitLoaded);
    }
    for (const char* command : {"check", "upgrade"}) {
      const std::string out = folder + "/out.tvm";
      std::filesystem::remove(out);
      std::vector<const char*> args = {command, path.c_str()};
      if (*command == 'u') args.push_back(out.c_str());
      const ToolRun run = RunTool(args);
      EXPECT_EQ(run.status, c.status) << command << run.err;
      if (c.status != kExitLoaded) {
        EXPECT_EQ(run.err, "tarvelcfg: cannot open " + path + c.err + "\n") << command;
        EXPECT_FALSE(std::filesystem::exists(out));
      }
    }
  }
}

// A read-only OUT is refused as the program refuses it, and said so; nothing is left beside it.
TEST(ToolCommandsTest, UpgradeOntoAReadOnlyFileSaysSo) {
  const std::string in = WriteFile("readonly_in.tvm", kOneDevice);
  const std::string out = WriteFile("readonly_out.tvm", "old");
  using std::filesystem::perms;
  std::filesystem::permissions(out, perms::owner_write | perms::group_write | perms::others_write,
                               std::filesystem::perm_options::remove);
  const ToolRun run = RunTool({"upgrade", in.c_str(), out.c_str()});
  std::filesystem::permissions(out, perms::owner_write, std::filesystem::perm_options::add);
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_EQ(run.err, "tarvelcfg: cannot write " + out + ": it is read-only\n");
  EXPECT_EQ(ReadFile(out), "old");
  EXPECT_FALSE(std::filesystem::exists(out + ".saving"));
}

TEST(ToolCommandsTest, UpgradeThatCannotWriteFailsAndLeavesNothing) {
  const std::string in = WriteFile("upgrade_fail_in.tvm", kOneDevice);
  const std::string out = TempPath("no_such_dir/out.tvm");
  const ToolRun run = RunTool({"upgrade", in.c_str(), out.c_str()});
  EXPECT_EQ(run.status, kExitFileError);
  // The message names the file and the system's reason.
  const std::string start = "tarvelcfg: cannot write " + out + ": ";
  EXPECT_EQ(run.err.rfind(start, 0), 0u) << run.err;
  EXPECT_GT(run.err.size(), start.size() + 1) << run.err;
  EXPECT_FALSE(std::ifstream(out).good());
}

}  // namespace
}  // namespace tarvel
