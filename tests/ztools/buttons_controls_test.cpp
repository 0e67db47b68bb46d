// Buttons, check boxes, menu items and list boxes: refused property values, the flags each
// control sets for itself, every button kind through press, drag-out and release with the
// values, parent events and edit brackets it leaves, the looks at computed pixels, list rows
// built, reused and closed, and objects that go away before the controls using them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ztools/pane_test_support.h"
#include "zml/zmlevent.h"
#include "zml/zmlnode.h"
#include "ztools/zanimknob.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zbitmapslider.h"
#include "ztools/zbutton.h"
#include "ztools/zcheckbox.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zlistbox.h"
#include "ztools/zmenuitem.h"
#include "ztools/zparameter.h"

namespace ZTools {
namespace {

using Log = std::vector<std::string>;

// A pane that logs the button events its children post to it.
class ParentLog : public ZView {
 public:
  explicit ParentLog(Log* log) : log_(log) {}
  const char* Declaration() const override {
    return "interface_zpane::parentlog flags? align? size? pos? ( interface_zpane* )";
  }

 protected:
  int32_t OnPaneEvent(ZPaneEvent& e) override {
    if (e.Id() == kParentButtonClicked)
      log_->push_back("clicked");
    if (e.Id() == kParentButtonEnabled)
      log_->push_back("enabled " + std::to_string(e.Value()));
    return ZView::OnPaneEvent(e);
  }

