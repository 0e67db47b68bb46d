// The real player on a virtual X display (Xvfb), driven with xdotool: it opens at the skin's
// size, a click and a knob drag change parameters, the window's picture shows it, SIGTERM saves
// the settings, a restart restores the window's place and the volume, and --screenshot writes
// the picture sonabel-skin draws of the same skin.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/app_test_support.h"
#include "tests/ztools/resourcetestfiles.h"
#include "ztools/zpng.h"

extern char** environ;

namespace {

using ResourceTest::ReadFile;
using ResourceTest::TempFolder;

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* f = popen(command.c_str(), "r")) {
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, f)) out.append(buffer, n);
    pclose(f);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) == 0 ? pid : -1;
}

int WaitExit(pid_t pid, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

class PlayerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Output("for p in Xvfb xdotool import; do command -v $p; done | wc -l") != "3") GTEST_SKIP() << "Xvfb, xdotool and import are needed";
    display_ = ":" + std::to_string(90 + getpid() % 400);
    xvfb_ = Spawn({"Xvfb", display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {"PATH=/usr/bin:/bin"});
    ASSERT_GT(xvfb_, 0);
    const std::string socket = "/tmp/.X11-unix/X" + display_.substr(1);
    for (int i = 0; i < 200 && !std::filesystem::exists(socket); i++)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(std::filesystem::exists(socket));
  }
  void TearDown() override {
    if (player_ > 0) WaitExit(player_, 0);
    if (bus_ > 0) {
      kill(bus_, SIGTERM);
      WaitExit(bus_, 3000);
    }
    if (xvfb_ > 0) {
      kill(xvfb_, SIGTERM);
      WaitExit(xvfb_, 3000);
    }
  }
  std::vector<std::string> Env() {
    return {"DISPLAY=" + display_, "PATH=/usr/bin:/bin", "HOME=" + temp_.Path().string(),
            "SONABEL_SETTINGS_FILE=" + (temp_ / "settings.ini"), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
            "SONABEL_NO_DIALOGS=1", "LSAN_OPTIONS=suppressions=" SONABEL_SOURCE_DIR "/tests/app/player_lsan.supp"};
  }
  std::string X(const std::string& args) { return Output("DISPLAY=" + display_ + " " + args + " 2>/dev/null"); }
  // Starts the player and answers its window, or "" when none appeared.
  std::string Start(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {SONABEL_BINARY_DIR "/sonabel"};
    args.insert(args.end(), extra.begin(), extra.end());
    player_ = Spawn(args, Env());
    return X("timeout 10 xdotool search --sync --onlyvisible --name '^Sonabel$' | head -1");
  }
  int Stop() {
    kill(player_, SIGTERM);
    const int status = WaitExit(player_, 5000);
    player_ = -1;
    return status;
  }
  // The window's pixel at (x, y), as 0xRRGGBB.
  uint32_t Pixel(const std::string& window, int x, int y) {
    const std::string file = temp_ / "window.png";
    X("import -window " + window + " png:" + file);
    ZTools::ZDecodedImage image;
    const std::string png = ReadFile(file);
    if (ZTools::ZDecodePNG(reinterpret_cast<const uint8_t*>(png.data()), png.size(), image) != 0) return 0xdeadbeef;
    if (x >= image.width || y >= image.height) return 0xdeadbeef;
    return image.pixels[size_t(y) * size_t(image.width) + size_t(x)] & 0xffffff;
  }
  std::string Setting(const std::string& name) {
    std::ifstream in(temp_ / "settings.ini");
    std::string line;
    while (std::getline(in, line))
      if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
    return "<absent>";
  }
  static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  // Starts a private session bus (stopped in TearDown) and answers its address, "" on failure.
  std::string StartBus() {
    const std::string file = temp_ / "bus.address";
    bus_ = Spawn({"sh", "-c", "exec dbus-daemon --session --nofork --print-address=1 > '" + file + "'"},
                 {"PATH=/usr/bin:/bin"});
    std::string address;
    for (int i = 0; i < 200 && address.empty(); i++) {
      Pause(20);
      address = ReadFile(file);
      while (!address.empty() && address.back() == '\n') address.pop_back();
    }
    return address;
  }  // The MPRIS player property once it holds `text` (or its last value after 10 s).
  std::string WaitForProperty(const std::string& busAddress, const std::string& property, const std::string& text) {
    const std::string query = "busctl --address='" + busAddress +
                              "' get-property org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 "
                              "org.mpris.MediaPlayer2.Player " + property + " 2>/dev/null";
    std::string value;
    for (int i = 0; i < 200 && value.find(text) == std::string::npos; i++) {
      Pause(50);
      value = Output(query);
    }
    return value;
  }
  // The user's station list with one live station of the test server, and the environment of a
  // player on the private bus that finds it.
  std::vector<std::string> StationEnv(audiotest::TestServer& server, const std::string& busAddress) {
    ResourceTest::WriteFile(
        temp_.Path() / "data/sonabel/playlists/Test Radio.m3u",
        "#EXTM3U\n#EXTINF:-1,Live\n" +
            server.url("/live?file=radio.mp3&titles=Artist%20-%20Song&burst=1&metaint=4000") + "\n");
    std::vector<std::string> env = Env();
    env.push_back("DBUS_SESSION_BUS_ADDRESS=" + busAddress);
    env.push_back("XDG_DATA_HOME=" + (temp_ / "data"));
    return env;
  }


  TempFolder temp_;
  std::string display_;
  pid_t xvfb_ = -1, player_ = -1, bus_ = -1;
};

