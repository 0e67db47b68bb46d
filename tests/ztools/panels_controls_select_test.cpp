// The panels controls through the pane manager, part two: page containers (the page shown),
// pop-up containers (the parameter, the mouse capture, clicks outside and on transparent pixels,
// reopening with the parent) and static selects (the choice shown, expanding, choosing with the
// select or with menu items, collapsing), and both forgetting art that goes before them.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "tests/ztools/panels_test_support.h"
#include "zml/zmlevent.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zpagecontainer.h"
#include "ztools/zpopupcontainer.h"
#include "ztools/zstaticselect.h"

namespace ZTools {
namespace {

using namespace PanelsTest;

// ---- page containers

TEST(PanelsPageContainer, ShowsExactlyThePageTheParameterChooses) {
  PanelsManager m;
  ASSERT_EQ(
      m.Load("<float name='page' value='1'/>",
             "<view size='30,10'><pagecontainer name='pc' size='30,10' parameter='page'>"
             "<colorbox name='p0' size='30,10' color='#ff0000'/><colorbox name='p1' size='30,10' color='#00ff00'/>"
             "<colorbox name='p2' size='30,10' color='#0000ff'/></pagecontainer></view>",
             30, 10),
      0);
  const char* names[] = {"p0", "p1", "p2"};
  const uint32_t colors[] = {Px(255, 0, 0), Px(0, 255, 0), Px(0, 0, 255)};
  auto expectPage = [&](int page) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(m.View(names[i])->IsVisible(), i == page) << names[i];
      EXPECT_EQ(m.View(names[i])->IsOpen(), i == page) << names[i];
      EXPECT_FALSE(m.View(names[i])->HasFlag(kWantAutoOpen) || m.View(names[i])->HasFlag(kCanZMove));
    }
    EXPECT_EQ(m.Render()->GetPixel({5, 5}), colors[page]);
  };
  expectPage(2);  // shown from the moment it opens
  const struct {
    double value;
    int page;
  } cases[] = {{0, 0}, {0.24, 0}, {0.25, 1}, {0.5, 1}, {0.74, 1}, {0.75, 2}, {1, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    m.Change("page", c.value);
    expectPage(c.page);
  }
  PanelsManager bare;
  ASSERT_EQ(bare.Load("", "<pagecontainer size='5,5'><view name='a'/><view name='b'/></pagecontainer>", 5, 5), 0);
  EXPECT_TRUE(bare.View("a")->IsOpen() && bare.View("a")->IsVisible() && !bare.View("b")->IsVisible());
}

// ---- pop-up containers

const char* kPopupViews =
    "<view size='100,100'><probe name='under' size='100,100' flags='wantclick' answer='yes'/>"
    "<popupcontainer name='pop' pos='10,10' size='40,20' parameter='show' bitmap='panel'>"
    "<probe name='item' size='10,10' flags='wantclick' answer='yes'/></popupcontainer></view>";
const char* kPopupBitmap =
    "<bitmaps><bitmap name='panel' size='40,20' fill='#0000ff' mode='extended' hitthreshold='1'/></bitmaps>";

TEST(PanelsPopup, OpensWithItsParameterAndAClickOutsideItClosesIt) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='show'/>", kPopupViews, 100, 100, kPopupBitmap), 0);
  // The right half of the panel is transparent: it shows what lies beneath and is not hit.
  IEventListener* object = nullptr;
  ASSERT_EQ(m.Host().GetObject("interface_zmlbitmap", "panel", &object), 0);
  auto* panel = dynamic_cast<ZMLBitmap*>(object);
  ASSERT_EQ(panel->Convert(kBitmapModeAlpha), 0);
  for (int y = 0; y < 20; ++y)
    for (int x = 20; x < 40; ++x)
      panel->GetAlphaPlane()[y * 40 + x] = 0;
  auto* pop = m.Get<PopupContainer>("pop");
  // The fill's alpha of 255 blends as 255/256: d + ((s - d) * 255 >> 8).
  const uint32_t blue = Px(0, 0, 254), black = Px(0, 0, 0);
  EXPECT_FALSE(pop->IsOpen() || pop->IsVisible());
  EXPECT_EQ(m.Render()->GetPixel({15, 15}), black);

