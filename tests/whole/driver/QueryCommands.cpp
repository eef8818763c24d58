// Commands that look at what the program did: single fields, waits, a JSON dump and a latency
// measurement from a button change to the key message in the sink.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Driver.h"
#include "common/SharedMapping.h"
#include "fakedinput/FakeDInputControl.h"
#include "keysink/KeySinkLog.h"

namespace tarveldrive {
namespace {

using fakedinput::CallRecord;
using fakedinput::Controller;
using fakedinput::FakeDInputShared;
using Reader = std::function<long long()>;

struct NamedField {
  const char* name;
  Reader read;
};

bool Lookup(const std::vector<NamedField>& fields, const std::string& name, Reader* read) {
  for (const NamedField& field : fields) {
    if (name == field.name) {
      *read = field.read;
      return true;
    }
  }
  return false;
}

// "calls.poll" -> ("calls", "poll")
bool Split(const std::string& text, std::string* head, std::string* tail) {
  const size_t dot = text.find('.');
  if (dot == std::string::npos) return false;
  *head = text.substr(0, dot);
  *tail = text.substr(dot + 1);
  return true;
}

bool ControllerField(Controller& c, const std::string& field, Reader* read) {
  CallRecord& r = c.record;
  const std::vector<NamedField> fields = {
      {"defined", [&c] { return c.defined; }},
      {"present", [&c] { return c.present; }},
      {"buttons", [&c] { return c.buttonCount; }},
      {"axes", [&c] { return c.axisCount; }},
      {"povs", [&c] { return c.povCount; }},
      {"serial", [&c] { return c.buttonsSerial; }},
      {"changeqpc", [&c] { return c.buttonsChangeQpc; }},
      {"live", [&r] { return r.liveDevices; }},
      {"acquired", [&r] { return r.acquiredDevices; }},
      {"coop.flags", [&r] { return r.cooperativeFlags; }},
      {"coop.window", [&r] { return r.cooperativeWindow; }},
      {"format.size", [&r] { return r.dataFormatSize; }},
      {"format.objects", [&r] { return r.dataFormatObjects; }},
      {"format.flags", [&r] { return r.dataFormatFlags; }},
      {"objects.visited", [&r] { return r.enumObjectsVisited; }},
      {"state.size", [&r] { return r.lastStateSize; }},
      {"seen", [&r] { return r.seenSerial; }},
      {"seenqpc", [&r] { return r.seenQpc; }},
      {"stateqpc", [&r] { return r.lastStateQpc; }},
      {"pid", [&r] { return r.clientPid; }},
  };
  if (Lookup(fields, field, read)) return true;
  std::string head;
  std::string tail;
  if (!Split(field, &head, &tail)) return false;
  if (head == "calls" || head == "failures" || head == "result" || head == "fault") {
    const int method = fakedinput::MethodFromName(tail);
    if (method < 0) return false;
    if (head == "calls") *read = [&r, method] { return static_cast<long long>(r.calls[method]); };
    if (head == "failures") {
      *read = [&r, method] { return static_cast<long long>(r.failures[method]); };
    }
    if (head == "result") {  // as an unsigned 32-bit code, as written in hexadecimal
      *read = [&r, method] {
        return static_cast<long long>(static_cast<ULONG>(r.lastResult[method]));
      };
    }
    if (head == "fault") {
      *read = [&c, method] { return static_cast<long long>(c.faults[method].remaining); };
    }
    return true;
  }
  long long number;
  if (head == "button") {
    if (!ParseNumber(tail, &number) || number < 0 || number >= fakedinput::kMaxButtons) {
      return false;
    }
    *read = [&c, number] { return static_cast<long long>(c.buttons[number]); };
    return true;
  }
  if (head == "range") {
    std::string axis;
    std::string what;
    if (!Split(tail, &axis, &what) || !ParseNumber(axis, &number) || number < 0 ||
        number >= fakedinput::kMaxAxes) {
      return false;
    }
    fakedinput::AxisRange& range = r.ranges[number];
    if (what == "min") *read = [&range] { return static_cast<long long>(range.min); };
    if (what == "max") *read = [&range] { return static_cast<long long>(range.max); };
    if (what == "count") *read = [&range] { return static_cast<long long>(range.setCount); };
    return what == "min" || what == "max" || what == "count";
  }
  return false;
}

bool GlobalField(FakeDInputShared& shared, const std::string& field, Reader* read) {
  fakedinput::Header& h = shared.header;
  fakedinput::GlobalRecord& g = h.record;
  const std::vector<NamedField> fields = {
      {"create.calls", [&g] { return g.createCalls; }},
      {"create.failures", [&g] { return g.createFailures; }},
      {"create.version", [&g] { return g.lastCreateVersion; }},
      {"enum.calls", [&g] { return g.enumDevicesCalls; }},
      {"enum.failures", [&g] { return g.enumDevicesFailures; }},
      {"enum.class", [&g] { return g.lastEnumClass; }},
      {"enum.flags", [&g] { return g.lastEnumFlags; }},
      {"enum.listed", [&g] { return g.lastEnumListed; }},
      {"createdevice.unknown", [&g] { return g.createDeviceUnknown; }},
      {"live.interfaces", [&g] { return g.liveInterfaces; }},
      {"live.devices", [&g] { return g.liveDevices; }},
      {"pid", [&g] { return g.clientPid; }},
      {"changeserial", [&h] { return h.changeSerial; }},
      {"changeqpc", [&h] { return h.changeQpc; }},
      {"qpcfrequency", [&h] { return h.qpcFrequency; }},
  };
  return Lookup(fields, field, read);
}

bool SinkField(keysink::KeySinkLog& log, const std::string& field, Reader* read) {
  keysink::Header& h = log.header;
  const std::vector<NamedField> fields = {
      {"count", [&h] { return h.count; }},        {"dropped", [&h] { return h.dropped; }},
      {"pid", [&h] { return h.sinkPid; }},        {"ready", [&h] { return h.sinkReady; }},
      {"window", [&h] { return h.sinkWindow; }},  {"foreground", [&h] { return h.foreground; }},
      {"focused", [&h] { return h.focused; }},    {"ticks", [&h] { return h.ticks; }},
      {"hangs", [&h] { return h.hangsDone; }},    {"freeze-pending", [&h] { return h.freezeMs; }},
      {"focus-qpc", [&h] { return h.focusQpc; }},
  };
  return Lookup(fields, field, read);
}

// TARGET is a slot number, "global" or "sink".
int ResolveField(Context& context, const std::string& target, const std::string& field,
                 Reader* read) {
  bool known;
  if (target == "sink") {
    keysink::KeySinkLog* log = context.Sink();
    if (log == nullptr) return kNoShared;
    known = SinkField(*log, field, read);
  } else {
    FakeDInputShared* shared = context.Controllers();
    if (shared == nullptr) return kNoShared;
    int index;
    if (target == "global") {
      known = GlobalField(*shared, field, read);
    } else if (ParseSlot(target, &index)) {
      known = ControllerField(shared->controllers[index], field, read);
    } else {
      return kUsage;
    }
  }
  if (!known) {
    std::fprintf(stderr, "tarveldrive: no field \"%s\" for %s (see tarveldrive help-fields)\n",
                 field.c_str(), target.c_str());
    return kUsage;
  }
  return kOk;
}

int Get(Context& context) {
  Reader read;
  const int resolved = ResolveField(context, context.args[0], context.args[1], &read);
  if (resolved != kOk) return resolved;
  std::printf("%lld\n", read());
  return kOk;
}

bool Compare(long long value, const std::string& op, long long wanted) {
  if (op == "==") return value == wanted;
  if (op == "!=") return value != wanted;
  if (op == ">=") return value >= wanted;
  if (op == "<=") return value <= wanted;
  if (op == ">") return value > wanted;
  return value < wanted;
}

int WaitForField(Context& context, const std::string& target, const std::string& field,
                 const std::string& op, long long wanted, DWORD timeoutMs) {
  Reader read;
  const int resolved = ResolveField(context, target, field, &read);
  if (resolved != kOk) return resolved;
  if (WaitUntil(timeoutMs, [&] { return Compare(read(), op, wanted); })) return kOk;
  std::fprintf(stderr, "tarveldrive: %s %s is %lld after %lu ms, wanted %s %lld\n", target.c_str(),
               field.c_str(), read(), timeoutMs, op.c_str(), wanted);
  return kNotMet;
}

int Wait(Context& context) {
  const std::vector<std::string>& args = context.args;
  static const char* const kOperators[] = {"==", "!=", ">=", "<=", ">", "<"};
  if (std::find(std::begin(kOperators), std::end(kOperators), args[2]) == std::end(kOperators)) {
    std::fprintf(stderr, "tarveldrive: the operator is one of == != >= <= > <\n");
    return kUsage;
  }
  long long wanted;
  DWORD timeoutMs;
  HRESULT named;
  if (args[3].rfind("DI", 0) == 0 || args[3].rfind("E_", 0) == 0) {
    if (!ParseResult(args[3], &named)) return kUsage;
    wanted = static_cast<ULONG>(named);
  } else if (!ParseNumber(args[3], &wanted)) {
    return kUsage;
  }
  if (!ParseTimeout(args[4], &timeoutMs)) return kUsage;
  return WaitForField(context, args[0], args[1], args[2], wanted, timeoutMs);
}

int WaitCalls(Context& context) {
  const std::vector<std::string>& args = context.args;
  long long wanted;
  DWORD timeoutMs;
  if (!ParseNumber(args[2], &wanted) || !ParseTimeout(args[3], &timeoutMs)) return kUsage;
  return WaitForField(context, args[0], "calls." + args[1], ">=", wanted, timeoutMs);
}

int WaitSeen(Context& context) {
  FakeDInputShared* shared = context.Controllers();
  int index;
  DWORD timeoutMs;
  if (shared == nullptr) return kNoShared;
  if (!ParseSlot(context.args[0], &index) || !ParseTimeout(context.args[1], &timeoutMs)) {
    return kUsage;
  }
  Controller& c = shared->controllers[index];
  const LONG serial = c.buttonsSerial;
  if (WaitUntil(timeoutMs, [&] { return c.record.seenSerial >= serial; })) return kOk;
  std::fprintf(stderr, "tarveldrive: slot %d: change %ld not read after %lu ms (read: %ld)\n",
               index, static_cast<long>(serial), timeoutMs, static_cast<long>(c.record.seenSerial));
  return kNotMet;
}

// The periods between the latest polls of a slot, in milliseconds, one a line, oldest first.
int PollPeriods(Context& context) {
  FakeDInputShared* shared = context.Controllers();
  int index;
  if (shared == nullptr) return kNoShared;
  if (!ParseSlot(context.args[0], &index)) return kUsage;
  const CallRecord& record = shared->controllers[index].record;
  const LONG polls = record.calls[fakedinput::kPoll];
  const double frequency = static_cast<double>(shared->header.qpcFrequency);
  const LONG first = polls > fakedinput::kPollTimes ? polls - fakedinput::kPollTimes + 1 : 1;
  for (LONG n = first + 1; n <= polls; ++n) {
    const LONGLONG later = record.pollQpc[(n - 1) % fakedinput::kPollTimes];
    const LONGLONG earlier = record.pollQpc[(n - 2) % fakedinput::kPollTimes];
    std::printf("%.3f\n", static_cast<double>(later - earlier) * 1000 / frequency);
  }
  return kOk;
}

// JSON text of a zero-terminated field.
std::string JsonString(const char* text, size_t size) {
  std::string out = "\"";
  for (size_t i = 0; i < size && text[i] != '\0'; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string WindowClass(long long window) {
  char name[256] = "";
  if (window != 0) GetClassNameA(reinterpret_cast<HWND>(window), name, sizeof(name));
  return JsonString(name, sizeof(name));
}

void DumpGlobal(const FakeDInputShared& shared) {
  const fakedinput::Header& h = shared.header;
  const fakedinput::GlobalRecord& g = h.record;
  std::printf(
      "{\"kind\":\"global\",\"file\":%s,"
      "\"qpcFrequency\":%lld,\"changeSerial\":%ld,\"changeQpc\":%lld,"
      "\"create\":{\"calls\":%ld,\"failures\":%ld,\"version\":\"%s\",\"fault\":%ld},"
      "\"enumDevices\":{\"calls\":%ld,\"failures\":%ld,\"class\":%ld,\"flags\":%ld,"
      "\"listed\":%ld,\"fault\":%ld},\"createDeviceUnknown\":%ld,\"liveInterfaces\":%ld,"
      "\"liveDevices\":%ld,\"pid\":%ld}\n",
      JsonString(wholetest::SharedFilePath(fakedinput::MappingName()).c_str(), 1024).c_str(),
      static_cast<long long>(h.qpcFrequency), static_cast<long>(h.changeSerial),
      static_cast<long long>(h.changeQpc), static_cast<long>(g.createCalls),
      static_cast<long>(g.createFailures),
      Hex(static_cast<unsigned long>(g.lastCreateVersion), 4).c_str(),
      static_cast<long>(h.createFault.remaining), static_cast<long>(g.enumDevicesCalls),
      static_cast<long>(g.enumDevicesFailures), static_cast<long>(g.lastEnumClass),
      static_cast<long>(g.lastEnumFlags), static_cast<long>(g.lastEnumListed),
      static_cast<long>(h.enumDevicesFault.remaining), static_cast<long>(g.createDeviceUnknown),
      static_cast<long>(g.liveInterfaces), static_cast<long>(g.liveDevices),
      static_cast<long>(g.clientPid));
}

bool SlotInUse(const Controller& c) {
  if (c.defined || c.record.liveDevices != 0) return true;
  for (LONG calls : c.record.calls) {
    if (calls != 0) return true;
  }
  return false;
}

void DumpController(int index, const Controller& c) {
  const CallRecord& r = c.record;
  std::string line =
      "{\"kind\":\"controller\",\"slot\":" + std::to_string(index) +
      ",\"defined\":" + std::to_string(c.defined) + ",\"present\":" + std::to_string(c.present) +
      ",\"instance\":\"" + fakedinput::FormatGuid(c.instanceGuid) + "\",\"product\":\"" +
      fakedinput::FormatGuid(c.productGuid) +
      "\",\"name\":" + JsonString(c.productName, sizeof(c.productName)) +
      ",\"buttons\":" + std::to_string(c.buttonCount) + ",\"axes\":" + std::to_string(c.axisCount) +
      ",\"povs\":" + std::to_string(c.povCount) + ",\"buttonBytes\":{";
  bool first = true;
  for (int b = 0; b < fakedinput::kMaxButtons; ++b) {
    if (c.buttons[b] == 0) continue;
    line += (first ? "\"" : ",\"") + std::to_string(b) + "\":" + std::to_string(c.buttons[b]);
    first = false;
  }
  line += "},\"serial\":" + std::to_string(c.buttonsSerial) +
          ",\"changeQpc\":" + std::to_string(c.buttonsChangeQpc) + ",\"faults\":{";
  first = true;
  for (int m = 0; m < fakedinput::kMethodCount; ++m) {
    if (c.faults[m].remaining == 0) continue;
    line += std::string(first ? "\"" : ",\"") + fakedinput::kMethodNames[m] +
            "\":{\"remaining\":" + std::to_string(c.faults[m].remaining) + ",\"result\":\"" +
            Hex(static_cast<unsigned long>(c.faults[m].result)) + "\"}";
    first = false;
  }
  line += "},\"calls\":{";
  for (int m = 0; m < fakedinput::kMethodCount; ++m) {
    line += std::string(m ? ",\"" : "\"") + fakedinput::kMethodNames[m] +
            "\":" + std::to_string(r.calls[m]);
  }
  line += "},\"failures\":{";
  for (int m = 0; m < fakedinput::kMethodCount; ++m) {
    line += std::string(m ? ",\"" : "\"") + fakedinput::kMethodNames[m] +
            "\":" + std::to_string(r.failures[m]);
  }
  line += "},\"results\":{";
  first = true;
  for (int m = 0; m < fakedinput::kRelease; ++m) {
    if (r.calls[m] == 0) continue;
    line += std::string(first ? "\"" : ",\"") + fakedinput::kMethodNames[m] + "\":\"" +
            Hex(static_cast<unsigned long>(r.lastResult[m])) + "\"";
    first = false;
  }
  line += "},\"live\":" + std::to_string(r.liveDevices) +
          ",\"acquired\":" + std::to_string(r.acquiredDevices) + ",\"cooperative\":{\"flags\":\"" +
          Hex(static_cast<unsigned long>(r.cooperativeFlags), 2) + "\",\"window\":\"" +
          Hex(static_cast<unsigned long long>(r.cooperativeWindow)) +
          "\",\"windowClass\":" + WindowClass(r.cooperativeWindow) +
          "},\"dataFormat\":{\"size\":" + std::to_string(r.dataFormatSize) +
          ",\"objects\":" + std::to_string(r.dataFormatObjects) +
          ",\"flags\":" + std::to_string(r.dataFormatFlags) +
          "},\"objectsVisited\":" + std::to_string(r.enumObjectsVisited) +
          ",\"stateSize\":" + std::to_string(r.lastStateSize) + ",\"ranges\":[";
  for (int a = 0; a < fakedinput::kMaxAxes; ++a) {
    const fakedinput::AxisRange& range = r.ranges[a];
    line += std::string(a ? "," : "") + "{\"count\":" + std::to_string(range.setCount) +
            ",\"min\":" + std::to_string(range.min) + ",\"max\":" + std::to_string(range.max) + "}";
  }
  line += "],\"seenSerial\":" + std::to_string(r.seenSerial) +
          ",\"seenQpc\":" + std::to_string(r.seenQpc) +
          ",\"lastStateQpc\":" + std::to_string(r.lastStateQpc) +
          ",\"pid\":" + std::to_string(r.clientPid) + "}";
  std::printf("%s\n", line.c_str());
}

void DumpSink(const keysink::KeySinkLog& log) {
  const keysink::Header& h = log.header;
  std::printf(
      "{\"kind\":\"sink\",\"file\":%s,\"pid\":%ld,\"ready\":%ld,\"window\":\"%s\","
      "\"foreground\":%ld,\"focused\":%ld,\"ticks\":%ld,\"count\":%ld,\"dropped\":%ld,"
      "\"hangs\":%ld}\n",
      JsonString(wholetest::SharedFilePath(keysink::LogName()).c_str(), 1024).c_str(),
      static_cast<long>(h.sinkPid), static_cast<long>(h.sinkReady),
      Hex(static_cast<unsigned long long>(h.sinkWindow)).c_str(), static_cast<long>(h.foreground),
      static_cast<long>(h.focused), static_cast<long>(h.ticks), static_cast<long>(h.count),
      static_cast<long>(h.dropped), static_cast<long>(h.hangsDone));
}

int Dump(Context& context) {
  FakeDInputShared* shared = context.Controllers();
  if (shared == nullptr) return kNoShared;
  DumpGlobal(*shared);
  for (int index = 0; index < fakedinput::kMaxControllers; ++index) {
    if (SlotInUse(shared->controllers[index])) DumpController(index, shared->controllers[index]);
  }
  if (keysink::KeySinkLog* log = context.Sink(/*quiet=*/true)) DumpSink(*log);
  return kOk;
}

int Qpc(Context&) {
  std::printf("%lld %lld\n", wholetest::QpcNow(), wholetest::QpcFrequency());
  return kOk;
}

struct Summary {
  double min;
  double median;
  double max;
};

Summary Summarise(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {values.front(), median, values.back()};
}

// Presses a button COUNT times; each time measures, from the moment the change was written, when
// the program first read it and when the first key message reached the sink. The button is then
// released, and the next press waits until the program has read the release and the keys have
// stopped coming.
int Latency(Context& context) {
  FakeDInputShared* shared = context.Controllers();
  keysink::KeySinkLog* log = context.Sink();
  if (shared == nullptr || log == nullptr) return kNoShared;
  int index;
  long long button;
  long long count;
  DWORD timeoutMs;
  if (!ParseSlot(context.args[0], &index) || !ParseNumber(context.args[1], &button) ||
      !ParseNumber(context.args[2], &count) || !ParseTimeout(context.args[3], &timeoutMs)) {
    return kUsage;
  }
  Controller& c = shared->controllers[index];
  if (!c.defined || button < 0 || button >= c.buttonCount || count < 1 || count > 10000) {
    std::fprintf(stderr,
                 "tarveldrive: latency needs a controller, one of its buttons and a "
                 "count of 1..10000\n");
    return kUsage;
  }
  const double frequency = static_cast<double>(shared->header.qpcFrequency);
  keysink::Header& sink = log->header;
  std::vector<double> readMs;
  std::vector<double> keyMs;
  for (long long sample = 0; sample < count; ++sample) {
    const LONG keysBefore = sink.count;
    const LONG serial = fakedinput::SetButton(*shared, index, static_cast<int>(button), 0x80);
    const long long changed = c.buttonsChangeQpc;
    const bool keyed = WaitUntil(timeoutMs, [&] { return sink.count > keysBefore; });
    const bool read = WaitUntil(timeoutMs, [&] { return c.record.seenSerial >= serial; });
    if (!keyed || !read || keysBefore >= keysink::kCapacity) {
      std::fprintf(stderr, "tarveldrive: sample %lld: %s within %lu ms\n", sample,
                   !read ? "the program did not read the press" : "no key reached the sink",
                   timeoutMs);
      fakedinput::SetButton(*shared, index, static_cast<int>(button), 0);
      return kNotMet;
    }
    const double toRead = static_cast<double>(c.record.seenQpc - changed) * 1000 / frequency;
    const double toKey =
        static_cast<double>(log->events[keysBefore].qpc - changed) * 1000 / frequency;
    readMs.push_back(toRead);
    keyMs.push_back(toKey);
    std::printf("sample %lld read_ms %.3f key_ms %.3f\n", sample, toRead, toKey);

    const LONG released = fakedinput::SetButton(*shared, index, static_cast<int>(button), 0);
    if (!WaitUntil(timeoutMs, [&] { return c.record.seenSerial >= released; })) {
      std::fprintf(stderr, "tarveldrive: the program did not read the release\n");
      return kNotMet;
    }
    // Quiet for 50 ms: the keystroke of this press is complete.
    LONG last = sink.count;
    ULONGLONG quietSince = GetTickCount64();
    WaitUntil(timeoutMs, [&] {
      if (sink.count != last) {
        last = sink.count;
        quietSince = GetTickCount64();
      }
      return GetTickCount64() - quietSince >= 50;
    });
  }
  const Summary read = Summarise(readMs);
  const Summary key = Summarise(keyMs);
  std::printf(
      "{\"samples\":%lld,\"readMs\":{\"min\":%.3f,\"median\":%.3f,\"max\":%.3f},"
      "\"keyMs\":{\"min\":%.3f,\"median\":%.3f,\"max\":%.3f}}\n",
      count, read.min, read.median, read.max, key.min, key.median, key.max);
  return kOk;
}

int HelpFields(Context&) {
  std::printf(
      "fields for get and wait:\n"
      "  IDX: defined present buttons axes povs serial changeqpc live acquired coop.flags\n"
      "       coop.window format.size format.objects format.flags objects.visited state.size\n"
      "       seen seenqpc stateqpc pid button.N range.N.min range.N.max range.N.count\n"
      "       calls.METHOD failures.METHOD result.METHOD fault.METHOD\n"
      "  global: create.calls create.failures create.version enum.calls enum.failures\n"
      "       enum.class enum.flags enum.listed createdevice.unknown live.interfaces\n"
      "       live.devices pid changeserial changeqpc qpcfrequency\n"
      "  sink: count dropped pid ready window foreground focused ticks hangs\n"
      "METHOD:");
  for (const char* name : fakedinput::kMethodNames) std::printf(" %s", name);
  std::printf(" (also caps, getstate, format, coop, objects, range)\n");
  return kOk;
}

}  // namespace

const Command kQueryCommands[] = {
    {"get", 2, 2, "IDX|global|sink FIELD  print one value", Get},
    {"wait", 5, 5,
     "IDX|global|sink FIELD OP VALUE TIMEOUTMS  wait until FIELD OP VALUE holds (VALUE: a number "
     "or a result name such as DIERR_UNPLUGGED)",
     Wait},
    {"wait-calls", 4, 4, "IDX METHOD N TIMEOUTMS  wait until the program made N such calls",
     WaitCalls},
    {"wait-seen", 2, 2, "IDX TIMEOUTMS  wait until the program has read the latest button change",
     WaitSeen},
    {"dump", 0, 0, "state and call record as JSON lines (global, each used slot, sink)", Dump},
    {"poll-periods", 1, 1, "IDX  milliseconds between the latest polls (up to 63), one a line",
     PollPeriods},
    {"latency", 4, 4,
     "IDX BUTTON COUNT TIMEOUTMS  press COUNT times: ms to the program's read and to the key",
     Latency},
    {"qpc", 0, 0, "print QueryPerformanceCounter and its frequency", Qpc},
    {"help-fields", 0, 0, "list the fields of get and wait", HelpFields},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace tarveldrive
