// Tests of the window layer under SDL's offscreen driver: synthetic SDL events come out as
// messages with the framework's key codes, button bits and wheel steps, positions divided by
// the window's scale; the timer's ticks coalesce; posted close and quit reach the loop.
#include "platform/window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/eventloop.h"

namespace {

using Platform::Message;
using Platform::MessageId;

std::vector<Message> g_messages;

int64_t Record(Platform::Window*, const Message& m) {
  g_messages.push_back(m);
  return m.id == MessageId::Create ? 0 : -1;
}

class WindowTest : public ::testing::Test {
 protected:
  void Open(int32_t scale = 1) {
    ASSERT_TRUE(Platform::StartVideo());
    Platform::RegisterWindowClass("test", &Record);
    Platform::SetForcedScale(scale);
    Platform::WindowSpec spec;
    spec.className = "test";
    spec.width = 100;
    spec.height = 80;
    window_ = Platform::CreateNativeWindow(spec);
    ASSERT_NE(window_, nullptr);
    Platform::DispatchAll();
    g_messages.clear();
  }
  void TearDown() override {
    if (window_)
      Platform::DestroyNativeWindow(window_);
    Platform::SetForcedScale(0);
    Platform::DispatchAll();
    g_messages.clear();
  }
  Uint32 Id() const { return SDL_GetWindowID(window_->Native()); }
  void Push(SDL_Event e) {
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    Platform::DispatchAll();
  }
  void Key(SDL_Keycode sym, Uint16 mod) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = Id();
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    Push(e);
  }
  Message Last(MessageId id) {
    for (auto it = g_messages.rbegin(); it != g_messages.rend(); ++it)
      if (it->id == id)
        return *it;
    ADD_FAILURE() << "no message " << unsigned(id);
    return {};
  }
  Platform::Window* window_ = nullptr;
};

TEST_F(WindowTest, KeysTranslateToFrameworkCodes) {
  Open();
  struct Case {
    SDL_Keycode sym;
    Uint16 mod;
    uint32_t key;
    bool character;
    uint32_t modifiers;
    const char* what;
  } cases[] = {
      {SDLK_F1, 0, 0x1100, false, 0, "F1"},
      {SDLK_F4, 0, 0x1400, false, 0, "F4"},
      {SDLK_F5, 0, 0x1500, false, 0, "F5"},
      {SDLK_F12, 0, 0x1c00, false, 0, "F12"},
      {SDLK_HOME, KMOD_LCTRL, 0x500, false, 16, "Ctrl+Home"},
      {SDLK_PAGEDOWN, KMOD_RSHIFT, 0x800, false, 8, "Shift+PageDown"},
      {SDLK_DELETE, KMOD_LALT, 0xb00, false, 32, "Alt+Delete"},
      {SDLK_LEFT, 0, 0x300, false, 0, "left"},
      {SDLK_BACKSPACE, 0, 0x8, true, 0, "Backspace"},
      {SDLK_TAB, KMOD_LSHIFT, 0x9, true, 8, "Shift+Tab"},
      {SDLK_RETURN, 0, 0xd, true, 0, "Return"},
      {SDLK_ESCAPE, 0, 0x1b, true, 0, "Esc"},
      {SDLK_c, KMOD_LCTRL, 3, true, 16, "Ctrl+C types its control character"},
      {SDLK_a, 0, 0, false, 0, "a letter arrives as text, not as a key"},
  };
  for (const Case& c : cases) {
    Key(c.sym, c.mod);
    const Message m = Last(MessageId::KeyDown);
    EXPECT_EQ(m.key, c.key) << c.what;
    EXPECT_EQ(m.character, c.character) << c.what;
    EXPECT_EQ(m.modifiers, c.modifiers) << c.what;
  }
  Key(SDLK_LSHIFT, 0);
  EXPECT_EQ(Last(MessageId::KeyDown).modifier, 8u) << "the Shift key itself";
  EXPECT_EQ(Last(MessageId::KeyDown).key, 0u);
}

TEST_F(WindowTest, TextInputArrivesAsUtf8) {
  Open();
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = Id();
  SDL_strlcpy(e.text.text, "\xc3\xa9", sizeof(e.text.text));
  Push(e);
  EXPECT_EQ(Last(MessageId::Text).text, "\xc3\xa9");
}