constexpr uint32_t kLevelGreen = 0x3fb950, kTrack = 0x0d1117;

TEST_F(PlayerWindow, ClicksDragsSettingsAndRestart) {
  std::string window = Start();
  ASSERT_FALSE(window.empty()) << "no window";
  EXPECT_EQ(X("xdotool getwindowgeometry " + window + " | sed -n 3p"), "  Geometry: 320x132");
  Pause(300);
  EXPECT_EQ(Pixel(window, 100, 54), kLevelGreen) << "the level bar at 70 %";

  // The mute toggle empties the level bar.
  X("xdotool mousemove --window " + window + " 114 99 click 1");
  Pause(300);
  EXPECT_EQ(Pixel(window, 100, 54), kTrack) << "muted";
  X("xdotool mousemove --window " + window + " 114 99 click 1");
  // Dragging the knob down turns the volume down.
  X("xdotool mousemove --window " + window + " 30 54 mousedown 1 mousemove_relative --sync 0 10 "
    "mousemove_relative --sync 0 20 mousemove_relative --sync 0 20 mouseup 1");
  Pause(300);
  X("xdotool windowmove " + window + " 100 120");
  Pause(300);
  EXPECT_EQ(Stop(), 0);
  const std::string volume = Setting("volume");
  EXPECT_NE(volume, "<absent>");
  EXPECT_NE(volume, "70") << "the drag changed the volume";
  EXPECT_EQ(Setting("windowrect").rfind("100,120,", 0), 0u) << Setting("windowrect");

  // A restart puts the window back and shows the stored volume.
  window = Start();
  ASSERT_FALSE(window.empty());
  EXPECT_EQ(X("xdotool getwindowgeometry " + window + " | sed -n 2p"), "  Position: 100,120 (screen: 0)");
  Pause(300);
  const int width = int(std::stod(volume) / 100.0 * 238.0);
  // (The slider's handle sits over the bar's end.)
  EXPECT_EQ(Pixel(window, 63 + width / 2, 54), kLevelGreen) << volume;
  EXPECT_EQ(Pixel(window, 63 + width + 24, 54), kTrack) << volume;
  EXPECT_EQ(Stop(), 0);
}

