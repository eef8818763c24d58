// Ends with the exit code given as its argument, or crashes when told "crash".
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: infra_exit_code CODE|crash\n", stderr);
    return 2;
  }
  if (std::strcmp(argv[1], "crash") == 0) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
  }
  const int code = std::atoi(argv[1]);
  std::printf("exiting with %d\n", code);
  return code;
}
