// tarveldrive.exe: the test scripts' handle on the fake game controllers (fakedinput) and the key
// sink, through their shared memories, and on the windows of the program under test. Run it under
// Wine in the same prefix as the program under test (the memories are files in the prefix's
// temporary folder). `tarveldrive help` lists the commands.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Driver.h"
#include "fakedinput/FakeDInputControl.h"
#include "keysink/KeySinkLog.h"

namespace tarveldrive {

fakedinput::FakeDInputShared* Context::Controllers(bool quiet) {
  if (controllers_.IsOpen()) return static_cast<fakedinput::FakeDInputShared*>(controllers_.data());
  std::string error;
  fakedinput::FakeDInputShared* shared = fakedinput::Attach(controllers_, /*create=*/false, &error);
  if (shared == nullptr && !quiet) std::fprintf(stderr, "tarveldrive: %s\n", error.c_str());
  return shared;
}

keysink::KeySinkLog* Context::Sink(bool quiet) {
  if (sink_.IsOpen()) return static_cast<keysink::KeySinkLog*>(sink_.data());
  std::string error;
  keysink::KeySinkLog* log =
      keysink::AttachLog(sink_, keysink::LogName(), /*create=*/false, &error);
  if (log == nullptr && !quiet) std::fprintf(stderr, "tarveldrive: %s\n", error.c_str());
  return log;
}

namespace {

const Command* const kTables[] = {kSessionCommands, kControllerCommands, kQueryCommands,
                                  kSinkCommands,    kWindowCommands,     kListViewCommands,
                                  kXInputCommands};

int Help(FILE* out) {
  std::fprintf(out,
               "usage: tarveldrive [--name NAME] [--sink NAME] COMMAND [ARGS]\n"
               "  --name  fake DirectInput memory (default $%s, else %s)\n"
               "  --sink  key sink log (default $%s, else %s)\n"
               "exit codes: 0 done, 1 not met or timed out, 2 usage, 3 no shared memory\n"
               "commands:\n",
               fakedinput::kMappingNameVariable, fakedinput::kDefaultMappingName,
               keysink::kLogNameVariable, keysink::kDefaultLogName);
  for (const Command* table : kTables) {
    for (const Command* command = table; command->name != nullptr; ++command) {
      std::fprintf(out, "  %s %s\n", command->name, command->usage);
    }
  }
  return out == stdout ? kOk : kUsage;
}

int Run(int argc, char** argv) {
  int next = 1;
  while (next + 1 < argc && argv[next][0] == '-' && argv[next][1] == '-') {
    const std::string option = argv[next];
    // Through the environment, where the shared-memory code looks for the names.
    if (option == "--name") {
      SetEnvironmentVariableA(fakedinput::kMappingNameVariable, argv[next + 1]);
    } else if (option == "--sink") {
      SetEnvironmentVariableA(keysink::kLogNameVariable, argv[next + 1]);
    } else {
      break;
    }
    next += 2;
  }
  if (next >= argc) return Help(stderr);
  const std::string name = argv[next];
  if (name == "help" || name == "--help" || name == "-h") return Help(stdout);

  for (const Command* table : kTables) {
    for (const Command* command = table; command->name != nullptr; ++command) {
      if (name != command->name) continue;
      Context context;
      context.args.assign(argv + next + 1, argv + argc);
      const int count = static_cast<int>(context.args.size());
      if (count < command->minArgs || (command->maxArgs >= 0 && count > command->maxArgs)) {
        std::fprintf(stderr, "usage: tarveldrive %s %s\n", command->name, command->usage);
        return kUsage;
      }
      const int result = command->run(context);
      std::fflush(stdout);
      return result;
    }
  }
  std::fprintf(stderr, "tarveldrive: unknown command \"%s\" (try: tarveldrive help)\n",
               name.c_str());
  return kUsage;
}

}  // namespace
}  // namespace tarveldrive

int main(int argc, char** argv) {
  // Plain "\n" line ends: the output is read by shell scripts on the other side of Wine.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return tarveldrive::Run(argc, argv);
}
