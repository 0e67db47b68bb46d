// ZPaneManager: owns the markup host and through it the skin's objects; finds the skin's
// surfaces (alternative root views, one shown at a time), keeps the list of invalid areas the
// window must redraw, routes the window's input to panes (hover, click, drag with capture,
// wheel, keys, focus, a modal pane), drives idle work, shows tool tips and track info inside the
// window, and handles the events panes post. Events meant for the window are queued here and
// taken one at a time by the window.
//
// Pointers to panes (hover, capture, focus, modal, tool tip) are cleared by ForgetPane, which
// every pane calls when it is destroyed, so none is ever left dangling.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "zml/zmlscripthost.h"
#include "ztools/base/zevent.h"
#include "ztools/zgeometry.h"
#include "ztools/zpaneevent.h"
#include "ztools/base/zstring.h"

namespace ZTools {

class ZDrawContext;
class ZParameter;
class ZView;

inline constexpr const char* kPaneManagerInterface = "interface_zpanemanager";
inline constexpr const char* kPaneManagerName = "panemanager";
// A tool tip shows after the mouse rested this long on a pane that has one.
inline constexpr uint64_t kToolTipDelayMs = 500;
// Past this many separate invalid rectangles the list becomes their bounding box.
inline constexpr size_t kMaxInvalidAreas = 32;

class ZPaneManager : public IEventListener {
 public:
  ZPaneManager();
  // A derived manager's destructor calls Teardown itself, so its own part runs first.
  ~ZPaneManager() override;
  ZPaneManager(const ZPaneManager&) = delete;
  ZPaneManager& operator=(const ZPaneManager&) = delete;

  // ---- building
  // Initializes the host, registers the framework's markup types, registers this manager under
  // the names markup refers to and parses the standard groups. 0 or the first error.
  int32_t Initialize();
  // Parses the skin's main markup file through the resource layer and finds its parts.
  int32_t LoadSkin(std::string_view file);
  // The same for a markup text (tests, tools).
  int32_t LoadSkinText(std::string_view text);
  // The skin's life after loading: Create once, then Open and Close (possibly repeatedly), and
  // Teardown at the end. A derived manager hooks its own work to these moments.
  virtual int32_t Create() { return 0; }
  // Opens the current surface (its root's Open opens the auto-open panes).
  virtual int32_t Open();
  virtual int32_t Close();
  bool IsOpen() const noexcept { return open_; }
  // Closes and destroys every object of the skin; the manager can be initialized again.
  virtual int32_t Teardown();
  ZMLScriptHost& Host() noexcept { return *host_; }

  // ---- surfaces and panes
  size_t SurfaceCount() const noexcept { return surfaces_.size(); }
  int32_t CurrentSurface() const noexcept { return current_; }
  // Switches to surface `index`; an index outside 0..n-1 is ignored (answers false).
  bool SetCurrentSurface(int32_t index);
  ZView* SurfaceRoot(size_t index) const { return index < surfaces_.size() ? surfaces_[index].root : nullptr; }
  ZView* CurrentRoot() const { return SurfaceRoot(size_t(current_)); }
  // A pane by dotted path below the current surface's `views` group (then below the others').
  ZView* GetView(std::string_view path);
  // A pane by reference name.
  ZView* FindView(std::string_view name);
  // A parameter by reference name, and every parameter in document order (listed once the skin
  // is loaded; the document makes no parameters later).
  ZParameter* FindParameter(std::string_view name);
  const std::vector<ZParameter*>& Parameters() const noexcept { return parameters_; }
  // The pane under a root point (the hit search), or null.
  ZView* FindPaneAt(ZPoint p) const;

  // ---- the root area (the window's client area)
  // Sets the root area's size and lays every surface out at it through the resize path.
  void ResizeRootArea(int32_t width, int32_t height);
  ZPoint RootSize() const noexcept { return rootSize_; }
  ZRect RootArea() const noexcept { return ZRect::FromSize(rootSize_.x, rootSize_.y); }

  // ---- invalid areas
  // An empty rectangle, or one covering the root area, invalidates everything; others are merged
  // with the rectangles they overlap (touching does not count).
  void Invalidate(const ZRect& rect);
  void InvalidateAll() { Invalidate(ZRect()); }
  const std::vector<ZRect>& InvalidAreas() const noexcept { return invalid_; }
  // Draws the listed areas and empties the list; answers how many rectangles were drawn.
  size_t DrawInvalid(ZDrawContext& context);
  // Draws one area of the current surface (root coordinates), overlays included.
  void Draw(ZDrawContext& context, const ZRect& area);

