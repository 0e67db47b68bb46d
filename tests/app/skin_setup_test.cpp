// Before the window opens: the skin's window constants, the stored window position and the
// choice of the skin source with good, damaged and missing packages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/settings_store.h"
#include "app/skin_constants.h"
#include "app/skin_selection.h"
#include "tests/ztools/resourcetestfiles.h"

namespace ZTools {
namespace {

TEST(SkinConstants, SizesStylesAndVersions) {
  const struct {
    const char* text;
    bool ok;
    int32_t w, h;
  } sizes[] = {{"320,200", true, 320, 200}, {" 1 , 32000 ", true, 1, 32000},
               {"0,10", false, 0, 0},       {"32001,5", false, 0, 0},
               {"320", false, 0, 0},        {"a,b", false, 0, 0},
               {"-5,5", false, 0, 0},       {"99999999999,1", false, 0, 0}};
  for (const auto& s : sizes) {
    const auto p = ParseWindowSize(s.text);
    EXPECT_EQ(p.has_value(), s.ok) << s.text;
    if (p) {
      EXPECT_EQ(*p, ZPoint(s.w, s.h)) << s.text;
    }
  }
  const struct {
    const char* text;
    int32_t style;
  } styles[] = {{"default", 1},     {"Resizable", 1},   {"NoMaximize", 2}, {"NoResize", 3},
                {" invisible ", 4}, {"TRANSLUCENT", 5}, {"fancy", 0}};
  for (const auto& s : styles)
    EXPECT_EQ(ParseWindowStyle(s.text), s.style) << s.text;
  const struct {
    const char* text;
    bool newer;
  } versions[] = {{"0.8", false}, {"0.80", false}, {"0.7", false},  {"0.81", true}, {"0.9", true},
                  {"1", true},    {"1.0", true},   {"00.8", false}, {"x", false},   {"0.8.1", false}};
  for (const auto& v : versions)
    EXPECT_EQ(IsNewerThanPlayer(v.text), v.newer) << v.text;
}

TEST(SkinConstants, ClampsSizesAndSettlesTheStyle) {
  const struct {
    ZRect min, max, initial;
    int32_t style, wantStyle;
    ZRect wantMax, wantInitial;
  } rows[] = {
      // A maximum below the minimum is raised; equal limits make a fixed window.
      {{0, 0, 300, 100}, {0, 0, 200, 50}, {0, 0, 250, 80}, 1, 3, {0, 0, 300, 100}, {0, 0, 300, 100}},
      {{0, 0, 100, 100}, {0, 0, 640, 480}, {0, 0, 800, 50}, 1, 2, {0, 0, 640, 480}, {0, 0, 640, 100}},
      {{0, 0, 100, 100}, {0, 0, 32000, 32000}, {0, 0, 200, 200}, 1, 1, {0, 0, 32000, 32000}, {0, 0, 200, 200}},
      {{0, 0, 100, 100}, {0, 0, 640, 480}, {0, 0, 200, 200}, 4, 4, {0, 0, 640, 480}, {0, 0, 200, 200}},
  };
  for (const auto& r : rows) {
    SkinWindow w;
    w.minimum = r.min, w.maximum = r.max, w.initial = r.initial, w.style = r.style;
    ResolveSkinWindow(w);
    EXPECT_EQ(w.style, r.wantStyle);
    EXPECT_EQ(w.maximum, r.wantMax);
    EXPECT_EQ(w.initial, r.wantInitial);
  }
  for (const char* bad : {"10,20,500", "10,20,500,400,1", "10,20,x,400", ""})
    EXPECT_FALSE(ParseWindowRect(bad)) << bad;
  EXPECT_EQ(ParseWindowRect("10,20,500,400"), ZRect(10, 20, 500, 400));
}

class SkinSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SONABEL_SETTINGS_FILE", (temp_ / "settings.ini").c_str(), 1);
    ResourceTest::WriteFile(temp_.Path() / "program/Resources/main.zml", "<zml/>");
    ResourceTest::WriteFile(temp_.Path() / "content/main.zml", "<zml/>");
    ResourceTest::MakePackage(temp_.Path() / "content", temp_ / "good.zpac", "-m0=LZMA");
    ResourceTest::WriteFile(temp_.Path() / "bad.zpac", "not a package at all");
    ResourceTest::WriteFile(temp_.Path() / "skins/own/skin.zml", "<zml/>");
    where_ = {temp_.Path().string(), (temp_.Path() / "program").string(), ""};
  }
  void TearDown() override { unsetenv("SONABEL_SETTINGS_FILE"); }
  std::string Setting(const char* name) {
    ZString value("<absent>");
    ReadFromRegistry(value, SettingKey(name));
    return value.CStr();
  }
  ResourceTest::TempFolder temp_;
  SkinSearch where_;
};

TEST_F(SkinSelectionTest, ArgumentsSettingsAndFallBacks) {
  // Nothing given: the default skin beside the program.
  SkinSelection s = SelectSkin({}, where_);
  ASSERT_TRUE(s.source);
  EXPECT_FALSE(s.source->IsArchive());
  // A package named relative to the start folder is stored with its full path and used.
  StoreToRegistry(ZString("10,10,50,50"), SettingKey("windowrect"));
  s = SelectSkin({"good.zpac"}, where_);
  ASSERT_TRUE(s.source);
  EXPECT_TRUE(s.source->IsArchive());
  EXPECT_EQ(Setting("archive"), (temp_.Path() / "good.zpac").string());
  EXPECT_EQ(Setting("windowrect"), "");
  // ... and remembered for the next start.
  s = SelectSkin({}, where_);
  EXPECT_TRUE(s.source && s.source->IsArchive());
  // A markup file: its folder is the skin, the stored package is not consulted.
  s = SelectSkin({"skins/own/skin.zml"}, where_);
  ASSERT_TRUE(s.source);
  EXPECT_EQ(s.file, "skin.zml");
  EXPECT_FALSE(s.source->IsArchive());
  // A damaged or missing package: the default skin, and the setting is forgotten.
  for (const char* broken : {"bad.zpac", "missing.zpac"}) {
    s = SelectSkin({broken}, where_);
    ASSERT_TRUE(s.source) << broken;
    EXPECT_FALSE(s.source->IsArchive()) << broken;
    EXPECT_EQ(Setting("archive"), "") << broken;
  }
}

}  // namespace
}  // namespace ZTools
