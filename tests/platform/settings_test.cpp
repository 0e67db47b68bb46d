// The settings file: values that try to break out of their line, concurrent writers, a writer
// killed while it writes, and files this program cannot read.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/settings.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sonabel-settings-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    file_ = (dir_ / "settings.ini").string();
    setenv("SONABEL_SETTINGS_FILE", file_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("SONABEL_SETTINGS_FILE");
    std::filesystem::remove_all(dir_);
  }
  std::string Read(const char* key) {
    std::string value = "<absent>";
    Platform::ReadSetting(key, value);
    return value;
  }
  std::string FileText() {
    std::ifstream in(file_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::filesystem::path dir_;
  std::string file_;
};

TEST_F(SettingsTest, ValuesComeBackExactlyAndCannotAddLinesSectionsOrSettings) {
  const char* values[] = {"plain",
                          "",
                          "with = sign",
                          "line\nbreak",
                          "\r\n[Software\\Sonabel\\sonabel]\narchive=/evil",
                          "back\\slash \\x41",
                          "ünïcödé ♪",
                          "  spaces  ",
                          "; comment-like",
                          "tab\there"};
  for (const char* v : values) {
    ASSERT_EQ(Platform::StoreSetting("Software/Sonabel/sonabel/skins/x", v), 0) << v;
    EXPECT_EQ(Read("Software/Sonabel/sonabel/skins/x"), v);
    EXPECT_EQ(Read("Software/Sonabel/sonabel/archive"), "<absent>") << v;
  }
  // Names are escaped the same way; '\' and '/' both separate the key's components.
  ASSERT_EQ(Platform::StoreSetting("Software\\Sonabel\\sonabel\\skins\\a=b]\n[c", "1"), 0);
  EXPECT_EQ(Read("Software/Sonabel/sonabel/skins/a=b]\n[c"), "1");
  EXPECT_EQ(Platform::StoreSetting("archive", "x"), Platform::kSettingsBadPath);
  EXPECT_EQ(Read("Software/Sonabel/sonabel/never"), "<absent>");
  EXPECT_EQ(std::filesystem::status(file_).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(SettingsTest, AFileThisProgramCannotReadIsNeverOverwritten) {
  for (const char* broken : {"archive=/x\n", "[unclosed\nk=v\n", "[s]\nno equals sign\n", "[s]\nk=bad \\q escape\n"}) {
    std::ofstream(file_) << broken;
    EXPECT_EQ(Read("s/k"), "<absent>") << broken;
    EXPECT_EQ(Platform::StoreSetting("s/k", "new"), Platform::kSettingsFailed) << broken;
    EXPECT_EQ(FileText(), broken);
  }
}

TEST_F(SettingsTest, ConcurrentWritersKeepEachOthersValues) {
  constexpr int kWriters = 4, kKeys = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; w++) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failed = 0;
      for (int k = 0; k < kKeys; k++)
        failed += Platform::StoreSetting("s/w" + std::to_string(w) + "k" + std::to_string(k), std::to_string(k)) != 0;
      _exit(failed);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; w++)
    for (int k = 0; k < kKeys; k++)
      EXPECT_EQ(Read(("s/w" + std::to_string(w) + "k" + std::to_string(k)).c_str()), std::to_string(k));
}

TEST_F(SettingsTest, AWriterKilledMidWayLeavesTheOldOrTheNewFile) {
  ASSERT_EQ(Platform::StoreSetting("s/kept", "yes"), 0);
  for (int round = 0; round < 20; round++) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0;; i++)
        Platform::StoreSetting("s/counter", std::string(size_t(i % 4000), 'x'));
    }
    usleep(useconds_t(500 + round * 300));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(Read("s/kept"), "yes") << "round " << round;
  }
  EXPECT_EQ(Platform::StoreSetting("s/after", "ok"), 0) << "a lock dies with its holder";
}

}  // namespace
