// The `bitmap` and `icon` tags through the real markup host: registration, the build with
// defaults in declaration order, loading in `extended` mode, and the errors a skin author sees.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "bitmap_test_images.h"
#include "platform/dialog.h"
#include "zml/zmlscripthost.h"
#include "ztools/zbitmapmarkup.h"

namespace ZTools {
namespace {

class BitmapMarkup : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sonabel_markup_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    // A 2 x 2 24-bit BMP.
    auto bmp = TestImages::MakeBMP(2, 2, 24, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 1, 2, 3, 0, 0});
    std::ofstream((dir_ / "strip.bmp").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), std::streamsize(bmp.size()));
    ASSERT_EQ(host_.Initialize(), 0);
    ASSERT_EQ(RegisterBitmapMarkupTypes(host_), 0);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string File(const char* name) const { return (dir_ / name).string(); }

  template <typename T>
  T* Object(const char* interfaceName, const char* name) {
    IEventListener* object = nullptr;
    if (host_.GetObject(interfaceName, name, &object) != 0)
      return nullptr;
    return dynamic_cast<T*>(object);
  }

  Platform::DialogCapture boxes_;
  ZMLScriptHost host_;
  std::filesystem::path dir_;
};

TEST_F(BitmapMarkup, BitmapsAndIconsBuildFromMarkup) {
  const std::string doc = "<zml><bitmap name='strip' mode='extended' file='" + File("strip.bmp") +
                          "' hitthreshold='300'/><bitmap name='blank' size='3,2' fill='rgb:1,2,3'/>"
                          "<icon name='knob' bitmap='strip' size='1,1' pressed='1,0' hovergamma='3'/></zml>";
  ASSERT_EQ(host_.ParseText(doc), 0) << (boxes_.Boxes().empty() ? "" : boxes_.Boxes().back().text);

  auto* strip = Object<ZMLBitmap>("interface_zmlbitmap", "strip");
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->GetMode(), kBitmapModePixels) << "a BMP in extended mode has no alpha plane";
  EXPECT_EQ(strip->threshold, 255);
  EXPECT_TRUE(strip->HitAt({1, 1}));
  auto* blank = Object<ZMLBitmap>("interface_zmlbitmap", "blank");
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(blank->GetMode(), kBitmapModeScreen) << "the default mode is normal";
  EXPECT_EQ(blank->GetPixels()[5], ZColor(1, 2, 3).ToPixel());

  auto* knob = Object<ZMLIcon>("interface_zmlicon", "knob");
  ASSERT_NE(knob, nullptr);
  EXPECT_EQ(knob->GetBitmap(), strip);
  EXPECT_EQ(knob->hoverGamma, 64);
  ZPoint p;
  ASSERT_EQ(knob->GetStatePosition(kIconStateHoverPressed, p), 0);
  EXPECT_EQ(p, ZPoint(1, 0));
  ASSERT_EQ(knob->GetStatePosition(kIconStateHover, p), 0);
  EXPECT_EQ(p, ZPoint(0, 0)) << "source defaults to 0,0";
  EXPECT_EQ(host_.Teardown(), 0);
}

TEST_F(BitmapMarkup, SkinErrorsCarryTheirCodes) {
  const struct {
    std::string text;
    int32_t code;
  } cases[] = {
      {"<zml><bitmap file='skin.gif'/></zml>", -9},
      {"<zml><bitmap file='" + File("missing.bmp") + "'/></zml>", -6},
      {"<zml><bitmap mode='alpha'/></zml>", -1038},
      {"<zml><bitmap fill='red'/></zml>", -1038},
      {"<zml><bitmap colour='red'/></zml>", -1029},
      {"<zml><bitmap name='b2' size='2,2'/><icon bitmap='nothing' size='1,1'/></zml>", -14},
      {"<zml><icon bitmap='b2' size='1,1' hovergamma='much'/></zml>", -1038},
      {"<zml><icon size='1,1'/></zml>", -1035},
  };
  for (const auto& c : cases) {
    boxes_.Clear();
    EXPECT_EQ(host_.ParseText(c.text), c.code) << c.text;
    EXPECT_FALSE(boxes_.Boxes().empty()) << "the author is told: " << c.text;
  }
}

}  // namespace
}  // namespace ZTools
