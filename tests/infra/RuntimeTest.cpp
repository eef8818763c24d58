// What our code takes for granted from the C++ runtime, checked on every target we build for:
// threads, exceptions across threads, and files that keep every byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

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

  const auto path =
      std::filesystem::temp_directory_path() /
      ("tarvel-runtime-" +
       std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id())) + ".bin");
  {
    std::ofstream out(path, std::ios::binary);
    ASSERT_TRUE(out) << path;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  const std::string read{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  in.close();
  std::filesystem::remove(path);
  EXPECT_EQ(read, bytes);
}

}  // namespace
