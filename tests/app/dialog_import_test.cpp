// Import beside the transfer thread: an answer stored while a file is being read stays in the
// sections the file does not load.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "tests/app/dialog_test_util.h"

namespace travex::testing {
namespace {

TEST(DialogImport, AnAnswerStoredWhileAFileIsReadIsKeptWhereTheFileLoadedNothing) {
  ScopedPortDir dir("import");
  DialogRig rig;
  // A file whose set-1 section fails its check, behind enough comment lines to take a while.
  const std::string path = (dir.path() / "slow.ini").string();
  {
    std::ofstream out(path);
    for (int i = 0; i < 400000; ++i) out << "; a comment line that only takes time to read\n";
    out << "[ARG1]\narg1=00\nwCRCResult=0000\n";
  }
  std::atomic<bool> started{false};
  std::thread import([&] {
    started = true;
    rig.core.ImportFile(path);
  });
  while (!started) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  {
    // What the transfer thread does with a read answer of channel 4's set 1.
    std::lock_guard lock(rig.core.StoreMutex());
    std::strcpy(rig.core.param_store.image.arg1[3].alarm_text, "answer");
    ++rig.core.param_store.answers_stored;
  }
  import.join();
  EXPECT_STREQ(rig.core.param_store.image.arg1[3].alarm_text, "answer");
}

}  // namespace
}  // namespace travex::testing
