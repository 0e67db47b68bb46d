// The script class Sonabel: version, the skin's own settings, and which addresses BrowseUrl
// hands to the browser.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "app/sonabel_type.h"
#include "tests/app/audio_script_fixture.h"

namespace {

class SonabelTypeTest : public apptest::AudioScriptTest {
 protected:
  void SetUp() override {
    AudioScriptTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() / ("sonabel-type-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    setenv("SONABEL_SETTINGS_FILE", (dir_ / "settings.ini").c_str(), 1);
    // The "browser" records each address it is given, one per line.
    opener_ = dir_ / "opener.sh";
    std::ofstream(opener_) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << (dir_ / "opened").string() << "'\n";
    std::filesystem::permissions(opener_, std::filesystem::perms::owner_all);
    setenv("SONABEL_OPEN_URL_PROGRAM", opener_.c_str(), 1);
    ASSERT_EQ(ZILRegisterNativeType(ps, ZTools::SonabelTypeProc), 0);
    ASSERT_TRUE(
        Load("import Sonabel;\n"
             "function string version() { return Sonabel::GetVersion(); }\n"
             "function store(string n, string v) { Sonabel::StoreSetting(n, v); }\n"
             "function string recall(string n) { return Sonabel::RecallSetting(n); }\n"
             "function browse(string u) { Sonabel::BrowseUrl(u); Sonabel::SetNowPlaying(u); }\n"));
  }
  void TearDown() override {
    unsetenv("SONABEL_SETTINGS_FILE");
    unsetenv("SONABEL_OPEN_URL_PROGRAM");
    std::filesystem::remove_all(dir_);
    AudioScriptTest::TearDown();
  }
  std::filesystem::path dir_, opener_;
};

TEST_F(SonabelTypeTest, VersionAndSkinSettings) {
  EXPECT_EQ(CallString("version"), "0.8");
  EXPECT_EQ(CallString("recall", "never"), "");
  Call("store", "colour", "amber");
  EXPECT_EQ(CallString("recall", "colour"), "amber");
  // A skin's names stay below "skins": it cannot reach the player's own settings.
  Call("store", "../archive", "/tmp/evil.zpac");
  ZILHandle* none = nullptr;
  EXPECT_EQ(ZTools::SonabelTypeProc(nullptr, NTL_CallStatic, 5, nullptr, reinterpret_cast<ZILUnknown**>(&none)),
            ZIL_ERR_Invalid_Function_Index);
  std::ifstream in(dir_ / "settings.ini");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.find("[Software/Sonabel/sonabel]"), std::string::npos) << text;
}

TEST_F(SonabelTypeTest, BrowseUrlOpensOnlyWebAddresses) {
  for (const char* url : {"http://example.org/a b", "https://example.org/?q=1;rm -rf /", "HTTP://example.org",
                          "ftp://example.org", "file:///etc/passwd", "http://bad\nline", ""})
    Call("browse", url);
  std::string opened;
  for (int i = 0; i < 300 && std::count(opened.begin(), opened.end(), '\n') < 2; i++) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(dir_ / "opened");
    opened.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The openers run side by side, so their lines come in either order.
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = opened.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(opened.substr(start, end - start));
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"http://example.org/a b", "https://example.org/?q=1;rm -rf /"}));
}

}  // namespace
