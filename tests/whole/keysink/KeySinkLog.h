// Opening the key sink's log and reading it, for the sink, the driver and tests.
#pragma once

#include <string>

#include "KeySinkShared.h"
#include "common/SharedMapping.h"

namespace keysink {

// The log name this process uses: TARVEL_KEYSINK_NAME, or the default.
std::string LogName();

// Writes the header of fresh memory; false when it holds another layout.
bool StampHeader(KeySinkLog& log);

// Maps the log `name`, creating it when absent (`create`) or only if it exists; `error` says
// why not in one line.
KeySinkLog* AttachLog(wholetest::SharedMapping& mapping, const std::string& name, bool create,
                      std::string* error);

// The sink that the header names is running: its window exists and belongs to its process
// (a process number alone may have been reused since).
bool SinkRunning(const Header& header);

// "WM_KEYDOWN" and so on; "0x0123" for any other message.
std::string MessageName(uint32_t message);

}  // namespace keysink
