// The default skin's radio module against the test radio server, through the player's pane
// manager: a station plays, a missing one is named in words and tried again on the schedule, a
// dropped connection is made again by itself, and stopping stops.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "app/mypanemanager.h"
#include "audio/bass.h"
#include "platform/clock.h"
#include "tests/app/app_test_support.h"
#include "tests/audio/audio_test_support.h"
#include "tests/ztools/resourcetestfiles.h"
#include "ztools/base/zresourcesource.h"
#include "ztools/zparameter.h"

namespace ZTools {
namespace {

using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

constexpr const char* kSkin =
    "<zml><parameters><string name='url'/><string name='status'/></parameters><scripts><script text='"
    "import Application; import Bass; import radio;\n"
    "Radio r = new Radio();\n"
    "function Open(Application app) { Bass::Init(); }\n"
    "function Idle(Application app) {\n"
    "  if (r.Tick() != 0) app.SetParameter(\"status\", r.Status() + \" / \" + r.Failure()); }\n"
    "function ParameterChanged(Application app, Parameter p) {\n"
    "  if (p.GetName() != \"url\") return;\n"
    "  if (p.stringValue == \"\") r.Stop(); else r.Play(p.stringValue);\n"
    "  app.SetParameter(\"status\", r.Status() + \" / \" + r.Failure()); }\n"
    "'/></scripts><surfaces><surface><views><view size='10,10'/></views></surface></surfaces></zml>";

TEST(RadioModule, PlaysNamesFailuresInWordsAndReconnectsOnSchedule) {
  audiotest::TestServer* server = apptest::startRadioServer();
  ASSERT_NE(server, nullptr);
  TempFolder temp;
  setenv("SONABEL_SETTINGS_FILE", (temp.Path() / "settings.ini").c_str(), 1);
  setenv("SONABEL_AUDIO_DEVICE", "0", 1);
  std::filesystem::create_directories(temp.Path() / "skin");
  std::filesystem::copy_file(SONABEL_SOURCE_DIR "/skins/default/radio.zc", temp.Path() / "skin/radio.zc");
  WriteFile(temp.Path() / "skin/main.zml", kSkin);
  ZSetResourceSource(ZResourceSource::OpenFolder((temp.Path() / "skin").c_str()));
  {
    MyPaneManager m({}, false);
    ASSERT_EQ(m.Initialize(), 0);
    ASSERT_EQ(m.LoadSkin("main.zml"), 0);
    ASSERT_EQ(m.Create(), 0);
    ASSERT_EQ(m.Open(), 0);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
    BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 1000);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 50);
    ZParameter* url = m.FindParameter("url");
    auto status = [&] {
      return std::string(m.FindParameter("status")->GetStringValue().c_str());
    };
    // Idles the manager as the window would until the status says `want`.
    auto reach = [&](const std::string& want, int ms) {
      for (int waited = 0; waited < ms && status().find(want) == std::string::npos; waited += 20) {
        m.Idle(Platform::NowMs());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      return status().find(want) != std::string::npos;
    };

    m.SetParameterText(url, server->url("/live?file=radio.mp3&titles=A&burst=1").c_str());
    EXPECT_EQ(status(), "Connecting... / ");
    EXPECT_TRUE(reach("Playing", 5000)) << status();

    m.SetParameterText(url, server->url("/status?code=404").c_str());
    EXPECT_TRUE(reach("Reconnecting in 1 s / The station could not be reached or refused the stream", 5000))
        << status();
    EXPECT_TRUE(reach("Reconnecting in 2 s", 4000)) << "the second wait is longer: " << status();

    m.SetParameterText(url, server->url("/live?file=radio.mp3&burst=1&drop=0.3").c_str());
    EXPECT_TRUE(reach("Playing", 5000)) << status();
    EXPECT_TRUE(reach("Reconnecting in 1 s / The stream has ended", 5000)) << status();
    EXPECT_TRUE(reach("Playing", 5000)) << "connected again by itself: " << status();

    m.SetParameterText(url, "");
    EXPECT_EQ(status(), "Stopped / ");
  }
  ZCloseResourceSource();
  unsetenv("SONABEL_AUDIO_DEVICE");
  unsetenv("SONABEL_SETTINGS_FILE");
  delete server;
}

}  // namespace
}  // namespace ZTools
