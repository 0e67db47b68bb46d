// Native windows on SDL2. A window is created through a registered window class whose procedure
// receives every message of the window, already in the framework's terms: pointer positions in
// the skin's pixels (divided by the window's scale), buttons and keys as the framework's bits and
// codes, typed text as UTF-8. A child window shares its parent's SDL window and covers its client
// area; it receives the input and paints, its parent the window-level messages.
// Everything here runs on the one user-interface thread, timers included.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SDL_Window;

namespace Platform {

// Buttons and modifiers (the pane framework's bits).
inline constexpr uint32_t kButtonLeft = 1;
inline constexpr uint32_t kButtonMiddle = 2;
inline constexpr uint32_t kButtonRight = 4;
inline constexpr uint32_t kModShift = 8;
inline constexpr uint32_t kModCtrl = 16;
inline constexpr uint32_t kModAlt = 32;

enum class MessageId : uint32_t {
  Create,      // sent from inside CreateNativeWindow; createParam set
  Destroy,     // sent from inside DestroyNativeWindow, before the children's
  Size,        // x, y = new client width and height
  Move,        // x, y = new client position on the screen (screen pixels)
  Paint,       // the window must be drawn and shown
  Activate,    // active, minimized
  KeyDown,     // key (0 when the key has no code), character, modifier, modifiers
  KeyUp,       // modifier, modifiers
  Text,        // text: typed characters as UTF-8
  MouseMove,   // x, y, buttons
  ButtonDown,  // button (one of kButton…), x, y, buttons (held after the press, with modifiers)
  ButtonUp,    // button, x, y, buttons (held after the release, with modifiers)
  Wheel,       // x, y, buttons, wheel (one notch = 1.0)
  Close,       // the user or the program asks the window to close
  Timer,       // the window's timer ticked (a loop that fell behind gets one tick, not a backlog)
};

struct Message {
  MessageId id = MessageId::Paint;
  int32_t x = 0;
  int32_t y = 0;
  uint32_t buttons = 0;
  uint32_t button = 0;
  // KeyDown: the framework key code. With `character` set the code is a character the way a
  // keyboard types it (Backspace 8, Tab 9, Return 13, Esc 27, Ctrl+letter 1..26), which the
  // framework takes without modifier bits.
  uint32_t key = 0;
  bool character = false;
  // KeyDown/KeyUp of Shift, Ctrl or Alt themselves: that modifier's bit, else 0.
  uint32_t modifier = 0;
  // The modifier bits held after the event.
  uint32_t modifiers = 0;
  float wheel = 0.0f;
  bool active = false;
  bool minimized = false;
  std::string text;
  void* createParam = nullptr;
};

class Window;
// The window procedure: answers -1 for a message it did not handle.
using WindowProc = int64_t (*)(Window* window, const Message& message);

// Window classes: a name with a procedure. Answers false when the name is taken (register) or
// unknown (unregister).
bool RegisterWindowClass(std::string_view name, WindowProc proc);
bool UnregisterWindowClass(std::string_view name);
bool IsWindowClassRegistered(std::string_view name);

// Frame kinds: 0 and 1 resizable with decorations, 2 resizable without maximizing, 3 fixed
// size with decorations, 4 and 5 borderless.
struct WindowSpec {
  std::string className;
  std::string title;
  int32_t style = 1;
  // Client size in the skin's pixels; 0 lets the layer choose (640 x 480).
  int32_t width = 0;
  int32_t height = 0;
  // Screen position of the client area; kCentered centres on the primary display, kAnyPosition
  // lets the system choose.
  int32_t x = kAnyPosition;
  int32_t y = kAnyPosition;
  Window* parent = nullptr;
  void* createParam = nullptr;
  static constexpr int32_t kCentered = -0x7fff0000;
  static constexpr int32_t kAnyPosition = -0x7ffe0000;
};

// Creates the window (hidden until ShowNativeWindow) and sends it Create and then Size; a child
// also gets Paint on the next loop turn. Null when the class is unknown, SDL's video cannot start,
// or the native window cannot be made; a Create message answered with a value other than 0 or -1
// also fails the creation (the window is then destroyed again).
Window* CreateNativeWindow(const WindowSpec& spec);
// Sends Destroy to the window, then destroys its children, and frees it. The pointer is dead
// afterwards.
void DestroyNativeWindow(Window* window);

// The skin's pixels are shown enlarged by a whole factor on high-density displays: 2 when the
// display scale is 1.5 or more, else 1. A forced factor (1..8) overrides that; 0 restores it.
void SetForcedScale(int32_t factor);

struct DisplayBounds {
  int32_t x, y, width, height;
};
// The bounds of every display, the primary first; empty without video.
std::vector<DisplayBounds> Displays();
// What the primary display's pixels need: 0 none (24 bits or more, or unknown), 1 dithering to
// 5-5-5, 2 dithering to 5-6-5.
int32_t DisplayDitherMode();
// The primary display's scale (1.0 for 96 dots per inch); 1.0 when unknown.
float PrimaryDisplayScale();

class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void SetUserData(void* data) noexcept { userData_ = data; }
  void* UserData() const noexcept { return userData_; }
  Window* Parent() const noexcept { return parent_; }
  Window* TopLevel() noexcept { return parent_ ? parent_ : this; }
  // The SDL window (the parent's for a child), e.g. to own a message box.
  SDL_Window* Native() const noexcept;
  int32_t Style() const noexcept { return style_; }
  // Screen pixels per skin pixel.
  int32_t Scale() const noexcept;

