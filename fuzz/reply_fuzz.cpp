// libFuzzer target: arbitrary replies to the parsers and the collector.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/reply_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string why;
  if (!travex::fuzzing::RunReplyCase(data, size, &why)) {
    std::fprintf(stderr, "reply_fuzz: %s\n", why.c_str());
    std::abort();
  }
  return 0;
}