  const std::vector<uint32_t> closedByClick = {kSysWindowInvalidateClick, kSysWindowCheckMousePosition};
  struct Step {
    const char* what;
    double show;  // set by someone else first (-1: left alone)
    ZPoint click;
    bool open;  // afterwards
    Log log;    // what the probes received
    std::vector<uint32_t> window;
  };
  const Step steps[] = {
      {"closed: the click reaches the pane beneath", -1, {15, 15}, false, {"under:Click 1 15,15"}, {}},
      {"opened: a child takes its click", 1, {12, 12}, true, {"item:Click 1 2,2"}, {}},
      {"a click on the panel stays there", -1, {25, 15}, true, {}, {}},
      {"a click on its transparent part closes it", -1, {35, 15}, false, {}, closedByClick},
      {"so does a click outside", 1, {80, 80}, false, {}, closedByClick},
      {"closed by its parameter", 0, {15, 15}, false, {"under:Click 1 15,15"}, {}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.show >= 0)
      m.Change("show", s.show);
    if (pop->IsOpen()) {
      auto dc = m.Render();
      EXPECT_EQ(dc->GetPixel({15, 15}), blue);
      EXPECT_EQ(dc->GetPixel({35, 15}), black);
      EXPECT_EQ(m.HeldPane(), pop);
    }
    TakeWindowEvents(m);
    m.log.clear();
    const int begun = m.EditsBegun();
    m.Click(kLeftButton, s.click);
    m.ClickRelease(kLeftButton, s.click);
    EXPECT_EQ(pop->IsOpen(), s.open);
    EXPECT_EQ(pop->IsVisible(), s.open);
    EXPECT_EQ(m.HeldPane(), s.open ? pop : nullptr);
    EXPECT_EQ(m.log, s.log);
    EXPECT_EQ(TakeWindowEvents(m), s.window);
    if (!s.window.empty()) {  // closed by the click: the parameter follows, in an edit bracket
      EXPECT_EQ(m.Value("show"), 0);
      EXPECT_EQ(m.EditsBegun() - begun, 1);
      EXPECT_EQ(m.OpenEdits(), 0);
    }
  }
}

TEST(PanelsPopup, IsOpenWheneverItsParameterSaysSoAndItsParentIsOpen) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='show' value='1'/>", kPopupViews, 100, 100, kPopupBitmap), 0);
  auto* pop = m.Get<PopupContainer>("pop");
  EXPECT_TRUE(pop->IsOpen() && pop->IsVisible() && m.View("item")->IsOpen());
  m.Close();
  EXPECT_FALSE(pop->IsOpen() || pop->IsVisible() || m.HeldPane());
  EXPECT_EQ(m.Value("show"), 1);  // closing the window does not change the setting
  m.Open();
  EXPECT_TRUE(pop->IsOpen() && m.HeldPane() == pop);
  EXPECT_EQ(pop->GetFlags(), kPopupContainerFlags);
}

// ---- static selects

// Choices 8, 10 and 6 pixels high; values 0 (its place), 7 (its markup) and 2 (its place).
const char* kSelectViews =
    "<view size='100,100'><staticselect name='select' pos='10,10' size='50,12' parameter='pick' framecolor='#ff00ff' "
    "collapsedcolor='#202020' expandedcolor='#404040' icon='arrow' tip='Station'>"
    "<choice name='c0' size='10,8' color='#ff0000'/><choice name='c1' size='10,10' color='#00ff00' valuetoset='7'/>"
    "<colorbox name='c2' size='10,6' color='#0000ff'/></staticselect></view>";
