// Native windows on SDL2: window classes, creation and destruction with their messages, frame
// kinds, placement on the displays, the scale for high-density displays, presenting the
// framework's pixels through a streaming texture, and the per-window timer: a deadline the loop
// checks, so a late loop sees one tick, not a backlog.
#include "platform/window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>

#include "platform/eventloop.h"
#include "platform/clock.h"
#include "platform/windowregistry.h"

namespace Platform {

struct Presenter {
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  ~Presenter() {
    if (texture)
      SDL_DestroyTexture(texture);
    if (renderer)
      SDL_DestroyRenderer(renderer);
  }
};

namespace {

std::map<std::string, WindowProc, std::less<>>& Classes() {
  static std::map<std::string, WindowProc, std::less<>> classes;
  return classes;
}

std::unordered_map<uint32_t, Window*>& Live() {
  static std::unordered_map<uint32_t, Window*> live;
  return live;
}

uint32_t g_nextSerial = 1;
int32_t g_forcedScale = 0;

int32_t AutomaticScale() {
  float ddpi = 0;
  if (SDL_GetDisplayDPI(0, &ddpi, nullptr, nullptr) != 0 || ddpi <= 0)
    return 1;
  return ddpi / 96.0f >= 1.5f ? 2 : 1;
}

}  // namespace

const LayerEvents& Events() {
  static LayerEvents events = [] {
    LayerEvents e;
    const Uint32 first = SDL_RegisterEvents(3);
    if (first != Uint32(-1)) {
      e.paint = first;
      e.close = first + 1;
      e.quit = first + 2;
    }
    return e;
  }();
  return events;
}

bool RegisterWindowClass(std::string_view name, WindowProc proc) {
  if (!proc || Classes().find(name) != Classes().end())
    return false;
  Classes().emplace(std::string(name), proc);
  return true;
}

bool UnregisterWindowClass(std::string_view name) {
  auto it = Classes().find(name);
  if (it == Classes().end())
    return false;
  Classes().erase(it);
  return true;
}

bool IsWindowClassRegistered(std::string_view name) { return Classes().find(name) != Classes().end(); }

void SetForcedScale(int32_t factor) { g_forcedScale = std::clamp(factor, 0, 8); }

std::vector<DisplayBounds> Displays() {
  std::vector<DisplayBounds> out;
  const int count = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetNumVideoDisplays() : 0;
  for (int i = 0; i < count; ++i) {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(i, &r) == 0)
      out.push_back({r.x, r.y, r.w, r.h});
  }
  return out;
}

int32_t DisplayDitherMode() {
  SDL_DisplayMode mode;
  if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetCurrentDisplayMode(0, &mode) != 0)
    return 0;
  if (SDL_BITSPERPIXEL(mode.format) >= 24 || SDL_BITSPERPIXEL(mode.format) == 0)
    return 0;
  int bpp = 0;
  Uint32 r = 0, g = 0, b = 0, a = 0;
  if (!SDL_PixelFormatEnumToMasks(mode.format, &bpp, &r, &g, &b, &a))
    return 0;
  return __builtin_popcount(g) == 6 ? 2 : 1;
}

float PrimaryDisplayScale() {
  float ddpi = 0;
  if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetDisplayDPI(0, &ddpi, nullptr, nullptr) != 0 || ddpi <= 0)
    return 1.0f;
  return ddpi / 96.0f;
}

Window* WindowAccess::BySerial(uint32_t serial) {
  auto it = Live().find(serial);
  return it == Live().end() ? nullptr : it->second;
}

Window* WindowAccess::BySdlId(uint32_t id) {
  SDL_Window* sdl = SDL_GetWindowFromID(id);
  if (!sdl)
    return nullptr;
  for (auto& [serial, w] : Live())
    if (w->sdl_ == sdl && !w->parent_)
      return w;
  return nullptr;
}

std::vector<Window*> WindowAccess::TopLevels() {
  std::vector<Window*> out;
  for (auto& [serial, w] : Live())
    if (!w->parent_)
      out.push_back(w);
  return out;
}

int64_t WindowAccess::Send(Window* window, const Message& message) {
  return window && window->proc_ ? window->proc_(window, message) : -1;
}

Window* WindowAccess::DueTimer(uint64_t now, uint64_t* nextDue) {
  Window* due = nullptr;
  uint64_t next = UINT64_MAX;
  for (auto& [serial, w] : Live()) {
    if (!w->timerPeriod_)
      continue;
    if (w->timerDue_ <= now && (!due || w->timerDue_ < due->timerDue_))
      due = w;
    next = std::min(next, w->timerDue_);
  }
  if (nextDue)
    *nextDue = next;
  return due;
}

void WindowAccess::TimerDelivered(Window* w) {
  // Counted from the end of the tick's work: a loop that falls behind gets one tick, not a
  // backlog, and a tick slower than its period cannot keep the loop from waiting.
  if (w->timerPeriod_)
    w->timerDue_ = NowMs() + w->timerPeriod_;
}

