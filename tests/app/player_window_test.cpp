// The real player on a virtual X display (Xvfb), driven with xdotool: the default skin's buttons,
// knobs, lists and keys, what it plays from local stream servers (its title, its failures in
// words, its reconnects, the equalizer heard through SDL's disk audio driver), the desktop's
// media-player bus, the settings a restart brings back, and --screenshot against sonabel-skin.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/app_test_support.h"
#include "tests/ztools/resourcetestfiles.h"
#include "ztools/zpng.h"

namespace {

using ResourceTest::ReadFile;
using ResourceTest::TempFolder;

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* f = popen(command.c_str(), "r")) {
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, f))
      out.append(buffer, n);
    pclose(f);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
    out.pop_back();
  return out;
}

using apptest::spawn;
using apptest::waitExit;

class PlayerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Output("for p in Xvfb xdotool import; do command -v $p; done | wc -l") != "3")
      GTEST_SKIP() << "Xvfb, xdotool and import are needed";
    display_ = ":" + std::to_string(90 + getpid() % 400);
    xvfb_ = spawn({"Xvfb", display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {"PATH=/usr/bin:/bin"});
    ASSERT_GT(xvfb_, 0);
    const std::string socket = "/tmp/.X11-unix/X" + display_.substr(1);
    for (int i = 0; i < 200 && !std::filesystem::exists(socket); i++)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(std::filesystem::exists(socket));
  }
  void TearDown() override {
    if (commands_ >= 0)
      close(commands_);
    if (player_ > 0)
      waitExit(player_, 0);
    if (bus_ > 0) {
      kill(bus_, SIGTERM);
      waitExit(bus_, 3000);
    }
    if (xvfb_ > 0) {
      kill(xvfb_, SIGTERM);
      waitExit(xvfb_, 3000);
    }
  }
  std::vector<std::string> Env(const std::string& audio = "dummy") {
    return {"DISPLAY=" + display_,
            "PATH=/usr/bin:/bin",
            "HOME=" + temp_.Path().string(),
            "SONABEL_SETTINGS_FILE=" + (temp_ / "settings.ini"),
            "SDL_VIDEODRIVER=x11",
            "SDL_AUDIODRIVER=" + audio,
            "SDL_DISKAUDIOFILE=" + (temp_ / "audio.raw"),
            "SONABEL_NO_DIALOGS=1",
            "LSAN_OPTIONS=suppressions=" SONABEL_SOURCE_DIR "/tests/app/player_lsan.supp"};
  }
  std::string X(const std::string& args) { return Output("DISPLAY=" + display_ + " " + args + " 2>/dev/null"); }
  // Starts the player and answers its window, or "" when none appeared.
  std::string Start(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {SONABEL_BINARY_DIR "/sonabel"};
    args.insert(args.end(), extra.begin(), extra.end());
    player_ = spawn(args, Env());
    return X("timeout 10 xdotool search --sync --onlyvisible --name '^Sonabel$' | head -1");
  }
  int Stop() {
    kill(player_, SIGTERM);
    const int status = waitExit(player_, 5000);
    player_ = -1;
    return status;
  }
  // The window's pixel at (x, y), as 0xRRGGBB.
  uint32_t Pixel(const std::string& window, int x, int y) {
    const std::string file = temp_ / "window.png";
    X("import -window " + window + " png:" + file);
    ZTools::ZDecodedImage image;
    const std::string png = ReadFile(file);
    if (ZTools::ZDecodePNG(reinterpret_cast<const uint8_t*>(png.data()), png.size(), image) != 0)
      return 0xdeadbeef;
    if (x >= image.width || y >= image.height)
      return 0xdeadbeef;
    return image.pixels[size_t(y) * size_t(image.width) + size_t(x)] & 0xffffff;
  }
  std::string Setting(const std::string& name) {
    std::ifstream in(temp_ / "settings.ini");
    std::string line;
    while (std::getline(in, line))
      if (line.rfind(name + "=", 0) == 0)
        return line.substr(name.size() + 1);
    return "<absent>";
  }
  static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  // Starts a private session bus (stopped in TearDown) and answers its address, "" on failure.
  std::string StartBus() {
    const std::string file = temp_ / "bus.address";
    bus_ = spawn({"sh", "-c", "exec dbus-daemon --session --nofork --print-address=1 > '" + file + "'"},
                 {"PATH=/usr/bin:/bin"});
    std::string address;
    for (int i = 0; i < 200 && address.empty(); i++) {
      Pause(20);
      address = ReadFile(file);
      while (!address.empty() && address.back() == '\n')
        address.pop_back();
    }
    return address;
  }  // The MPRIS player property once it holds `text` (or its last value after 10 s).
  std::string WaitForProperty(const std::string& busAddress, const std::string& property, const std::string& text) {
    const std::string query = "busctl --address='" + busAddress +
                              "' get-property org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 "
                              "org.mpris.MediaPlayer2.Player " +
                              property + " 2>/dev/null";
    std::string value;
    for (int i = 0; i < 200 && value.find(text) == std::string::npos; i++) {
      Pause(50);
      value = Output(query);
    }
    return value;
  }
  // The user's station lists, served by the test server, and the environment of a player on the
  // private bus that finds them: 0 a live station whose title changes every 2 s, 1 a station with
  // two streams of a steady tone, 2 one that answers 404, 3 one that drops the connection.
  std::vector<std::string> StationEnv(audiotest::TestServer& server, const std::string& busAddress,
                                      const std::string& audio = "dummy") {
    const std::filesystem::path lists = temp_.Path() / "data/sonabel/playlists";
    ResourceTest::WriteFile(lists / "A Radio.m3u",
                            "#EXTM3U\n#EXTINF:-1,Live\n" +
                                server.url("/live?file=radio.mp3&titles=First%20Song|Second%20Song&interval=2"
                                           "&burst=1&metaint=4000") +
                                "\n");
    ResourceTest::WriteFile(lists / "B Two Streams.pls",
                            "[playlist]\nFile1=" + server.url("/live?file=radio.mp3&burst=1") +
                                "\nTitle1=Tone\nFile2=" + server.url("/live?file=radio.mp3&burst=1") +
                                "\nTitle2=Tone again\nNumberOfEntries=2\n");
    ResourceTest::WriteFile(lists / "C Broken.m3u", server.url("/status?code=404") + "\n");
    ResourceTest::WriteFile(lists / "D Drops.m3u", server.url("/live?file=radio.mp3&burst=1&drop=1") + "\n");
    std::vector<std::string> env = Env(audio);
    env.push_back("DBUS_SESSION_BUS_ADDRESS=" + busAddress);
    env.push_back("XDG_DATA_HOME=" + (temp_ / "data"));
    return env;
  }
  // The player in a folder of its own (with its engine module and skin package), so the example
  // station lists beside the built program are not among its stations.
  std::string OwnPlayer() {
    const std::filesystem::path own = temp_.Path() / "own";
    if (!std::filesystem::exists(own / "sonabel")) {
      std::filesystem::create_directories(own);
      for (const char* file : {"sonabel", "libsonabel-audio.so", "Resources.zpac"})
        std::filesystem::copy_file(std::filesystem::path(SONABEL_BINARY_DIR) / file, own / file);
    }
    return (own / "sonabel").string();
  }
  // Starts the own player on the default skin, taking commands, and answers its window.
  std::string StartDefault(const std::vector<std::string>& env) {
    if (commands_ >= 0)
      close(commands_);
    player_ = spawn({OwnPlayer(), "--commands"}, env, &commands_, temp_ / "answers");
    return X("timeout 10 xdotool search --sync --onlyvisible --name '^Sonabel$' | head -1");
  }
  void Send(const std::string& line) {
    const std::string text = line + "\n";
    EXPECT_EQ(write(commands_, text.data(), text.size()), ssize_t(text.size()));
  }
  // A parameter's text as the command interface tells it ("" when it does not answer).
  std::string Get(const std::string& name) {
    const size_t before = ReadFile(temp_ / "answers").size();
    Send("get " + name);
    const std::string marker = " " + name + " (";
    for (int i = 0; i < 100; i++) {
      const std::string answers = ReadFile(temp_ / "answers");
      const size_t at = answers.find(marker, before);
      const size_t eq = at == std::string::npos ? at : answers.find(" = ", at);
      const size_t end = eq == std::string::npos ? eq : answers.find('\n', eq);
      if (end != std::string::npos)
        return answers.substr(eq + 3, end - eq - 3);
      Pause(20);
    }
    return "";
  }
  // The parameter's text once it holds `text`, or its last text after `ms`.
  std::string WaitFor(const std::string& name, const std::string& text, int ms = 10000) {
    std::string value;
    for (int waited = 0; waited < ms; waited += 100) {
      value = Get(name);
      if (value.find(text) != std::string::npos)
        break;
      Pause(100);
    }
    return value;
  }
  void Click(const std::string& window, int x, int y, int button = 1) {
    X("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) + " click " +
      std::to_string(button));
    Pause(150);
  }
  std::string Geometry(const std::string& window) { return X("xdotool getwindowgeometry " + window + " | sed -n 3p"); }

  TempFolder temp_;
  std::string display_;
  pid_t xvfb_ = -1, player_ = -1, bus_ = -1;
  int commands_ = -1;
};

