// ZPaneWindow: the window that shows a pane manager. It owns the off-screen drawing context the
// manager draws into and shows it on paint, turns the window's pointer, wheel, key and text
// messages into pane manager calls, drives the manager's idle work from its timer (20 ms, 10 ms
// with fast update), lets borderless skins (application style 4 or 5) be dragged by their empty
// areas, and carries out the requests panes queue for the window.
//
// A translucent window draws the skin over a background context of its own (white); the screen
// behind the window is not copied.
#pragma once

#include <cstdint>
#include <memory>

#include "ztools/zextdrawcontext.h"
#include "ztools/zgeometry.h"
#include "ztools/zwindowobject.h"

namespace ZTools {

class ZPaneManager;

inline constexpr uint32_t kPaneTimerMs = 20;
inline constexpr uint32_t kPaneFastTimerMs = 10;
// While the window is minimised or hidden nothing is drawn: the skin's idle work (its scripts'
// Idle hooks, a radio's reconnect clock) runs five times a second instead.
inline constexpr uint32_t kPaneHiddenTimerMs = 200;
// Where the pointer is said to be when it left the window.
inline constexpr int32_t kMouseAway = -32000;

class ZPaneWindow : public ZWindowObject {
 public:
  ZPaneWindow() = default;
  ~ZPaneWindow() override;

  // The manager is not owned; it must outlive the window or be replaced first.
  virtual void SetPaneManager(ZPaneManager* manager);
  virtual void SetSmoothDrag(bool flag) { smoothDrag_ = flag; }
  virtual void SetFastUpdate(bool flag);
  // Answers whether the drawing changes.
  virtual bool SetDitherMode(bool flag);
  virtual void SetTranslucent(bool flag) { translucent_ = flag; }
  virtual bool IsActive() const { return active_ && !minimized_; }

  int32_t Create(int32_t style, std::string_view title, const ZRect& rect, ZWindowObject* parent) override;
  void OnActivate(bool active, bool minimized) override;
  int64_t HandleMessage(const Platform::Message& message) override;
  void OnTimer() override;

  // The main drawing context, null while the window has none (also when it could not be
  // allocated). Its pixels are what the window shows.
  const ZDrawContext* DrawingContext() const noexcept { return Usable() ? context_.get() : nullptr; }
  ZPaneManager* PaneManager() const noexcept { return manager_; }
  bool SmoothDrag() const noexcept { return smoothDrag_; }
  bool FastUpdate() const noexcept { return fastUpdate_; }
  bool Translucent() const noexcept { return translucent_; }
  bool Hovering() const noexcept { return hover_; }
  bool DraggingWindow() const noexcept { return dragCount_ != 0; }
  // Takes the manager's queued window requests and carries them out.
  void ProcessWindowRequests();

 private:
  bool Usable() const noexcept { return context_ && context_->GetPixels() && context_->Width() > 0; }
  void MakeContext(int32_t width, int32_t height);
  void Paint();
  void MouseMove(const Platform::Message& m);
  void FinishClick(uint32_t buttons, ZPoint p);
  void ForgetMouse();
  void GrabBackground(bool hide);
  void InvalidateIfNeeded();

  uint32_t downButtons_ = 0;
  uint32_t buttons_ = 0;
  ZPoint downPos_;
  bool downValid_ = false;
  ZPoint pos_;
  bool smoothDrag_ = false;
  bool fastUpdate_ = false;
  bool ditherNeeded_ = false;
  bool translucent_ = false;
  bool minimized_ = false;
  bool active_ = false;
  bool grabbing_ = false;
  bool hover_ = false;
  int32_t layout16_ = kDither565;
  uint32_t modifiers_ = 0;
  std::unique_ptr<ZExtDrawContext> context_;
  std::unique_ptr<ZDrawContext> background_;
  ZPaneManager* manager_ = nullptr;
  // A window drag follows the pointer on the screen from where both were at the press: window
  // coordinates of motion events lag behind the moves the drag makes, and would add up.
  ZPoint dragPointerStart_, dragWindowStart_;
  bool hiddenTimer_ = false;  // the timer runs at the hidden rate
  int32_t dragCount_ = 0;
};

}  // namespace ZTools