void WindowAccess::Resized(Window* top, int32_t screenW, int32_t screenH) {
  const int32_t w = std::max(screenW / top->scale_, 0), h = std::max(screenH / top->scale_, 0);
  if (w == top->width_ && h == top->height_)
    return;
  top->width_ = w;
  top->height_ = h;
  Message m;
  m.id = MessageId::Size;
  m.x = w;
  m.y = h;
  Send(top, m);
  top->Invalidate();
}

void WindowAccess::ActivationChanged(Window* top, bool active, bool minimized) {
  if (active == top->active_ && minimized == top->minimized_)
    return;
  top->active_ = active;
  top->minimized_ = minimized;
  Message m;
  m.id = MessageId::Activate;
  m.active = active;
  m.minimized = minimized;
  Send(top, m);
}

Window* CreateNativeWindow(const WindowSpec& spec) {
  auto cls = Classes().find(spec.className);
  if (cls == Classes().end())
    return nullptr;
  if (spec.parent && spec.parent->parent_)
    return nullptr;  // children of children are not needed
  if (!spec.parent && !StartVideo())
    return nullptr;
  Window* w = new Window();
  w->proc_ = cls->second;
  w->serial_ = g_nextSerial++;
  if (spec.parent) {
    w->parent_ = spec.parent;
    w->style_ = 4;
    w->scale_ = spec.parent->scale_;
    w->width_ = spec.width > 0 && spec.height > 0 ? spec.width : spec.parent->width_;
    w->height_ = spec.width > 0 && spec.height > 0 ? spec.height : spec.parent->height_;
    spec.parent->child_ = w;
  } else {
    w->style_ = spec.style == 5 ? 4 : spec.style;
    w->scale_ = g_forcedScale > 0 ? g_forcedScale : AutomaticScale();
    w->width_ = spec.width > 0 ? spec.width : 640;
    w->height_ = spec.height > 0 ? spec.height : 480;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (w->style_ == 4)
      flags |= SDL_WINDOW_BORDERLESS;
    else if (w->style_ != 3)
      flags |= SDL_WINDOW_RESIZABLE;  // SDL has no frame without a maximize button
    auto place = [](int32_t v) {
      if (v == WindowSpec::kCentered)
        return int(SDL_WINDOWPOS_CENTERED_DISPLAY(0));
      if (v == WindowSpec::kAnyPosition)
        return int(SDL_WINDOWPOS_UNDEFINED);
      return int(v);
    };
    const std::string title = spec.title.empty() ? std::string("Window") : spec.title;
    w->sdl_ = SDL_CreateWindow(title.c_str(), place(spec.x), place(spec.y), w->width_ * w->scale_,
                               w->height_ * w->scale_, flags);
    if (!w->sdl_) {
      std::fprintf(stderr, "window: %s\n", SDL_GetError());
      delete w;
      return nullptr;
    }
  }
  Live()[w->serial_] = w;
  Message create;
  create.id = MessageId::Create;
  create.createParam = spec.createParam;
  const int64_t rc = WindowAccess::Send(w, create);
  if (rc != 0 && rc != -1) {
    DestroyNativeWindow(w);
    return nullptr;
  }
  Message size;
  size.id = MessageId::Size;
  size.x = w->width_;
  size.y = w->height_;
  WindowAccess::Send(w, size);
  w->Invalidate();
  return w;
}

void DestroyNativeWindow(Window* window) {
  if (!window || Live().find(window->serial_) == Live().end())
    return;
  window->StartTimer(0);
  Message destroy;
  destroy.id = MessageId::Destroy;
  WindowAccess::Send(window, destroy);
  // The handler may have destroyed the child itself.
  if (window->child_)
    DestroyNativeWindow(window->child_);
  if (window->parent_ && window->parent_->child_ == window)
    window->parent_->child_ = nullptr;
  Live().erase(window->serial_);
  delete window;
}

Window::~Window() {
  delete presenter_;
  if (sdl_)
    SDL_DestroyWindow(sdl_);
}

SDL_Window* Window::Native() const noexcept { return parent_ ? parent_->sdl_ : sdl_; }
int32_t Window::Scale() const noexcept { return scale_; }

void Window::Show() {
  if (parent_) {
    Invalidate();
    return;
  }
  SDL_ShowWindow(sdl_);
  Invalidate();
}

