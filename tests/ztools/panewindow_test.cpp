// Tests of the pane window on the offscreen video driver: synthetic SDL events reach the pane
// manager by the window's rules (a moving press is no click, borderless skins drag the window,
// hover leave, wheel steps, keys with modifiers, text), window requests are carried out, and the
// window and application objects' dispatch and command line behave.
#include "ztools/zpanewindow.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "platform/eventloop.h"
#include "tests/ztools/pane_test_support.h"
#include "ztools/zappobject.h"
#include "ztools/zapprun.h"

namespace ZTools {
namespace {

using Platform::Message;
using Platform::MessageId;

// A probe that also logs click releases and wheel steps.
class KnobProbe : public PaneTest::ProbeView {
 public:
  explicit KnobProbe(std::vector<std::string>* log) : ProbeView(log), log_(log) {}
  const char* Declaration() const override {
    return "interface_zpane::knob flags? align? size? pos? tip? answer? ( interface_zpane* )";
  }
  void OnClickRelease(uint32_t b) override { log_->push_back("Release " + std::to_string(b)); }
  int32_t OnWheel(uint32_t, ZPoint, float delta) override {
    log_->push_back("Wheel " + std::to_string(delta));
    return 1;
  }

 private:
  std::vector<std::string>* log_;
};

class Manager : public PaneTest::TestManager {
 protected:
  int32_t RegisterTypes() override {
    if (int32_t rc = TestManager::RegisterTypes())
      return rc;
    return Host().RegisterType([this]() -> IEventListener* { return new KnobProbe(&log); });
  }
};

class TestApp : public ZAppObject {
 public:
  ZPaneWindow pane;
  ZPaneManager* manager = nullptr;
  int64_t HandleMessage(const Message& m) override {
    if (m.id == MessageId::Create) {
      pane.SetPaneManager(manager);
      pane.Create(4, "", ZRect(), this);
      pane.Show(kShowNormal);
      return 0;
    }
    if (m.id == MessageId::Destroy)
      pane.Destroy();
    if (m.id == MessageId::Size && pane.Handle())
      pane.Handle()->SetClientSize(m.x, m.y);
    return ZAppObject::HandleMessage(m);
  }
};

const char* kSkin =
    "<view name='root' size='200,100'>"
    "  <knob name='knob' pos='0,0' size='50,50' flags='wantclick,wantdrag,wantwheel,wanthover,wantfocus'"
    "        answer='yes'/>"
    "</view>";

class PaneWindowTest : public ::testing::Test {
 protected:
  void Open(int32_t style) {
    ZWindowObject::RegisterClass();
    ASSERT_EQ(manager_.Build({kSkin}, 200, 100), 0);
    app_.manager = &manager_;
    ASSERT_EQ(app_.Create(style, "test", ZRect(-1, -1, 200, 100), nullptr), 0);
    ASSERT_NE(app_.pane.Handle(), nullptr);
    Platform::DispatchAll();
    manager_.log.clear();
  }
  void TearDown() override {
    app_.Destroy();
    Platform::DispatchAll();
  }
  Uint32 Id() { return SDL_GetWindowID(app_.Handle()->Native()); }
  void Push(SDL_Event e) {
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    Platform::DispatchAll();
  }
  void Button(bool down, Uint8 button, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = Id();
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    Push(e);
  }
  void Move(int x, int y, Uint32 state) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = Id();
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    Push(e);
  }
  void Key(SDL_Keycode sym, Uint16 mod) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = Id();
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    Push(e);
  }
  bool Logged(const std::string& line) {
    const auto& log = manager_.log;
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  void Request(uint32_t id, int32_t value = 0) {
    auto e = MakeEvent<ZPaneEvent>(id, nullptr);
    e->SetValue(value);
    manager_.OnEvent(e.get());
    app_.pane.ProcessWindowRequests();
  }
  Manager manager_;
  TestApp app_;
};

TEST_F(PaneWindowTest, ClickReleaseOnlyForAPressThatDidNotMove) {
  Open(1);
  Button(true, SDL_BUTTON_LEFT, 10, 10);
  Button(false, SDL_BUTTON_LEFT, 10, 10);
  EXPECT_TRUE(Logged("Release 1"));
  EXPECT_TRUE(Logged("knob:StopDrag"));
  manager_.log.clear();

  Button(true, SDL_BUTTON_LEFT, 10, 10);
  Move(12, 12, SDL_BUTTON_LMASK);
  Button(false, SDL_BUTTON_LEFT, 12, 12);
  EXPECT_FALSE(Logged("Release 1")) << "a press that moved is no click";
  EXPECT_TRUE(Logged("knob:StopDrag")) << "the drag stop still comes";
  manager_.log.clear();

  Button(true, SDL_BUTTON_LEFT, 10, 10);
  Request(kSysWindowInvalidateClick);
  Button(false, SDL_BUTTON_LEFT, 10, 10);
  EXPECT_FALSE(Logged("Release 1")) << "an invalidated click";
}

TEST_F(PaneWindowTest, BorderlessSkinDragsTheWindowByItsEmptyAreas) {
  for (int32_t style : {1, 4, 5}) {
    SCOPED_TRACE(style);
    Open(style);
    Button(true, SDL_BUTTON_LEFT, 100, 60);
    EXPECT_EQ(app_.pane.DraggingWindow(), style != 1);
    Move(101, 60, SDL_BUTTON_LMASK);
    Button(false, SDL_BUTTON_LEFT, 101, 60);
    EXPECT_FALSE(app_.pane.DraggingWindow());
    EXPECT_FALSE(Logged("knob:StopDrag"));
    Button(true, SDL_BUTTON_LEFT, 10, 10);
    EXPECT_FALSE(app_.pane.DraggingWindow()) << "a press a pane takes is no window drag";
    Button(false, SDL_BUTTON_LEFT, 10, 10);
    TearDown();
    manager_.Teardown();
  }
}

TEST_F(PaneWindowTest, WheelKeysAndText) {
  Open(1);
  for (float precise : {1.0f, 0.25f}) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = Id();
    e.wheel.preciseY = precise;
    e.wheel.mouseX = 5;
    e.wheel.mouseY = 5;
    Push(e);
  }
  EXPECT_TRUE(Logged("Wheel " + std::to_string(1.0f)));
  EXPECT_TRUE(Logged("Wheel " + std::to_string(0.25f)));