// The window buttons, the volume knob, the lists and the surface button of the default skin; a
// restart brings back the window's place, the volume, the station, its stream and the surface.
TEST_F(PlayerWindow, TheDefaultSkinRemembersWhatTheListenerChose) {
  audiotest::TestServer* server = apptest::startRadioServer();
  ASSERT_NE(server, nullptr);
  std::string window = StartDefault(StationEnv(*server, ""));
  ASSERT_FALSE(window.empty()) << "no window";
  EXPECT_EQ(Geometry(window), "  Geometry: 360x100");
  Click(window, 306, 11);  // the full surface: stations, streams, equalizer
  EXPECT_EQ(Geometry(window), "  Geometry: 360x330");
  Click(window, 60, 117 + 17 * 1 + 8);   // the second station ...
  Click(window, 260, 117 + 16 * 1 + 8);  // ... and its second stream
  Click(window, 336, 46, 5);             // three wheel notches down on the volume knob
  Click(window, 336, 46, 5);
  Click(window, 336, 46, 5);
  EXPECT_EQ(Get("entries"), "Tone,Tone again");
  EXPECT_EQ(Get("stationname"), "B Two Streams");
  X("xdotool windowmove " + window + " 100 120");
  Pause(300);
  // The borderless window drags by its body.
  X("xdotool mousemove --window " + window +
    " 150 10 mousedown 1 mousemove_relative --sync 0 20 "
    "mousemove_relative --sync 30 20 mouseup 1");
  Pause(300);
  EXPECT_EQ(Stop(), 0);
  const std::vector<std::pair<std::string, std::string>> chosen = {
      {"volume", "55"}, {"station", "1"}, {"entry", "1"}, {"surface", "1"}};
  for (const auto& [name, value] : chosen)
    EXPECT_EQ(Setting(name), value) << name;
  const std::string place = Setting("windowrect");
  int left = 0, top = 0;
  ASSERT_EQ(std::sscanf(place.c_str(), "%d,%d", &left, &top), 2) << place;
  EXPECT_TRUE(left == 130 && top == 160) << "dragged by 30,40 from 100,120: " << place;

  // The restart shows the full surface where the window was, and stores the same choices again
  // (the skin picks the first stream of a station it is switched to, not of one restored).
  window = StartDefault(StationEnv(*server, ""));
  ASSERT_FALSE(window.empty());
  EXPECT_EQ(X("xdotool getwindowgeometry " + window + " | sed -n 2p"),
            "  Position: " + std::to_string(left) + "," + std::to_string(top) + " (screen: 0)");
  EXPECT_EQ(Geometry(window), "  Geometry: 360x330");
  EXPECT_EQ(Get("entry"), "1");
  Click(window, 306, 11);
  EXPECT_EQ(Geometry(window), "  Geometry: 360x100") << "back to the compact surface";
  Click(window, 326, 11);  // minimise (a bare X server has no window manager to do it)
  X("xdotool windowmap --sync " + window);
  Click(window, 346, 11);  // close
  EXPECT_EQ(waitExit(player_, 5000), 0);
  player_ = -1;
  for (const auto& [name, value] : chosen)
    EXPECT_EQ(Setting(name), name == "surface" ? "0" : value) << name;
  delete server;
}