  // ---- input from the window (points in root coordinates)
  void MouseHover(ZPoint p);
  // Answers whether a pane took the click.
  bool Click(uint32_t buttons, ZPoint p);
  void ClickRelease(uint32_t buttons, ZPoint p);
  void Drag(uint32_t buttons, ZPoint p);
  void DragStop();
  // One notch is 1.0.
  bool Wheel(uint32_t buttons, ZPoint p, float delta);
  bool Key(uint32_t key);
  // A key (or a typed ASCII character) that the focus pane did not take; answers whether it
  // was used. The script-enabled manager hands it to the skin's Key hook.
  virtual bool UnhandledKey(uint32_t) { return false; }
  // Typed text for the focus pane; text that is not valid UTF-8 is dropped.
  bool Text(std::string_view utf8);
  // Idle work at a clock time in milliseconds: idle calls, tool tip timing.
  virtual void Idle(uint64_t nowMs);
  virtual void Activate(bool active, bool minimized = false);
  // Every parameter change the manager hears as the parameters' default listener.
  virtual void ParameterChanged(ZParameter* parameter);
  void RedrawAll() { InvalidateAll(); }
  // The next event a pane posted for the window, or an empty reference.
  ZEventRef<ZPaneEvent> TakeNextEvent();
  ZPoint MousePosition() const noexcept { return mouse_; }
  // The clock time of the last idle call, in milliseconds.
  uint64_t Now() const noexcept { return now_; }

  // ---- state
  ZView* HoverPane() const noexcept { return hover_; }
  // The pane that receives the mouse: the one being dragged, else the one holding the capture.
  ZView* CapturePane() const noexcept { return capture_ ? capture_ : held_; }
  // The pane that posted SystemStartMouseCapture and not yet SystemStopMouseCapture (an open
  // pop-up): every click that lands outside it is offered to it first.
  ZView* HeldPane() const noexcept { return held_; }
  ZView* FocusPane() const noexcept { return focus_; }
  ZView* ModalPane() const noexcept { return modal_; }
  // While a modal pane is set, the hit search starts at it, so nothing else takes input.
  void SetModalPane(ZView* pane) { modal_ = pane; }
  void SetFocusPane(ZView* pane);
  bool ToolTipsEnabled() const noexcept { return toolTipsEnabled_; }
  bool ToolTipShown() const noexcept { return toolTipShown_; }
  const ZString& TrackInfo() const noexcept { return trackInfo_; }
  // How many edit brackets (begin without end) are open.
  int32_t OpenEdits() const noexcept { return openEdits_; }
  // How many edit brackets were opened since the skin was loaded (tests and tools).
  int32_t EditsBegun() const noexcept { return editsBegun_; }
  // A pane is going away: every pointer to it is cleared.
  void ForgetPane(ZView* pane);

  // ---- system parameters: called when a parameter named "system_…" changes (the manager is
  // every parameter's default listener), and for each of them once the skin is loaded.
  void SystemParameterChanged(std::string_view name, double value, double normalized);

  int32_t OnEvent(ZEvent* event) override;

 protected:
  // Registers the markup types the skin may use; derived managers add theirs after these.
  virtual int32_t RegisterTypes();
  // The standard groups parsed before the skin.
  virtual const char* StandardGroups() const;
  // Called when a skin has been built and its surfaces found; an error fails the load.
  virtual int32_t SkinLoaded() { return 0; }

 private:
  struct Surface {
    ZMLNode* views = nullptr;
    ZView* root = nullptr;
    ZPoint size;  // the root's size in the markup, before any layout to the root area
  };
  int32_t FindSurfaces();
  void ListParameters();
  void QueueForWindow(ZPaneEvent& event);
  void InvalidatePane(ZView* pane);
  // Tool tips and track info (zpaneoverlay.cpp).
  void ShowToolTip(ZView* pane, std::string_view text);
  void HideToolTip();
  void ShowTrackInfo(ZView* pane, std::string_view text);
  void HideTrackInfo();
  void DrawOverlays(ZDrawContext& context, const ZRect& area);
  // Idle calls to the open panes that want them, depth first.
  void IdlePanes(ZView* pane);

  std::unique_ptr<ZMLScriptHost> host_;
  std::vector<Surface> surfaces_;
  std::vector<ZParameter*> parameters_;
  int32_t current_ = 0;
  bool open_ = false;
  ZPoint rootSize_;
  std::vector<ZRect> invalid_;
  std::deque<ZEventRef<ZPaneEvent>> windowEvents_;

  ZPoint mouse_;
  uint64_t mouseMovedAt_ = 0;
  uint64_t now_ = 0;
  ZView* hover_ = nullptr;
  ZView* capture_ = nullptr;  // the drag in progress
  ZView* held_ = nullptr;     // the mouse capture a pane asked for
  ZView* focus_ = nullptr;
  ZView* modal_ = nullptr;
  ZView* clicked_ = nullptr;
  uint32_t dragButtons_ = 0;

  bool toolTipsEnabled_ = true;
  bool toolTipShown_ = false;
  ZRect toolTipRect_;
  ZString toolTipText_;
  ZView* toolTipPane_ = nullptr;
  ZView* trackPane_ = nullptr;
  ZString trackInfo_;
  ZRect trackRect_;
  int32_t openEdits_ = 0;
  int32_t editsBegun_ = 0;
};

}  // namespace ZTools
