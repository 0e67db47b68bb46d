// What the window layer's two halves (windows, and the loop that feeds them) share: the live
// windows by serial and by SDL window id, the layer's own SDL event types, and the sending of a
// message to a window's procedure. Internal to platform/.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace Platform {

// The layer's SDL user events; code = the window's serial (0 for quit), data1 = quit code.
struct LayerEvents {
  uint32_t paint = 0;
  uint32_t close = 0;
  uint32_t quit = 0;
};
// Registered on first use (after SDL's video is up).
const LayerEvents& Events();

struct WindowAccess {
  static Window* BySerial(uint32_t serial);
  static Window* BySdlId(uint32_t id);
  static std::vector<Window*> TopLevels();
  static uint32_t Serial(const Window* w) { return w->serial_; }
  // Sends the message to the window's procedure; -1 when it has none.
  static int64_t Send(Window* window, const Message& message);
  // The window that takes input and paints for a top-level window: its child, else itself.
  static Window* InputTarget(Window* top) { return top->child_ ? top->child_ : top; }
  static void SetMouseInside(Window* w, bool inside) { w->mouseInside_ = inside; }
  static void ClearPaintPending(Window* w) { w->paintPending_ = false; }
  // The window whose timer tick is due at `now` (the most overdue), or null; *nextDue gets the
  // earliest deadline of any timer (UINT64_MAX without timers).
  static Window* DueTimer(uint64_t now, uint64_t* nextDue);
  // A tick was handled: the next one is due a period from now.
  static void TimerDelivered(Window* w);
  // The window system changed the size or the activation: records and reports it.
  static void Resized(Window* top, int32_t screenW, int32_t screenH);
  static void ActivationChanged(Window* top, bool active, bool minimized);
  static bool Active(const Window* w) { return w->active_; }
};

}  // namespace Platform
