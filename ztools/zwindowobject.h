// ZWindowObject: one native window of the framework. It is made through the framework's window
// class, whose procedure hands every message of the window to the object's HandleMessage; it
// owns the window's timer. The window layer underneath (platform/window.h) delivers messages in
// the framework's terms: positions in skin pixels, buttons and keys as pane bits and codes.
//
// Create's rectangle: without a parent, left and top are the screen position of the client area
// (negative: centred on the primary display in that direction) and right and bottom the client
// width and height; 0 for either lets the system choose. With a parent, the window is a child
// covering the parent's client area, sized to the rectangle's width and height when both are
// positive, else to the parent's client size.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window.h"
#include "ztools/zgeometry.h"

namespace ZTools {

inline constexpr const char* kWindowClassName = "ZWindowObjectClass";
inline constexpr const char* kDefaultWindowTitle = "ZWindowObjectTitle";

// Show commands.
inline constexpr int32_t kShowHide = 0;
inline constexpr int32_t kShowNormal = 1;
inline constexpr int32_t kShowMinimized = 2;

class ZWindowObject {
 public:
  ZWindowObject() = default;
  // Destroys a window the object still holds.
  virtual ~ZWindowObject();
  ZWindowObject(const ZWindowObject&) = delete;
  ZWindowObject& operator=(const ZWindowObject&) = delete;

  // -1 when the class is not registered, a window already exists, or creation fails.
  virtual int32_t Create(int32_t style, std::string_view title, const ZRect& rect, ZWindowObject* parent);
  // Stops the timer and destroys the window; -1 without a window.
  virtual int32_t Destroy();
  virtual int32_t Show(int32_t showCommand);
  virtual void TakeFocus();
  virtual void OnActivate(bool active, bool minimized);
  // Stops the current timer; a period other than 0 starts a new one whose ticks call OnTimer.
  virtual void StartTimer(uint32_t ms);
  // Sets the client size; with `move` also centres the window on the primary display.
  virtual void CenterWindow(int32_t width, int32_t height, bool move);
  // -1 for a message that is not handled.
  virtual int64_t HandleMessage(const Platform::Message& message);
  virtual void OnTimer() {}
  virtual void AttachHandle(Platform::Window* window);
  virtual void DetachHandle();

  Platform::Window* Handle() const noexcept { return window_; }
  // The style recorded at creation (a child's is 4).
  int32_t GetStyle() const noexcept { return style_; }
  bool TimerRunning() const noexcept { return timer_ != 0; }

  // The framework's window class; the process registers it once before making windows.
  static bool RegisterClass();
  static bool UnregisterClass();
  static bool ClassRegistered();
  // The application's window, while it exists.
  static Platform::Window* MainWindow() noexcept { return mainWindow_; }

 protected:
  static void SetMainWindow(Platform::Window* window) noexcept { mainWindow_ = window; }

 private:
  static int64_t WindowProc(Platform::Window* window, const Platform::Message& message);

  Platform::Window* window_ = nullptr;
  uint32_t timer_ = 0;
  int32_t style_ = 0;
  static inline Platform::Window* mainWindow_ = nullptr;
};

}  // namespace ZTools