TEST_F(PlayerWindow, ScreenshotIsWhatTheSkinToolDraws) {
  const std::string shot = temp_ / "shot.png", drawn = temp_ / "drawn.png";
  player_ = spawn({OwnPlayer(), "--screenshot", shot, "--quit-after", "300"}, Env());
  EXPECT_EQ(waitExit(player_, 10000), 0);
  player_ = -1;
  ASSERT_EQ(std::system(("SONABEL_SETTINGS_FILE='" + (temp_ / "tool.ini") +
                         "' '" SONABEL_BINARY_DIR "/sonabel-skin' render '" SONABEL_BINARY_DIR "/Resources.zpac' '" +
                         drawn + "' >/dev/null 2>&1")
                            .c_str()),
            0);
  EXPECT_TRUE(ReadFile(shot) == ReadFile(drawn)) << "the pictures differ: " << shot << " " << drawn;
  EXPECT_EQ(Setting("windowrect").empty(), false) << "quitting after a screenshot saves the settings";
}

TEST_F(PlayerWindow, WatchedSkinRebuildsAndABrokenOneKeepsTheOld) {
  const std::filesystem::path skin = temp_.Path() / "skin";
  std::filesystem::create_directories(skin);
  for (const auto& file : std::filesystem::directory_iterator(SONABEL_SOURCE_DIR "/skins/default"))
    std::filesystem::copy_file(file.path(), skin / file.path().filename());
  std::string window = Start({(skin / "main.zml").string(), "--watch", "--scale", "2"});
  ASSERT_FALSE(window.empty());
  // Twice the size on screen; pixels come in 2 x 2 blocks.
  EXPECT_EQ(Geometry(window), "  Geometry: 720x200");
  Pause(300);
  const uint32_t body = Pixel(window, 2 * 160, 2 * 10);
  EXPECT_NE(body, 0xff0000u);
  EXPECT_EQ(Pixel(window, 2 * 160 + 1, 2 * 10 + 1), body);

  std::string markup = ReadFile((skin / "main.zml").string());
  const std::string brand = "<statictext pos='10,4' size='120,14' text='SONABEL'";
  markup.replace(markup.find(brand), 0, "<colorbox pos='150,4' size='20,12' color='#ff0000'/>");
  ResourceTest::WriteFile(skin / "main.zml", markup);
  Pause(1500);
  EXPECT_EQ(Pixel(window, 2 * 160, 2 * 10), 0xff0000u) << "rebuilt with a red box";
  ResourceTest::WriteFile(skin / "main.zml", "<zml><surfaces>");
  Pause(1500);
  EXPECT_EQ(Pixel(window, 2 * 160, 2 * 10), 0xff0000u) << "a skin that does not build leaves the old one";
  EXPECT_EQ(Stop(), 0);
  EXPECT_EQ(Setting("scale"), "2") << "the scale is remembered";
}