 private:
  Log* log_;
};

class ButtonsManager : public PaneTest::TestManager {
 protected:
  int32_t RegisterTypes() override {
    if (int32_t rc = TestManager::RegisterTypes())
      return rc;
    return Host().RegisterType([this]() -> IEventListener* { return new ParentLog(&log); });
  }
};

constexpr ZColor kBackground(0, 0, 16);

const char* kHead =
    "<bitmaps><bitmap name='bmp' size='4,4' fill='#ffffff'/>"
    "<bitmap name='states' size='40,4' mode='extended'/><bitmap name='tickbmp' size='5,5' fill='#00ff00'/></bitmaps>"
    "<icons><icon name='ico' bitmap='bmp' size='4,4'/>"
    "<icon name='stateicon' bitmap='states' size='10,4' hover='10,0' pressed='20,0' selected='30,0'/>"
    "<icon name='tick' bitmap='tickbmp' size='5,5'/></icons>"
    "<parameters><float name='m'/><float name='t'/><float name='v' range='0,10'/><float name='c'/>"
    "<float name='latched' value='1'/><string name='items' value='a,b,c'/><float name='choice' range='0,10'/>"
    "</parameters>";

// The head above and one surface whose root is a parent log holding a background box and
// `views`, opened at 200 x 200.
struct Skin {
  ButtonsManager m;
  int32_t code = 0;
  explicit Skin(const std::string& views) {
    code = m.Initialize();
    if (code == 0)
      code = m.LoadSkinText(std::string("<zml>") + kHead +
                            "<surfaces><surface><views><parentlog name='panel' size='200,200'>"
                            "<colorbox size='200,200' color='#000010'/>" +
                            views + "</parentlog></views></surface></surfaces></zml>");
    if (code != 0)
      return;
    m.ResizeRootArea(200, 200);
    code = m.Open();
  }
  ZParameter* P(const char* name) { return m.FindParameter(name); }
  template <typename T>
  T* V(const char* name) {
    return dynamic_cast<T*>(m.FindView(name));
  }
  // A change made elsewhere (a script): every bound control is told.
  void Set(const char* name, double value) {
    P(name)->SetFloatValue(value);
    P(name)->SetDirty();
    P(name)->Announce();
  }
  void SetText(const char* name, const char* text) {
    P(name)->SetStringValue(text);
    P(name)->SetDirty();
    P(name)->Announce();
  }
  ZColor PixelAt(ZPoint p) {
    ZDrawContext context;
    context.Resize(200, 200);
    m.Draw(context, m.RootArea());
    return ZColor::FromPixel(context.GetPixel(p));
  }
};

TEST(ButtonsMarkup, RefusesBadValuesWithTheirCodes) {
  struct Case {
    const char* markup;
    int32_t code;
  };
  const Case cases[] = {
      {"<button valuetoset='nan'/>", kZErrIllegalPropertyValue},
      {"<button increment='1e10'/>", kZErrIllegalPropertyValue},
      {"<button font='huge'/>", kZErrIllegalPropertyValue},
      {"<button backcolor='red'/>", kZErrIllegalPropertyValue},
      {"<button toggle='maybe'/>", kZErrIllegalPropertyValue},
      {"<button flags='wantdrag=maybe'/>", kZErrIllegalPropertyValue},
      {"<button icon='bmp'/>", kZErrIllegalObjectType},
      {"<button parameter='m,t'/>", kZErrTooManyArguments},
      {"<button colour='red'/>", kZErrUnknownProperty},
      {"<checkbox/>", kZErrRequiredPropertyMissing},
      {"<checkbox icon='ico' boxsize='-1,5'/>", kZErrIllegalPropertyValue},
      {"<menuitem bitmap='ico'/>", kZErrIllegalObjectType},
      {"<menuitem valuetoset='inf'/>", kZErrIllegalPropertyValue},
      {"<listbox itemheight='0'/>", kZErrIllegalPropertyValue},
      {"<listbox parameter='items,choice,m,t'/>", kZErrTooManyArguments},
      {"<animknob/>", kZErrRequiredPropertyMissing},
      {"<animknob bitmap='ico'/>", kZErrIllegalObjectType},
      {"<animknob bitmap='nobody'/>", kZErrIllegalObjectType},
      {"<animknob bitmap='bmp' unitsperpix='inf'/>", kZErrIllegalPropertyValue},
      {"<animknob bitmap='bmp' wheelunits='1e300'/>", kZErrIllegalPropertyValue},
      {"<animknob bitmap='bmp' hovergamma='nan'/>", kZErrIllegalPropertyValue},
      {"<animknob bitmap='bmp' showvalue='1'/>", kZErrIllegalPropertyValue},
      {"<slider bitmap='bmp'/>", kZErrRequiredPropertyMissing},
      {"<slider bitmap='bmp' range='5'/>", kZErrIllegalPropertyValue},
      {"<slider bitmap='bmp' range='0,99999'/>", kZErrIllegalPropertyValue},
      {"<slider bitmap='bmp' range='0,5' style='diagonal'/>", kZErrIllegalPropertyValue},
      {"<slider bitmap='bmp' range='0,5' handleoffset='nan,1'/>", kZErrIllegalPropertyValue},
  };
  for (const Case& c : cases) {
    Skin s(c.markup);
    EXPECT_EQ(s.code, c.code) << c.markup;
  }
}

TEST(ButtonsFlags, EachControlSetsTheFlagsItNeedsAndFlagListsApplyToThem) {
  Skin s(
      "<button name='plain'/><button name='idle' flags='wantidle'/><button name='nodrag' flags='wantdrag=no'/>"
      "<checkbox name='check' icon='tick'/><menuitem name='item'/><listbox name='list'/>"
      "<animknob name='knob' bitmap='bmp'/><slider name='slider' bitmap='bmp' range='0,10'/>");
  ASSERT_EQ(s.code, 0);
  struct Case {
    const char* name;
    uint32_t flags;
  };
  const Case cases[] = {
      {"plain", kDefaultFlags | kWantClick | kWantDrag | kWantHover},
      {"idle", kButtonFlags | kWantIdle},
      {"nodrag", kButtonFlags & ~kWantDrag},
      {"check", kButtonFlags},
      {"item", kDefaultFlags | kWantClick | kWantHover},
      {"list", kDefaultFlags},
      {"knob", kDefaultFlags | kWantDrag | kWantWheel | kWantHover | kWantFocus},
      {"slider", kDefaultFlags | kWantWheel | kWantFocus},
  };
  for (const Case& c : cases)
    EXPECT_EQ(s.m.FindView(c.name)->GetFlags(), c.flags) << c.name;
  EXPECT_EQ(s.V<BitmapSlider>("slider")->Handle().GetFlags(), kDefaultFlags | kWantDrag | kWantHover);
}

// One user action on a pane manager.
using Action = void (*)(PaneTest::TestManager&);

void ClickAt(PaneTest::TestManager& m, ZPoint p) {
  m.Click(kLeftButton, p);
  m.ClickRelease(kLeftButton, p);
}

// Presses at p, leaves the pane with the button held and releases far away.
void PressAndLeave(PaneTest::TestManager& m, ZPoint p) {
  m.Click(kLeftButton, p);
  m.Drag(kLeftButton, {190, 190});
  m.Drag(kLeftButton, p);  // back inside: the press stays cancelled
  m.ClickRelease(kLeftButton, {190, 190});
}

TEST(ButtonPress, EveryKindChangesItsParameterOnReleaseAndNotWhenCancelled) {
  Skin s(
      "<button name='mom' pos='0,0' size='20,20' parameter='m'/>"
      "<button name='tog' pos='30,0' size='20,20' parameter='t' toggle='yes'/>"
      "<button name='set' pos='60,0' size='20,20' parameter='v' valuetoset='3'/>"
      "<button name='inc' pos='90,0' size='20,20' parameter='v' increment='2'/>");
  ASSERT_EQ(s.code, 0);
  struct Case {
    const char* what;
    const char* param;
    double start;
    Action act;
    double value;
    Log posted;
    int32_t edits;
  };
  const Case cases[] = {
      {"momentary",
       "m",
       0,
       [](PaneTest::TestManager& m) {
         ClickAt(m, {5, 5});
       },
       0,
       {"clicked"},
       1},
      {"momentary, left",
       "m",
       0,
       [](PaneTest::TestManager& m) {
         PressAndLeave(m, {5, 5});
       },
       0,
       {},
       1},
      {"momentary, released outside",
       "m",
       0,
       [](PaneTest::TestManager& m) {
         m.Click(kLeftButton, {5, 5});
         m.ClickRelease(kLeftButton, {150, 150});
       },
       0,
       {},
       1},
      {"momentary, right button",
       "m",
       0,
       [](PaneTest::TestManager& m) {
         m.Click(kRightButton, {5, 5});
         m.ClickRelease(kRightButton, {5, 5});
       },
       0,
       {},
       0},
      {"toggle on",
       "t",
       0,
       [](PaneTest::TestManager& m) {
         ClickAt(m, {35, 5});
       },
       1,
       {"enabled 1"},
       1},
      {"toggle off",
       "t",
       1,
       [](PaneTest::TestManager& m) {
         ClickAt(m, {35, 5});
       },
       0,
       {"enabled 0"},
       1},
      {"toggle, left",
       "t",
       0,
       [](PaneTest::TestManager& m) {
         PressAndLeave(m, {35, 5});
       },
       0,
       {},
       1},
      {"value to set",
       "v",
       5,
       [](PaneTest::TestManager& m) {
         ClickAt(m, {65, 5});
       },
       3,
       {"clicked"},
       1},
      {"value to set, left",
       "v",
       5,
       [](PaneTest::TestManager& m) {
         PressAndLeave(m, {65, 5});
       },
       5,
       {},
       1},
      {"increment",
       "v",
       5,
       [](PaneTest::TestManager& m) {
         ClickAt(m, {95, 5});
       },
       7,
       {"clicked"},
       1},
      {"increment at the end",
       "v",
       9,
       [](PaneTest::TestManager& m) {
         ClickAt(m, {95, 5});
       },
       10,
       {"clicked"},
       1},
      {"increment, left",
       "v",
       5,
       [](PaneTest::TestManager& m) {
         PressAndLeave(m, {95, 5});
       },
       5,
       {},
       1},
  };
  for (const Case& c : cases) {
    s.Set(c.param, c.start);
    s.m.log.clear();
    const int32_t begun = s.m.EditsBegun();
    c.act(s.m);
    EXPECT_FLOAT_EQ(float(s.P(c.param)->GetFloatValue()), float(c.value)) << c.what;
    EXPECT_EQ(s.m.log, c.posted) << c.what;
    EXPECT_EQ(s.m.EditsBegun() - begun, c.edits) << c.what;
    EXPECT_EQ(s.m.OpenEdits(), 0) << c.what;
  }
  // A momentary button holds its parameter at 1 while pressed, and a value-to-set button shows
  // itself on exactly while the value rounds to its value.
  s.m.Click(kLeftButton, {5, 5});
  EXPECT_EQ(s.P("m")->GetFloatValue(), 1.0);
  EXPECT_EQ(s.m.OpenEdits(), 1);
  s.m.ClickRelease(kLeftButton, {5, 5});
  EXPECT_EQ(s.P("m")->GetFloatValue(), 0.0);
  for (double v : {2.4, 2.6, 3.4, 3.6}) {
    s.Set("v", v);
    EXPECT_EQ(s.V<Button>("set")->IsOn(), v > 2.5 && v < 3.5) << v;
  }
}

TEST(ButtonPress, ReturnAndSpaceClickAFocusedButton) {
  Skin s("<button name='tog' size='20,20' parameter='t' toggle='yes' flags='wantfocus'/>");
  ASSERT_EQ(s.code, 0);
  s.m.SetFocusPane(s.m.FindView("tog"));
  EXPECT_TRUE(s.m.Key(kKeyReturn));
  EXPECT_EQ(s.P("t")->GetFloatValue(), 1.0);
  EXPECT_TRUE(s.m.Text(" "));
  EXPECT_EQ(s.P("t")->GetFloatValue(), 0.0);
  EXPECT_FALSE(s.m.Text("x"));
  EXPECT_EQ(s.m.OpenEdits(), 0);
  EXPECT_EQ(s.m.EditsBegun(), 2);
}

TEST(ButtonDrawing, FrameDoublesWhenOnAndIconStatesFollowOnAndHover) {
  Skin s(
      "<button name='box' size='40,20' parameter='t' toggle='yes' backcolor='#102030' hoverbackcolor='#405060' "
      "framecolor='#ff0000'/>"
      "<button name='lit' pos='50,0' size='10,4' parameter='t' toggle='yes' icon='stateicon' icononly='yes'/>"
      "<button name='held' pos='70,0' size='10,4' icon='stateicon' icononly='yes'/>"
      "<button name='preset' pos='90,0' size='10,4' parameter='latched' toggle='yes'/>");
  ASSERT_EQ(s.code, 0);
  EXPECT_TRUE(s.V<Button>("preset")->IsOn()) << "shows its parameter's state from the moment it opens";
  // The icon's states: normal red, hover green, pressed white, selected blue.
  ZMLBitmap* states = nullptr;
  {
    IEventListener* object = nullptr;
    s.m.Host().GetObject("interface_zmlbitmap", "states", &object);
    states = dynamic_cast<ZMLBitmap*>(object);
  }
  const ZColor stateColors[] = {{255, 0, 0}, {0, 255, 0}, {255, 255, 255}, {0, 0, 255}};
  for (int32_t i = 0; i < 160; ++i)
    states->GetPixels()[i] = stateColors[(i % 40) / 10].ToPixel();
  const ZColor red(255, 0, 0), back(16, 32, 48), hoverBack(64, 80, 96);
  struct Case {
    double t;
    ZPoint mouse;
    ZColor corner, inner, middle, icon;
  };
  const Case cases[] = {
      {0, {150, 150}, red, back, back, stateColors[0]},
      {1, {150, 150}, red, red, back, stateColors[3]},
      {0, {20, 15}, red, hoverBack, hoverBack, stateColors[0]},
      {0, {55, 2}, red, back, back, stateColors[1]},
      {1, {55, 2}, red, red, back, stateColors[3]},  // hover-selected falls back to selected
  };
  for (const Case& c : cases) {
    s.Set("t", c.t);
    s.m.MouseHover(c.mouse);
    const std::string what = "t " + std::to_string(c.t) + " mouse " + std::to_string(c.mouse.x);
    EXPECT_EQ(s.PixelAt({0, 0}), c.corner) << what;
    EXPECT_EQ(s.PixelAt({1, 1}), c.inner) << what;
    EXPECT_EQ(s.PixelAt({3, 3}), c.middle) << what;
    EXPECT_EQ(s.PixelAt({52, 2}), c.icon) << what;
  }
  s.m.MouseHover({150, 150});
  s.m.Click(kLeftButton, {72, 2});
  EXPECT_EQ(s.PixelAt({72, 2}), stateColors[2]) << "a held momentary button shows its pressed state";
  s.m.ClickRelease(kLeftButton, {72, 2});
  EXPECT_EQ(s.PixelAt({72, 2}), stateColors[0]);
}

TEST(ButtonDrawing, SetTextReplacesTheCaption) {
  Skin s("<button name='b' size='40,20' text='Play'/>");
  ASSERT_EQ(s.code, 0);
  auto event = MakeEvent<ZPaneEvent>(kPaneSetText, nullptr);
  event->SetText("Stop");
  s.V<Button>("b")->OnEvent(event.get());
  EXPECT_STREQ(s.V<Button>("b")->Caption().c_str(), "Stop");
}

TEST(CheckBox, TogglesOrSetsItsValueAndDrawsItsIconOnlyWhileChecked) {
  Skin s(
      "<checkbox name='check' pos='0,40' size='80,20' parameter='c' icon='tick' iconoffset='4,4' "
      "framecolor='#000000' text='Loud'/>"
      "<checkbox name='radio' pos='0,70' size='80,20' parameter='v' icon='tick' valuetoset='2'/>");
  ASSERT_EQ(s.code, 0);
  EXPECT_EQ(s.V<CheckBox>("check")->BoxRect(), ZRect(0, 3, 13, 16));
  const ZPoint tick(4, 47);  // box top-left (0, 43) plus the icon offset
  EXPECT_EQ(s.PixelAt(tick), ZColor(255, 255, 255));
  EXPECT_EQ(s.PixelAt({0, 43}), ZColor(0, 0, 0));
  ClickAt(s.m, {60, 50});  // on the text: the whole pane takes the click
  EXPECT_EQ(s.P("c")->GetFloatValue(), 1.0);
  EXPECT_EQ(s.m.log, Log({"enabled 1"}));
  EXPECT_EQ(s.PixelAt(tick), ZColor(0, 255, 0));
  ClickAt(s.m, {5, 50});
  EXPECT_EQ(s.P("c")->GetFloatValue(), 0.0);
  EXPECT_EQ(s.PixelAt(tick), ZColor(255, 255, 255));
  s.Set("v", 7);
  ClickAt(s.m, {5, 80});
  EXPECT_FLOAT_EQ(float(s.P("v")->GetFloatValue()), 2.0f);
  EXPECT_TRUE(s.V<CheckBox>("radio")->IsOn());
  ClickAt(s.m, {5, 80});  // a radio button stays on
  EXPECT_FLOAT_EQ(float(s.P("v")->GetFloatValue()), 2.0f);
  EXPECT_EQ(s.m.OpenEdits(), 0);
}

TEST(MenuItem, ChoosingSetsTheValueInOneEditAndTheCurrentItemIsHighlighted) {
  Skin s(
      "<menuitem name='item' pos='0,70' size='60,15' parameter='v' valuetoset='4' backcolor='#202020' "
      "hoverbackcolor='#c0c0c0'/><menuitem name='bare' pos='0,90' size='60,15' parameter='v' valuetoset='5'/>");
  ASSERT_EQ(s.code, 0);
  const ZColor back(32, 32, 32), highlight(192, 192, 192);
  EXPECT_EQ(s.PixelAt({58, 72}), back);
  EXPECT_EQ(s.PixelAt({58, 92}), kBackground) << "no backcolor: nothing behind the text";
  s.m.Click(kRightButton, {30, 75});
  EXPECT_FLOAT_EQ(float(s.P("v")->GetFloatValue()), 0.0f);
  ClickAt(s.m, {30, 75});
  EXPECT_FLOAT_EQ(float(s.P("v")->GetFloatValue()), 4.0f);
  EXPECT_EQ(s.m.log, Log({"clicked"}));
  EXPECT_EQ(s.m.EditsBegun(), 1);
  EXPECT_EQ(s.m.OpenEdits(), 0);
  s.m.MouseHover({150, 150});
  EXPECT_EQ(s.PixelAt({58, 72}), highlight) << "current";
  s.Set("v", 0);
  EXPECT_EQ(s.PixelAt({58, 72}), back);
  s.m.MouseHover({30, 75});
  EXPECT_EQ(s.PixelAt({58, 72}), highlight) << "hovered";
}

TEST(ListBox, RowsFollowTheItemsAndClickingARowChoosesItsIndex) {
  Skin s(
      "<listbox name='list' pos='100,40' size='50,10' parameter='items,choice' itemheight='10' "
      "hoverbackcolor='#00ff00'/>"
      "<listbox name='filled' pos='160,40' size='30,10' parameter='items' backcolor='#0000ff'/>");
  ASSERT_EQ(s.code, 0);
  auto* list = s.V<ListBox>("list");
  EXPECT_EQ(list->ShownRows(), 3u);
  EXPECT_EQ(list->Height(), 30);
  EXPECT_EQ(s.V<ListBox>("filled")->Height(), 45) << "15 pixels per item by default";
  EXPECT_EQ(s.PixelAt({185, 42}), ZColor(0, 0, 255)) << "a given backcolor fills the rows";
  ClickAt(s.m, {120, 65});
  EXPECT_FLOAT_EQ(float(s.P("choice")->GetFloatValue()), 2.0f);
  EXPECT_EQ(s.m.EditsBegun(), 1);
  s.m.MouseHover({10, 150});
  EXPECT_EQ(s.PixelAt({148, 65}), ZColor(0, 255, 0)) << "the current row is highlighted";
  EXPECT_EQ(s.PixelAt({148, 45}), kBackground) << "no backcolor: nothing behind the text";
  struct Case {
    const char* items;
    size_t shown;
    size_t made;
  };
  const Case cases[] = {{"x", 1, 3}, {"p,q,r,s", 4, 4}, {"", 0, 4}, {"one,", 2, 4}};
  for (const Case& c : cases) {
    s.SetText("items", c.items);
    EXPECT_EQ(list->ShownRows(), c.shown) << c.items;
    EXPECT_EQ(list->RowCount(), c.made) << c.items;
    EXPECT_EQ(list->Height(), int32_t(c.shown) * 10) << c.items;
    for (size_t i = 0; i < list->RowCount(); ++i) {
      EXPECT_EQ(list->Row(i)->IsVisible(), i < c.shown) << c.items << " row " << i;
      EXPECT_EQ(list->Row(i)->IsOpen(), i < c.shown) << c.items << " row " << i;
      if (i < c.shown) {
        EXPECT_EQ(list->Row(i)->Text().View(), list->Items()[i].View()) << c.items;
      }
    }
  }
  s.SetText("items", "x");
  s.Set("choice", 0);
  const int32_t begun = s.m.EditsBegun();
  ClickAt(s.m, {120, 55});  // where the second row stood
  EXPECT_FLOAT_EQ(float(s.P("choice")->GetFloatValue()), 0.0f);
  EXPECT_EQ(s.m.EditsBegun(), begun);
}

TEST(ButtonsTeardown, ControlsForgetParametersBitmapsAndIconsThatGoAway) {
  Skin s(
      "<listbox name='list' size='50,10' parameter='items,choice'/>"
      "<animknob name='knob' pos='0,60' size='4,4' bitmap='bmp' parameter='m'/>"
      "<slider name='slider' pos='0,80' size='20,4' bitmap='bmp' range='0,10' parameter='m'/>"
      "<button name='iconic' pos='0,100' size='4,4' icon='ico'/>");
  ASSERT_EQ(s.code, 0);
  auto goAway = [&](const char* control, const char* object) {
    ZMLNode* node = s.m.Host().FindNode(object);
    auto event = MakeEvent<ZMLEventDependeeDestroy>(&s.m.Host(), *node);
    s.m.FindView(control)->OnEvent(event.get());
  };
  auto* choice = static_cast<ZBasicParameter*>(s.P("choice"));
  const size_t listeners = choice->ListenerCount();
  goAway("list", "choice");
  EXPECT_EQ(s.V<ListBox>("list")->RowCount(), 0u);
  EXPECT_EQ(choice->ListenerCount(), listeners - 3) << "the three rows let go of it";
  goAway("knob", "bmp");
  goAway("slider", "bmp");
  goAway("iconic", "ico");
  EXPECT_FALSE(s.V<BitmapSlider>("slider")->Handle().IsVisible());
  for (ZPoint p : {ZPoint(1, 61), ZPoint(1, 81), ZPoint(1, 101)})
    EXPECT_NE(s.PixelAt(p), ZColor(255, 255, 255));
}

}  // namespace
}  // namespace ZTools
