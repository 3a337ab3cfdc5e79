// Test main: the tool's own application object for all GUI tests, on the offscreen platform
// unless the environment asks for another.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/qt/config_app.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Settings that Qt itself keeps (the file dialog's) stay out of the user's configuration;
  // each test points XDG_CONFIG_HOME at its own folder as well.
  char config[] = "/tmp/travex-gui-config-XXXXXX";
  if (mkdtemp(config) != nullptr) {
    setenv("XDG_CONFIG_HOME", config, 1);
    setenv("XDG_DATA_HOME", config, 1);  // the history too
  }
  ::testing::InitGoogleTest(&argc, argv);
  int result = 0;
  {
    travex::CConfigApp app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  std::error_code ignored;
  std::filesystem::remove_all(config, ignored);
  return result;
}