  Button(true, SDL_BUTTON_LEFT, 10, 10);  // the knob takes the focus
  Button(false, SDL_BUTTON_LEFT, 10, 10);
  manager_.log.clear();
  Key(SDLK_F5, 0);
  Key(SDLK_HOME, KMOD_LCTRL);
  Key(SDLK_TAB, KMOD_LSHIFT);
  Key(SDLK_LSHIFT, KMOD_LSHIFT);
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = Id();
  SDL_strlcpy(e.text.text, "\xc3\xa9", sizeof(e.text.text));
  Push(e);
  const std::vector<std::string> expected = {"knob:Key 5376", "knob:Key " + std::to_string((16 << 16) | 0x500),
                                             "knob:Key 9", "knob:Text \xc3\xa9"};
  EXPECT_EQ(manager_.log, expected);
}

TEST_F(PaneWindowTest, LeavingTheWindowHoversOnceFarAway) {
  Open(1);
  Move(10, 10, 0);
  EXPECT_TRUE(app_.pane.Hovering());
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = Id();
  e.window.event = SDL_WINDOWEVENT_LEAVE;
  Push(e);
  manager_.log.clear();
  app_.pane.OnTimer();
  app_.pane.OnTimer();
  EXPECT_EQ(std::count(manager_.log.begin(), manager_.log.end(), "knob:Leave"), 1);
  EXPECT_EQ(manager_.MousePosition(), (ZPoint{kMouseAway, kMouseAway}));
  EXPECT_FALSE(app_.pane.Hovering());
}