TEST_F(PlayerWindow, NewerSkinVersionAndAPositionOnNoDisplay) {
  const std::filesystem::path skin = temp_.Path() / "newer";
  ResourceTest::WriteFile(skin / "main.zml",
                          "<zml><const name='version' value='0.81'/><const name='initialwindowsize' value='64,32'/>"
                          "<surfaces><surface><views><colorbox size='64,32' color='#204060'/></views></surface>"
                          "</surfaces></zml>");
  ResourceTest::WriteFile(temp_.Path() / "settings.ini",
                          "[Software/Sonabel/sonabel]\narchive=/somewhere/else.zpac\nwindowrect=5000,5000,5064,5032\n");
  std::string command;
  for (const std::string& e : Env())
    command += e + " ";
  command += "'" SONABEL_BINARY_DIR "/sonabel' '" + (skin / "main.zml").string() + "' --screenshot '" +
             (temp_ / "s.png") + "' --quit-after 200 2>'" + (temp_ / "err") + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_NE(ReadFile(temp_ / "err")
                .find("[Sonabel - Invalid skin version]\nThe specified skin file appears to be for "
                      "a newer version of Sonabel."),
            std::string::npos)
      << ReadFile(temp_ / "err");
  EXPECT_EQ(Setting("archive"), "") << "the next start uses the default skin";
  // The stored place was on no display: the window was centred, and that place is saved now.
  EXPECT_EQ(Setting("windowrect"), "480,368,544,400");
}

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
    for (const std::string& e : Env())
      command += e + " ";
    command += "'" + program + "' '" + (temp_ / "skin/main.zml") + "' --screenshot '" + (temp_ / "s.png") +
               "' --quit-after 100 2>'" + (temp_ / "err") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << program;
    const bool alone_ = program == alone + "/sonabel";
    EXPECT_EQ(Setting("engine"), alone_ ? "0 37" : "1 0") << program;
    EXPECT_EQ(ReadFile(temp_ / "err").find("the audio engine is not available") != std::string::npos, alone_);
  }
}

