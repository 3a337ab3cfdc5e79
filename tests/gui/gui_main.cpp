// Test main: the tool's own application object for all GUI tests, on the offscreen platform
// unless the environment asks for another.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/qt/config_app.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  travex::CConfigApp app(argc, argv);
  return RUN_ALL_TESTS();
}
