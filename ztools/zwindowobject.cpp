// ZWindowObject: the framework's window class and procedure (every exception a handler throws
// stops at the procedure), creation with the fixed styles, and the window's timer.
#include "ztools/zwindowobject.h"

#include <cstdio>
#include <exception>
#include <string>

#include "ztools/base/zerror.h"

namespace ZTools {

ZWindowObject::~ZWindowObject() {
  if (window_)
    Platform::DestroyNativeWindow(window_);
}

bool ZWindowObject::RegisterClass() { return Platform::RegisterWindowClass(kWindowClassName, &WindowProc); }
bool ZWindowObject::UnregisterClass() { return Platform::UnregisterWindowClass(kWindowClassName); }
bool ZWindowObject::ClassRegistered() { return Platform::IsWindowClassRegistered(kWindowClassName); }

int64_t ZWindowObject::WindowProc(Platform::Window* window, const Platform::Message& message) {
  ZWindowObject* object = nullptr;
  if (message.id == Platform::MessageId::Create) {
    object = static_cast<ZWindowObject*>(message.createParam);
    if (object)
      object->AttachHandle(window);
  } else {
    object = static_cast<ZWindowObject*>(window->UserData());
  }
  if (!object)
    return -1;
  int64_t result = -1;
  // A handler's failure ends with that message: the loop and the other windows go on.
  try {
    result = object->HandleMessage(message);
  } catch (const ZError& e) {
    std::fprintf(stderr, "window message %u: error %d (%s)\n", unsigned(message.id), e.Code(), e.Text());
    result = 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "window message %u: %s\n", unsigned(message.id), e.what());
    result = 0;
  } catch (...) {
    std::fprintf(stderr, "window message %u: unknown exception\n", unsigned(message.id));
    result = 0;
  }
  if (message.id == Platform::MessageId::Destroy && object->window_ == window)
    object->DetachHandle();
  return result;
}

int32_t ZWindowObject::Create(int32_t style, std::string_view title, const ZRect& rect, ZWindowObject* parent) {
  if (!ClassRegistered() || window_)
    return -1;
  Platform::WindowSpec spec;
  spec.className = kWindowClassName;
  spec.title = title.empty() ? std::string(kDefaultWindowTitle) : std::string(title);
  spec.createParam = this;
  if (parent) {
    if (!parent->window_)
      return -1;
    spec.parent = parent->window_;
    spec.width = rect.Width() > 0 && rect.Height() > 0 ? rect.Width() : 0;
    spec.height = rect.Width() > 0 && rect.Height() > 0 ? rect.Height() : 0;
    style_ = 4;
  } else {
    if (rect.right > 0 && rect.bottom > 0) {
      spec.width = rect.right;
      spec.height = rect.bottom;
      spec.x = rect.left < 0 ? Platform::WindowSpec::kCentered : rect.left;
      spec.y = rect.top < 0 ? Platform::WindowSpec::kCentered : rect.top;
    }
    style_ = style;
  }
  spec.style = style_;
  return Platform::CreateNativeWindow(spec) && window_ ? 0 : -1;
}

int32_t ZWindowObject::Destroy() {
  if (!window_)
    return -1;
  StartTimer(0);
  Platform::DestroyNativeWindow(window_);  // the destroy message detaches the handle
  window_ = nullptr;
  return 0;
}

int32_t ZWindowObject::Show(int32_t showCommand) {
  if (!window_)
    return -1;
  switch (showCommand) {
    case kShowHide: window_->Hide(); break;
    case kShowMinimized:
    case 6:
    case 7:
      window_->Show();
      window_->Minimize();
      break;
    default: window_->Show(); break;
  }
  window_->Invalidate();
  return 0;
}

void ZWindowObject::TakeFocus() {
  if (window_)
    window_->TakeFocus();
}

void ZWindowObject::OnActivate(bool, bool) {}

void ZWindowObject::StartTimer(uint32_t ms) {
  timer_ = 0;
  if (!window_)
    return;
  window_->StartTimer(ms);
  if (ms != 0 && window_->TimerRunning())
    timer_ = 1;
}

void ZWindowObject::CenterWindow(int32_t width, int32_t height, bool move) {
  // The window layer sizes client areas; there is no frame to add.
  if (window_)
    window_->Center(width, height, move);
}

int64_t ZWindowObject::HandleMessage(const Platform::Message& message) {
  if (message.id == Platform::MessageId::Close) {
    Destroy();
    return 0;
  }
  return -1;
}

void ZWindowObject::AttachHandle(Platform::Window* window) {
  if (window_ || !window)
    return;
  window_ = window;
  window->SetUserData(this);
}

void ZWindowObject::DetachHandle() {
  if (!window_)
    return;
  window_->SetUserData(nullptr);
  window_ = nullptr;
  timer_ = 0;
}

}  // namespace ZTools