TEST_F(PlayerWindow, ScreenshotIsWhatTheSkinToolDraws) {
  const std::string shot = temp_ / "shot.png", drawn = temp_ / "drawn.png";
  player_ = Spawn({SONABEL_BINARY_DIR "/sonabel", "--screenshot", shot, "--quit-after", "300"}, Env());
  EXPECT_EQ(WaitExit(player_, 10000), 0);
  player_ = -1;
  ASSERT_EQ(std::system(("'" SONABEL_BINARY_DIR "/sonabel-skin' render '" SONABEL_BINARY_DIR
                         "/Resources.zpac' '" + drawn + "' >/dev/null 2>&1")
                            .c_str()),
            0);
  EXPECT_EQ(ReadFile(shot), ReadFile(drawn));
  EXPECT_EQ(Setting("windowrect").empty(), false) << "quitting after a screenshot saves the settings";
}

}  // namespace

namespace {

TEST_F(PlayerWindow, WatchedSkinRebuildsAndABrokenOneKeepsTheOld) {
  const std::filesystem::path skin = temp_.Path() / "skin";
  std::filesystem::create_directories(skin);
  for (const auto& file : std::filesystem::directory_iterator(SONABEL_SOURCE_DIR "/skins/default"))
    std::filesystem::copy_file(file.path(), skin / file.path().filename());
  std::string window = Start({(skin / "main.zml").string(), "--watch", "--scale", "2"});
  ASSERT_FALSE(window.empty());
  // Twice the size on screen; pixels come in 2 x 2 blocks.
  EXPECT_EQ(X("xdotool getwindowgeometry " + window + " | sed -n 3p"), "  Geometry: 640x264");
  Pause(300);
  EXPECT_EQ(Pixel(window, 2 * 100, 2 * 54), kLevelGreen);
  EXPECT_EQ(Pixel(window, 2 * 100 + 1, 2 * 54 + 1), kLevelGreen);

  std::string markup = ReadFile((skin / "main.zml").string());
  markup.replace(markup.find("color='#3fb950'"), 15, "color='#ff0000'");
  ResourceTest::WriteFile(skin / "main.zml", markup);
  Pause(1500);
  EXPECT_EQ(Pixel(window, 2 * 100, 2 * 54), 0xff0000u) << "rebuilt with the new colour";
  ResourceTest::WriteFile(skin / "main.zml", "<zml><surfaces>");
  Pause(1500);
  EXPECT_EQ(Pixel(window, 2 * 100, 2 * 54), 0xff0000u) << "a skin that does not build leaves the old one";
  EXPECT_EQ(Stop(), 0);
  EXPECT_EQ(Setting("scale"), "2") << "the scale is remembered";
}

}  // namespace

namespace {

TEST_F(PlayerWindow, NewerSkinVersionAndAPositionOnNoDisplay) {
  const std::filesystem::path skin = temp_.Path() / "newer";
  ResourceTest::WriteFile(skin / "main.zml",
                          "<zml><const name='version' value='0.81'/><const name='initialwindowsize' value='64,32'/>"
                          "<surfaces><surface><views><colorbox size='64,32' color='#204060'/></views></surface>"
                          "</surfaces></zml>");
  ResourceTest::WriteFile(temp_.Path() / "settings.ini",
                          "[Software/Sonabel/sonabel]\narchive=/somewhere/else.zpac\nwindowrect=5000,5000,5064,5032\n");
  std::string command;
  for (const std::string& e : Env()) command += e + " ";
  command += "'" SONABEL_BINARY_DIR "/sonabel' '" + (skin / "main.zml").string() + "' --screenshot '" +
             (temp_ / "s.png") + "' --quit-after 200 2>'" + (temp_ / "err") + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_NE(ReadFile(temp_ / "err").find("[Sonabel - Invalid skin version]\nThe specified skin file appears to be for "
                                         "a newer version of Sonabel."),
            std::string::npos)
      << ReadFile(temp_ / "err");
  EXPECT_EQ(Setting("archive"), "") << "the next start uses the default skin";
  // The stored place was on no display: the window was centred, and that place is saved now.
  EXPECT_EQ(Setting("windowrect"), "480,368,544,400");
}

}  // namespace

