// ZView: the plain pane. It keeps the frame (in the parent's coordinates), flags, auto-align
// mode, visibility, focus, an extra clip rectangle, a scroll offset, a tag and the children in
// z-order (later children are drawn over earlier ones and take the mouse first). It answers the
// markup events that build it, reads the common pane properties through one table, aligns its
// children when it is resized and reports upward by posting pane events.
//
// Layout never leaves the safe range: positions and sizes are limited to ±kMaxPaneCoordinate,
// and nesting to kMaxPaneDepth levels, so no walk over the tree can exhaust the stack.
#pragma once

#include <cstdint>
#include <string_view>

#include "ztools/zpane.h"
#include "ztools/zpaneevent.h"
#include "ztools/zpanewords.h"
#include "ztools/base/zstring.h"

namespace ZTools {

class ZPaneManager;

inline constexpr int32_t kMaxPaneCoordinate = 16384;
inline constexpr size_t kMaxPaneDepth = 256;

inline constexpr const char* kZViewDeclaration =
    "interface_zpane::view flags? align? size? pos? tip? ( interface_zpane* )";

class ZView : public ZPane {
 public:
  ZView() = default;
  ~ZView() override;
  ZView(const ZView&) = delete;
  ZView& operator=(const ZView&) = delete;

  // ZPane
  int32_t OnEvent(ZEvent* event) override;
  int32_t OnCreate() override { return 0; }
  int32_t OnFinish() override { return 0; }
  // Opens the pane and every child with `wantautoopen`; Close closes the open children first.
  int32_t Open() override;
  int32_t Close() override;
  int32_t OnDestroy() override { return 0; }
  int32_t Idle() override { return 0; }
  void Draw(ZDrawContext&) override {}
  int32_t OnClick(uint32_t, ZPoint) override { return 0; }
  int32_t OnDrag(uint32_t, ZPoint) override { return 0; }
  int32_t OnMouseEnter() override { return 0; }
  int32_t OnMouseLeave() override { return 0; }
  int32_t OnKey(uint32_t) override { return 0; }
  int32_t OnStartDrag(uint32_t, ZPoint) override { return 0; }
  int32_t OnStopDrag() override { return 0; }
  int32_t OnWheel(uint32_t, ZPoint, float) override { return 0; }
  void OnClickRelease(uint32_t) override {}
  int32_t OnText(std::string_view) override { return 0; }
  void TakeFocus() override { focused_ = true; }
  void RemoveFocus() override { focused_ = false; }
  uint32_t GetFlags() const override { return flags_; }
  ZPoint GetPosition() const override { return frame_.TopLeft(); }
  int32_t Width() const override { return frame_.Width(); }
  int32_t Height() const override { return frame_.Height(); }
  ZRect GetRect() const override { return frame_; }
  ZRect GetExtraClipRect() const override { return extraClip_; }
  int32_t GetAutoAlign() const override { return align_; }
  int32_t GetTag() const override { return tag_; }
  ZPoint GetScrollOffset() const override { return scroll_; }
  bool HasFlag(uint32_t flags) const override { return (flags_ & flags) == flags; }
  bool IsVisible() const override { return visible_; }
  bool HasFocus() const override { return focused_; }
  bool IsHitAt(ZPoint) const override { return true; }
  void SetTag(int32_t tag) override { tag_ = tag; }
  void Paint(ZDrawContext& context, const ZRect& clip, ZPoint origin) override;
  void SetFlags(uint32_t flags) override { flags_ = flags; }
  // Position and size are limited to ±kMaxPaneCoordinate.
  void SetPosition(int32_t x, int32_t y) override;
  void SetSize(int32_t width, int32_t height) override;
  // An empty rectangle means no extra clipping; otherwise it is in the pane's own coordinates
  // and limits what the pane and its children draw.
  void SetExtraClipRect(const ZRect& rect) override { extraClip_ = rect; }
  void SetAutoAlign(int32_t mode) override;
  void SetScrollOffset(ZPoint offset) override { scroll_ = offset; }
  // Only with `canmove` / `canresize`; without them nothing happens.
  void MoveBy(int32_t dx, int32_t dy) override;
  void ResizeBy(int32_t dx, int32_t dy) override;
  ZPoint GetContentSize() const override;
  int32_t AddChild(ZView* child) override;
  bool RemoveChild(ZView* child) override;
  size_t ChildCount() const override { return children_.Count(); }
  ZView* ChildAt(size_t index) override;
  ZLinkedList<ZView*>::Iteration Children() override { return children_.Iterate(); }
  // The children from the one drawn last (on top) to the one drawn first: the hit search's order.
  ZLinkedList<ZView*>::Iteration ChildrenTopFirst() { return children_.IterateReverse(); }
  int32_t SetProperty(std::string_view name, std::string_view value, ZMLParser* host) override;