TEST_F(PaneWindowTest, WindowRequests) {
  Open(1);
  Request(kSysWindowSmoothDrag, 1);
  EXPECT_TRUE(app_.pane.SmoothDrag());
  Request(kSysWindowFastUpdate, 1);
  EXPECT_TRUE(app_.pane.FastUpdate());
  EXPECT_TRUE(app_.pane.TimerRunning());
  app_.pane.StartTimer(0);
  EXPECT_FALSE(app_.pane.TimerRunning()) << "StartTimer(0) stops the timer";
  Move(20, 20, 0);
  manager_.log.clear();
  Request(kSysWindowCheckMousePosition);
  EXPECT_EQ(manager_.MousePosition(), (ZPoint{20, 20}));
  auto resize = MakeEvent<ZPaneEvent>(kSysWindowResize, nullptr);
  resize->SetPoint({120, 60});
  manager_.OnEvent(resize.get());
  app_.pane.ProcessWindowRequests();
  Platform::DispatchAll();
  EXPECT_EQ(app_.Handle()->Width(), 120) << "the window takes the size a surface asks for";
  Request(kSysWindowDitherMode, 1);
  EXPECT_EQ(static_cast<const ZExtDrawContext*>(app_.pane.DrawingContext())->GetDitherMode(), kDither565);
  Request(kSysWindowClose);
  EXPECT_NE(app_.Handle(), nullptr) << "the close request is posted, not carried out at once";
  EXPECT_EQ(Platform::DispatchAll(), Platform::LoopResult::Quit) << "closing the main window posts the quit";
  EXPECT_EQ(app_.Handle(), nullptr);
  EXPECT_EQ(app_.pane.Handle(), nullptr);
}

TEST_F(PaneWindowTest, PaintShowsTheManagersDrawing) {
  Open(1);
  const ZDrawContext* context = app_.pane.DrawingContext();
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->Width(), 200);
  EXPECT_EQ(context->Height(), 100);
}

TEST(PaneWindowContextTest, AContextThatCannotBeMadeIsNeverDrawnOrShown) {
  ZWindowObject::RegisterClass();
  ZWindowObject top;
  ASSERT_EQ(top.Create(1, "", ZRect(0, 0, 50, 50), nullptr), 0);
  ZPaneWindow pane;
  testing::internal::CaptureStderr();
  ASSERT_EQ(pane.Create(4, "", ZRect(0, 0, kBitmapMaxSide + 1, 10), &top), 0);
  Platform::DispatchAll();  // the paint finds nothing to draw into
  EXPECT_NE(testing::internal::GetCapturedStderr().find("-2"), std::string::npos);
  EXPECT_EQ(pane.DrawingContext(), nullptr);
  top.Destroy();
  Platform::DispatchAll();
}

// A window whose handlers throw: dispatch catches everything and goes on.
class Thrower : public ZWindowObject {
 public:
  int kind = 0;
  int64_t HandleMessage(const Message& m) override {
    if (m.id == MessageId::KeyDown) {
      if (kind == 0)
        throw ZError(-5);
      throw std::runtime_error("boom");
    }
    return ZWindowObject::HandleMessage(m);
  }
};

TEST(WindowObjectTest, ExceptionsStopAtDispatchAndCreateNeedsTheClass) {
  ZWindowObject::UnregisterClass();
  Thrower w;
  EXPECT_EQ(w.Create(1, "", ZRect(0, 0, 10, 10), nullptr), -1) << "class not registered";
  ASSERT_TRUE(ZWindowObject::RegisterClass());
  ASSERT_EQ(w.Create(1, "", ZRect(0, 0, 10, 10), nullptr), 0);
  EXPECT_EQ(w.Create(1, "", ZRect(0, 0, 10, 10), nullptr), -1) << "a window already exists";
  for (int kind : {0, 1}) {
    w.kind = kind;
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = SDL_GetWindowID(w.Handle()->Native());
    e.key.keysym.sym = SDLK_UP;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Platform::DispatchAll(), Platform::LoopResult::Empty);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "") << "logged";
  }
  EXPECT_EQ(w.Destroy(), 0);
  EXPECT_EQ(w.Destroy(), -1);
}

TEST(AppObjectTest, CommandLineSplitsAndJoins) {
  struct {
    const char* line;
    ZStringList args;
  } cases[] = {
      {"", {}},
      {"  a\tb  ", {"a", "b"}},
      {"\"my skin.zpac\" 'x y' z", {"my skin.zpac", "x y", "z"}},
      {"\"it's\"", {"it's"}},
      {"\"open", {"open"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ZAppObject::SplitCommandLine(c.line), c.args) << c.line;
  char a0[] = "prog", a1[] = "a b", a2[] = "say \"hi\"", a3[] = "plain";
  char* argv[] = {a0, a1, a2, a3, nullptr};
  EXPECT_EQ(ZAppObject::SplitCommandLine(JoinCommandLine(4, argv)), (ZStringList{"a b", "say \"hi\"", "plain"}));
  EXPECT_FALSE(ZAppObject::ProgramFile().View().empty());
}

}  // namespace
}  // namespace ZTools