TEST_F(WindowTest, PointerInputWithScaleButtonsAndWheel) {
  Open(2);
  EXPECT_EQ(window_->Scale(), 2);
  int w = 0, h = 0;
  SDL_GetWindowSize(window_->Native(), &w, &h);
  EXPECT_EQ(w, 200) << "the window shows the skin enlarged";
  EXPECT_EQ(window_->Width(), 100);

  SDL_SetModState(KMOD_LSHIFT);
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = Id();
  e.button.button = SDL_BUTTON_RIGHT;
  e.button.x = 41;
  e.button.y = 20;
  Push(e);
  Message m = Last(MessageId::ButtonDown);
  EXPECT_EQ(m.button, 4u);
  EXPECT_EQ(m.buttons, 4u | 8u) << "right with Shift";
  EXPECT_EQ(m.x, 20);
  EXPECT_EQ(m.y, 10);
  SDL_SetModState(KMOD_NONE);
  e.type = SDL_MOUSEBUTTONUP;
  Push(e);
  EXPECT_EQ(Last(MessageId::ButtonUp).buttons, 0u);

  e = {};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = Id();
  e.motion.x = 9;
  e.motion.y = 199;
  e.motion.state = SDL_BUTTON_LMASK | SDL_BUTTON_MMASK;
  Push(e);
  m = Last(MessageId::MouseMove);
  EXPECT_EQ(m.buttons, 3u);
  EXPECT_EQ(m.x, 4);
  EXPECT_EQ(m.y, 99);

  struct {
    float precise;
    Sint32 y;
    Uint32 direction;
    float delta;
  } wheels[] = {{1.0f, 1, SDL_MOUSEWHEEL_NORMAL, 1.0f},
                {0.25f, 0, SDL_MOUSEWHEEL_NORMAL, 0.25f},
                {0.0f, -2, SDL_MOUSEWHEEL_NORMAL, -2.0f},
                {1.0f, 1, SDL_MOUSEWHEEL_FLIPPED, -1.0f}};
  for (const auto& c : wheels) {
    e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = Id();
    e.wheel.preciseY = c.precise;
    e.wheel.y = c.y;
    e.wheel.direction = c.direction;
    e.wheel.mouseX = 10;
    e.wheel.mouseY = 6;
    Push(e);
    m = Last(MessageId::Wheel);
    EXPECT_FLOAT_EQ(m.wheel, c.delta) << c.precise << " " << c.y;
    EXPECT_EQ(m.x, 5);
    EXPECT_EQ(m.y, 3);
  }
}

TEST_F(WindowTest, TimerTicksCoalesceAndStop) {
  Open();
  window_->StartTimer(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  window_->StartTimer(0);
  EXPECT_FALSE(window_->TimerRunning());
  Platform::DispatchAll();
  size_t ticks = 0;
  for (const Message& m : g_messages)
    ticks += m.id == MessageId::Timer;
  EXPECT_EQ(ticks, 0u) << "a tick queued before the timer stopped is dropped";

  window_->StartTimer(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  g_messages.clear();
  Platform::DispatchAll();
  window_->StartTimer(0);
  ticks = 0;
  for (const Message& m : g_messages)
    ticks += m.id == MessageId::Timer;
  EXPECT_GE(ticks, 1u);
  EXPECT_LE(ticks, 2u) << "sixty periods while the loop slept give one pending tick";
}

TEST_F(WindowTest, PostedCloseAndQuitReachTheLoop) {
  Open();
  Platform::PostClose(window_);
  Platform::PostQuit(7);
  EXPECT_EQ(Platform::DispatchAll(), Platform::LoopResult::Quit);
  EXPECT_EQ(Platform::QuitCode(), 7);
  Last(MessageId::Close);
}

TEST_F(WindowTest, ChildFillsParentAndDestroyReachesParentThenChild) {
  Open();
  Platform::WindowSpec spec;
  spec.className = "test";
  spec.parent = window_;
  Platform::Window* child = Platform::CreateNativeWindow(spec);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->Width(), 100) << "a child fills its parent";
  g_messages.clear();
  Platform::DestroyNativeWindow(window_);
  window_ = nullptr;
  ASSERT_EQ(g_messages.size(), 2u);
  EXPECT_EQ(g_messages[0].id, MessageId::Destroy);
  EXPECT_EQ(g_messages[1].id, MessageId::Destroy);
}

TEST_F(WindowTest, DisplaysAreListed) {
  Open();
  const auto displays = Platform::Displays();
  ASSERT_FALSE(displays.empty());
  EXPECT_GT(displays[0].width, 0);
  EXPECT_GE(Platform::PrimaryDisplayScale(), 0.5f);
}

}  // namespace
