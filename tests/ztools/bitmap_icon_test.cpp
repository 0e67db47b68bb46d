// Icons and the markup objects `bitmap` and `icon`: state fallbacks, hit testing, hover gamma,
// property values and their errors, and the bitmap-icon link in either order of destruction.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "zml/zmlparser.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zicon.h"

namespace ZTools {
namespace {

// Just enough of a markup host for the icon's bitmap look-up.
class FakeHost : public ZMLParser {
 public:
  std::map<std::string, std::pair<std::string, IEventListener*>> objects;  // name -> interface, object

  int32_t Initialize() override { return 0; }
  int32_t RegisterType(ZMLObjectFactory factory) override {
    prototypes.emplace_back(factory());
    return 0;
  }
  int32_t ParseText(std::string_view) override { return 0; }
  int32_t ParseFile(std::string_view) override { return 0; }
  int32_t GetObject(std::string_view interfaceName, std::string_view name, IEventListener** object) override {
    auto it = objects.find(std::string(name));
    if (it == objects.end())
      return -1027;
    if (it->second.first != interfaceName)
      return -1047;
    *object = it->second.second;
    return 0;
  }
  ZMLNode* FindByPath(std::string_view, ZMLNode*) override { return nullptr; }
  int32_t DefineVariable(std::string_view, std::string_view, bool) override { return 0; }
  const ZString* GetVariable(std::string_view) const override { return nullptr; }