namespace {

// The engine module is opened when a script first uses audio; without it audio is off, and
// the skin still runs.
TEST_F(PlayerWindow, TheAudioEngineIsOpenedWhenAScriptUsesIt) {
  ResourceTest::WriteFile(temp_.Path() / "skin/main.zml",
                          "<zml><scripts><script text='import Sonabel; import Bass; function Create(Application app) {"
                          " Sonabel::StoreSetting(\"engine\", \"\" + Bass::Init() + \" \" + Bass::GetError()); }'/>"
                          "</scripts><surfaces><surface><views><colorbox size='40,20' color='#204060'/></views>"
                          "</surface></surfaces></zml>");
  const std::string alone = temp_ / "alone";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(SONABEL_BINARY_DIR "/sonabel", alone + "/sonabel");
  for (const std::string& program : {std::string(SONABEL_BINARY_DIR "/sonabel"), alone + "/sonabel"}) {
    std::string command;
    for (const std::string& e : Env()) command += e + " ";
    command += "'" + program + "' '" + (temp_ / "skin/main.zml") + "' --screenshot '" + (temp_ / "s.png") +
               "' --quit-after 100 2>'" + (temp_ / "err") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << program;
    const bool alone_ = program == alone + "/sonabel";
    EXPECT_EQ(Setting("engine"), alone_ ? "0 37" : "1 0") << program;
    EXPECT_EQ(ReadFile(temp_ / "err").find("the audio engine is not available") != std::string::npos, alone_);
  }
}

}  // namespace

namespace {

// What the skin says is playing appears on the desktop's media-player bus (a private
// dbus-daemon here), and the desktop's Play/Pause reaches the skin's MediaKey hook.
TEST_F(PlayerWindow, NowPlayingOnTheBusAndMediaKeysInTheSkin) {
  if (Output("for p in dbus-daemon busctl; do command -v $p; done | wc -l") != "2")
    GTEST_SKIP() << "dbus-daemon and busctl are needed";
  const std::string address = StartBus();
  ASSERT_FALSE(address.empty());
  ResourceTest::WriteFile(temp_.Path() / "skin/main.zml",
                          "<zml><scripts><script text='import Sonabel;\n"
                          "function Open(Application app) { Sonabel::SetNowPlaying(\"Artist – Song\"); }\n"
                          "function MediaKey(Application app, const string key) { Sonabel::StoreSetting(\"key\", key); }"
                          "'/></scripts><surfaces><surface><views><colorbox size='40,20' color='#204060'/></views>"
                          "</surface></surfaces></zml>");
  std::vector<std::string> env = Env();
  env.push_back("DBUS_SESSION_BUS_ADDRESS=" + address);
  player_ = Spawn({SONABEL_BINARY_DIR "/sonabel", (temp_ / "skin/main.zml")}, env);
  const std::string busctl = "busctl --address='" + address + "' ";
  std::string metadata;
  for (int i = 0; i < 100 && metadata.find("Artist") == std::string::npos; i++) {
    Pause(50);
    metadata = Output(busctl + "get-property org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 "
                               "org.mpris.MediaPlayer2.Player Metadata 2>/dev/null");
  }
  // (busctl writes bytes beyond ASCII as octal escapes: the en dash is \342\200\223.)
  EXPECT_NE(metadata.find("\"xesam:title\" s \"Artist \\342\\200\\223 Song\""), std::string::npos) << metadata;
  EXPECT_EQ(Output(busctl + "get-property org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 "
                            "org.mpris.MediaPlayer2.Player PlaybackStatus"),
            "s \"Playing\"");
  Output(busctl + "call org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player PlayPause");
  Pause(300);
  EXPECT_EQ(Stop(), 0);
  EXPECT_EQ(Setting("key"), "PlayPause");
}

}  // namespace

