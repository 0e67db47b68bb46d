// The message loop on SDL's event queue: SDL events become window messages for the window that
// takes them (input and paints go to a top-level window's child when it has one), with keys,
// buttons, modifiers and wheel steps translated to the framework's codes here and nowhere else.
#include "platform/eventloop.h"

#include <SDL.h>

#include <algorithm>

#include <cmath>
#include <cstring>

#include "platform/window.h"
#include "platform/clock.h"
#include "platform/windowregistry.h"

namespace Platform {
namespace {

int32_t g_quitCode = 0;
// The quit is a flag rather than a queued event (destroying a window could take queued events
// with it); it is taken when the queue is empty. A queued event still wakes a loop that waits.
bool g_quitPosted = false;
uint32_t g_held = 0;  // buttons held, as this loop saw them pressed and released

uint32_t ModifierBits(Uint16 mod) {
  uint32_t bits = 0;
  if (mod & KMOD_SHIFT)
    bits |= kModShift;
  if (mod & KMOD_CTRL)
    bits |= kModCtrl;
  if (mod & KMOD_ALT)
    bits |= kModAlt;
  return bits;
}

uint32_t ButtonBit(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return kButtonLeft;
    case SDL_BUTTON_MIDDLE: return kButtonMiddle;
    case SDL_BUTTON_RIGHT: return kButtonRight;
    default: return 0;
  }
}

uint32_t ButtonMaskBits(Uint32 state) {
  uint32_t bits = 0;
  if (state & SDL_BUTTON_LMASK)
    bits |= kButtonLeft;
  if (state & SDL_BUTTON_MMASK)
    bits |= kButtonMiddle;
  if (state & SDL_BUTTON_RMASK)
    bits |= kButtonRight;
  return bits;
}

// Mouse buttons with the Shift and Ctrl bits, as the framework wants them.
uint32_t WithModifiers(uint32_t buttons) {
  return buttons | (ModifierBits(Uint16(SDL_GetModState())) & (kModShift | kModCtrl));
}

uint32_t ModifierKeyBit(SDL_Keycode sym) {
  switch (sym) {
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return kModShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return kModCtrl;
    case SDLK_LALT:
    case SDLK_RALT: return kModAlt;
    default: return 0;
  }
}

// The framework's code of a key, or 0. Keys that type a control character are marked so.
uint32_t KeyCode(SDL_Keycode sym, Uint16 mod, bool& character) {
  character = false;
  switch (sym) {
    case SDLK_UP: return 0x100;
    case SDLK_DOWN: return 0x200;
    case SDLK_LEFT: return 0x300;
    case SDLK_RIGHT: return 0x400;
    case SDLK_HOME: return 0x500;
    case SDLK_END: return 0x600;
    case SDLK_PAGEUP: return 0x700;
    case SDLK_PAGEDOWN: return 0x800;
    case SDLK_INSERT: return 0xa00;
    case SDLK_DELETE: return 0xb00;
    default: break;
  }
  if (sym >= SDLK_F1 && sym <= SDLK_F12)
    return uint32_t(0x1100 + (sym - SDLK_F1) * 0x100);
  character = true;
  switch (sym) {
    case SDLK_BACKSPACE: return 0x8;
    case SDLK_TAB: return 0x9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 0xd;
    case SDLK_ESCAPE: return 0x1b;
    default: break;
  }
  // Ctrl with a letter types its control character (Ctrl+A is 1); SDL sends no text for it.
  if ((mod & KMOD_CTRL) && !(mod & KMOD_ALT) && sym >= SDLK_a && sym <= SDLK_z)
    return uint32_t(sym - SDLK_a + 1);
  character = false;
  return 0;
}

int32_t FloorDiv(int32_t v, int32_t d) { return d > 1 ? int32_t(std::floor(double(v) / d)) : v; }

Window* TopFor(Uint32 windowId) {
  if (Window* w = WindowAccess::BySdlId(windowId))
    return w;
  // Synthetic events may carry no window: the keyboard's window, else none.
  if (SDL_Window* focus = SDL_GetKeyboardFocus())
    return WindowAccess::BySdlId(SDL_GetWindowID(focus));
  return nullptr;
}

void SendTo(Window* w, const Message& m) {
  if (w)
    WindowAccess::Send(w, m);
}

void WindowEvent(const SDL_WindowEvent& e) {
  Window* top = WindowAccess::BySdlId(e.windowID);
  if (!top)
    return;
  switch (e.event) {
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_EXPOSED: WindowAccess::InputTarget(top)->Invalidate(); break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: WindowAccess::Resized(top, e.data1, e.data2); break;
    case SDL_WINDOWEVENT_MOVED: {
      Message m;
      m.id = MessageId::Move;
      m.x = e.data1;
      m.y = e.data2;
      SendTo(top, m);
      break;
    }
    case SDL_WINDOWEVENT_FOCUS_GAINED: WindowAccess::ActivationChanged(top, true, false); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: WindowAccess::ActivationChanged(top, false, top->IsMinimized()); break;
    case SDL_WINDOWEVENT_MINIMIZED: WindowAccess::ActivationChanged(top, false, true); break;
    case SDL_WINDOWEVENT_RESTORED: WindowAccess::ActivationChanged(top, WindowAccess::Active(top), false); break;
    case SDL_WINDOWEVENT_ENTER: WindowAccess::SetMouseInside(top, true); break;
    case SDL_WINDOWEVENT_LEAVE: WindowAccess::SetMouseInside(top, false); break;
    case SDL_WINDOWEVENT_CLOSE: {
      Message m;
      m.id = MessageId::Close;
      SendTo(top, m);
      break;
    }
    default: break;
  }
}

void Dispatch(const SDL_Event& e) {
  const LayerEvents& layer = Events();
  if (e.type == layer.quit && layer.quit != 0)
    return;  // only wakes the loop
  if (e.type == layer.paint && layer.paint != 0) {
    if (Window* w = WindowAccess::BySerial(uint32_t(e.user.code))) {
      WindowAccess::ClearPaintPending(w);
      Message m;
      m.id = MessageId::Paint;
      WindowAccess::Send(w, m);
    }
    return;
  }
  if (e.type == layer.close && layer.close != 0) {
    Message m;
    m.id = MessageId::Close;
    SendTo(WindowAccess::BySerial(uint32_t(e.user.code)), m);
    return;
  }
  Message m;
  switch (e.type) {
    case SDL_WINDOWEVENT: WindowEvent(e.window); return;
    case SDL_QUIT: {
      // The session or a signal asks the program to end: every window gets a close request.
      bool any = false;
      for (Window* w : WindowAccess::TopLevels()) {
        PostClose(w);
        any = true;
      }
      if (!any)
        PostQuit(0);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      Window* top = TopFor(e.key.windowID);
      if (!top)
        return;
      m.id = e.type == SDL_KEYDOWN ? MessageId::KeyDown : MessageId::KeyUp;
      m.modifier = ModifierKeyBit(e.key.keysym.sym);
      m.modifiers = ModifierBits(e.key.keysym.mod);
      if (e.type == SDL_KEYDOWN) {
        m.modifiers |= m.modifier;
        if (!m.modifier)
          m.key = KeyCode(e.key.keysym.sym, e.key.keysym.mod, m.character);
      } else {
        m.modifiers &= ~m.modifier;
      }
      SendTo(WindowAccess::InputTarget(top), m);
      return;
    }
    case SDL_TEXTINPUT: {
      Window* top = TopFor(e.text.windowID);
      if (!top)
        return;
      m.id = MessageId::Text;
      m.text.assign(e.text.text, strnlen(e.text.text, sizeof(e.text.text)));
      SendTo(WindowAccess::InputTarget(top), m);
      return;
    }
    case SDL_MOUSEMOTION: {
      Window* top = TopFor(e.motion.windowID);
      if (!top || e.motion.which == SDL_TOUCH_MOUSEID)
        return;
      WindowAccess::SetMouseInside(top, true);
      m.id = MessageId::MouseMove;
      m.x = FloorDiv(e.motion.x, top->Scale());
      m.y = FloorDiv(e.motion.y, top->Scale());
      m.buttons = WithModifiers(ButtonMaskBits(e.motion.state));
      SendTo(WindowAccess::InputTarget(top), m);
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      Window* top = TopFor(e.button.windowID);
      m.button = ButtonBit(e.button.button);
      if (!top || !m.button || e.button.which == SDL_TOUCH_MOUSEID)
        return;
      if (e.type == SDL_MOUSEBUTTONDOWN)
        g_held |= m.button;
      else
        g_held &= ~m.button;
      m.id = e.type == SDL_MOUSEBUTTONDOWN ? MessageId::ButtonDown : MessageId::ButtonUp;
      m.x = FloorDiv(e.button.x, top->Scale());
      m.y = FloorDiv(e.button.y, top->Scale());
      m.buttons = WithModifiers(g_held);
      SendTo(WindowAccess::InputTarget(top), m);
      return;
    }
    case SDL_MOUSEWHEEL: {
      Window* top = TopFor(e.wheel.windowID);
      if (!top || e.wheel.which == SDL_TOUCH_MOUSEID)
        return;
      float delta = e.wheel.preciseY != 0.0f ? e.wheel.preciseY : float(e.wheel.y);
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
        delta = -delta;
      if (delta == 0.0f)
        return;
      m.id = MessageId::Wheel;
      m.x = FloorDiv(e.wheel.mouseX, top->Scale());
      m.y = FloorDiv(e.wheel.mouseY, top->Scale());
      m.wheel = delta;
      m.buttons = WithModifiers(g_held);
      SendTo(WindowAccess::InputTarget(top), m);
      return;
    }
    default: return;
  }
}

}  // namespace