void Window::Hide() {
  if (!parent_)
    SDL_HideWindow(sdl_);
}
void Window::Minimize() { SDL_MinimizeWindow(Native()); }
void Window::Restore() { SDL_RestoreWindow(Native()); }
void Window::Raise() { SDL_RaiseWindow(Native()); }
void Window::TakeFocus() {
  // Keyboard input always goes to the window's input target; the native window needs the focus.
  if (SDL_GetWindowFlags(Native()) & SDL_WINDOW_SHOWN)
    SDL_SetWindowInputFocus(Native());
}
bool Window::IsMinimized() const { return (SDL_GetWindowFlags(Native()) & SDL_WINDOW_MINIMIZED) != 0; }
bool Window::IsVisible() const { return (SDL_GetWindowFlags(Native()) & SDL_WINDOW_SHOWN) != 0; }
bool Window::MouseInside() const noexcept { return parent_ ? parent_->mouseInside_ : mouseInside_; }
void Window::CaptureMouse(bool on) { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }

void Window::ScreenMousePosition(int32_t& x, int32_t& y) {
  int gx = 0, gy = 0;
  SDL_GetGlobalMouseState(&gx, &gy);
  x = gx;
  y = gy;
}

void Window::SetClientSize(int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (parent_) {
    if (width == width_ && height == height_)
      return;
    width_ = width;
    height_ = height;
    Message m;
    m.id = MessageId::Size;
    m.x = width;
    m.y = height;
    WindowAccess::Send(this, m);
    Invalidate();
    return;
  }
  SDL_SetWindowSize(sdl_, width * scale_, height * scale_);
  int w = 0, h = 0;
  SDL_GetWindowSize(sdl_, &w, &h);
  WindowAccess::Resized(this, w, h);
}

void Window::GetPosition(int32_t& x, int32_t& y) const {
  int ix = 0, iy = 0;
  SDL_GetWindowPosition(Native(), &ix, &iy);
  x = ix;
  y = iy;
}

void Window::SetPosition(int32_t x, int32_t y) { SDL_SetWindowPosition(Native(), x, y); }

void Window::MoveBy(int32_t dx, int32_t dy) {
  int32_t x = 0, y = 0;
  GetPosition(x, y);
  SetPosition(x + dx, y + dy);
}

void Window::SetSizeLimits(int32_t minW, int32_t minH, int32_t maxW, int32_t maxH) {
  if (parent_)
    return;
  const int32_t s = scale_;
  SDL_SetWindowMinimumSize(sdl_, std::max(minW, 0) * s, std::max(minH, 0) * s);
  // SDL takes 0 as "no maximum".
  SDL_SetWindowMaximumSize(sdl_, maxW > 0 ? maxW * s : 0, maxH > 0 ? maxH * s : 0);
}

void Window::Center(int32_t width, int32_t height, bool move) {
  SetClientSize(width, height);
  if (!move || parent_)
    return;
  SDL_Rect r;
  if (SDL_GetDisplayBounds(0, &r) != 0)
    return;
  SetPosition(r.x + (r.w - width * scale_) / 2, r.y + (r.h - height * scale_) / 2);
}

void Window::Invalidate() {
  if (paintPending_)
    return;
  SDL_Event event{};
  event.type = Events().paint;
  event.user.code = int32_t(serial_);
  if (SDL_PushEvent(&event) == 1)
    paintPending_ = true;
}

bool Window::Present(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride) {
  if (parent_)
    return parent_->Present(pixels, width, height, stride);
  if (!pixels || width <= 0 || height <= 0 || stride < width)
    return false;
  if (!presenter_) {
    presenter_ = new Presenter();
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The skin is drawn by the framework; the window only copies (and enlarges) its pixels.
    // SDL's software renderer does that into the window's own frame buffer and needs no OpenGL
    // driver, whose loading (a software rasterizer among it) would cost more start-up time and
    // memory than the copying ever takes.
    presenter_->renderer = SDL_CreateRenderer(sdl_, -1, SDL_RENDERER_SOFTWARE);
    if (!presenter_->renderer)
      presenter_->renderer = SDL_CreateRenderer(sdl_, -1, 0);
    if (!presenter_->renderer)
      return false;
  }
  Presenter& p = *presenter_;
  if (!p.renderer)
    return false;
  if (!p.texture || p.width != width || p.height != height) {
    if (p.texture)
      SDL_DestroyTexture(p.texture);
    p.texture = SDL_CreateTexture(p.renderer, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    p.width = p.texture ? width : 0;
    p.height = p.texture ? height : 0;
    if (!p.texture)
      return false;
  }
  if (SDL_UpdateTexture(p.texture, nullptr, pixels, stride * 4) != 0)
    return false;
  SDL_SetRenderDrawColor(p.renderer, 0, 0, 0, 255);
  SDL_RenderClear(p.renderer);
  const SDL_Rect dest{0, 0, width * scale_, height * scale_};
  SDL_RenderCopy(p.renderer, p.texture, nullptr, &dest);
  SDL_RenderPresent(p.renderer);
  return true;
}

void Window::StartTimer(uint32_t ms) {
  // Ticks are deadlines the loop checks on this thread, so waiting for them needs no wake-up
  // from another thread (which the window system would have to carry).
  timerPeriod_ = ms;
  timerDue_ = ms ? NowMs() + ms : 0;
}

}  // namespace Platform