  // Visibility (scripts show and hide panes).
  void SetVisible(bool visible);
  bool IsOpen() const noexcept { return open_; }
  ZView* Parent() const noexcept { return parent_; }
  ZPaneManager* Manager() const noexcept { return manager_; }
  ZMLParser* Host() const noexcept { return host_; }
  // Levels above this pane (a pane without parent has depth 0).
  size_t Depth() const noexcept { return depth_; }
  const ZString& GetToolTip() const noexcept { return toolTip_; }
  void SetToolTip(std::string_view text) { toolTip_ = text; }
  // The type's markup declaration, answered to GetTypeDecl.
  virtual const char* Declaration() const { return kZViewDeclaration; }
  // The flags a `flags` list starts from: panes that take input by their nature add theirs to
  // kDefaultFlags, and set them in their constructor as well.
  virtual uint32_t DefaultFlags() const { return kDefaultFlags; }
  // Called when the parent opens, for each child that is not opened with it (no `wantautoopen`),
  // so a pane that opens on its own terms (a pop-up driven by its parameter) can follow.
  virtual void ParentOpened() {}
  // The top-left corner of the pane in root coordinates, and its frame there.
  ZPoint AbsolutePosition() const;
  ZRect AbsoluteRect() const;
  // Where the mouse was last seen, in this pane's coordinates.
  ZPoint GetMousePosition() const;

  // The layout step of a resize: the frame grows by (dx, dy) (clamped at size 0, with the
  // amount it could not take remembered and repaid first when the pane grows again), then the
  // children are re-aligned by their modes. Ignores `canresize`: the parent and the window lay
  // panes out whatever flags they carry. Also MoveFrameBy, the layout step of a move.
  void ResizeFrameBy(int32_t dx, int32_t dy);
  void MoveFrameBy(int32_t dx, int32_t dy);
  // Used by the pane manager to attach a pane it made itself (a surface root does not need it).
  void AttachManager(ZPaneManager* manager) noexcept { manager_ = manager; }

  // Posting: each sends one pane event to whoever handles its family.
  int32_t PostRedraw();
  int32_t PostBeginEdit();
  int32_t PostEndEdit();
  int32_t PostMoveToTop();
  int32_t PostMoveToBottom();
  int32_t PostInvalidateClick();
  int32_t PostShowTrackInfo(std::string_view text);
  int32_t PostHideTrackInfo();
  int32_t PostStartMouseCapture();
  int32_t PostStopMouseCapture();
  int32_t PostTakeFocus();
  int32_t PostRemoveFocus();
  int32_t PostCheckMousePosition();
  int32_t PostButtonClicked();
  int32_t PostButtonEnabled(bool state);
  int32_t PostWindowMinimize();
  int32_t PostWindowClose();
  // Sends a prepared event: window and manager events to the manager (which queues the
  // window's), parent events to the parent, pane events to this pane. kZErrObjectNotAvailable when
  // nobody is there.
  int32_t Post(ZPaneEvent& event);

 protected:
  // Handles the pane events addressed to this pane as a parent or as itself (move-to-top and
  // move-to-bottom of a child); derived panes add their own and call this for the rest.
  virtual int32_t OnPaneEvent(ZPaneEvent& event);
  // The pane's property table; derived panes try theirs first and fall back to this.
  int32_t SetViewProperty(std::string_view name, std::string_view value);
  // Re-aligns every child after this pane was resized by (dx, dy). Panes that lay out parts of
  // their own (a scroll view's bars and client) replace it.
  virtual void AlignChildren(int32_t dx, int32_t dy);

 private:
  friend class ZPaneManager;
  int32_t OnMarkupEvent(ZEvent* event);
  // Forgets the children (they are being destroyed by the markup) and the parent link.
  void Detach();

  uint32_t flags_ = kDefaultFlags;
  int32_t align_ = kAlignNone;
  bool visible_ = true;
  bool focused_ = false;
  bool open_ = false;
  ZRect frame_;
  ZRect extraClip_;
  ZPoint scroll_;
  ZPoint owed_;  // size a clamped shrink could not take, repaid first on growth
  int32_t tag_ = 0;
  size_t depth_ = 0;
  ZLinkedList<ZView*> children_;
  ZView* parent_ = nullptr;
  ZMLParser* host_ = nullptr;
  ZPaneManager* manager_ = nullptr;
  ZString toolTip_;
};

}  // namespace ZTools
