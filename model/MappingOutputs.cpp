// What a press types beyond one keystroke: a sequence of keystrokes, at once or with gaps from the
// tick, and a text as characters.
#include <cstdio>
#include <cstring>

#include "model/KeyBatch.h"
#include "model/TarvelDoc.h"
#include "model/Utf8.h"

namespace tarvel {

void CTarvelDoc::SendOutput(int record, int button) {
  const DeviceRecord& r = *records[record];
  const ButtonMapping& m = r.Mapping(button);
  if (const char* text = r.TextOf(m)) {
    SendText(m, text);
    return;
  }
  const KeySequence* sequence = r.SequenceOf(m);
  if (sequence == nullptr || sequence->stepCount == 0) {
    SendKeystroke(m);
    return;
  }
  // Without a gap the whole sequence is one piece that the user's own typing cannot split.
  if (sequence->gapMs == 0)
    SendKeystrokes(m, sequence->steps, sequence->stepCount);
  else
    StartTyping(record, button, *sequence);
}

void CTarvelDoc::SendText(const ButtonMapping& m, const char* utf8) {
  KeySender* keys = context_.keys;
  if (keys == nullptr) return;
  char16_t units[2 * kMaxTextChars];
  const int count = Utf8ToUtf16(utf8, std::strlen(utf8), units, 2 * kMaxTextChars);
  if (count <= 0) return;
  if (m.windowClass[0] == '\0') {
    if (!ForegroundTakesKeys()) return;
    reports_.Report(keys->InjectText(units, count), foreground_.ProgramName());
    return;
  }
  WindowHandle target = FindTargetWindow(m.windowClass);
  if (target == nullptr) return;
  Delivery first;  // the first message that failed tells why
  auto keep = [&](const Delivery& d) {
    if (first.Delivered()) first = d;
  };
  for (int i = 0; i < count; ++i) {
    if (units[i] != u'\n') {
      keep(keys->SendCharMessage(target, units[i]));
      continue;
    }
    // A line break is the Enter key, with the character it makes.
    keep(keys->SendKeyMessage(target, false, kVkReturn));
    keep(keys->SendCharMessage(target, u'\r'));
    keep(keys->SendKeyMessage(target, true, kVkReturn));
  }
  reports_.Report(first, m.windowClass);
}

bool CTarvelDoc::IsTyping(int record, int button) const {
  for (const TypingSequence& t : typing_)
    if (t.record == record && t.button == button) return true;
  return false;
}

void CTarvelDoc::StartTyping(int record, int button, const KeySequence& sequence) {
  if (typing_.size() > static_cast<size_t>(kMaxQueuedSequences)) {
    char text[96];
    std::snprintf(text, sizeof text,
                  "A press was dropped: %d sequences are already waiting to be typed.",
                  kMaxQueuedSequences);
    reports_.Notify(text);
    return;
  }
  typing_.push_back({record, button, sequence, 0, nowMs_});
  // The first keystroke goes at once when nothing is being typed; else after those before it.
  if (typing_.size() == 1) TypeDueSteps(nowMs_);
}

void CTarvelDoc::TypeDueSteps(int64_t nowMs) {
  while (!typing_.empty() && nowMs >= typing_.front().dueMs) {
    TypingSequence& t = typing_.front();
    const ButtonMapping& m = records[t.record]->Mapping(t.button);
    const KeyStroke step = t.sequence.steps[t.next];
    const int64_t gap = t.sequence.gapMs;
    const bool last = ++t.next >= t.sequence.stepCount;
    // A late tick keeps the gaps from the due time, but does not make up a burst.
    int64_t due = t.dueMs + gap;
    if (due <= nowMs) due = nowMs + gap;
    if (last) {
      typing_.erase(typing_.begin());
      if (!typing_.empty()) typing_.front().dueMs = due;
    } else {
      t.dueMs = due;
    }
    SendKeystrokes(m, &step, 1);
  }
}

}  // namespace tarvel
