// What our code takes for granted from the C++ runtime, checked on every target we build for:
// threads, exceptions across threads, and files that keep every byte.
#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"

namespace {

using tarvel::test::ReadBytes;
using tarvel::test::TempDir;
using tarvel::test::WriteBytes;

// Each thread sums its own slice and adds it to the total under the lock. (Heavy lock contention
// is slow under Wine, where every wait goes through the wineserver; that is no fault to test.)
TEST(Runtime, ThreadsShareAMutex) {
  constexpr int kThreads = 4;
  constexpr long long kPerThread = 100000;
  std::mutex mutex;
  long long total = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      long long sum = 0;
      for (long long i = t * kPerThread + 1; i <= (t + 1) * kPerThread; ++i) sum += i;
      std::lock_guard<std::mutex> lock(mutex);
      total += sum;
    });
  }
  for (auto& thread : threads) thread.join();
  constexpr long long kLast = kThreads * kPerThread;
  EXPECT_EQ(total, kLast * (kLast + 1) / 2);
}

TEST(Runtime, ExceptionReachesTheWaitingThread) {
  auto result = std::async(std::launch::async, []() -> int { throw std::runtime_error("lost"); });
  try {
    result.get();
    FAIL() << "no exception arrived";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "lost");
  }
}

// Binary files must keep CR, LF, NUL and Ctrl-Z (end of file for text streams on Windows).
TEST(Runtime, BinaryFileKeepsEveryByte) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  bytes += "\r\n\n\r\x1a\x1a";

  TempDir dir;
  const std::string path = dir.File("runtime.bin");
  WriteBytes(path, bytes);
  EXPECT_EQ(ReadBytes(path), bytes);
}

}  // namespace
