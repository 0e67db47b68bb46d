// PopupContainer: opening and closing with parameter 0, the mouse capture, clicks and drawing.
#include "ztools/zpopupcontainer.h"

#include "zml/zmlevent.h"
#include "ztools/zbitmapmarkup.h"
#include "ztools/zdrawcontext.h"
#include "ztools/zmarkuplookup.h"

namespace ZTools {

PopupContainer::PopupContainer() {
  SetFlags(kPopupContainerFlags);
  SetVisible(false);  // closed until its parameter opens it
}

int32_t PopupContainer::OnEvent(ZEvent* event) {
  if (event && event->Id() == kZMLEventDependeeDestroy &&
      static_cast<ZMLEventDependeeDestroy*>(event)->Dependee() == static_cast<IEventListener*>(bitmap_))
    bitmap_ = nullptr;
  return ZControl::OnEvent(event);
}

int32_t PopupContainer::SetProperty(std::string_view name, std::string_view value, ZMLParser* host) {
  if (name == "bitmap")
    return LookupMarkupBitmap(host, this, value, bitmap_);
  return ZControl::SetProperty(name, value, host);
}

int32_t PopupContainer::Open() {
  if (IsOpen())
    return 0;
  SetVisible(true);
  PostStartMouseCapture();
  // Opens the children, then tells ParameterChanged the state it must keep in step with.
  return ZControl::Open();
}

int32_t PopupContainer::Close() {
  const bool wasOpen = IsOpen();
  const int32_t rc = ZControl::Close();
  if (wasOpen) {
    PostStopMouseCapture();
    SetVisible(false);
  }
  return rc;
}

void PopupContainer::ParentOpened() {
  if (ParameterSaysOpen())
    Open();
}

void PopupContainer::ParameterChanged(ZParameter* parameter) {
  if (GetParameterIndex(parameter) != 0)
    return;
  const bool open = ParameterSaysOpen();
  if (open && !IsOpen()) {
    if (!Parent() || Parent()->IsOpen())
      Open();
  } else if (!open && IsOpen()) {
    Close();
  }
  PostRedraw();
}

bool PopupContainer::IsHitAt(ZPoint p) const { return !bitmap_ || bitmap_->HitAt(p); }

int32_t PopupContainer::OnClick(uint32_t, ZPoint p) {
  if (!IsOpen())
    return 0;
  if (ZRect::FromSize(Width(), Height()).Contains(p) && IsHitAt(p))
    return 1;  // its children had it first
  PostBeginEdit(0);
  SetNormalized(0, 0);
  PostEndEdit(0);
  PostRedraw();
  Close();
  PostInvalidateClick();
  PostCheckMousePosition();
  return 1;
}

int32_t PopupContainer::OnStartDrag(uint32_t, ZPoint) { return IsOpen() ? 1 : 0; }

void PopupContainer::Draw(ZDrawContext& context) {
  if (!bitmap_ || bitmap_->Width() <= 0 || bitmap_->Height() <= 0)
    return;
  // The opaque mode blends through the bitmap's alpha plane when it has one.
  context.SetBlendMode(kBlendOpaque);
  context.SetAmount(255);
  context.DrawBitmap(*bitmap_, ZPoint());
}

}  // namespace ZTools