namespace {

// A station from the user's playlists folder, played through the skin from a local radio
// server: the skin shows the stream's title and publishes it on the media-player bus.
TEST_F(PlayerWindow, PlaysAStationFromThePlaylistsAndPublishesItsTitle) {
  if (Output("for p in dbus-daemon busctl; do command -v $p; done | wc -l") != "2")
    GTEST_SKIP() << "dbus-daemon and busctl are needed";
  audiotest::TestServer* server = apptest::startRadioServer();
  ASSERT_NE(server, nullptr);
  const std::string address = StartBus();
  ASSERT_FALSE(address.empty());
  ResourceTest::WriteFile(temp_.Path() / "skin/main.zml",
                          "<zml><scripts><script text='import Sonabel; import Bass; import Application;\n"
                          "string url = \"\"; Channel c = null; string shown = \"\";\n"
                          "function AddStation(Application app, const string name, const string[] titles,\n"
                          "                    const string[] urls) {\n"
                          "  if (name == \"Test Radio\") { url = urls[0]; Sonabel::StoreSetting(\"station\", name); } }\n"
                          "function Open(Application app) { Bass::Init(); c = Bass::StreamCreateURL(url); c.Play(0); }\n"
                          "function Idle(Application app) { string t = c.GetTitle();\n"
                          "  if (t != shown) { shown = t; Sonabel::SetNowPlaying(t); app.FindView(\"title\").SetText(t); } }"
                          "'/></scripts><surfaces><surface><views><colorbox size='200,30' color='#102030'>"
                          "<statictext name='title' size='200,30' color='#ffffff'/></colorbox></views>"
                          "</surface></surfaces></zml>");
  player_ = Spawn({SONABEL_BINARY_DIR "/sonabel", (temp_ / "skin/main.zml")}, StationEnv(*server, address));
  const std::string metadata = WaitForProperty(address, "Metadata", "Artist - Song");
  EXPECT_NE(metadata.find("\"xesam:title\" s \"Artist - Song\""), std::string::npos) << metadata;
  EXPECT_EQ(Stop(), 0);
  EXPECT_EQ(Setting("station"), "Test Radio");
  delete server;
}

}  // namespace

namespace {

// The default skin's play toggle and the space key play the first station of the station lists
// and stop it; Esc closes the player.
// The player runs from a folder of its own (with its engine module and skin package), so the
// example station lists beside the built program are not among its stations.
TEST_F(PlayerWindow, TheDefaultSkinPlaysTheFirstStationAndStops) {
  if (Output("for p in dbus-daemon busctl; do command -v $p; done | wc -l") != "2")
    GTEST_SKIP() << "dbus-daemon and busctl are needed";
  audiotest::TestServer* server = apptest::startRadioServer();
  ASSERT_NE(server, nullptr);
  const std::string address = StartBus();
  ASSERT_FALSE(address.empty());
  const std::filesystem::path own = temp_.Path() / "own";
  std::filesystem::create_directories(own);
  for (const char* file : {"sonabel", "libsonabel-audio.so", "Resources.zpac"})
    std::filesystem::copy_file(std::filesystem::path(SONABEL_BINARY_DIR) / file, own / file);
  std::vector<std::string> env = StationEnv(*server, address);
  env.push_back("SONABEL_AUDIO_DEVICE=0");
  player_ = Spawn({(own / "sonabel").string()}, env);
  const std::string window = X("timeout 10 xdotool search --sync --onlyvisible --name '^Sonabel$' | head -1");
  ASSERT_FALSE(window.empty());
  auto waitFor = [&](const char* property, const char* text) { return WaitForProperty(address, property, text); };
  X("xdotool mousemove --window " + window + " 44 99 click 1");
  EXPECT_NE(waitFor("Metadata", "Artist - Song").find("\"xesam:title\" s \"Artist - Song\""), std::string::npos);
  X("xdotool mousemove --window " + window + " 44 99 click 1");
  EXPECT_EQ(waitFor("PlaybackStatus", "Stopped"), "s \"Stopped\"");
  // Keys: space plays again, Esc closes the player.
  X("xdotool key --window " + window + " space");
  EXPECT_EQ(waitFor("PlaybackStatus", "Playing"), "s \"Playing\"");
  X("xdotool key --window " + window + " Escape");
  EXPECT_EQ(WaitExit(player_, 5000), 0);
  player_ = -1;
  delete server;
}

}  // namespace
