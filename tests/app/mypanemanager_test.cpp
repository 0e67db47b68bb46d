// The player's pane manager: stations from two playlist folders reach the script's AddStation
// in order before its Create hook, the remembered parameters survive a restart, and media keys
// reach the script.
#include <gtest/gtest.h>

#include "app/mypanemanager.h"
#include "tests/ztools/resourcetestfiles.h"
#include "ztools/zparameter.h"

namespace ZTools {
namespace {

using ResourceTest::TempFolder;
using ResourceTest::WriteFile;

constexpr const char* kSkin =
    "<zml><parameters><string name='trace'/><float name='volume' range='0,100' value='50'/>"
    "<float name='station' range='0,100'/></parameters><scripts><script text='"
    "import Application;\n"
    "string t = \"\";\n"
    "function Note(Application app, string s) { t = t + s + \";\"; app.SetParameter(\"trace\", t); }\n"
    "function AddStation(Application app, const string name, const string[] titles, const string[] urls) {\n"
    "  Note(app, name + \"=\" + titles.length() + \":\" + titles[0] + \"@\" + urls[0]); }\n"
    "function Create(Application app) { Note(app, \"create\"); }\n"
    "function MediaKey(Application app, const string key) { Note(app, \"key \" + key); }\n"
    "'/></scripts></zml>";

class MyPaneManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SONABEL_SETTINGS_FILE", (temp_ / "settings.ini").c_str(), 1); }
  void TearDown() override { unsetenv("SONABEL_SETTINGS_FILE"); }
  std::unique_ptr<MyPaneManager> Build() {
    auto m = std::make_unique<MyPaneManager>(
        std::vector<std::filesystem::path>{temp_.Path() / "beside", temp_.Path() / "user", temp_.Path() / "none"});
    EXPECT_EQ(m->Initialize(), 0);
    EXPECT_EQ(m->LoadSkinText(kSkin), 0);
    EXPECT_EQ(m->Create(), 0);
    return m;
  }
  std::string Trace(MyPaneManager& m) { return m.FindParameter("trace")->GetStringValue().CStr(); }
  TempFolder temp_;
};

TEST_F(MyPaneManagerTest, StationsParametersAndMediaKeys) {
  WriteFile(temp_.Path() / "beside/b.pls", "[playlist]\nFile1=http://b/One\nTitle1=B One\nNumberOfEntries=1\n");
  WriteFile(temp_.Path() / "beside/a.m3u", "#EXTM3U\n#EXTINF:-1,A One\nhttp://a/1\nhttp://a/2\n");
  WriteFile(temp_.Path() / "user/c.pls", "[playlist]\nFile1=http://c/\nNumberOfEntries=1\n");
  auto m = Build();
  EXPECT_EQ(Trace(*m), "a=2:A One@http://a/1;b=1:B One@http://b/One;c=1:c@http://c/;create;");
  EXPECT_EQ(m->StationsAdded(), 3u);
  EXPECT_TRUE(m->MediaKey("PlayPause"));
  EXPECT_EQ(Trace(*m).substr(Trace(*m).size() - 14), "key PlayPause;");

  m->FindParameter("volume")->SetStringValue("17");
  m->FindParameter("station")->SetStringValue("2");
  m->Teardown();
  m = Build();
  EXPECT_NEAR(m->FindParameter("volume")->GetFloatValue(), 17.0, 1e-6);
  EXPECT_NEAR(m->FindParameter("station")->GetFloatValue(), 2.0, 1e-6);
}

}  // namespace
}  // namespace ZTools