const char* kSelectArt =
    "<bitmaps><bitmap name='arrowbmp' size='6,4' fill='#ffffff' mode='extended'/></bitmaps>"
    "<icons><icon name='arrow' bitmap='arrowbmp' size='6,4'/></icons>";

TEST(PanelsStaticSelect, CollapsedItShowsTheChoiceThatMatchesTheParameter) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='pick' range='0,8' value='7'/>", kSelectViews, 100, 100, kSelectArt), 0);
  const char* names[] = {"c0", "c1", "c2"};
  const struct {
    double value;
    int shown;  // -1: none
  } cases[] = {{7, 1}, {0, 0}, {6.6, 1}, {2, 2}, {2.4, 2}, {5, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    m.Change("pick", c.value);
    for (int i = 0; i < 3; ++i) {
      ZView* choice = m.View(names[i]);
      ASSERT_EQ(choice->IsVisible(), i == c.shown) << names[i];
      if (i != c.shown)
        continue;
      EXPECT_TRUE(choice->IsOpen());
      // Inside the frame, narrowed by the icon's width + 2, centred in the 12-pixel height.
      const int h = i == 0 ? 8 : i == 1 ? 10 : 6;
      EXPECT_EQ(choice->GetRect(), ZRect(1, (12 - h) / 2, 1 + 48 - 8, (12 - h) / 2 + h));
    }
  }
  m.Change("pick", 0);  // c0 covers rows 2..9 of the box
  auto dc = m.Render();
  EXPECT_EQ(dc->GetPixel({10, 10}), Px(255, 0, 255));    // frame
  EXPECT_EQ(dc->GetPixel({11, 11}), Px(32, 32, 32));     // collapsed colour
  EXPECT_EQ(dc->GetPixel({15, 15}), Px(255, 0, 0));      // the choice
  EXPECT_EQ(dc->GetPixel({53, 15}), Px(255, 255, 255));  // the icon at the right, centred
  EXPECT_EQ(dc->GetPixel({51, 15}), Px(32, 32, 32));
}

TEST(PanelsStaticSelect, ExpandsOnAClickChoosesAndCollapses) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='pick' range='0,8' value='7'/>", kSelectViews, 100, 100, kSelectArt), 0);
  auto* select = m.Get<StaticSelect>("select");
  auto click = [&](ZPoint p) {
    m.Click(kLeftButton, p);
    m.ClickRelease(kLeftButton, p);
  };
  auto expectCollapsed = [&](double value) {
    EXPECT_FALSE(select->IsExpanded());
    EXPECT_EQ(select->GetRect(), ZRect(10, 10, 60, 22));
    EXPECT_EQ(m.HeldPane(), nullptr);
    EXPECT_NEAR(m.Value("pick"), value, 1e-6);
  };
  auto expand = [&] {
    click({20, 15});  // on the shown choice: the select takes it
    ASSERT_TRUE(select->IsExpanded());
    EXPECT_EQ(m.HeldPane(), select);
  };
  expand();
  // All choices one below the other inside the frame, as wide as the select.
  EXPECT_EQ(select->GetRect(), ZRect(10, 10, 60, 10 + 8 + 10 + 6 + 2));
  EXPECT_EQ(m.View("c0")->GetRect(), ZRect(1, 1, 49, 9));
  EXPECT_EQ(m.View("c1")->GetRect(), ZRect(1, 9, 49, 19));
  EXPECT_EQ(m.View("c2")->GetRect(), ZRect(1, 19, 49, 25));
  auto dc = m.Render();
  EXPECT_EQ(dc->GetPixel({30, 12}), Px(255, 0, 0));
  EXPECT_EQ(dc->GetPixel({30, 32}), Px(0, 0, 255));
  EXPECT_EQ(dc->GetPixel({10, 35}), Px(255, 0, 255));

  int begun = m.EditsBegun();
  click({30, 31});  // c2 takes no clicks: the select chooses it
  expectCollapsed(2);
  EXPECT_EQ(m.EditsBegun() - begun, 1);
  EXPECT_EQ(m.OpenEdits(), 0);
  EXPECT_TRUE(m.View("c2")->IsVisible());

  expand();
  TakeWindowEvents(m);
  begun = m.EditsBegun();
  click({90, 90});  // outside: no choice
  expectCollapsed(2);
  EXPECT_EQ(m.EditsBegun(), begun);
  EXPECT_EQ(TakeWindowEvents(m), std::vector<uint32_t>({kSysWindowInvalidateClick, kSysWindowCheckMousePosition}));

  expand();
  m.Change("pick", 7);  // someone else chose
  expectCollapsed(7);
  EXPECT_TRUE(m.View("c1")->IsVisible());

  // Near the window's bottom the list moves up to fit, and comes back down when it closes.
  select->SetPosition(10, 80);
  click({20, 85});
  EXPECT_EQ(select->GetRect(), ZRect(10, 74, 60, 100));
  click({90, 5});
  EXPECT_EQ(select->GetRect(), ZRect(10, 80, 60, 92));
}