  void Show();
  void Hide();
  void Minimize();
  void Restore();
  void Raise();
  void TakeFocus();
  bool IsMinimized() const;
  bool IsVisible() const;

  // Client size in skin pixels. For a child this moves it within its parent (x and y are kept 0)
  // and sends Size when the size changed.
  void SetClientSize(int32_t width, int32_t height);
  int32_t Width() const noexcept { return width_; }
  int32_t Height() const noexcept { return height_; }
  // Client position on the screen, in screen pixels (the parent's for a child).
  void GetPosition(int32_t& x, int32_t& y) const;
  void SetPosition(int32_t x, int32_t y);
  void MoveBy(int32_t dx, int32_t dy);
  // Outer size limits in skin pixels; 0 for no limit.
  void SetSizeLimits(int32_t minW, int32_t minH, int32_t maxW, int32_t maxH);
  // Sets the client size and, when `move`, centres the window on the primary display.
  void Center(int32_t width, int32_t height, bool move);

  // Asks for a Paint message on a later loop turn (several requests give one message).
  void Invalidate();
  // Shows 32-bit top-down pixels (bytes blue, green, red, unused), `stride` pixels a row, as the
  // window's content, enlarged by the scale. Answers false when nothing could be shown.
  bool Present(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride);

  // Starts (ms > 0) or stops (ms = 0) the window's one timer.
  void StartTimer(uint32_t ms);
  bool TimerRunning() const noexcept { return timerPeriod_ != 0; }
  // Whether the pointer is inside the window, as last reported by the window system.
  bool MouseInside() const noexcept;
  void CaptureMouse(bool on);
  // The pointer's place on the screen (screen pixels), whichever window it is over.
  static void ScreenMousePosition(int32_t& x, int32_t& y);

 private:
  friend struct WindowAccess;
  friend Window* CreateNativeWindow(const WindowSpec& spec);
  friend void DestroyNativeWindow(Window* window);
  Window() = default;
  ~Window();

  SDL_Window* sdl_ = nullptr;
  struct Presenter* presenter_ = nullptr;
  Window* parent_ = nullptr;
  Window* child_ = nullptr;  // the child that takes input and paints
  WindowProc proc_ = nullptr;
  void* userData_ = nullptr;
  int32_t style_ = 1;
  int32_t scale_ = 1;
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t serial_ = 0;
  uint32_t timerPeriod_ = 0;  // 0: no timer
  uint64_t timerDue_ = 0;     // clock milliseconds of the next tick
  bool paintPending_ = false;
  bool mouseInside_ = false;
  bool active_ = false;
  bool minimized_ = false;
};

}  // namespace Platform