bool StartVideo() {
  static const bool started = [] {
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A click that activates the window is also a click on the skin.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
      SDL_Log("video: %s", SDL_GetError());
      return false;
    }
    SDL_StartTextInput();
    return true;
  }();
  return started;
}

LoopResult DispatchNext() {
  if (Window* w = WindowAccess::DueTimer(NowMs(), nullptr)) {
    const uint32_t serial = WindowAccess::Serial(w);
    Message m;
    m.id = MessageId::Timer;
    WindowAccess::Send(w, m);
    // The tick's work may have destroyed the window.
    if (Window* still = WindowAccess::BySerial(serial))
      WindowAccess::TimerDelivered(still);
    return LoopResult::Dispatched;
  }
  SDL_Event e;
  if (SDL_PollEvent(&e) == 1) {
    Dispatch(e);
    return LoopResult::Dispatched;
  }
  // As on other systems, the quit comes once the messages posted before it are handled.
  if (g_quitPosted) {
    g_quitPosted = false;
    return LoopResult::Quit;
  }
  return LoopResult::Empty;
}

LoopResult DispatchAll() {
  for (;;) {
    const LoopResult r = DispatchNext();
    if (r != LoopResult::Dispatched)
      return r;
  }
}

bool EventWaiting() {
  if (g_quitPosted || WindowAccess::DueTimer(NowMs(), nullptr))
    return true;
  SDL_PumpEvents();
  return SDL_PeepEvents(nullptr, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

void WaitForEvent(int32_t timeoutMs) {
  // Until an event arrives, the timeout passes or the next timer tick is due.
  uint64_t next = UINT64_MAX;
  const uint64_t now = NowMs();
  if (WindowAccess::DueTimer(now, &next) || g_quitPosted)
    return;
  if (next != UINT64_MAX) {
    const uint64_t untilTick = next - now;
    if (timeoutMs < 0 || untilTick < uint64_t(timeoutMs))
      timeoutMs = int32_t(std::min<uint64_t>(untilTick, INT32_MAX));
  }
  if (timeoutMs < 0)
    SDL_WaitEvent(nullptr);
  else
    SDL_WaitEventTimeout(nullptr, timeoutMs);
}

void PostQuit(int32_t code) {
  if (!StartVideo())
    return;
  SDL_Event e{};
  e.type = Events().quit;
  g_quitCode = code;
  g_quitPosted = true;
  SDL_PushEvent(&e);
}

int32_t QuitCode() { return g_quitCode; }

void PostClose(Window* window) {
  if (!window)
    return;
  SDL_Event e{};
  e.type = Events().close;
  e.user.code = int32_t(WindowAccess::Serial(window));
  SDL_PushEvent(&e);
}

}  // namespace Platform
