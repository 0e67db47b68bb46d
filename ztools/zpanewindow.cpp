// ZPaneWindow: painting the manager's drawing, the pointer rules (a press that moved is no
// click; borderless skins drag the window by their empty areas), keys and text, the idle timer
// with hover leave detection, and the window requests that panes queue.
#include "ztools/zpanewindow.h"

#include "platform/clock.h"
#include "platform/eventloop.h"
#include "ztools/base/zerror.h"
#include "ztools/zappobject.h"
#include "ztools/zpaneevent.h"
#include "ztools/zpanemanager.h"
#include "ztools/zpanewords.h"

namespace ZTools {

using Platform::MessageId;

ZPaneWindow::~ZPaneWindow() { Destroy(); }

void ZPaneWindow::SetPaneManager(ZPaneManager* manager) {
  manager_ = manager;
  if (manager_ && Usable()) {
    manager_->ResizeRootArea(context_->Width(), context_->Height());
    manager_->RedrawAll();
  }
  if (Handle())
    Handle()->Invalidate();
}

void ZPaneWindow::SetFastUpdate(bool flag) {
  fastUpdate_ = flag;
  if (TimerRunning() && !hiddenTimer_)
    StartTimer(flag ? kPaneFastTimerMs : kPaneTimerMs);
}

bool ZPaneWindow::SetDitherMode(bool flag) {
  if (!context_)
    return false;
  return context_->SetDitherMode(flag ? layout16_ : kDitherNone);
}

int32_t ZPaneWindow::Create(int32_t style, std::string_view title, const ZRect& rect, ZWindowObject* parent) {
  const int32_t screen = Platform::DisplayDitherMode();
  ditherNeeded_ = screen != 0;
  if (ditherNeeded_)
    layout16_ = screen;
  if (int32_t rc = ZWindowObject::Create(style, title, rect, parent))
    return rc;
  StartTimer(fastUpdate_ ? kPaneFastTimerMs : kPaneTimerMs);
  return 0;
}

void ZPaneWindow::MakeContext(int32_t width, int32_t height) {
  context_ = std::make_unique<ZExtDrawContext>(ditherNeeded_ ? layout16_ : kDitherNone);
  if (context_->Resize(width, height) != 0) {
    context_.reset();
    throw ZError(kZErrNullPointer);  // the code the window reports for a context it could not make
  }
  context_->Fill(ZColor(255, 255, 255));
}

void ZPaneWindow::Paint() {
  if (!Usable() || !Handle())
    return;
  if (manager_) {
    if (background_ && (background_->Width() != context_->Width() || background_->Height() != context_->Height()))
      background_.reset();
    manager_->DrawInvalid(*context_);
  }
  context_->DitherForScreen(context_->Bounds());
  Handle()->Present(context_->GetPixels(), context_->Width(), context_->Height(), context_->Width());
}

void ZPaneWindow::InvalidateIfNeeded() {
  if (manager_ && Handle() && !manager_->InvalidAreas().empty())
    Handle()->Invalidate();
}

void ZPaneWindow::ForgetMouse() {
  modifiers_ = 0;
  dragCount_ = 0;
  buttons_ = downButtons_ = 0;
  downValid_ = false;
  downPos_ = pos_ = ZPoint();
}

void ZPaneWindow::FinishClick(uint32_t buttons, ZPoint p) {
  if (manager_ && downValid_ && buttons == downButtons_ && p == downPos_)
    manager_->ClickRelease(buttons, p);
  downValid_ = false;
  downButtons_ = 0;
  downPos_ = ZPoint();
}

void ZPaneWindow::MouseMove(const Platform::Message& m) {
  const ZPoint p{m.x, m.y};
  buttons_ = m.buttons;
  pos_ = p;
  if (!(m.buttons & (kLeftButton | kMiddleButton | kRightButton))) {
    hover_ = true;
    if (manager_)
      manager_->MouseHover(p);
    return;
  }
  if (!(m.buttons & kLeftButton))
    return;
  downValid_ = false;  // a press that moved is no click
  downButtons_ = 0;
  if (dragCount_ > 0) {
    if (Platform::Window* main = ZWindowObject::MainWindow()) {
      ZPoint pointer;
      Platform::Window::ScreenMousePosition(pointer.x, pointer.y);
      main->SetPosition(dragWindowStart_.x + pointer.x - dragPointerStart_.x,
                        dragWindowStart_.y + pointer.y - dragPointerStart_.y);
    }
    ++dragCount_;
    return;
  }
  if (!manager_)
    return;
  manager_->Drag(m.buttons, p);
  if (smoothDrag_)
    ProcessWindowRequests();
}

int64_t ZPaneWindow::HandleMessage(const Platform::Message& m) {
  const ZPoint p{m.x, m.y};
  switch (m.id) {
    case MessageId::Create:
      MakeContext(Handle()->Width(), Handle()->Height());
      Handle()->Invalidate();
      return 0;
    case MessageId::Destroy:
      context_.reset();
      background_.reset();
      manager_ = nullptr;
      return 0;
    case MessageId::Size:
      if (context_) {
        if (context_->Resize(m.x, m.y) == 0)
          context_->Fill(ZColor(255, 255, 255));
        else
          context_.reset();  // never drawn into or shown again
      }
      if (manager_) {
        manager_->ResizeRootArea(m.x, m.y);
        manager_->RedrawAll();
      }
      Handle()->Invalidate();
      return 0;
    case MessageId::Paint: Paint(); return 0;
    case MessageId::KeyDown:
      modifiers_ = m.modifiers;
      if (m.modifier || !m.key || !manager_)
        return 0;
      manager_->Key(m.character ? m.key : ((modifiers_ << 16) | m.key));
      InvalidateIfNeeded();
      return 0;
    case MessageId::KeyUp: modifiers_ = m.modifiers; return 0;
    case MessageId::Text:
      if (manager_)
        manager_->Text(m.text);
      InvalidateIfNeeded();
      return 0;
    case MessageId::MouseMove:
      MouseMove(m);
      InvalidateIfNeeded();
      return 0;
    case MessageId::ButtonDown:
      buttons_ = m.buttons;
      pos_ = p;
      if (m.button == kLeftButton) {
        Handle()->CaptureMouse(true);
        downButtons_ = m.buttons;
        downPos_ = p;
        downValid_ = true;
        const bool taken = manager_ && manager_->Click(m.buttons, p);
        ZAppObject* app = ZAppObject::Instance();
        if (!taken && app && (app->GetStyle() == 4 || app->GetStyle() == 5)) {
          // Where the press was on the screen: the event's point, not the pointer now, which may
          // have moved on already.
          if (Platform::Window* main = ZWindowObject::MainWindow()) {
            main->GetPosition(dragWindowStart_.x, dragWindowStart_.y);
            dragPointerStart_ = {dragWindowStart_.x + p.x * main->Scale(), dragWindowStart_.y + p.y * main->Scale()};
          }
          dragCount_ = 1;
        }
      } else if (m.button == kRightButton) {
        downButtons_ = m.buttons;
        downPos_ = p;
        downValid_ = true;
      }
      InvalidateIfNeeded();
      return 0;
    case MessageId::ButtonUp:
      buttons_ = m.buttons;
      pos_ = p;
      if (m.button == kLeftButton) {
        Handle()->CaptureMouse(false);
        FinishClick(m.buttons | kLeftButton, p);
        if (dragCount_ > 1) {
          if (translucent_)
            GrabBackground(false);
        } else if (manager_) {
          manager_->DragStop();
        }
        dragCount_ = 0;
      } else {
        FinishClick(m.buttons | m.button, p);
        if (manager_)
          manager_->DragStop();
      }
      InvalidateIfNeeded();
      return 0;
    case MessageId::Wheel:
      if (manager_)
        manager_->Wheel(m.buttons, p, m.wheel);
      InvalidateIfNeeded();
      return 0;
    case MessageId::Timer: OnTimer(); return 0;
    case MessageId::Close: Destroy(); return 0;
    default: return -1;
  }
}

void ZPaneWindow::OnTimer() {
  if (!manager_ || !Handle())
    return;
  if (Platform::Window* main = ZWindowObject::MainWindow()) {
    const bool hidden = main->IsMinimized() || !main->IsVisible();
    if (hidden != hiddenTimer_) {
      hiddenTimer_ = hidden;
      StartTimer(hidden ? kPaneHiddenTimerMs : fastUpdate_ ? kPaneFastTimerMs : kPaneTimerMs);
    }
  }
  if (!(buttons_ & kLeftButton)) {
    const bool inside = Handle()->MouseInside();
    if (inside) {
      hover_ = true;
    } else if (hover_) {
      hover_ = false;
      manager_->MouseHover(ZPoint{kMouseAway, kMouseAway});
    }
  }
  manager_->Idle(Platform::NowMs());
  ProcessWindowRequests();
  InvalidateIfNeeded();
}

void ZPaneWindow::ProcessWindowRequests() {
  // Each request may destroy the window (through the application); stop when it is gone.
  while (manager_) {
    ZEventRef<ZPaneEvent> event = manager_->TakeNextEvent();
    if (!event)
      return;
    switch (event->Id()) {
      case kSysWindowRedraw:
        if (Handle())
          Handle()->Invalidate();
        break;
      case kSysWindowClose:
      case 0x200003: Platform::PostClose(ZWindowObject::MainWindow()); break;
      case kSysWindowMinimize:
        if (Platform::Window* main = ZWindowObject::MainWindow())
          main->Minimize();
        break;
      case kSysWindowResize:
        if (Platform::Window* main = ZWindowObject::MainWindow())
          if (event->Point().x > 0 && event->Point().y > 0)
            main->SetClientSize(event->Point().x, event->Point().y);
        break;
      case kSysWindowInvalidateClick:
        downValid_ = false;
        downButtons_ = 0;
        downPos_ = ZPoint();
        break;
      case kSysWindowSmoothDrag: SetSmoothDrag(event->Value() != 0); break;
      case kSysWindowFastUpdate: SetFastUpdate(event->Value() != 0); break;
      case kSysWindowCheckMousePosition: manager_->MouseHover(pos_); break;
      case kSysWindowDitherMode:
        if (SetDitherMode(event->Value() != 0)) {
          manager_->RedrawAll();
          if (Handle())
            Handle()->Invalidate();
        }
        break;
      default: break;
    }
  }
}

void ZPaneWindow::OnActivate(bool active, bool minimized) {
  if (grabbing_)
    return;
  const bool restored = !minimized && minimized_;
  if (restored || (active && !active_)) {
    TakeFocus();
    ForgetMouse();
  }
  if (restored)
    GrabBackground(false);
  else if (active != active_)
    GrabBackground(true);
  if (manager_)
    manager_->Activate(active, minimized);
  active_ = active;
  minimized_ = minimized;
}

void ZPaneWindow::GrabBackground(bool) {
  // The screen behind the window is not read back: the skin is drawn over a plain background of
  // its own, so hiding the window for a copy is never needed.
  if (!translucent_ || !Usable())
    return;
  grabbing_ = true;
  if (!background_) {
    background_ = std::make_unique<ZDrawContext>();
    if (background_->Resize(context_->Width(), context_->Height()) == 0)
      background_->Fill(ZColor(255, 255, 255));
    else
      background_.reset();
  }
  if (manager_)
    manager_->RedrawAll();
  if (Handle())
    Handle()->Invalidate();
  grabbing_ = false;
}

}  // namespace ZTools