  std::vector<std::unique_ptr<IEventListener>> prototypes;
};

TEST(BitmapIcon, StatesFallBackAndAnUnsetNormalStateFails) {
  ZIcon icon;
  ZPoint p;
  EXPECT_EQ(icon.GetStatePosition(kIconStateHover, p), -6);
  icon.SetStatePosition(kIconStateNormal, {0, 0});
  for (int s = 0; s < kIconStateCount; ++s) {
    ASSERT_EQ(icon.GetStatePosition(s, p), 0) << s;
    EXPECT_EQ(p, ZPoint(0, 0)) << "only the normal image: every state draws it, state " << s;
  }
  icon.SetStatePosition(kIconStatePressed, {10, 0});
  icon.SetStatePosition(kIconStateSelected, {20, 0});
  const ZPoint expected[kIconStateCount] = {{0, 0},  {0, 0}, {10, 0}, {20, 0}, {10, 0},
                                            {20, 0}, {0, 0}, {10, 0}, {20, 0}};
  for (int s = 0; s < kIconStateCount; ++s) {
    ASSERT_EQ(icon.GetStatePosition(s, p), 0);
    EXPECT_EQ(p, expected[s]) << "state " << s;
  }
  EXPECT_EQ(icon.GetStatePosition(9, p), -4);
  EXPECT_EQ(icon.GetStatePosition(-1, p), -4);
}

TEST(BitmapIcon, HitTestingUsesTheStateImageAndTheIconSize) {
  ZBitmap strip;
  ASSERT_EQ(strip.Create(8, 4, kBitmapModeAlpha), 0);
  strip.Fill(ZColor(1, 1, 1));
  for (int y = 0; y < 4; ++y)
    strip.GetAlphaPlane()[y * 8 + 4] = 0;  // hover image: left column clear
  strip.threshold = 1;
  ZIcon icon;
  icon.SetBitmap(&strip);
  icon.SetSize(4, 4);
  icon.SetStatePosition(kIconStateNormal, {0, 0});
  icon.SetStatePosition(kIconStateHover, {4, 0});
  EXPECT_TRUE(icon.HitAt(kIconStateNormal, {0, 1}));
  EXPECT_FALSE(icon.HitAt(kIconStateHover, {0, 1}));
  EXPECT_TRUE(icon.HitAt(kIconStateHover, {1, 1}));
  EXPECT_FALSE(icon.HitAt(kIconStateNormal, {4, 0})) << "outside the icon size";
  EXPECT_FALSE(icon.HitAt(kIconStateNormal, {-1, 0}));
  icon.SetBitmap(nullptr);
  EXPECT_FALSE(icon.HitAt(kIconStateNormal, {0, 0}));
}

TEST(BitmapIcon, HoverGammaClampsAndAppliesOnlyToHoveredStates) {
  EXPECT_EQ(ZMLIcon::HoverGammaAmount(3), 64);
  EXPECT_EQ(ZMLIcon::HoverGammaAmount(2), 64);
  EXPECT_EQ(ZMLIcon::HoverGammaAmount(0.1), 255);
  EXPECT_EQ(ZMLIcon::HoverGammaAmount(0.5), 255);
  EXPECT_EQ(ZMLIcon::HoverGammaAmount(1), 128);

  ZBitmap bm;
  ASSERT_EQ(bm.Create(1, 1, kBitmapModePixels), 0);
  bm.Fill(ZColor(100, 100, 100));
  ZIcon icon;
  icon.SetBitmap(&bm);
  icon.SetSize(1, 1);
  icon.SetStatePosition(kIconStateNormal, {0, 0});
  ZDrawContext dc;
  ASSERT_EQ(dc.Resize(1, 1), 0);
  auto drawn = [&](int state, int gamma) {
    icon.hoverGamma = gamma;
    dc.Fill(ZColor(0, 0, 0));
    EXPECT_EQ(icon.Draw(dc, state, {0, 0}), 0);
    return int(dc.GetPixel({0, 0}) & 255);
  };
  EXPECT_EQ(drawn(kIconStateNormal, 255), 100);
  EXPECT_EQ(drawn(kIconStateHover, 128), 100) << "amount 128 draws a hovered image unchanged";
  EXPECT_GT(drawn(kIconStateHover, 255), 100) << "gamma 0.5 brightens";
  EXPECT_LT(drawn(kIconStateHoverPressed, 64), 100) << "gamma 2 darkens";
  EXPECT_EQ(dc.GetBlendMode(), kBlendOpaque) << "the context's mode is restored";

  ZIcon bare;
  EXPECT_EQ(bare.Draw(dc, kIconStateNormal, {0, 0}), -6);
  bare.SetStatePosition(kIconStateNormal, {0, 0});
  EXPECT_EQ(bare.Draw(dc, kIconStateNormal, {0, 0}), -13);
}

TEST(BitmapIcon, MarkupPropertiesAndTheirErrors) {
  FakeHost host;
  ASSERT_EQ(RegisterBitmapMarkupTypes(host), 0);
  ASSERT_EQ(host.prototypes.size(), 2u);
  EXPECT_NE(dynamic_cast<ZMLBitmap*>(host.prototypes[0].get()), nullptr);
  EXPECT_NE(dynamic_cast<ZMLIcon*>(host.prototypes[1].get()), nullptr);

  ZMLBitmap bitmap;
  EXPECT_EQ(bitmap.SetProperty("mode", "Extended"), 0);
  EXPECT_EQ(bitmap.LoadMode(), kBitmapModePixels);
  EXPECT_EQ(bitmap.SetProperty("mode", "alpha"), -1038);
  EXPECT_EQ(bitmap.SetProperty("size", "6, 4"), 0);
  EXPECT_EQ(bitmap.Width(), 6);
  EXPECT_EQ(bitmap.GetMode(), kBitmapModePixels);
  EXPECT_EQ(bitmap.SetProperty("fill", "#FF8000"), 0);
  EXPECT_EQ(bitmap.GetPixels()[23], ZColor(255, 128, 0).ToPixel());
  EXPECT_EQ(bitmap.SetProperty("fill", "orange"), -1038);
  EXPECT_EQ(bitmap.SetProperty("hitthreshold", "300"), 0);
  EXPECT_EQ(bitmap.threshold, 255);
  EXPECT_EQ(bitmap.SetProperty("hitthreshold", "-4"), 0);
  EXPECT_EQ(bitmap.threshold, 0);
  EXPECT_EQ(bitmap.SetProperty("hitthreshold", "x"), -1038);
  EXPECT_EQ(bitmap.SetProperty("size", "6"), -1038);
  EXPECT_EQ(bitmap.SetProperty("file", "skin.gif"), -9);
  EXPECT_EQ(bitmap.SetProperty("id", "101"), -6);
  EXPECT_EQ(bitmap.SetProperty("colour", "1"), -1029);

  ZMLBitmap other;
  host.objects["strip"] = {"interface_zmlbitmap", &bitmap};
  host.objects["pane"] = {"interface_zpane", &other};
  ZMLIcon icon;
  EXPECT_EQ(icon.SetProperty("bitmap", "strip", &host), 0);
  EXPECT_EQ(icon.GetBitmap(), &bitmap);
  EXPECT_EQ(icon.SetProperty("bitmap", "pane", &host), -14);
  EXPECT_EQ(icon.SetProperty("bitmap", "nothing", &host), -14);
  EXPECT_EQ(icon.GetBitmap(), &bitmap) << "a failed look-up keeps the bitmap";
  EXPECT_EQ(icon.SetProperty("size", "3,3", &host), 0);
  EXPECT_EQ(icon.SetProperty("source", "0,0", &host), 0);
  EXPECT_EQ(icon.SetProperty("hoverselected", "3,0", &host), 0);
  ZPoint p;
  EXPECT_EQ(icon.GetStatePosition(kIconStateHoverSelected, p), 0);
  EXPECT_EQ(p, ZPoint(3, 0));
  EXPECT_EQ(icon.SetProperty("pressed", "3", &host), -1038);
  EXPECT_EQ(icon.SetProperty("hovergamma", "3", &host), 0);
  EXPECT_EQ(icon.hoverGamma, 64);
  EXPECT_EQ(icon.SetProperty("hovergamma", "bright", &host), -1038);
  EXPECT_EQ(icon.SetProperty("colour", "1", &host), -1029);
}

TEST(BitmapIcon, IconsLetGoOfABitmapThatIsDestroyedFirst) {
  FakeHost host;
  auto bitmap = std::make_unique<ZMLBitmap>();
  host.objects["b"] = {"interface_zmlbitmap", bitmap.get()};
  ZMLIcon a, b;
  ASSERT_EQ(a.SetProperty("bitmap", "b", &host), 0);
  ASSERT_EQ(b.SetProperty("bitmap", "b", &host), 0);
  bitmap.reset();
  EXPECT_EQ(a.GetBitmap(), nullptr);
  EXPECT_EQ(b.GetBitmap(), nullptr);
  EXPECT_FALSE(a.HitAt(kIconStateNormal, {0, 0}));

  // The other order: the icon goes first and the bitmap outlives it.
  auto second = std::make_unique<ZMLBitmap>();
  host.objects["c"] = {"interface_zmlbitmap", second.get()};
  {
    ZMLIcon c;
    ASSERT_EQ(c.SetProperty("bitmap", "c", &host), 0);
  }
  second.reset();  // must not touch the destroyed icon
}

}  // namespace
}  // namespace ZTools