// What the skin says is playing appears on the desktop's media-player bus (a private
// dbus-daemon here), and the desktop's Play/Pause reaches the skin's MediaKey hook.
TEST_F(PlayerWindow, NowPlayingOnTheBusAndMediaKeysInTheSkin) {
  if (Output("for p in dbus-daemon busctl; do command -v $p; done | wc -l") != "2")
    GTEST_SKIP() << "dbus-daemon and busctl are needed";
  const std::string address = StartBus();
  ASSERT_FALSE(address.empty());
  ResourceTest::WriteFile(
      temp_.Path() / "skin/main.zml",
      "<zml><scripts><script text='import Sonabel;\n"
      "function Open(Application app) { Sonabel::SetNowPlaying(\"Artist – Song\"); }\n"
      "function MediaKey(Application app, const string key) { Sonabel::StoreSetting(\"key\", key); }"
      "'/></scripts><surfaces><surface><views><colorbox size='40,20' color='#204060'/></views>"
      "</surface></surfaces></zml>");
  std::vector<std::string> env = Env();
  env.push_back("DBUS_SESSION_BUS_ADDRESS=" + address);
  player_ = spawn({SONABEL_BINARY_DIR "/sonabel", (temp_ / "skin/main.zml")}, env);
  const std::string busctl = "busctl --address='" + address + "' ";
  std::string metadata;
  for (int i = 0; i < 100 && metadata.find("Artist") == std::string::npos; i++) {
    Pause(50);
    metadata = Output(busctl +
                      "get-property org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 "
                      "org.mpris.MediaPlayer2.Player Metadata 2>/dev/null");
  }
  // (busctl writes bytes beyond ASCII as octal escapes: the en dash is \342\200\223.)
  EXPECT_NE(metadata.find("\"xesam:title\" s \"Artist \\342\\200\\223 Song\""), std::string::npos) << metadata;
  EXPECT_EQ(Output(busctl + "get-property org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 "
                            "org.mpris.MediaPlayer2.Player PlaybackStatus"),
            "s \"Playing\"");
  Output(busctl +
         "call org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player PlayPause");
  Pause(300);
  EXPECT_EQ(Stop(), 0);
  EXPECT_EQ(Setting("key"), "PlayPause");
}

// A click on play plays the first station: its title shows on the display and on the desktop's
// media-player bus and follows the stream; the desktop's Play/Pause stops and plays; space plays
// and stops; Esc closes the player.
TEST_F(PlayerWindow, TheDefaultSkinPlaysAStationAndShowsItsTitle) {
  if (Output("for p in dbus-daemon busctl; do command -v $p; done | wc -l") != "2")
    GTEST_SKIP() << "dbus-daemon and busctl are needed";
  audiotest::TestServer* server = apptest::startRadioServer();
  ASSERT_NE(server, nullptr);
  const std::string address = StartBus();
  ASSERT_FALSE(address.empty());
  std::vector<std::string> env = StationEnv(*server, address);
  env.push_back("SONABEL_AUDIO_DEVICE=0");
  const std::string window = StartDefault(env);
  ASSERT_FALSE(window.empty());
  EXPECT_EQ(Get("stations"), "A Radio,B Two Streams,C Broken,D Drops");
  Click(window, 294, 46);
  EXPECT_EQ(WaitFor("nowplaying", "First Song"), "First Song");
  EXPECT_EQ(Get("status"), "Playing");
  EXPECT_NE(WaitForProperty(address, "Metadata", "First Song").find("\"xesam:title\" s \"A Radio - First Song\""),
            std::string::npos);
  EXPECT_EQ(WaitFor("nowplaying", "Second Song"), "Second Song") << "the title follows the stream";

  const std::string busctl = "busctl --address='" + address +
                             "' call org.mpris.MediaPlayer2.sonabel /org/mpris/MediaPlayer2 "
                             "org.mpris.MediaPlayer2.Player PlayPause";
  Output(busctl);
  EXPECT_EQ(WaitForProperty(address, "PlaybackStatus", "Stopped"), "s \"Stopped\"");
  EXPECT_EQ(Get("status"), "Stopped");
  // Hidden (a bare X server cannot minimise), the player still answers the desktop and plays.
  X("xdotool windowunmap --sync " + window);
  Output(busctl);
  EXPECT_EQ(WaitForProperty(address, "PlaybackStatus", "Playing"), "s \"Playing\"");
  X("xdotool windowmap --sync " + window);
  X("xdotool key --window " + window + " space");
  EXPECT_EQ(WaitFor("status", "Stopped"), "Stopped");
  X("xdotool key --window " + window + " Escape");
  EXPECT_EQ(waitExit(player_, 5000), 0);
  player_ = -1;
  delete server;
}

