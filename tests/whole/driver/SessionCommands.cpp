// Commands that start and reset a test's shared state.
#include <cstdio>
#include <cstring>
#include <string>

#include "Driver.h"
#include "common/SharedMapping.h"
#include "fakedinput/FakeDInputControl.h"
#include "keysink/KeySinkLog.h"

namespace tarveldrive {
namespace {

int Init(Context&) {
  wholetest::SharedMapping controllers;
  std::string error;
  if (fakedinput::AttachFresh(controllers, &error) == nullptr) {
    std::fprintf(stderr, "tarveldrive: %s\n", error.c_str());
    return kNoShared;
  }
  // A running sink is the log's writer: it empties the log itself. Otherwise the log starts
  // from zero like the controllers.
  wholetest::SharedMapping sink;
  keysink::KeySinkLog* log = keysink::AttachLog(sink, keysink::LogName(), true, &error);
  if (log == nullptr) {
    std::fprintf(stderr, "tarveldrive: %s\n", error.c_str());
    return kNoShared;
  }
  if (keysink::SinkRunning(log->header)) {
    if (!ClearKeyLog(log, 5000)) {
      std::fprintf(stderr, "tarveldrive: the key sink did not clear its log (is it hung?)\n");
      return kNotMet;
    }
  } else {
    std::memset(log, 0, sizeof(*log));
    keysink::StampHeader(*log);
  }
  return kOk;
}

int Reset(Context& context) {
  fakedinput::FakeDInputShared* shared = context.Controllers();
  if (shared == nullptr) return kNoShared;
  fakedinput::ResetAll(*shared);
  return kOk;
}

int Files(Context&) {
  std::printf("%s\n%s\n", wholetest::SharedFilePath(fakedinput::MappingName()).c_str(),
              wholetest::SharedFilePath(keysink::LogName()).c_str());
  return kOk;
}

}  // namespace

bool ClearKeyLog(keysink::KeySinkLog* log, DWORD timeoutMs) {
  keysink::Header& header = log->header;
  if (keysink::SinkRunning(header)) {
    const LONG request = InterlockedIncrement(&header.clearRequest);
    return WaitUntil(timeoutMs, [&] { return header.clearDone == request; });
  }
  InterlockedExchange(&header.count, 0);
  InterlockedExchange(&header.dropped, 0);
  return true;
}

const Command kSessionCommands[] = {
    {"init", 0, 0,
     "start from zero: no controllers, faults or call records, an empty key log (run it before "
     "the program under test starts)",
     Init},
    {"reset", 0, 0, "empty every slot, clear every fault and call record (program may run)", Reset},
    {"files", 0, 0, "print the files behind the two shared memories", Files},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace tarveldrive
