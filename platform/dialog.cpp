// Modal message boxes on SDL, with standard error as the headless fallback and a replaceable
// sink for tests. The sink is the only process-wide state; a mutex guards it because a box may
// in principle be raised from any thread (the audio engine's threads never do so today).
#include "platform/dialog.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace Platform {
namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

DialogSink& Sink() {
  static DialogSink sink;
  return sink;
}

bool EnvironmentSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

void WriteToStandardError(std::string_view caption, std::string_view text) {
  // One write per box, so boxes from concurrent callers do not interleave line by line.
  std::string out;
  out.reserve(caption.size() + text.size() + 8);
  out.append("[").append(caption).append("]\n").append(text);
  if (out.empty() || out.back() != '\n')
    out.push_back('\n');
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

Uint32 SdlFlags(DialogKind kind) {
  switch (kind) {
    case DialogKind::Warning: return SDL_MESSAGEBOX_WARNING;
    case DialogKind::Information: return SDL_MESSAGEBOX_INFORMATION;
    case DialogKind::Error: break;
  }
  return SDL_MESSAGEBOX_ERROR;
}

}  // namespace

bool DialogsAreHeadless() {
  const char* disabled = std::getenv("SONABEL_NO_DIALOGS");
  if (disabled != nullptr && std::strcmp(disabled, "1") == 0)
    return true;
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0))
    return true;
  return !EnvironmentSet("DISPLAY") && !EnvironmentSet("WAYLAND_DISPLAY");
}

void ShowMessageBox(std::string_view caption, std::string_view text, DialogKind kind, SDL_Window* parent) {
  DialogSink sink;
  {
    // Copied out so a sink may itself show or replace boxes without deadlocking.
    std::lock_guard<std::mutex> lock(SinkMutex());
    sink = Sink();
  }
  if (sink) {
    sink(caption, text, kind);
    return;
  }
  if (!DialogsAreHeadless()) {
    const std::string captionText(caption);
    const std::string bodyText(text);
    if (SDL_ShowSimpleMessageBox(SdlFlags(kind), captionText.c_str(), bodyText.c_str(), parent) == 0)
      return;
  }
  WriteToStandardError(caption, text);
}

DialogSink SetDialogSink(DialogSink sink) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  DialogSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

DialogCapture::DialogCapture() {
  previous_ = SetDialogSink([this](std::string_view caption, std::string_view text, DialogKind kind) {
    boxes_.push_back(Shown{std::string(caption), std::string(text), kind});
  });
}

DialogCapture::~DialogCapture() { SetDialogSink(std::move(previous_)); }

}  // namespace Platform