// A station that answers 404 says so in words and tries again after 1, 2 and 4 s; one that drops
// the connection says the stream ended and plays again by itself; stopping ends the tries.
TEST_F(PlayerWindow, TheDefaultSkinSaysWhyAStationFailsAndReconnects) {
  audiotest::TestServer* server = apptest::startRadioServer();
  ASSERT_NE(server, nullptr);
  std::vector<std::string> env = StationEnv(*server, "");
  env.push_back("SONABEL_AUDIO_DEVICE=0");
  ASSERT_FALSE(StartDefault(env).empty());
  Send("set station 2");
  Send("set playing 1");
  EXPECT_EQ(WaitFor("status", "Reconnecting in 1 s"), "Reconnecting in 1 s");
  EXPECT_EQ(Get("nowplaying"), "The station could not be reached or refused the stream");
  EXPECT_EQ(Get("statuskind"), "3");
  for (const char* wait : {"Reconnecting in 2 s", "Reconnecting in 4 s"})
    EXPECT_EQ(WaitFor("status", wait, 6000), wait);

  Send("set station 3");
  EXPECT_EQ(WaitFor("status", "Playing"), "Playing") << "another station ends the tries";
  EXPECT_EQ(WaitFor("status", "Reconnecting in 1 s"), "Reconnecting in 1 s");
  EXPECT_EQ(Get("nowplaying"), "The stream has ended");
  EXPECT_EQ(WaitFor("status", "Playing"), "Playing") << "connected again by itself";
  Send("set playing 0");
  EXPECT_EQ(WaitFor("status", "Stopped"), "Stopped");
  EXPECT_EQ(Get("nowplaying"), "");
  EXPECT_EQ(Stop(), 0);
  delete server;
}

// The equalizer's middle band, turned down with the wheel on its knob, makes a 440 Hz tone
// quieter in what the player writes to SDL's disk audio driver (32-bit floats).
TEST_F(PlayerWindow, TheEqualizerKnobsChangeTheSound) {
  audiotest::TestServer* server = apptest::startRadioServer();
  ASSERT_NE(server, nullptr);
  const std::string window = StartDefault(StationEnv(*server, "", "disk"));
  ASSERT_FALSE(window.empty());
  Send("set volume 100");
  Send("set station 1");
  Send("set playing 1");
  ASSERT_EQ(WaitFor("status", "Playing"), "Playing");
  // The level of the last half second written.
  auto level = [&] {
    Pause(1500);
    const std::string raw = ReadFile(temp_ / "audio.raw");
    const size_t count = std::min<size_t>(raw.size() / sizeof(float), 44100);
    double sum = 0;
    for (size_t i = raw.size() / sizeof(float) - count; i < raw.size() / sizeof(float); i++) {
      float v;
      std::memcpy(&v, raw.data() + i * sizeof(float), sizeof v);
      sum += double(v) * v;
    }
    return count ? std::sqrt(sum / double(count)) : 0.0;
  };
  const double flat = level();
  EXPECT_GT(flat, 0.03) << "the tone plays";
  Click(window, 306, 11);
  for (int i = 0; i < 12; i++)
    X("xdotool mousemove --window " + window + " 280 230 click 5");
  EXPECT_EQ(WaitFor("mid", "-12"), "-12.0");
  const double cut = level();
  EXPECT_LT(cut, flat * 0.75) << flat << " -> " << cut;
  Click(window, 280, 301);  // "Flat"
  EXPECT_EQ(Get("mid"), "+0.0");
  EXPECT_NEAR(level(), flat, flat * 0.1);
  EXPECT_EQ(Stop(), 0);
  delete server;
}

}  // namespace