TEST(PanelsStaticSelect, MenuItemsChooseThemselvesAndTheSelectCollapses) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='pick' range='0,8' value='1'/>",
                   "<view size='100,100'><staticselect name='select' pos='10,10' size='50,10' parameter='pick'>"
                   "<menuitem name='one' size='10,10' parameter='pick' valuetoset='1' text='One'/>"
                   "<menuitem name='four' size='10,10' parameter='pick' valuetoset='4' text='Four'/>"
                   "<menuitem name='six' size='10,10' valuetoset='6' text='Six'/></staticselect></view>",
                   100, 100),
            0);
  auto* select = m.Get<StaticSelect>("select");
  const struct {
    const char* what;
    int row;       // rows stand at 10, 20, 30 when open
    double value;  // afterwards
    const char* shown;
  } cases[] = {
      {"a bound item sets the value itself", 1, 4, "four"},
      {"an item without a parameter is chosen by the select", 2, 6, "six"},
      {"and back to the first", 0, 1, "one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    m.Click(kLeftButton, {20, 15});  // the shown item does not take the click: the select opens
    m.ClickRelease(kLeftButton, {20, 15});
    ASSERT_TRUE(select->IsExpanded());
    const ZPoint at(20, 15 + 10 * c.row);
    m.Click(kLeftButton, at);
    m.ClickRelease(kLeftButton, at);
    EXPECT_FALSE(select->IsExpanded());
    EXPECT_NEAR(m.Value("pick"), c.value, 1e-6);
    EXPECT_TRUE(m.View(c.shown)->IsVisible());
    EXPECT_EQ(m.OpenEdits(), 0);
    EXPECT_EQ(m.HeldPane(), nullptr);
  }
}

TEST(PanelsArt, PopupAndSelectForgetTheirArtWhenItGoesFirst) {
  PanelsManager m;
  ASSERT_EQ(m.Load("<float name='show' value='1'/><float name='pick' range='0,8'/>",
                   std::string("<view size='100,100'>") + kPopupViews + kSelectViews + "</view>", 100, 100,
                   std::string(kPopupBitmap) + kSelectArt),
            0);
  auto* pop = m.Get<PopupContainer>("pop");
  auto* select = m.Get<StaticSelect>("select");
  ASSERT_TRUE(pop->Bitmap() && select->Icon());
  for (const char* name : {"panel", "arrow"}) {
    auto event = MakeEvent<ZMLEventDependeeDestroy>(&m.Host(), *m.Host().FindNode(name));
    pop->OnEvent(event.get());
    select->OnEvent(event.get());
  }
  EXPECT_EQ(pop->Bitmap(), nullptr);
  EXPECT_EQ(select->Icon(), nullptr);
  m.Render();                      // draws without them
  m.Click(kLeftButton, {45, 25});  // without a bitmap the whole panel is the pop-up's
  EXPECT_TRUE(pop->IsOpen());
}

}  // namespace
}  // namespace ZTools
